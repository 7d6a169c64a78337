#include "engine/ExprParserRegistry.h"

#include <algorithm>
#include <atomic>

namespace calc {

namespace {

std::atomic<const IParserDefinitions*> gDefaultDefinitions{nullptr};

} // namespace

void TFuncArgs::resize(std::size_t count)
{
    if (count <= kInline) {
        if (FSize > kInline)
            std::copy_n(FHeap.begin(), count, FInline.begin());
        else if (count > FSize)
            std::fill(FInline.begin() + static_cast<std::ptrdiff_t>(FSize),
                      FInline.begin() + static_cast<std::ptrdiff_t>(count), Extended{0});
        FHeap.clear();
    }
    else {
        if (FSize <= kInline)
            FHeap.assign(FInline.begin(), FInline.begin() + static_cast<std::ptrdiff_t>(FSize));
        FHeap.resize(count);
    }
    FSize = count;
}

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
