#pragma once

#include "engine/ExprParserTypes.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace calc {

/// The argument values of a call; the few that most calls have need no allocation.
class TFuncArgs {
public:
    explicit TFuncArgs(std::size_t count) { resize(count); }

    [[nodiscard]] std::size_t size() const noexcept { return FSize; }
    [[nodiscard]] Extended& operator[](std::size_t index) noexcept { return Data()[index]; }
    [[nodiscard]] const Extended& operator[](std::size_t index) const noexcept
    {
        return Data()[index];
    }
    /// Keeps the first values; new ones are 0.
    void resize(std::size_t count);

private:
    static constexpr std::size_t kInline = 4;
    [[nodiscard]] Extended* Data() noexcept
    {
        return FSize <= kInline ? FInline.data() : FHeap.data();
    }
    [[nodiscard]] const Extended* Data() const noexcept
    {
        return FSize <= kInline ? FInline.data() : FHeap.data();
    }

    std::array<Extended, kInline> FInline{};
    std::vector<Extended> FHeap;
    std::size_t FSize = 0;
};

/// A function call in progress: created per call, filled by the caller, evaluated once.
class TCustomFuncEvaluator {
public:
    explicit TCustomFuncEvaluator(int argCount);
    virtual ~TCustomFuncEvaluator() = default;
    TCustomFuncEvaluator(const TCustomFuncEvaluator&) = delete;
    TCustomFuncEvaluator& operator=(const TCustomFuncEvaluator&) = delete;

    virtual Extended Evaluate(TAngleMode angleMode) = 0;

    /// n >= 0 arguments, or -1 for one or more.
    [[nodiscard]] int ArgCount() const noexcept { return FArgCount; }
    void SetArgCount(int n);
    void SetArg(int index, Extended value) { FArgs[static_cast<std::size_t>(index)] = value; }
    [[nodiscard]] Extended GetArg(int index) const
    {
        return FArgs[static_cast<std::size_t>(index)];
    }
    [[nodiscard]] const TFuncArgs& Args() const noexcept { return FArgs; }

protected:
    int FArgCount;
    TFuncArgs FArgs;
};

/// What the parser asks of the names it meets: the definitions registry implements it.
class IParserDefinitions {
public:
    virtual ~IParserDefinitions() = default;
    /// True with the value when some definition resolves the name.
    virtual bool FindConstant(std::string_view name, Extended& value) const = 0;
    /// True with a new evaluator, which the caller owns, when some function has the name.
    virtual bool FindFunction(std::string_view name,
                              std::unique_ptr<TCustomFuncEvaluator>& evaluator) const = 0;

protected:
    IParserDefinitions() = default;
    IParserDefinitions(const IParserDefinitions&) = default;
    IParserDefinitions& operator=(const IParserDefinitions&) = default;
};

/// The registry parsers resolve names against unless they are given another; nullptr (nothing
/// resolves) until the process registry is created.
[[nodiscard]] const IParserDefinitions* DefaultParserDefinitions() noexcept;
void SetDefaultParserDefinitions(const IParserDefinitions* definitions) noexcept;

} // namespace calc
