#pragma once

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>

namespace calc {

/// The one value type: the x86-64 80-bit extended format.
using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64,
              "Extended must be the 80-bit x87 format with a 64-bit significand");

enum class TAngleMode { amDeg = 0, amRad = 1, amGrad = 2 };

/// The built-in constant and the angle factors, each divided in 80-bit arithmetic.
inline constexpr Extended kPi = 3.14159265358979323851L;
inline constexpr Extended kPiDiv180 = kPi / 180;
inline constexpr Extended kPiDiv200 = kPi / 200;
inline constexpr Extended k180DivPi = 180 / kPi;
inline constexpr Extended k200DivPi = 200 / kPi;

[[nodiscard]] inline bool IsZeroValue(Extended x) noexcept
{
    return x <= 1e-16L && x >= -1e-16L;
}

[[nodiscard]] bool SameValueTol(Extended a, Extended b) noexcept;

/// -2^63 <= x <= 2^63-1; a NaN is outside.
[[nodiscard]] inline bool IsInt64Range(Extended x) noexcept
{
    return x >= -9223372036854775808.0L && x <= 9223372036854775807.0L;
}

// Error codes of the engine; the numbers reach the calculator manager and the status bar.
inline constexpr int ceNone = 0;
inline constexpr int ceExpectingArgument = 1;
inline constexpr int ceNumberFormat = 2;
inline constexpr int ceNumberTooLong = 4;
inline constexpr int ceExpected = 5;
inline constexpr int ceEndExpected = 6;
inline constexpr int ceDivisionByZero = 11;
inline constexpr int ceUnknownConstant = 12;
inline constexpr int ceUnknownFunction = 13;
inline constexpr int ceOperatorArgument = 22;
inline constexpr int ceInsufficientArguments = 23;
/// The evaluation was stopped: by the user, or because it ran out of its time.
inline constexpr int ceInterrupted = 24;
inline constexpr int ceMessage = 99;
inline constexpr int ceCritical = 100;

/// The text of an error code; empty for codes without one (99, 100 and unknown codes).
[[nodiscard]] std::string_view ErrorText(int code) noexcept;

// Messages of failures that carry their own text.
inline constexpr std::string_view sInvalidFPOperation = "Invalid floating point operation";
inline constexpr std::string_view sFPDivisionByZero = "Floating point division by zero";
inline constexpr std::string_view sFPOverflow = "Floating point overflow";
inline constexpr std::string_view sIntDivisionByZero = "Division by zero";
inline constexpr std::string_view sZeroPowerZero = "0^0 cannot be calculated)";
inline constexpr std::string_view sStackOverflow = "Stack overflow";
inline constexpr std::string_view sOutOfMemory = "Out of memory";
inline constexpr std::string_view sCalculationInterrupted = "Calculation interrupted";

/// A plain failure carrying its message.
class EException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    explicit EException(std::string_view message) : std::runtime_error(std::string(message)) {}
};

/// An engine failure raised by RaiseError; its message is the formatted error message.
class ECalcException final : public EException {
public:
    using EException::EException;
};

/// Arithmetic faults: floating-point invalid operation, division by zero, overflow, and
/// integer division by zero.
class EMathError final : public EException {
public:
    using EException::EException;
};

/// A conversion failure (invalid digits, a date that does not convert, a bad integer).
class EConvertError final : public EException {
public:
    using EException::EException;
};

/// A system-level fault during evaluation (the evaluation stack ran out); reported as code 100.
class ECriticalError final : public EException {
public:
    using EException::EException;
};

/// An evaluation stopped before its end on request or when its time ran out; reported as code
/// 24 whatever the depth of user-function calls it was stopped in.
class EInterrupted final : public EException {
public:
    using EException::EException;
};

/// Raises the floating-point fault recorded in the status flags, if any, and clears the flags.
/// Underflow and inexact results stay silent.
void CheckFPUStatus();
/// Clears every floating-point status flag.
void ClearFPUStatus() noexcept;

namespace detail {
/// The fault flags (FE_INVALID, FE_DIVBYZERO, FE_OVERFLOW bits) of the x87 status word and the
/// SSE control register, read after value has been computed: value passes through the read,
/// so the compiler can neither leave its computation for later nor start the next operation
/// on it earlier.
inline unsigned ReadFPUFaults(Extended& value) noexcept
{
    std::uint16_t status;
    std::uint32_t control;
    // Early clobber: the status lands in ax before the control register's address is used.
    asm volatile("fnstsw %0\n\tstmxcsr %1" : "=&a"(status), "=m"(control), "+t"(value)::"memory");
    return (status | control) & 0x0Du;
}
[[noreturn]] void RaiseFPUFault(unsigned faults);
} // namespace detail

/// Passes a value through after making sure the operations that produced it raised no
/// floating-point fault.
inline Extended CheckedValue(Extended value)
{
    if (const unsigned faults = detail::ReadFPUFaults(value); faults != 0) [[unlikely]]
        detail::RaiseFPUFault(faults);
    return value;
}

/// Truncates toward zero; the caller has checked IsInt64Range.
[[nodiscard]] inline std::int64_t TruncInt64(Extended x) noexcept
{
    return static_cast<std::int64_t>(x);
}

/// Truncates toward zero; outside the 64-bit range fails like the hardware conversion does.
[[nodiscard]] std::int64_t CheckedTrunc(Extended x);

/// Upper case of an ISO-8859-1 character.
[[nodiscard]] constexpr char AnsiUpper(char c) noexcept
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z')
        return static_cast<char>(u - 32);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7)
        return static_cast<char>(u - 32);
    return c;
}

[[nodiscard]] std::string AnsiUpperCase(std::string_view s);
[[nodiscard]] inline bool AnsiSameText(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AnsiUpper(a[i]) != AnsiUpper(b[i]))
            return false;
    return true;
}

/// Whitespace of expressions: codes 1 to 32 and the no-break space 160.
[[nodiscard]] constexpr bool IsSpaceChar(char c) noexcept
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 1 && u <= 32) || u == 160;
}

/// Blanks and control characters, as trimmed from definition texts and ini lines.
[[nodiscard]] constexpr bool IsTrimChar(char c) noexcept
{
    return static_cast<unsigned char>(c) <= 32;
}

[[nodiscard]] std::string_view Trim(std::string_view s) noexcept;
[[nodiscard]] std::string_view TrimLeft(std::string_view s) noexcept;
[[nodiscard]] std::string_view TrimRight(std::string_view s) noexcept;

/// Letters A to Z in either case, the underscore and the at sign.
[[nodiscard]] constexpr bool IsNameChar(char c) noexcept
{
    const char u = AnsiUpper(c);
    return (u >= 'A' && u <= 'Z') || u == '_' || u == '@';
}

[[nodiscard]] constexpr bool IsDigit(char c) noexcept
{
    return c >= '0' && c <= '9';
}

/// The value of a hexadecimal digit in either letter case, or -1.
[[nodiscard]] constexpr int HexDigitValue(char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

/// The host's regional settings as the engine and the result formats use them. The front ends
/// fill it from the host locale; the defaults are the invariant set.
struct TRegionalSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    std::string CurrencyString = "$";
    int CurrencyFormat = 0; ///< positive pattern 0..3
    int NegCurrFormat = 1;  ///< negative pattern 0..15
    std::string ShortDateFormat = "M/d/yyyy";
    char DateSeparator = '/';
    std::string LongTimeFormat = "H:mm:ss";
    char TimeSeparator = ':';
    std::string TimeAMString;
    std::string TimePMString;

    bool operator==(const TRegionalSettings&) const = default;
};

/// The process-wide regional settings record.
[[nodiscard]] TRegionalSettings& RegionalSettings() noexcept;

/// printf-style formatting into a std::string.
[[nodiscard]] std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace calc
