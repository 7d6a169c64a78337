#include "results/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace calc {

namespace {

/// The 18 significant digits of the value, correctly rounded from its full 64-bit significand.
/// Every later rounding starts from these: the 80-bit value holds about 19.3 decimal digits, so
/// this step drops the binary error of decimal input, and 2.675 (stored as 2.67499999...)
/// rounds to two decimals as 2.68, the way it was typed.
TDecimalDigits Digits18(Extended value)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*Le", kMaxDecimalPrecision - 1, std::fabs(value));
    TDecimalDigits result;
    result.Negative = std::signbit(value);
    result.Digits.reserve(kMaxDecimalPrecision + 1);
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (IsDigit(*p))
            result.Digits.push_back(*p);
    result.Exponent = (*p == 'e') ? std::atoi(p + 1) + 1 : 1;
    return result;
}

/// Keeps count leading digits, rounding half up; count may be 0 (the value rounds to one unit
/// of the next higher place or to zero) or negative (zero).
TDecimalDigits RoundHalfUp(TDecimalDigits d, int count)
{
    std::string& digits = d.Digits;
    if (count < 0) {
        digits.clear();
    }
    else if (static_cast<std::size_t>(count) < digits.size()) {
        const bool up = digits[static_cast<std::size_t>(count)] >= '5';
        digits.resize(static_cast<std::size_t>(count));
        if (up) {
            auto it = std::find_if(digits.rbegin(), digits.rend(), [](char c) { return c != '9'; });
            std::fill(digits.rbegin(), it, '0');
            if (it == digits.rend()) {
                digits.insert(digits.begin(), '1');
                ++d.Exponent;
            }
            else {
                ++*it;
            }
        }
    }
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    if (digits.empty()) {
        d.Exponent = 0;
        d.Negative = false;
    }
    return d;
}

int ClampPrecision(int precision)
{
    return std::clamp(precision, 1, kMaxDecimalPrecision);
}

} // namespace

TDecimalDigits ToDecimalDigits(Extended value, int precision)
{
    if (value == 0)
        return {};
    return RoundHalfUp(Digits18(value), ClampPrecision(precision));
}

TDecimalDigits ToFixedDigits(Extended value, int decimals, int precision)
{
    if (value == 0)
        return {};
    TDecimalDigits digits = Digits18(value);
    const long count = std::min<long>(static_cast<long>(digits.Exponent) + std::max(decimals, 0),
                                      ClampPrecision(precision));
    return RoundHalfUp(std::move(digits), static_cast<int>(std::max(count, -1L)));
}

namespace {

/// The digits laid out as the general number text: scientific when the exponent is above
/// precision or below -3.
std::string LayOutDigits(const TDecimalDigits& d, int precision, int expDigits,
                         char decimalSeparator)
{
    if (d.Digits.empty())
        return "0";
    std::string text;
    if (d.Negative)
        text.push_back('-');
    const int n = static_cast<int>(d.Digits.size());
    const int e = d.Exponent;
    if (e > precision || e < -3) {
        text.push_back(d.Digits[0]);
        if (n > 1) {
            text.push_back(decimalSeparator);
            text.append(d.Digits, 1);
        }
        text.push_back('E');
        int exp10 = e - 1;
        if (exp10 < 0) {
            text.push_back('-');
            exp10 = -exp10;
        }
        std::string expText = std::to_string(exp10);
        if (static_cast<int>(expText.size()) < expDigits)
            expText.insert(0, static_cast<std::size_t>(expDigits) - expText.size(), '0');
        text += expText;
    }
    else if (e <= 0) {
        text.push_back('0');
        text.push_back(decimalSeparator);
        text.append(static_cast<std::size_t>(-e), '0');
        text += d.Digits;
    }
    else if (n <= e) {
        text += d.Digits;
        text.append(static_cast<std::size_t>(e - n), '0');
    }
    else {
        text.append(d.Digits, 0, static_cast<std::size_t>(e));
        text.push_back(decimalSeparator);
        text.append(d.Digits, static_cast<std::size_t>(e));
    }
    return text;
}

/// The fewest significant digits that still single out the finite, non-zero value.
TDecimalDigits ShortestDigits(Extended value)
{
    char buf[64];
    const auto [end, error] =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    TDecimalDigits result;
    result.Negative = std::signbit(value);
    if (error != std::errc{})
        return result;
    const char* p = buf;
    for (; p != end && *p != 'e'; ++p)
        if (IsDigit(*p))
            result.Digits.push_back(*p);
    int exp10 = 0;
    if (p != end)
        std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exp10);
    result.Exponent = exp10 + 1;
    return result;
}

} // namespace

std::string FloatToTextGeneral(Extended value, int precision, int expDigits, char decimalSeparator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    precision = ClampPrecision(precision);
    return LayOutDigits(ToDecimalDigits(value, precision), precision, expDigits, decimalSeparator);
}

std::string ExpressionValueText(Extended value, char decimalSeparator)
{
    if (!std::isfinite(value))
        return {};
    // Integers in the 64-bit range in full, as the decimal format shows them.
    if (value == std::trunc(value) && value >= -0x1p63L && value < 0x1p63L)
        return std::to_string(static_cast<long long>(value));
    const TDecimalDigits d = ShortestDigits(value);
    if (d.Digits.empty())
        return {};
    if (decimalSeparator != '\0')
        return LayOutDigits(d, kExpressionTextPrecision, 0, decimalSeparator);
    // Without a decimal separator the digits form an integer scaled by its exponent.
    std::string text = d.Negative ? "-" : "";
    text += d.Digits;
    const int exp10 = d.Exponent - static_cast<int>(d.Digits.size());
    if (exp10 != 0)
        text += "E" + std::to_string(exp10);
    return text;
}

} // namespace calc
