#include "engine/ExprParserTypes.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace calc {

bool SameValueTol(Extended a, Extended b) noexcept
{
    const Extended diff = std::fabs(a - b);
    const Extended tol = std::max(std::min(std::fabs(a), std::fabs(b)) * 1e-16L, 1e-16L);
    return diff <= tol;
}

std::string_view ErrorText(int code) noexcept
{
    switch (code) {
    case ceNone:
        return "No error";
    case ceExpectingArgument:
        return "Expecting argument";
    case ceNumberFormat:
        return "Incorrect number format";
    case ceNumberTooLong:
        return "Number is too long";
    case ceExpected:
        return "Expected";
    case ceEndExpected:
        return "End of expression expected";
    case ceDivisionByZero:
        return "Division by zero";
    case ceUnknownConstant:
        return "Unknown constant";
    case ceUnknownFunction:
        return "Unknown function";
    case ceOperatorArgument:
        return "Incorrect operator argument";
    case ceInsufficientArguments:
        return "Insufficient arguments";
    case ceInterrupted:
        return sCalculationInterrupted;
    default:
        return {};
    }
}

void ClearFPUStatus() noexcept
{
    // The library call saves and reloads the whole x87 environment: far slower than this, and
    // it runs before every evaluation.
    std::uint32_t control;
    asm volatile("fnclex\n\tstmxcsr %0" : "=m"(control)::"memory");
    if ((control & FE_ALL_EXCEPT) != 0) {
        control &= ~static_cast<std::uint32_t>(FE_ALL_EXCEPT);
        asm volatile("ldmxcsr %0" ::"m"(control) : "memory");
    }
}

static_assert(FE_INVALID == 0x01 && FE_DIVBYZERO == 0x04 && FE_OVERFLOW == 0x08,
              "the status read assumes the x86 flag bits");

void detail::RaiseFPUFault(unsigned faults)
{
    std::feclearexcept(FE_ALL_EXCEPT);
    if (faults & FE_INVALID)
        throw EMathError(sInvalidFPOperation);
    if (faults & FE_DIVBYZERO)
        throw EMathError(sFPDivisionByZero);
    throw EMathError(sFPOverflow);
}

void CheckFPUStatus()
{
    Extended none = 0;
    if (const unsigned faults = detail::ReadFPUFaults(none); faults != 0)
        detail::RaiseFPUFault(faults);
}

std::int64_t CheckedTrunc(Extended x)
{
    if (!IsInt64Range(x))
        throw EMathError(sInvalidFPOperation);
    return TruncInt64(x);
}

std::string AnsiUpperCase(std::string_view s)
{
    std::string result(s);
    for (char& c : result)
        c = AnsiUpper(c);
    return result;
}

std::string_view TrimLeft(std::string_view s) noexcept
{
    while (!s.empty() && IsTrimChar(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) noexcept
{
    while (!s.empty() && IsTrimChar(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) noexcept
{
    return TrimRight(TrimLeft(s));
}

TRegionalSettings& RegionalSettings() noexcept
{
    static TRegionalSettings settings;
    return settings;
}

std::string Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string result(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0)
        std::vsnprintf(result.data(), result.size() + 1, fmt, args);
    va_end(args);
    return result;
}

} // namespace calc
