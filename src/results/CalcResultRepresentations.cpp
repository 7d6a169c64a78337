#include "results/CalcResultRepresentations.h"

#include "results/NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace calc {

namespace {

__extension__ typedef unsigned __int128 TUInt128;

constexpr std::string_view sThousandSeparators = "Thousand separators";
constexpr std::string_view sDigitsAfterPoint = "Digits after decimal point:";
constexpr std::string_view sGroupByBytes = "Group by bytes";
constexpr std::string_view sProperFraction = "Proper Fraction";

/// Fractions with a denominator of this or more are not looked for.
constexpr std::int64_t kMaxDenominator = 32767;
constexpr Extended kFractionTolerance = 1e-18L;

/// The 64-bit signed range; a NaN is outside (and is not compared, which would raise a fault).
bool InIntRange(Extended value) noexcept
{
    return !std::isnan(value) && IsInt64Range(value);
}

bool IsIntegral(Extended value) noexcept
{
    return std::isfinite(value) && IsZeroValue(value - std::trunc(value));
}

char DecimalSeparator() noexcept
{
    return RegionalSettings().DecimalSeparator;
}

/// Puts mark between groups of size characters counted from the right end of digits.
std::string InsertGroupMarks(std::string_view digits, int size, char mark)
{
    if (size <= 0 || mark == '\0')
        return std::string(digits);
    const auto groupSize = static_cast<std::size_t>(size);
    std::string result;
    result.reserve(digits.size() + digits.size() / groupSize);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % groupSize == 0)
            result.push_back(mark);
        result.push_back(digits[i]);
    }
    return result;
}

std::string Uint128ToText(TUInt128 value)
{
    std::string text;
    do {
        text.push_back(static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    std::reverse(text.begin(), text.end());
    return text;
}

/// The unsigned text of a decimal style and whether the value it shows is below zero.
struct TSignedText {
    std::string Text;
    bool Negative = false;
};

/// Digits decimals, at most 18 significant digits; beyond 18 integer digits the general text.
TSignedText FixedText(Extended value, int digits, char thousandSeparator)
{
    const char decimalSeparator = DecimalSeparator();
    const TDecimalDigits d = ToFixedDigits(value, digits, kMaxDecimalPrecision);
    if (d.Exponent > kMaxDecimalPrecision)
        return {FloatToTextGeneral(std::fabs(value), kMaxDecimalPrecision, 0, decimalSeparator),
                d.Negative};
    // Digit i of the text counted from the first integer place; beyond the digits come zeros.
    const auto digitAt = [&d](int i) {
        return i >= 0 && i < static_cast<int>(d.Digits.size())
                   ? d.Digits[static_cast<std::size_t>(i)]
                   : '0';
    };
    std::string integerPart;
    for (int i = 0; i < d.Exponent; ++i)
        integerPart.push_back(digitAt(i));
    if (integerPart.empty())
        integerPart = "0";
    TSignedText result{InsertGroupMarks(integerPart, 3, thousandSeparator), d.Negative};
    if (digits > 0) {
        result.Text.push_back(decimalSeparator);
        for (int i = 0; i < digits; ++i)
            result.Text.push_back(digitAt(d.Exponent + i));
    }
    return result;
}

std::string WithSign(const TSignedText& text)
{
    return text.Negative ? "-" + text.Text : text.Text;
}

/// One digit, precision - 1 decimals with trailing zeros, and a signed exponent of 4 digits.
std::string ExponentText(Extended value, int precision)
{
    const TDecimalDigits d = ToDecimalDigits(value, precision);
    std::string mantissa = d.Digits.empty() ? "0" : d.Digits;
    mantissa.resize(static_cast<std::size_t>(precision), '0');
    const int exponent = d.Digits.empty() ? 0 : d.Exponent - 1;
    std::string text = d.Negative ? "-" : "";
    text.push_back(mantissa[0]);
    text.push_back(DecimalSeparator());
    text.append(mantissa, 1);
    text += Format("E%c%04d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return text;
}

/// The amount placed with the currency symbol into the host's currency pattern, "$" standing
/// for the symbol and "n" for the amount.
std::string CurrencyText(const TSignedText& amount)
{
    static constexpr std::array<std::string_view, 4> kPositive = {"$n", "n$", "$ n", "n $"};
    static constexpr std::array<std::string_view, 16> kNegative = {
        "($n)", "-$n",  "$-n",  "$n-",  "(n$)", "-n$",  "n-$",   "n$-",
        "-n $", "-$ n", "n $-", "$ n-", "$ -n", "n- $", "($ n)", "(n $)"};
    const TRegionalSettings& settings = RegionalSettings();
    // A code outside the known patterns falls back to the default ones.
    const auto pick = [](const auto& patterns, int code, int fallback) {
        const bool valid = code >= 0 && code < static_cast<int>(patterns.size());
        return patterns[static_cast<std::size_t>(valid ? code : fallback)];
    };
    const std::string_view pattern = amount.Negative ? pick(kNegative, settings.NegCurrFormat, 1)
                                                     : pick(kPositive, settings.CurrencyFormat, 0);
    std::string text;
    for (const char c : pattern) {
        if (c == '$')
            text += settings.CurrencyString;
        else if (c == 'n')
            text += amount.Text;
        else
            text.push_back(c);
    }
    return text;
}

} // namespace

std::string GroupDigits(std::string_view text, int size, bool integerOnly)
{
    const auto position = [text](char c) {
        const std::size_t i = text.find(c);
        return i == std::string_view::npos ? 0L : static_cast<long>(i) + 1;
    };
    const long p = position(DecimalSeparator());
    const long e = integerOnly ? -1 : position('E');
    const long split = std::max(p >= 1 && e >= 1 ? std::min(p, e) : std::max(p, e), 1L);
    std::string_view integerPart = text;
    std::string_view rest;
    if (split > 1) {
        integerPart = text.substr(0, static_cast<std::size_t>(split - 1));
        rest = text.substr(static_cast<std::size_t>(split - 1));
    }
    std::string result;
    // The sign is no digit: "-1 234", not "- 1 234".
    if (integerPart.starts_with('-')) {
        result.push_back('-');
        integerPart.remove_prefix(1);
    }
    result += InsertGroupMarks(integerPart, size, kGroupMark);
    result += rest;
    return result;
}

TFraction FindFraction(Extended f)
{
    if (std::isnan(f) || f <= 0 || f >= 1)
        return {};
    std::int64_t n = 0;
    std::int64_t d = 1;
    Extended q = 0; // n / d
    Extended err;
    do {
        if (f > q)
            ++n;
        else
            ++d;
        q = static_cast<Extended>(n) / static_cast<Extended>(d);
        err = std::fabs(f - q);
    } while (d < kMaxDenominator && err > kFractionTolerance);
    if (err <= kFractionTolerance)
        return {n, d};
    return {};
}

std::string IntToRoman(int value)
{
    struct TRomanDigit {
        int Value;
        char Letter;
        int PartnerValue; ///< the letter written before this one to subtract; 0 for none
        char Partner;
    };
    static constexpr std::array<TRomanDigit, 7> kDigits = {{{1000, 'M', 100, 'C'},
                                                            {500, 'D', 100, 'C'},
                                                            {100, 'C', 10, 'X'},
                                                            {50, 'L', 10, 'X'},
                                                            {10, 'X', 1, 'I'},
                                                            {5, 'V', 1, 'I'},
                                                            {1, 'I', 0, ' '}}};
    std::string text;
    int n = std::clamp(value, 0, 65535);
    for (const TRomanDigit& digit : kDigits) {
        text.append(static_cast<std::size_t>(n / digit.Value), digit.Letter);
        n %= digit.Value;
        if (digit.PartnerValue > 0 && n >= digit.Value - digit.PartnerValue) {
            text.push_back(digit.Partner);
            text.push_back(digit.Letter);
            n -= digit.Value - digit.PartnerValue;
        }
    }
    return text;
}

std::string IntToBase(std::uint64_t value, int base)
{
    if (base < 2 || base > 36)
        throw EException(Format("Invalid number base %d", base));
    const auto b = static_cast<std::uint64_t>(base);
    std::string text;
    do {
        const auto digit = static_cast<int>(value % b);
        text.push_back(static_cast<char>(digit < 10 ? '0' + digit : 'A' + digit - 10));
        value /= b;
    } while (value != 0);
    std::reverse(text.begin(), text.end());
    return text;
}

std::string AngleToText(Extended value)
{
    if (!InIntRange(value))
        return std::string(sCantDisplayResult);
    const bool negative = value < 0;
    Extended degrees = std::fabs(value);
    Extended minutes = (degrees - std::trunc(degrees)) * 60;
    // Seconds to two decimals, ties to even, in double precision.
    const auto rawSeconds = static_cast<double>((minutes - std::trunc(minutes)) * 60);
    double seconds = std::nearbyint(rawSeconds / 0.01) * 0.01;
    if (seconds >= 60) {
        minutes += 1;
        seconds = 0;
    }
    minutes = std::trunc(minutes);
    if (minutes >= 60) {
        degrees += 1;
        minutes = 0;
        seconds = 0;
    }
    degrees = std::fmod(std::trunc(degrees), 360.0L);
    std::string text = negative ? "-" : "";
    text += Format("%d%c%02d'", static_cast<int>(degrees), kDegreeSign, static_cast<int>(minutes));
    if (seconds < 10)
        text.push_back('0');
    text += FloatToTextGeneral(seconds, 15, 0, DecimalSeparator());
    text.push_back('"');
    return text;
}

std::string FractionToText(bool proper, Extended value)
{
    const Extended a = std::fabs(value);
    if (InIntRange(a)) {
        const std::int64_t i = TruncInt64(a);
        const Extended f = a - static_cast<Extended>(i);
        const TFraction fraction =
            (!IsZeroValue(f) && f > 1.0L / kMaxDenominator) ? FindFraction(f) : TFraction{};
        if (fraction.Denominator != 0) {
            const std::string denominator = " / " + std::to_string(fraction.Denominator);
            // Wider than 64 bits: a large integer part times the denominator would overflow.
            const std::string text =
                proper && i > 0
                    ? std::to_string(i) + " + " + std::to_string(fraction.Numerator) + denominator
                    : Uint128ToText(static_cast<TUInt128>(i) *
                                        static_cast<TUInt128>(fraction.Denominator) +
                                    static_cast<TUInt128>(fraction.Numerator)) +
                          denominator;
            return value < 0 ? "-" + text : text;
        }
    }
    return FloatToTextGeneral(value, kMaxDecimalPrecision, 4, DecimalSeparator());
}

std::string TDecimalResult::GetOptionCaption(TResultOptionKind kind) const
{
    return kind == TResultOptionKind::okCheck ? std::string(sThousandSeparators) : std::string();
}

std::string TDecimalResult::FormatValue(Extended value) const
{
    std::string text = InIntRange(value) && IsIntegral(value)
                           ? std::to_string(TruncInt64(value))
                           : FloatToTextGeneral(value, 15, 0, DecimalSeparator());
    return Checked() ? GroupDigits(text, 3, false) : text;
}

TCustomDecimalResult::TCustomDecimalResult(std::string styleName, TFloatFormat style)
    : FStyleName(std::move(styleName)), FStyle(style)
{
    SetDigitsRange(0, kMaxDecimalPrecision);
}

std::string TCustomDecimalResult::GetName() const
{
    return Format("Decimal (%s)", FStyleName.c_str());
}

std::string TCustomDecimalResult::GetOptionCaption(TResultOptionKind kind) const
{
    return kind == TResultOptionKind::okNumber ? std::string(sDigitsAfterPoint) : std::string();
}

std::string TCustomDecimalResult::FormatValue(Extended value) const
{
    if (!std::isfinite(value))
        return FloatToTextGeneral(value, kMaxDecimalPrecision, 0, DecimalSeparator());
    // Beyond the range the options dialog allows only through a hand-edited options file.
    const int digits = std::clamp(Digits(), 0, kMaxDecimalPrecision);
    const char thousandSeparator = RegionalSettings().ThousandSeparator;
    switch (FStyle) {
    case TFloatFormat::ffExponent:
        return ExponentText(value, std::clamp(digits + 1, 2, kMaxDecimalPrecision));
    case TFloatFormat::ffFixed:
        return WithSign(FixedText(value, digits, '\0'));
    case TFloatFormat::ffNumber:
        return WithSign(FixedText(value, digits, thousandSeparator));
    case TFloatFormat::ffCurrency:
        return CurrencyText(FixedText(value, digits, thousandSeparator));
    case TFloatFormat::ffGeneral:
        break;
    }
    return FloatToTextGeneral(value, 15, 0, DecimalSeparator());
}

std::string THexResult::GetOptionCaption(TResultOptionKind) const
{
    return std::string(sGroupByBytes);
}

std::string THexResult::FormatValue(Extended value) const
{
    if (!InIntRange(value))
        return std::string(sCantDisplayResult);
    const std::string text = IntToBase(static_cast<std::uint64_t>(TruncInt64(value)), 16);
    return Checked() ? GroupDigits(text, 2, true) : text;
}

TCustomNumber::TCustomNumber(int base, std::string name, std::string prefix)
    : FBase(base), FName(std::move(name)), FPrefix(std::move(prefix))
{
    if (base < 2 || base > 36)
        throw EException(Format("Invalid number base %d", base));
}

TResultOptions TCustomNumber::GetOptions() const
{
    return FBase == 2 ? TResultOptions{TResultOptionKind::okCheck} : TResultOptions{};
}

std::string TCustomNumber::GetOptionCaption(TResultOptionKind) const
{
    return std::string(sGroupByBytes);
}

std::string TCustomNumber::FormatValue(Extended value) const
{
    if (!InIntRange(value))
        return std::string(sCantDisplayResult);
    const std::int64_t n = TruncInt64(value);
    const auto bits = static_cast<std::uint64_t>(n);
    // Octal literals are never negative, so the magnitude is written with a sign; the
    // negation in unsigned arithmetic also holds the magnitude of the lowest 64-bit value.
    if (FBase == 8 && n < 0)
        return "-" + IntToBase(0 - bits, FBase);
    const std::string text = IntToBase(bits, FBase);
    return FBase == 2 && Checked() ? GroupDigits(text, 8, true) : text;
}

std::string TRomanResult::FormatValue(Extended value) const
{
    if (std::isnan(value) || value > 65535 || value <= 0)
        return std::string(sCantDisplayResult);
    return IntToRoman(static_cast<int>(value));
}

std::string TAngleResult::FormatValue(Extended value) const
{
    return AngleToText(value);
}

std::string TFractionResult::GetOptionCaption(TResultOptionKind kind) const
{
    return kind == TResultOptionKind::okCheck ? std::string(sProperFraction) : std::string();
}

std::string TFractionResult::FormatValue(Extended value) const
{
    return FractionToText(Checked(), value);
}

void AddStandardResultFormats(TResultsManager& manager)
{
    manager.Add(std::make_unique<TDecimalResult>(), true);
    manager.Add(std::make_unique<TCustomDecimalResult>("Exponent", TFloatFormat::ffExponent),
                false);
    manager.Add(std::make_unique<TCustomDecimalResult>("Fixed", TFloatFormat::ffFixed), false);
    manager.Add(std::make_unique<TCustomDecimalResult>("Number", TFloatFormat::ffNumber), false);
    manager.Add(std::make_unique<TCustomDecimalResult>("Currency", TFloatFormat::ffCurrency),
                false);
    manager.Add(std::make_unique<THexResult>(), true);
    manager.Add(std::make_unique<TCustomNumber>(2, "Bin", "&B "), true);
    manager.Add(std::make_unique<TCustomNumber>(8, "Oct", "&O "), false);
    manager.Add(std::make_unique<TRomanResult>(), false);
    manager.Add(std::make_unique<TAngleResult>(), false);
    manager.Add(std::make_unique<TFractionResult>(), false);
}

} // namespace calc
