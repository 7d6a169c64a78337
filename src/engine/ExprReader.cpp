#include "engine/ExprReader.h"

#include <cerrno>
#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdlib>
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

/// Whether a character after a literal leaves it as it is. The general rules would take a
/// letter into the literal (hexadecimal digits, suffixes), join digits across blanks and read a
/// decimal separator after blanks.
[[nodiscard]] bool EndsLiteral(char c, const TCharSet& separators) noexcept
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
    value = power >= 0 ? m * kExactPowersOfTen[static_cast<std::size_t>(power)]
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

TPlainDecimal ReadPlainDecimal(std::string_view text, std::size_t pos,
                               const TCharSet& separators) noexcept
{
    const std::size_t n = text.size();
    if (pos >= n || !IsDigit(text[pos]))
        return {};
    TDecimalDigits digits;
    std::size_t i = pos;
    for (; i < n && IsDigit(text[i]); ++i)
        digits.Add(text[i], false);
    char separator = '\0';
    if (i < n && !IsNameChar(text[i]) && separators.Contains(text[i])) {
        separator = text[i];
        for (++i; i < n && IsDigit(text[i]); ++i)
            digits.Add(text[i], true);
    }
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
    Extended value = 0;
    const bool hasValue = digits.TryExactValue(exponent, value);
    return {length, separator, hasValue, value};
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
