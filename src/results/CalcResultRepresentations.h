#pragma once

#include "results/CalcResultProvider.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace calc {

/// The mark put between digit groups: the no-break space of the 8-bit character set.
inline constexpr char kGroupMark = '\xA0';
inline constexpr char kDegreeSign = '\xB0';

/// Puts a group mark between every size characters of the integer part of text, counted from
/// its right end; the integer part ends at the system decimal separator or, unless
/// integerOnly, at the "E" of an exponent. A leading minus sign is not counted.
[[nodiscard]] std::string GroupDigits(std::string_view text, int size, bool integerOnly);

/// A fraction n/d found for 0 < f < 1; {0, 0} when none was found.
struct TFraction {
    std::int64_t Numerator = 0;
    std::int64_t Denominator = 0;
    bool operator==(const TFraction&) const = default;
};

/// The fraction with the smallest denominator (at most 32767) within 1E-18 of f. It walks every
/// denominator, about 65 000 steps when nothing is found; nothing is cached.
[[nodiscard]] TFraction FindFraction(Extended f);

/// Roman numerals of 0..65535; thousands are written as repeated "M", zero as empty text.
[[nodiscard]] std::string IntToRoman(int value);

/// Digits of value in base 2..36 without leading zeros, "0" for zero.
[[nodiscard]] std::string IntToBase(std::uint64_t value, int base);

/// Degrees, minutes and seconds of a value in degrees within the 64-bit integer range.
[[nodiscard]] std::string AngleToText(Extended value);

/// "n / d" or, when proper, "i + n / d"; the general text where no fraction is found.
[[nodiscard]] std::string FractionToText(bool proper, Extended value);

/// Decimal integer text, or the general text with 15 digits; "Thousand separators" groups it.
class TDecimalResult final : public TResultProvider {
public:
    [[nodiscard]] std::string GetName() const override { return "Decimal"; }
    [[nodiscard]] TResultOptions GetOptions() const override
    {
        return {TResultOptionKind::okCheck};
    }
    [[nodiscard]] std::string GetOptionCaption(TResultOptionKind kind) const override;
    [[nodiscard]] std::string FormatValue(Extended value) const override;
};

/// The styles of the decimal formats with a chosen number of digits.
enum class TFloatFormat {
    ffGeneral = 0,
    ffExponent = 1,
    ffFixed = 2,
    ffNumber = 3,
    ffCurrency = 4
};

/// Decimal text in one style with Digits digits after the decimal point (0..18).
class TCustomDecimalResult final : public TResultProvider {
public:
    TCustomDecimalResult(std::string styleName, TFloatFormat style);

    [[nodiscard]] std::string GetName() const override;
    [[nodiscard]] TResultOptions GetOptions() const override
    {
        return {TResultOptionKind::okNumber};
    }
    [[nodiscard]] std::string GetOptionCaption(TResultOptionKind kind) const override;
    [[nodiscard]] std::string FormatValue(Extended value) const override;

    [[nodiscard]] TFloatFormat Style() const noexcept { return FStyle; }

private:
    std::string FStyleName;
    TFloatFormat FStyle;
};

/// Hexadecimal text of the 64-bit integer, negatives as two's complement.
class THexResult final : public TResultProvider {
public:
    [[nodiscard]] std::string GetName() const override { return "Hex"; }
    [[nodiscard]] std::string GetPrefix() const override { return "$"; }
    [[nodiscard]] TResultOptions GetOptions() const override
    {
        return {TResultOptionKind::okCheck};
    }
    [[nodiscard]] std::string GetOptionCaption(TResultOptionKind kind) const override;
    [[nodiscard]] std::string FormatValue(Extended value) const override;
};

/// Binary or octal text of the 64-bit integer. Binary writes a negative value as its 64-bit
/// two's complement, as hexadecimal does, so the text reads back as the same value; octal
/// writes a minus sign before the digits of the magnitude.
class TCustomNumber final : public TResultProvider {
public:
    TCustomNumber(int base, std::string name, std::string prefix);

    [[nodiscard]] std::string GetName() const override { return FName; }
    [[nodiscard]] std::string GetPrefix() const override { return FPrefix; }
    [[nodiscard]] TResultOptions GetOptions() const override;
    [[nodiscard]] std::string GetOptionCaption(TResultOptionKind kind) const override;
    [[nodiscard]] std::string FormatValue(Extended value) const override;

    [[nodiscard]] int Base() const noexcept { return FBase; }

private:
    int FBase;
    std::string FName;
    std::string FPrefix;
};

class TRomanResult final : public TResultProvider {
public:
    [[nodiscard]] std::string GetName() const override { return "Roman"; }
    [[nodiscard]] std::string FormatValue(Extended value) const override;
};

/// The value as degrees, minutes and seconds, whatever the angle mode.
class TAngleResult final : public TResultProvider {
public:
    [[nodiscard]] std::string GetName() const override { return "Angle"; }
    [[nodiscard]] std::string FormatValue(Extended value) const override;
};

class TFractionResult final : public TResultProvider {
public:
    [[nodiscard]] std::string GetName() const override { return "Fraction"; }
    [[nodiscard]] TResultOptions GetOptions() const override
    {
        return {TResultOptionKind::okCheck};
    }
    [[nodiscard]] std::string GetOptionCaption(TResultOptionKind kind) const override;
    [[nodiscard]] std::string FormatValue(Extended value) const override;
};

/// Adds the eleven formats in their fixed list order, the one their index in the options and
/// history files refers to: Decimal, the four custom decimal styles, Hex, Bin, Oct, Roman,
/// Angle, Fraction. Decimal, Hex and Bin start visible.
void AddStandardResultFormats(TResultsManager& manager);

} // namespace calc
