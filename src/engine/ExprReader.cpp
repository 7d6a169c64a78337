#include "engine/ExprReader.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace calc {

std::string TCharSet::Text() const
{
    std::string text;
    for (std::size_t c = 0; c < FBits.size(); ++c)
        if (FBits.test(c))
            text.push_back(static_cast<char>(c));
    return text;
}

namespace {

// Digits are taken eight at a time where the text has eight more characters: a run costs a
// few integer operations instead of a loop step and a branch per digit.

/// Eight characters as one number, the first in the lowest byte.
[[nodiscard]] inline std::uint64_t LoadEight(const char* p) noexcept
{
    std::uint64_t chars;
    std::memcpy(&chars, p, sizeof chars);
    return chars;
}

constexpr std::uint64_t kEachByte = 0x0101010101010101;

/// How many of eight characters, from the first on, are digits.
[[nodiscard]] inline unsigned LeadingDigitCount(std::uint64_t chars) noexcept
{
    // A digit has the high half 3 both as it is and with 6 added (0x3A..0x3F become 0x40..).
    // A carry out of a byte comes from a character 0xFA..0xFF, a non-digit, and only disturbs
    // the bytes after it, which no longer count.
    const std::uint64_t high = 0xF0 * kEachByte;
    const std::uint64_t threes = 0x30 * kEachByte;
    const std::uint64_t other =
        ((chars & high) ^ threes) | (((chars + 6 * kEachByte) & high) ^ threes);
    return other == 0 ? 8u : static_cast<unsigned>(std::countr_zero(other)) / 8;
}

/// The value of the first count (1 to 8) characters of chars, all digits.
[[nodiscard]] inline std::uint64_t DigitsValue(std::uint64_t chars, unsigned count) noexcept
{
    // Moved to the end of eight characters behind zeros, then combined pairwise: two digits
    // per byte, four per 16 bits, eight per 32 bits.
    if (count < 8)
        chars = (chars << (8 * (8 - count))) | ((0x30 * kEachByte) >> (8 * count));
    chars -= 0x30 * kEachByte;
    chars = chars * 10 + (chars >> 8);
    const std::uint64_t pairs = 0x000000FF000000FF;
    chars = (((chars & pairs) * (100 + (1000000ull << 32))) +
             (((chars >> 16) & pairs) * (1 + (10000ull << 32)))) >>
            32;
    return chars & 0xFFFFFFFF;
}

constexpr std::array<std::uint64_t, 9> kPowersOfTen{1,      10,      100,      1000,     10000,
                                                    100000, 1000000, 10000000, 100000000};

/// Reads the digits from pos on into the mantissa, which holds them exactly while there are
/// at most 19; returns where they end.
[[nodiscard]] std::size_t ReadDigits(std::string_view text, std::size_t pos,
                                     std::uint64_t& mantissa) noexcept
{
    while (pos + 8 <= text.size()) {
        const std::uint64_t chars = LoadEight(text.data() + pos);
        const unsigned count = LeadingDigitCount(chars);
        if (count == 0)
            return pos;
        mantissa = mantissa * kPowersOfTen[count] + DigitsValue(chars, count);
        pos += count;
        if (count < 8)
            return pos;
    }
    for (; pos < text.size() && IsDigit(text[pos]); ++pos)
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[pos] - '0');
    return pos;
}

/// Up to eight characters from pos on, the first in the lowest byte, zeros past the end.
[[nodiscard]] inline std::uint64_t LoadUpToEight(std::string_view text, std::size_t pos) noexcept
{
    if (pos + 8 <= text.size())
        return LoadEight(text.data() + pos);
    std::uint64_t chars = 0;
    for (std::size_t k = text.size(); k > pos; --k)
        chars = (chars << 8) | static_cast<unsigned char>(text[k - 1]);
    return chars;
}

/// The low count (0 to 7) bytes set.
[[nodiscard]] inline std::uint64_t LowBytes(unsigned count) noexcept
{
    return (std::uint64_t{1} << (8 * count)) - 1;
}

/// Whether a character after a literal leaves it as it is. The general rules would take a
/// letter into the literal (hexadecimal digits, suffixes), join digits across blanks and read a
/// decimal separator after blanks.
[[nodiscard]] inline bool EndsLiteral(char c, const TCharSet& separators) noexcept
{
    return !IsNameChar(c) && !IsDigit(c) && !IsSpaceChar(c) && !separators.Contains(c);
}

locale_t CLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

/// Powers of ten that the 80-bit format holds exactly (5^27 < 2^64).
constexpr auto kExactPowersOfTen = [] {
    std::array<Extended, 28> powers{};
    Extended p = 1;
    for (Extended& power : powers) {
        power = p;
        p *= 10;
    }
    return powers;
}();

/// The digits of a decimal literal, as many as a 64-bit mantissa holds.
struct TDecimalExponent;
struct TDecimalDigits {
    std::uint64_t Mantissa = 0;
    int Significant = 0; // digits in the mantissa, leading zeros not counted
    int Scale = 0;       // power of ten the mantissa is to be multiplied with
    bool Exact = true;   // the mantissa holds every digit

    void Add(char c, bool fraction) noexcept
    {
        const int d = c - '0';
        if (Significant < 19) {
            Mantissa = Mantissa * 10 + static_cast<std::uint64_t>(d);
            if (Mantissa != 0)
                ++Significant;
            if (fraction)
                --Scale;
        }
        else {
            Exact = Exact && d == 0;
            if (!fraction)
                ++Scale;
        }
    }

    /// The value when one correctly rounded operation on exact operands gives it.
    inline bool TryExactValue(const TDecimalExponent& exponent, Extended& value) const noexcept;
};

/// The digits after E; beyond 100000 only that it is huge counts.
struct TDecimalExponent {
    int Value = 0;
    bool Negative = false;
    bool Huge = false;

    void Add(char c) noexcept
    {
        if (Value > 100000)
            Huge = true;
        else
            Value = Value * 10 + (c - '0');
    }
    [[nodiscard]] int Signed() const noexcept { return Negative ? -Value : Value; }
};

inline bool TDecimalDigits::TryExactValue(const TDecimalExponent& exponent,
                                          Extended& value) const noexcept
{
    if (Mantissa == 0 && Exact) {
        value = 0;
        return true;
    }
    const int power = Scale + exponent.Signed();
    if (!Exact || exponent.Huge || power < -27 || power > 27)
        return false;
    const auto m = static_cast<Extended>(Mantissa);
    if (power == 0) {
        value = m;
        return true;
    }
    value = power > 0 ? m * kExactPowersOfTen[static_cast<std::size_t>(power)]
                      : m / kExactPowersOfTen[static_cast<std::size_t>(-power)];
    return true;
}

/// The C library's correctly rounded conversion, for what the exact shortcut cannot convert.
bool LibraryDecimalToFloat(std::string_view text, char separator, std::size_t expStart,
                           Extended& value)
{
    const std::size_t n = text.size();
    std::string normal(text);
    if (separator != '.')
        for (char& c : normal)
            if (c == separator)
                c = '.';
    if (expStart < n && expStart + 1 == n)
        normal.resize(expStart); // an exponent without digits counts as 0
    else if (expStart < n && expStart + 2 == n && !IsDigit(normal.back()))
        normal.resize(expStart);
    errno = 0;
    char* end = nullptr;
    const Extended result = strtold_l(normal.c_str(), &end, CLocale());
    const bool overflow = errno == ERANGE && std::isinf(result);
    if (std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW))
        std::feclearexcept(FE_ALL_EXCEPT);
    if (overflow || end != normal.c_str() + normal.size())
        return false;
    value = result;
    return true;
}

} // namespace

namespace {

/// ReadPlainDecimal for literals of any length, with an exponent or spread over more than
/// eight characters.
[[nodiscard]] TPlainDecimal ReadLongDecimal(std::string_view text, std::size_t pos,
                                            const TCharSet& separators) noexcept
{
    const std::size_t n = text.size();
    std::uint64_t mantissa = 0;
    const std::size_t intEnd = ReadDigits(text, pos, mantissa);
    std::size_t i = intEnd;
    char separator = '\0';
    std::size_t fracStart = i;
    if (i < n && !IsNameChar(text[i]) && separators.Contains(text[i])) {
        separator = text[i];
        fracStart = i + 1;
        i = ReadDigits(text, fracStart, mantissa);
    }
    const std::size_t fracEnd = i;
    TDecimalExponent exponent;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        if (separators.Contains(text[i]))
            return {};
        ++i;
        exponent.Negative = i < n && text[i] == '-';
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        // Without digits here, the general rules depend on what follows.
        if (i == n || !IsDigit(text[i]))
            return {};
        for (; i < n && IsDigit(text[i]); ++i)
            exponent.Add(text[i]);
    }
    const std::size_t length = i - pos;
    while (i < n && IsSpaceChar(text[i]))
        ++i;
    if (i < n && !EndsLiteral(text[i], separators))
        return {};

    // Up to 19 digits the mantissa holds them all; longer literals go digit by digit.
    TDecimalDigits digits;
    if ((intEnd - pos) + (fracEnd - fracStart) <= 19) {
        digits.Mantissa = mantissa;
        digits.Scale = -static_cast<int>(fracEnd - fracStart);
    }
    else {
        for (std::size_t k = pos; k < intEnd; ++k)
            digits.Add(text[k], false);
        for (std::size_t k = fracStart; k < fracEnd; ++k)
            digits.Add(text[k], true);
    }
    Extended value = 0;
    const bool hasValue = digits.TryExactValue(exponent, value);
    return {length, separator, hasValue, value};
}

} // namespace

Extended ReadShortDecimal(std::string_view text, std::size_t pos, const TCharSet& separators,
                          std::size_t& length) noexcept
{
    length = 0;
    if (pos >= text.size() || !IsDigit(text[pos]))
        return 0;
    // All of the literal comes from one load, without a branch on whether it has a fraction.
    const std::uint64_t chars = LoadUpToEight(text, pos);
    const unsigned whole = LeadingDigitCount(chars);
    if (whole == 8)
        return 0;
    const auto after = static_cast<char>(chars >> (8 * whole));
    // Bitwise, not short-circuit: whether a fraction follows is too random to guess.
    const unsigned separated = unsigned{separators.Contains(after)} & unsigned{!IsNameChar(after)};
    // The characters after the separator; zeros, which are no digits, where there is none.
    const std::uint64_t rest = ((chars >> (8 * whole)) >> 8) & (0 - std::uint64_t{separated});
    const unsigned fraction = LeadingDigitCount(rest);
    const unsigned end = whole + separated + fraction;
    // A fraction that runs on past the eight characters fails the test of what follows.
    if (pos + end > text.size())
        return 0;
    std::size_t i = pos + end;
    while (i < text.size() && IsSpaceChar(text[i]))
        ++i;
    if (i < text.size() && !EndsLiteral(text[i], separators))
        return 0;
    // The digits side by side without the separator; a division by 10^0 = 1 is exact.
    const std::uint64_t digits =
        (chars & LowBytes(whole)) | ((rest & LowBytes(fraction)) << (8 * whole));
    const auto mantissa = static_cast<std::int64_t>(DigitsValue(digits, whole + fraction));
    length = end;
    return static_cast<Extended>(mantissa) / kExactPowersOfTen[fraction];
}

TPlainDecimal ReadPlainDecimal(std::string_view text, std::size_t pos,
                               const TCharSet& separators) noexcept
{
    if (pos >= text.size() || !IsDigit(text[pos]))
        return {};
    std::size_t length = 0;
    const Extended value = ReadShortDecimal(text, pos, separators, length);
    if (length == 0)
        return ReadLongDecimal(text, pos, separators);
    const std::string_view literal = text.substr(pos, length);
    const auto separator =
        std::find_if(literal.begin(), literal.end(), [](char c) { return !IsDigit(c); });
    return {length, separator == literal.end() ? '\0' : *separator, true, value};
}

bool TryDecimalToFloat(std::string_view text, char separator, Extended& value)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    TDecimalDigits digits;
    for (; i < n && IsDigit(text[i]); ++i)
        digits.Add(text[i], false);
    if (i == 0)
        return false;
    if (i < n && text[i] == separator)
        for (++i; i < n && IsDigit(text[i]); ++i)
            digits.Add(text[i], true);
    std::size_t expStart = n;
    TDecimalExponent exponent;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        expStart = i;
        ++i;
        exponent.Negative = i < n && text[i] == '-';
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        for (; i < n && IsDigit(text[i]); ++i)
            exponent.Add(text[i]);
    }
    if (i != n)
        return false;
    return digits.TryExactValue(exponent, value) ||
           LibraryDecimalToFloat(text, separator, expStart, value);
}

} // namespace calc
