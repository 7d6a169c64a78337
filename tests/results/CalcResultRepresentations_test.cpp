#include "results/CalcResultRepresentations.h"
#include "results/RegionalFixture.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace calc {
namespace {

using test::RegionalFixture;

const std::string kFail(sCantDisplayResult);
constexpr Extended kNaN = std::numeric_limits<Extended>::quiet_NaN();
constexpr Extended kInf = std::numeric_limits<Extended>::infinity();
constexpr Extended kMaxInt64 = 9223372036854775807.0L;
constexpr Extended kMinInt64 = -9223372036854775808.0L;
constexpr Extended kTwoPow63 = 9223372036854775808.0L;

/// Blanks in an expected text stand for group marks.
std::string Marks(std::string text)
{
    std::replace(text.begin(), text.end(), ' ', kGroupMark);
    return text;
}

/// "d" in an expected angle text stands for the degree sign.
std::string Degrees(std::string text)
{
    std::replace(text.begin(), text.end(), 'd', kDegreeSign);
    return text;
}

std::string Repeat(char c, std::size_t count)
{
    return std::string(count, c);
}

/// The formats in their list order, as the calculator creates them.
class ResultFormatsTest : public RegionalFixture {
protected:
    void SetUp() override
    {
        RegionalFixture::SetUp();
        AddStandardResultFormats(FManager);
    }
    std::string Text(int index, Extended value, bool checked = false, int digits = 0)
    {
        TResultProvider& format = FManager.Items(index);
        format.SetChecked(checked);
        format.SetDigits(digits);
        return format.FormatValue(value);
    }

    TResultsManager FManager;
};

enum Index {
    kDecimal,
    kExponent,
    kFixed,
    kNumber,
    kCurrency,
    kHex,
    kBin,
    kOct,
    kRoman,
    kAngle,
    kFraction
};

struct DescriptionCase {
    const char* name;
    const char* prefix;
    TResultOptions options;
    const char* checkCaption;
    const char* numberCaption;
    int digitsMax;
    bool visible;
};

TEST_F(ResultFormatsTest, ElevenFormatsInTheirFixedListOrder)
{
    using enum TResultOptionKind;
    const char* const digitsCaption = "Digits after decimal point:";
    const DescriptionCase rows[] = {
        {"Decimal", "", {okCheck}, "Thousand separators", "", 0, true},
        {"Decimal (Exponent)", "", {okNumber}, "", digitsCaption, 18, false},
        {"Decimal (Fixed)", "", {okNumber}, "", digitsCaption, 18, false},
        {"Decimal (Number)", "", {okNumber}, "", digitsCaption, 18, false},
        {"Decimal (Currency)", "", {okNumber}, "", digitsCaption, 18, false},
        {"Hex", "$", {okCheck}, "Group by bytes", "Group by bytes", 0, true},
        {"Bin", "&B ", {okCheck}, "Group by bytes", "Group by bytes", 0, true},
        {"Oct", "&O ", {}, "Group by bytes", "Group by bytes", 0, false},
        {"Roman", "", {}, "", "", 0, false},
        {"Angle", "", {}, "", "", 0, false},
        {"Fraction", "", {okCheck}, "Proper Fraction", "", 0, false},
    };
    ASSERT_EQ(FManager.Count(), 11);
    for (int i = 0; i < FManager.Count(); ++i) {
        SCOPED_TRACE(i);
        const TResultProvider& format = FManager.Items(i);
        const DescriptionCase& row = rows[i];
        EXPECT_EQ(format.GetName(), row.name);
        EXPECT_EQ(format.GetPrefix(), row.prefix);
        EXPECT_EQ(format.GetOptions(), row.options);
        EXPECT_EQ(format.GetOptionCaption(okCheck), row.checkCaption);
        EXPECT_EQ(format.GetOptionCaption(okNumber), row.numberCaption);
        EXPECT_EQ(format.DigitsMin(), 0);
        EXPECT_EQ(format.DigitsMax(), row.digitsMax);
        EXPECT_EQ(format.Visible(), row.visible);
        EXPECT_EQ(format.Order(), i);
        EXPECT_EQ(format.Digits(), 0);
        EXPECT_FALSE(format.Checked());
    }
    EXPECT_EQ(FManager.Items(0).SettingsText(), "0,0,1,0");
    EXPECT_EQ(FManager.Items(1).SettingsText(), "0,0,0,1");
    EXPECT_EQ(FManager.Items(10).SettingsText(), "0,0,0,10");
}

struct TextCase {
    const char* name;
    Extended value;
    std::string plain;   ///< option off
    std::string checked; ///< option on
};

class DecimalFormat : public ResultFormatsTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(DecimalFormat, WritesIntegersExactlyAndOthersWithFifteenDigits)
{
    EXPECT_EQ(Text(kDecimal, GetParam().value), GetParam().plain);
    EXPECT_EQ(Text(kDecimal, GetParam().value, true), GetParam().checked);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecimalFormat,
    ::testing::Values(
        TextCase{"Integer", 255, "255", "255"}, TextCase{"MinusOne", -1, "-1", "-1"},
        TextCase{"Half", 0.5L, "0.5", "0.5"}, TextCase{"OneE20", 1e20L, "1E20", "1E20"},
        TextCase{"Zero", 0, "0", "0"}, TextCase{"NegativeZero", -0.0L, "0", "0"},
        TextCase{"Millions", 1234567, "1234567", Marks("1 234 567")},
        TextCase{"Decimals", 1234.5L, "1234.5", Marks("1 234.5")},
        TextCase{"ManyDecimals", 12345.678L, "12345.678", Marks("12 345.678")},
        TextCase{"OneE18IsAnInteger", 1e18L, "1000000000000000000",
                 Marks("1 000 000 000 000 000 000")},
        TextCase{"OneE19IsBeyondTheIntegers", 1e19L, "1E19", "1E19"},
        TextCase{"LargestInteger", kMaxInt64, "9223372036854775807",
                 Marks("9 223 372 036 854 775 807")},
        TextCase{"SmallestInteger", kMinInt64, "-9223372036854775808",
                 Marks("-9 223 372 036 854 775 808")},
        TextCase{"JustBeyondTheIntegers", kTwoPow63, "9.22337203685478E18", "9.22337203685478E18"},
        TextCase{"SignIsNotGrouped", -123456, "-123456", Marks("-123 456")},
        TextCase{"NegativeThousands", -1234, "-1234", Marks("-1 234")},
        TextCase{"NegativeHundreds", -123, "-123", "-123"},
        TextCase{"NegativeDecimals", -1234.5L, "-1234.5", Marks("-1 234.5")},
        TextCase{"ScientificNotGrouped", 1.5e20L, "1.5E20", "1.5E20"},
        TextCase{"FractionBelowZeroTestIsInteger", 1e-17L, "0", "0"},
        TextCase{"OneThird", 1.0L / 3, "0.333333333333333", "0.333333333333333"},
        TextCase{"EighteenDigitFormRoundsHalfUp", 1.0000000000000049999067L, "1.00000000000001",
                 "1.00000000000001"},
        TextCase{"NaN", kNaN, "NAN", "NAN"}, TextCase{"Infinity", -kInf, "-INF", "-INF"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResultFormatsTest, DecimalUsesTheSystemDecimalSeparator)
{
    RegionalSettings().DecimalSeparator = ',';
    RegionalSettings().ThousandSeparator = '.';
    EXPECT_EQ(Text(kDecimal, 1234.5L), "1234,5");
    EXPECT_EQ(Text(kDecimal, 1234.5L, true), Marks("1 234,5"));
    EXPECT_EQ(Text(kDecimal, 1.5e20L, true), "1,5E20");
}

struct StyleCase {
    const char* name;
    int index;
    int digits;
    Extended value;
    const char* expected;
};

class CustomDecimalFormat : public ResultFormatsTest,
                            public ::testing::WithParamInterface<StyleCase> {};

TEST_P(CustomDecimalFormat, WritesTheStyleWithItsDigits)
{
    EXPECT_EQ(Text(GetParam().index, GetParam().value, false, GetParam().digits),
              GetParam().expected);
}

const StyleCase kStyleRows[] = {
    {"FixedTwoThirdsTwoDigits", kFixed, 2, 2.0L / 3, "0.67"},
    {"FixedTwoThirdsNoDigits", kFixed, 0, 2.0L / 3, "1"},
    {"FixedTypedHalfRoundsUp", kFixed, 2, 2.675L, "2.68"},
    {"FixedTypedHalfRoundsUpBelowOne", kFixed, 3, 0.0005L, "0.001"},
    {"FixedNegative", kFixed, 2, -1234.5L, "-1234.50"},
    {"FixedNegativeHalfRoundsMagnitudeUp", kFixed, 0, -1234.5L, "-1235"},
    {"FixedNegativeRoundedToZeroHasNoSign", kFixed, 2, -0.001L, "0.00"},
    {"FixedCarryAddsDigit", kFixed, 2, 9.996L, "10.00"},
    {"FixedZero", kFixed, 4, 0, "0.0000"},
    {"FixedEighteenIntegerDigits", kFixed, 2, 999999999999999999.0L, "999999999999999999.00"},
    {"FixedEighteenSignificantDigits", kFixed, 2, 123456789012345678.9L, "123456789012345679.00"},
    {"FixedNineteenIntegerDigitsIsGeneral", kFixed, 2, 1e18L, "1E18"},
    {"FixedHugeIsGeneral", kFixed, 2, -1.23456789012345678e25L, "-1.23456789012345678E25"},
    {"FixedAllDecimals", kFixed, 18, 1.0L / 3, "0.333333333333333333"},
    {"FixedSignificantDigitsLimitDecimals", kFixed, 18, 123.456L, "123.456000000000000000"},
    {"NumberThousands", kNumber, 2, 1234567.891L, "1,234,567.89"},
    {"NumberNegative", kNumber, 0, -1234567.5L, "-1,234,568"},
    {"NumberCarryMakesThousand", kNumber, 2, 999.999L, "1,000.00"},
    {"NumberNegativeExactThousands", kNumber, 3, -123456, "-123,456.000"},
    {"NumberBelowOne", kNumber, 2, 0.5L, "0.50"},
    {"NumberHugeIsGeneralWithoutSeparators", kNumber, 2, 1e20L, "1E20"},
    {"ExponentTwoDigits", kExponent, 2, 1234.5L, "1.23E+0003"},
    {"ExponentNoDigitsShowsOne", kExponent, 0, 1234.5L, "1.2E+0003"},
    {"ExponentOneDigit", kExponent, 1, 1234.5L, "1.2E+0003"},
    {"ExponentNegativeSmall", kExponent, 3, -0.000125L, "-1.250E-0004"},
    {"ExponentZero", kExponent, 0, 0, "0.0E+0000"},
    {"ExponentCarry", kExponent, 2, 9.999L, "1.00E+0001"},
    {"ExponentSeventeenDigits", kExponent, 17, 1.0L / 3, "3.33333333333333333E-0001"},
    {"ExponentEighteenDigitsLikeSeventeen", kExponent, 18, 1.0L / 3, "3.33333333333333333E-0001"},
    {"ExponentWide", kExponent, 2, 1e4000L, "1.00E+4000"},
    {"ExponentTiny", kExponent, 1, 1e-300L, "1.0E-0300"},
    {"CurrencyPositive", kCurrency, 2, 1234.5L, "$1,234.50"},
    {"CurrencyNegative", kCurrency, 2, -1234.5L, "-$1,234.50"},
    {"CurrencyNoDigits", kCurrency, 0, 1234.5L, "$1,235"},
    {"CurrencyRoundedToZeroIsNotNegative", kCurrency, 2, -0.001L, "$0.00"},
    {"CurrencyHugeIsGeneral", kCurrency, 2, -1e20L, "-$1E20"},
};

INSTANTIATE_TEST_SUITE_P(Rows, CustomDecimalFormat, ::testing::ValuesIn(kStyleRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResultFormatsTest, ExponentDigitsZeroAndOneGiveTheSameText)
{
    for (const Extended value : {1234.5L, -0.000987654L, 1e20L, 7.0L}) {
        SCOPED_TRACE(static_cast<double>(value));
        EXPECT_EQ(Text(kExponent, value, false, 0), Text(kExponent, value, false, 1));
    }
}

TEST_F(ResultFormatsTest, DigitsAboveEighteenActAsEighteen)
{
    for (const int index : {kExponent, kFixed, kNumber, kCurrency}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(Text(index, 1.0L / 7, false, 25), Text(index, 1.0L / 7, false, 18));
    }
    EXPECT_EQ(Text(kFixed, 1.0L / 7, false, 25), "0.142857142857142857");
    EXPECT_EQ(Text(kFixed, 2.5L, false, -3), "3") << "a negative count acts as none";
}

TEST_F(ResultFormatsTest, DecimalStylesOfValuesThatAreNotFinite)
{
    for (const int index : {kExponent, kFixed, kNumber, kCurrency}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(Text(index, kNaN, false, 2), "NAN");
        EXPECT_EQ(Text(index, -kInf, false, 2), "-INF");
    }
}

TEST_F(ResultFormatsTest, NumberAndCurrencyUseTheSystemSeparators)
{
    RegionalSettings().DecimalSeparator = ',';
    RegionalSettings().ThousandSeparator = '.';
    RegionalSettings().CurrencyString = "kr";
    RegionalSettings().CurrencyFormat = 3;
    RegionalSettings().NegCurrFormat = 8;
    EXPECT_EQ(Text(kNumber, 1234567.891L, false, 2), "1.234.567,89");
    EXPECT_EQ(Text(kFixed, 1234567.891L, false, 2), "1234567,89");
    EXPECT_EQ(Text(kExponent, 1234.5L, false, 2), "1,23E+0003");
    EXPECT_EQ(Text(kCurrency, 1234.5L, false, 2), "1.234,50 kr");
    EXPECT_EQ(Text(kCurrency, -1234.5L, false, 2), "-1.234,50 kr");
}

TEST_F(ResultFormatsTest, NumberWithoutThousandSeparatorWritesPlainDigits)
{
    RegionalSettings().ThousandSeparator = '\0';
    EXPECT_EQ(Text(kNumber, 1234567.5L, false, 1), "1234567.5");
}

struct CurrencyCase {
    int code;
    const char* expected;
};

TEST_F(ResultFormatsTest, CurrencyPositivePatterns)
{
    const CurrencyCase rows[] = {
        {0, "$1,234.50"}, {1, "1,234.50$"}, {2, "$ 1,234.50"}, {3, "1,234.50 $"}};
    for (const CurrencyCase& row : rows) {
        SCOPED_TRACE(row.code);
        RegionalSettings().CurrencyFormat = row.code;
        EXPECT_EQ(Text(kCurrency, 1234.5L, false, 2), row.expected);
        EXPECT_EQ(Text(kCurrency, 0, false, 2), Text(kCurrency, 0.001L, false, 2));
    }
}

TEST_F(ResultFormatsTest, CurrencyNegativePatterns)
{
    const CurrencyCase rows[] = {
        {0, "($1,234.50)"},  {1, "-$1,234.50"},   {2, "$-1,234.50"},    {3, "$1,234.50-"},
        {4, "(1,234.50$)"},  {5, "-1,234.50$"},   {6, "1,234.50-$"},    {7, "1,234.50$-"},
        {8, "-1,234.50 $"},  {9, "-$ 1,234.50"},  {10, "1,234.50 $-"},  {11, "$ 1,234.50-"},
        {12, "$ -1,234.50"}, {13, "1,234.50- $"}, {14, "($ 1,234.50)"}, {15, "(1,234.50 $)"}};
    for (const CurrencyCase& row : rows) {
        SCOPED_TRACE(row.code);
        RegionalSettings().NegCurrFormat = row.code;
        EXPECT_EQ(Text(kCurrency, -1234.5L, false, 2), row.expected);
    }
}

TEST_F(ResultFormatsTest, CurrencyCodesOutOfRangeFallBackToTheFirstPatterns)
{
    RegionalSettings().CurrencyFormat = 4;
    RegionalSettings().NegCurrFormat = -1;
    EXPECT_EQ(Text(kCurrency, 1234.5L, false, 2), "$1,234.50");
    EXPECT_EQ(Text(kCurrency, -1234.5L, false, 2), "-$1,234.50");
    RegionalSettings().NegCurrFormat = 16;
    EXPECT_EQ(Text(kCurrency, -1234.5L, false, 2), "-$1,234.50");
}

class HexFormat : public ResultFormatsTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(HexFormat, WritesTheTwosComplementInUpperCase)
{
    EXPECT_EQ(Text(kHex, GetParam().value), GetParam().plain);
    EXPECT_EQ(Text(kHex, GetParam().value, true), GetParam().checked);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HexFormat,
    ::testing::Values(
        TextCase{"Integer", 255, "FF", "FF"},
        TextCase{"MinusOne", -1, "FFFFFFFFFFFFFFFF", Marks("FF FF FF FF FF FF FF FF")},
        TextCase{"Half", 0.5L, "0", "0"}, TextCase{"Zero", 0, "0", "0"},
        TextCase{"OddDigitCount", 4096, "1000", Marks("10 00")},
        TextCase{"ThreeDigits", 0x123, "123", Marks("1 23")},
        TextCase{"TruncatesTowardZero", -2.9L, "FFFFFFFFFFFFFFFE",
                 Marks("FF FF FF FF FF FF FF FE")},
        TextCase{"LargestInteger", kMaxInt64, "7FFFFFFFFFFFFFFF", Marks("7F FF FF FF FF FF FF FF")},
        TextCase{"SmallestInteger", kMinInt64, "8000000000000000",
                 Marks("80 00 00 00 00 00 00 00")},
        TextCase{"JustBeyondTheIntegers", kTwoPow63, kFail, kFail},
        TextCase{"OneE20", 1e20L, kFail, kFail}, TextCase{"NaN", kNaN, kFail, kFail},
        TextCase{"Infinity", kInf, kFail, kFail}),
    [](const auto& info) { return std::string(info.param.name); });

class BinFormat : public ResultFormatsTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(BinFormat, WritesTheTwosComplement)
{
    EXPECT_EQ(Text(kBin, GetParam().value), GetParam().plain);
    EXPECT_EQ(Text(kBin, GetParam().value, true), GetParam().checked);
}

std::string ByteGroups(const std::string& bits)
{
    std::string text;
    for (std::size_t i = 0; i < bits.size(); i += 8)
        text += (i > 0 ? " " : "") + bits.substr(i, 8);
    return Marks(text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BinFormat,
    ::testing::Values(
        TextCase{"Integer", 255, "11111111", "11111111"},
        TextCase{"Thousand", 1000, "1111101000", Marks("11 11101000")},
        TextCase{"Five", 5, "101", "101"}, TextCase{"Zero", 0, "0", "0"},
        TextCase{"Half", 0.5L, "0", "0"},
        TextCase{"MinusOne", -1, Repeat('1', 64), ByteGroups(Repeat('1', 64))},
        TextCase{"MinusFive", -5, Repeat('1', 61) + "011", ByteGroups(Repeat('1', 61) + "011")},
        TextCase{"SmallestInteger", kMinInt64, "1" + Repeat('0', 63),
                 ByteGroups("1" + Repeat('0', 63))},
        TextCase{"LargestInteger", kMaxInt64, Repeat('1', 63),
                 Marks("1111111 11111111 11111111 11111111 11111111 11111111 11111111 "
                       "11111111")},
        TextCase{"JustBeyondTheIntegers", kTwoPow63, kFail, kFail},
        TextCase{"OneE20", 1e20L, kFail, kFail}, TextCase{"NaN", kNaN, kFail, kFail}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResultFormatsTest, BinaryTextReadsBackAsTheSameValue)
{
    for (const Extended value : {-1.0L, -5.0L, kMinInt64, kMaxInt64, 12345.0L}) {
        SCOPED_TRACE(static_cast<double>(value));
        const std::string text = Text(kBin, value);
        ASSERT_LE(text.size(), 64u);
        const auto bits = std::stoull(text, nullptr, 2);
        EXPECT_EQ(static_cast<std::int64_t>(bits), static_cast<std::int64_t>(value));
    }
}

class OctFormat : public ResultFormatsTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(OctFormat, WritesTheSignAndTheMagnitude)
{
    EXPECT_EQ(Text(kOct, GetParam().value), GetParam().plain);
    EXPECT_EQ(Text(kOct, GetParam().value, true), GetParam().checked) << "octal is never grouped";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OctFormat,
    ::testing::Values(TextCase{"Integer", 255, "377", "377"}, TextCase{"Eight", 8, "10", "10"},
                      TextCase{"Zero", 0, "0", "0"}, TextCase{"Half", 0.5L, "0", "0"},
                      TextCase{"MinusEight", -8, "-10", "-10"},
                      TextCase{"MinusOne", -1, "-1", "-1"},
                      TextCase{"LargestInteger", kMaxInt64, Repeat('7', 21), Repeat('7', 21)},
                      TextCase{"SmallestInteger", kMinInt64, "-1" + Repeat('0', 21),
                               "-1" + Repeat('0', 21)},
                      TextCase{"JustBeyondTheIntegers", kTwoPow63, kFail, kFail},
                      TextCase{"OneE20", 1e20L, kFail, kFail}),
    [](const auto& info) { return std::string(info.param.name); });

struct PlainCase {
    const char* name;
    Extended value;
    std::string expected;
};

class RomanFormat : public ResultFormatsTest, public ::testing::WithParamInterface<PlainCase> {};

TEST_P(RomanFormat, WritesRomanNumeralsUpTo65535)
{
    EXPECT_EQ(Text(kRoman, GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RomanFormat,
    ::testing::Values(
        PlainCase{"Year", 1994, "MCMXCIV"}, PlainCase{"Integer", 255, "CCLV"},
        PlainCase{"One", 1, "I"}, PlainCase{"Four", 4, "IV"}, PlainCase{"Nine", 9, "IX"},
        PlainCase{"Fourteen", 14, "XIV"}, PlainCase{"Forty", 40, "XL"},
        PlainCase{"FortyNine", 49, "XLIX"}, PlainCase{"Ninety", 90, "XC"},
        PlainCase{"FourHundredFortyFour", 444, "CDXLIV"}, PlainCase{"NineHundred", 900, "CM"},
        PlainCase{"LargestClassic", 3999, "MMMCMXCIX"}, PlainCase{"ThousandsRepeatM", 4000, "MMMM"},
        PlainCase{"Largest", 65535, Repeat('M', 65) + "DXXXV"}, PlainCase{"Truncated", 1.9L, "I"},
        PlainCase{"BelowOneIsEmpty", 0.5L, ""}, PlainCase{"Zero", 0, kFail},
        PlainCase{"Negative", -1, kFail}, PlainCase{"NegativeHalf", -0.5L, kFail},
        PlainCase{"JustAboveLargest", 65535.5L, kFail}, PlainCase{"AboveLargest", 65536, kFail},
        PlainCase{"OneE20", 1e20L, kFail}, PlainCase{"NaN", kNaN, kFail},
        PlainCase{"Infinity", kInf, kFail}),
    [](const auto& info) { return std::string(info.param.name); });

class AngleFormat : public ResultFormatsTest, public ::testing::WithParamInterface<PlainCase> {};

TEST_P(AngleFormat, WritesDegreesMinutesSeconds)
{
    EXPECT_EQ(Text(kAngle, GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AngleFormat,
    ::testing::Values(
        PlainCase{"HalfDegreeOverTwelve", 12.5L, Degrees("12d30'00\"")},
        PlainCase{"FullTurnsDropped", 370.25L, Degrees("10d15'00\"")},
        PlainCase{"NegativeBelowOne", -0.5125L, Degrees("-0d30'45\"")},
        PlainCase{"DecimalSeconds", 0.0001L, Degrees("0d00'00.36\"")},
        PlainCase{"Integer", 255, Degrees("255d00'00\"")},
        PlainCase{"MinusOne", -1, Degrees("-1d00'00\"")},
        PlainCase{"Half", 0.5L, Degrees("0d30'00\"")}, PlainCase{"Zero", 0, Degrees("0d00'00\"")},
        PlainCase{"SecondsWithOneDecimal", 0.5L + 5.5L / 3600, Degrees("0d30'05.5\"")},
        PlainCase{"SecondsTieRoundsToEven", 0.125L / 3600, Degrees("0d00'00.12\"")},
        PlainCase{"SecondsRoundUpToNextMinute", (30 + 59.999L / 60) / 60, Degrees("0d31'00\"")},
        PlainCase{"MinutesRoundUpToNextDegree", 1 - 1e-7L, Degrees("1d00'00\"")},
        PlainCase{"RoundingUpToFullTurn", 359.9999999L, Degrees("0d00'00\"")},
        PlainCase{"LargestInteger", kMaxInt64, Degrees("7d00'00\"")},
        PlainCase{"SmallestInteger", kMinInt64, Degrees("-8d00'00\"")},
        PlainCase{"JustBeyondTheIntegers", kTwoPow63, kFail}, PlainCase{"OneE20", 1e20L, kFail},
        PlainCase{"NaN", kNaN, kFail}, PlainCase{"Infinity", -kInf, kFail}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResultFormatsTest, AngleSecondsUseTheSystemDecimalSeparator)
{
    RegionalSettings().DecimalSeparator = ',';
    EXPECT_EQ(Text(kAngle, 0.0001L), Degrees("0d00'00,36\""));
}

class FractionFormat : public ResultFormatsTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(FractionFormat, WritesImproperAndProperFractions)
{
    EXPECT_EQ(Text(kFraction, GetParam().value), GetParam().plain);
    EXPECT_EQ(Text(kFraction, GetParam().value, true), GetParam().checked);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FractionFormat,
    ::testing::Values(TextCase{"Half", 0.5L, "1 / 2", "1 / 2"},
                      TextCase{"OneAndHalf", 1.5L, "3 / 2", "1 + 1 / 2"},
                      TextCase{"NegativeSevenQuarters", -1.75L, "-7 / 4", "-1 + 3 / 4"},
                      TextCase{"NegativeBelowOne", -0.25L, "-1 / 4", "-1 / 4"},
                      TextCase{"OneThird", 1.0L / 3, "1 / 3", "1 / 3"},
                      TextCase{"OneTenth", 0.1L, "1 / 10", "1 / 10"},
                      TextCase{"PiFallsBack", kPi, "3.14159265358979324", "3.14159265358979324"},
                      TextCase{"NotFoundFallsBack", 0.1234567891234L, "0.1234567891234",
                               "0.1234567891234"},
                      TextCase{"Integer", 255, "255", "255"}, TextCase{"MinusOne", -1, "-1", "-1"},
                      TextCase{"Zero", 0, "0", "0"}, TextCase{"OneE20", 1e20L, "1E0020", "1E0020"},
                      TextCase{"SmallFallsBack", 0.00001L, "1E-0005", "1E-0005"},
                      TextCase{"SmallestDenominatorLimitFallsBack", 1.0L / 32767,
                               "3.05185094759971923E-0005", "3.05185094759971923E-0005"},
                      TextCase{"JustAboveTheLimit", 1.0L / 32766, "1 / 32766", "1 / 32766"},
                      TextCase{"LastDenominatorStep", 2.0L / 32767, "2 / 32767", "2 / 32767"},
                      TextCase{"ImproperBeyond64Bits", 4611686018427387904.5L,
                               "9223372036854775809 / 2", "4611686018427387904 + 1 / 2"},
                      TextCase{"NegativeImproperBeyond64Bits", -2305843009213693952.25L,
                               "-9223372036854775809 / 4", "-2305843009213693952 + 1 / 4"},
                      TextCase{"JustBeyondTheIntegers", kTwoPow63, "9.22337203685477581E0018",
                               "9.22337203685477581E0018"},
                      TextCase{"NaN", kNaN, "NAN", "NAN"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FindFraction, FindsTheSmallestDenominatorWithinTolerance)
{
    struct Row {
        Extended f;
        TFraction expected;
    };
    const Row rows[] = {{0.5L, {1, 2}},     {0.75L, {3, 4}},    {1.0L / 3, {1, 3}},
                        {2.0L / 6, {1, 3}}, {1.0L / 7, {1, 7}}, {1234.0L / 32749, {1234, 32749}},
                        {kPi - 3, {0, 0}},  {0, {0, 0}},        {1, {0, 0}},
                        {-0.5L, {0, 0}},    {kNaN, {0, 0}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<double>(row.f));
        const TFraction found = FindFraction(row.f);
        EXPECT_EQ(found.Numerator, row.expected.Numerator);
        EXPECT_EQ(found.Denominator, row.expected.Denominator);
    }
}

TEST(IntToRoman, OutsideTheRangeIsClamped)
{
    EXPECT_EQ(IntToRoman(0), "");
    EXPECT_EQ(IntToRoman(-5), "");
    EXPECT_EQ(IntToRoman(70000), IntToRoman(65535));
}

TEST(IntToBase, WritesDigitsAndLettersWithoutLeadingZeros)
{
    EXPECT_EQ(IntToBase(0, 2), "0");
    EXPECT_EQ(IntToBase(1, 2), "1");
    EXPECT_EQ(IntToBase(35, 36), "Z");
    EXPECT_EQ(IntToBase(~0ull, 16), Repeat('F', 16));
    EXPECT_THROW((void)IntToBase(5, 1), EException);
    EXPECT_THROW((void)IntToBase(5, 37), EException);
    EXPECT_THROW(TCustomNumber(0, "X", ""), EException);
}

struct GroupCase {
    const char* text;
    int size;
    bool integerOnly;
    std::string expected;
};

TEST_F(ResultFormatsTest, GroupDigitsGroupsTheIntegerPartFromTheRight)
{
    const GroupCase rows[] = {
        {"123456", 3, false, Marks("123 456")},
        {"1234", 3, false, Marks("1 234")},
        {"123", 3, false, "123"},
        {"", 3, false, ""},
        {"-123456", 3, false, Marks("-123 456")},
        {"-1234.5678", 3, false, Marks("-1 234.5678")},
        {"12345.6E7", 3, false, Marks("12 345.6E7")},
        {"1234E5", 3, false, Marks("1 234E5")},
        {"1.5E20", 3, false, "1.5E20"},
        {"ABCDEF", 2, true, Marks("AB CD EF")},
        {"1E2E3", 2, true, Marks("1 E2 E3")},
        {"1111101000", 8, true, Marks("11 11101000")},
        {"123456", 0, false, "123456"},
    };
    for (const GroupCase& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(GroupDigits(row.text, row.size, row.integerOnly), row.expected);
    }
    RegionalSettings().DecimalSeparator = ',';
    EXPECT_EQ(GroupDigits("1234,5678", 3, false), Marks("1 234,5678"));
    EXPECT_EQ(GroupDigits("1234.5", 3, false), Marks("123 4.5")) << "only the system separator";
}

TEST_F(ResultFormatsTest, ResultTextWithPrefix)
{
    EXPECT_EQ(FManager.GetResultText(kBin, true, 5), "&B 101");
    EXPECT_EQ(FManager.GetResultText(kHex, true, 255), "$FF");
    EXPECT_EQ(FManager.GetResultText(kHex, false, 255), "FF");
    EXPECT_EQ(FManager.GetResultText(kOct, true, 8), "&O 10");
    EXPECT_EQ(FManager.GetResultText(kOct, true, -8), "-&O 10") << "the sign reads as negation";
    EXPECT_EQ(FManager.GetResultText(kDecimal, true, -1), "-1");
    EXPECT_EQ(FManager.GetResultText(kHex, true, 1e20L), kFail) << "no prefix on the failure";
}

TEST_F(ResultFormatsTest, EveryFormatOfTheCurrentValue)
{
    FManager.SetValue(255);
    const std::string expected[] = {"255", "2.6E+0002", "255", "255",  "$255",
                                    "FF",  "11111111",  "377", "CCLV", Degrees("255d00'00\""),
                                    "255"};
    for (int i = 0; i < FManager.Count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(FManager.Items(i).Text(), expected[i]);
    }
}

TEST_F(ResultFormatsTest, NoFormatFailsOrRaisesAFloatingPointFault)
{
    const Extended values[] = {
        kNaN,      kInf,     -kInf, 1e4000L, -1e-4000L, kMaxInt64, kMinInt64,
        kTwoPow63, 65535.5L, -0.0L, 1e-17L,  1.0L / 3,  -kPi,      0.999999999999999999L};
    for (int i = 0; i < FManager.Count(); ++i) {
        for (const Extended value : values) {
            SCOPED_TRACE(testing::Message()
                         << "format " << i << " value " << static_cast<double>(value));
            std::feclearexcept(FE_ALL_EXCEPT);
            for (const bool checked : {false, true}) {
                for (const int digits : {0, 18}) {
                    EXPECT_NO_THROW((void)Text(i, value, checked, digits));
                }
            }
            EXPECT_EQ(std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW), 0);
        }
    }
}

} // namespace
} // namespace calc
