#include "engine/ExprParserRegistry.h"

#include <atomic>

namespace calc {

namespace {

std::atomic<const IParserDefinitions*> gDefaultDefinitions{nullptr};

} // namespace

TCustomFuncEvaluator::TCustomFuncEvaluator(int argCount)
    : FArgCount(argCount), FArgs(static_cast<std::size_t>(argCount > 0 ? argCount : 0))
{
}

void TCustomFuncEvaluator::SetArgCount(int n)
{
    if (n == FArgCount)
        return;
    FArgCount = n;
    FArgs.resize(static_cast<std::size_t>(n > 0 ? n : 0));
}

const IParserDefinitions* DefaultParserDefinitions() noexcept
{
    return gDefaultDefinitions.load(std::memory_order_acquire);
}

void SetDefaultParserDefinitions(const IParserDefinitions* definitions) noexcept
{
    gDefaultDefinitions.store(definitions, std::memory_order_release);
}

} // namespace calc
