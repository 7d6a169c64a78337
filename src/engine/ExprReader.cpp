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

[[nodiscard]] std::size_t SkipDigits(std::string_view text, std::size_t pos) noexcept
{
    while (pos < text.size() && IsDigit(text[pos]))
        ++pos;
    return pos;
}

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
    std::size_t i = SkipDigits(text, pos);
    char separator = '\0';
    if (i < n && !IsNameChar(text[i]) && separators.Contains(text[i])) {
        separator = text[i];
        i = SkipDigits(text, i + 1);
    }
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        if (separators.Contains(text[i]))
            return {};
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        // Without digits here, the general rules depend on what follows.
        if (i == n || !IsDigit(text[i]))
            return {};
        i = SkipDigits(text, i);
    }
    const std::size_t length = i - pos;
    while (i < n && IsSpaceChar(text[i]))
        ++i;
    if (i < n && !EndsLiteral(text[i], separators))
        return {};
    return {length, separator};
}

bool TryDecimalToFloat(std::string_view text, char separator, Extended& value)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    std::uint64_t mantissa = 0;
    int significant = 0; // digits in the mantissa, leading zeros not counted
    int scale = 0;       // power of ten the mantissa is to be multiplied with
    bool exact = true;   // the mantissa holds every digit
    const auto digit = [&](bool fraction) {
        const int d = text[i] - '0';
        if (significant < 19) {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(d);
            if (mantissa != 0)
                ++significant;
            if (fraction)
                --scale;
        }
        else {
            exact = exact && d == 0;
            if (!fraction)
                ++scale;
        }
    };
    const std::size_t intStart = i;
    while (i < n && IsDigit(text[i])) {
        digit(false);
        ++i;
    }
    if (i == intStart)
        return false;
    if (i < n && text[i] == separator) {
        ++i;
        while (i < n && IsDigit(text[i])) {
            digit(true);
            ++i;
        }
    }
    std::size_t expStart = n;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        expStart = i;
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        while (i < n && IsDigit(text[i]))
            ++i;
    }
    if (i != n)
        return false;

    int exponent = 0;
    bool hugeExponent = false;
    if (expStart < n) {
        std::size_t k = expStart + 1;
        const bool negative = k < n && text[k] == '-';
        if (k < n && (text[k] == '+' || text[k] == '-'))
            ++k;
        for (; k < n; ++k) {
            if (exponent > 100000) {
                hugeExponent = true;
                break;
            }
            exponent = exponent * 10 + (text[k] - '0');
        }
        if (negative)
            exponent = -exponent;
    }

    const int power = scale + exponent;
    if (mantissa == 0 && exact) {
        value = 0;
        return true;
    }
    if (exact && !hugeExponent && power >= -27 && power <= 27) {
        // Both operands exact: one correctly rounded operation.
        const auto m = static_cast<Extended>(mantissa);
        value = power >= 0 ? m * kExactPowersOfTen[static_cast<std::size_t>(power)]
                           : m / kExactPowersOfTen[static_cast<std::size_t>(-power)];
        return true;
    }
    return LibraryDecimalToFloat(text, separator, expStart, value);
}

} // namespace calc
