#include "engine/ExprParser.h"
#include "results/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace calc {
namespace {

struct GeneralCase {
    const char* name;
    Extended value;
    int precision;
    int expDigits;
    const char* expected;
};

const GeneralCase kGeneralRows[] = {
    // 15 digits, no minimum exponent width: the decimal format's text
    {"Zero", 0, 15, 0, "0"},
    {"NegativeZero", -0.0L, 15, 0, "0"},
    {"Integer", 255, 15, 0, "255"},
    {"OneE20", 1e20L, 15, 0, "1E20"},
    {"OneEMinus5", 0.00001L, 15, 0, "1E-5"},
    {"OneEMinus4StaysFixed", 0.0001L, 15, 0, "0.0001"},
    {"OneThird", 1.0L / 3, 15, 0, "0.333333333333333"},
    {"TwoThirdsRoundsUp", 2.0L / 3, 15, 0, "0.666666666666667"},
    {"Negative", -2.5L, 15, 0, "-2.5"},
    {"SmallWithLeadingZeros", 0.001234L, 15, 0, "0.001234"},
    {"ExponentEqualToPrecisionIsFixed", 123456789012345.0L, 15, 0, "123456789012345"},
    {"ExponentAbovePrecisionIsScientific", 1e15L, 15, 0, "1E15"},
    {"ScientificWithDecimals", 1.5e20L, 15, 0, "1.5E20"},
    {"NegativeScientific", -2.5e-7L, 15, 0, "-2.5E-7"},
    {"RoundingCarriesIntoNewDigit", 9.9999999999999999L, 15, 0, "10"},
    {"CarryRaisesExponentToScientific", 999999999999999.9L, 15, 0, "1E15"},
    {"IntegerWithZerosPadded", 1200, 15, 0, "1200"},
    // 18 digits and at least 4 exponent digits: the fraction format's fallback
    {"FallbackInteger", 255, 18, 4, "255"},
    {"FallbackOneE20", 1e20L, 18, 4, "1E0020"},
    {"FallbackOneEMinus5", 0.00001L, 18, 4, "1E-0005"},
    {"FallbackPi", kPi, 18, 4, "3.14159265358979324"},
    {"FallbackWideExponentNotCut", 1e4000L, 18, 4, "1E4000"},
    {"FallbackNegativeExponent", -1.25e-300L, 18, 4, "-1.25E-0300"},
    // not finite
    {"NaN", std::numeric_limits<Extended>::quiet_NaN(), 15, 0, "NAN"},
    {"Infinity", std::numeric_limits<Extended>::infinity(), 15, 0, "INF"},
    {"MinusInfinity", -std::numeric_limits<Extended>::infinity(), 15, 0, "-INF"},
};

class NumberTextGeneral : public ::testing::TestWithParam<GeneralCase> {};

TEST_P(NumberTextGeneral, GivesExpectedText)
{
    const GeneralCase& row = GetParam();
    EXPECT_EQ(FloatToTextGeneral(row.value, row.precision, row.expDigits, '.'), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, NumberTextGeneral, ::testing::ValuesIn(kGeneralRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NumberTextGeneral, UsesTheGivenDecimalSeparator)
{
    EXPECT_EQ(FloatToTextGeneral(1234.5L, 15, 0, ','), "1234,5");
    EXPECT_EQ(FloatToTextGeneral(1.5e20L, 15, 0, ','), "1,5E20");
    EXPECT_EQ(FloatToTextGeneral(0.00125L, 15, 0, ','), "0,00125");
}

TEST(NumberTextGeneral, EighteenDigitsShowTheFullSignificand)
{
    // 2^63 - 1 needs 19 digits; 18 of them, rounded, are shown.
    EXPECT_EQ(FloatToTextGeneral(9223372036854775807.0L, 18, 0, '.'), "9.22337203685477581E18");
    // 1 + 2^-63 differs from 1 only in the 19th digit.
    EXPECT_EQ(FloatToTextGeneral(1 + std::ldexp(1.0L, -63), 18, 0, '.'), "1");
    // 1 + 2^-56 = 1.0000000000000000138...: the 18th digit shows it.
    EXPECT_EQ(FloatToTextGeneral(1 + std::ldexp(1.0L, -56), 18, 0, '.'), "1.00000000000000001");
}

TEST(NumberTextGeneral, RoundsFromTheEighteenDigitForm)
{
    // 1 + 46116 * 2^-63 = 1.0000000000000049999067...; its 18-digit form 1.00000000000000500
    // rounds half up at 15 digits, so a typed ...0005 shows as ...001.
    const Extended justBelowHalf = 1 + 46116 * std::ldexp(1.0L, -63);
    EXPECT_EQ(FloatToTextGeneral(justBelowHalf, 15, 0, '.'), "1.00000000000001");
    EXPECT_EQ(FloatToTextGeneral(justBelowHalf, 18, 0, '.'), "1.000000000000005");
}

struct FixedCase {
    const char* name;
    Extended value;
    int decimals;
    const char* digits;
    int exponent;
};

const FixedCase kFixedRows[] = {
    {"TwoThirdsTwoDecimals", 2.0L / 3, 2, "67", 0},
    {"TwoThirdsNoDecimals", 2.0L / 3, 0, "1", 1},
    {"TypedHalfRoundsUp", 2.675L, 2, "268", 1},
    {"TypedHalfRoundsUpAgain", 1.005L, 2, "101", 1},
    {"CarryAddsIntegerDigit", 9.996L, 2, "1", 2},
    {"FirstDigitAtRoundingPlaceRoundsUp", 0.006L, 2, "1", -1},
    {"BelowRoundingPlaceIsZero", 0.0004L, 2, "", 0},
    {"LimitedToEighteenSignificant", 123.456L, 18, "123456", 3},
    {"EighteenDigitInteger", 123456789012345678.9L, 2, "123456789012345679", 18},
    {"HugeExponent", 1e300L, 2, "1", 301},
};

class NumberTextFixed : public ::testing::TestWithParam<FixedCase> {};

TEST_P(NumberTextFixed, RoundsToDecimalsAndPrecision)
{
    const FixedCase& row = GetParam();
    const TDecimalDigits d = ToFixedDigits(row.value, row.decimals, 18);
    EXPECT_EQ(d.Digits, row.digits);
    EXPECT_EQ(d.Exponent, row.exponent);
}

INSTANTIATE_TEST_SUITE_P(Rows, NumberTextFixed, ::testing::ValuesIn(kFixedRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NumberTextFixed, ValueRoundedAwayHasNoSign)
{
    const TDecimalDigits d = ToFixedDigits(-0.001L, 2, 18);
    EXPECT_TRUE(d.Digits.empty());
    EXPECT_FALSE(d.Negative);
    EXPECT_TRUE(ToFixedDigits(-0.5L, 0, 18).Negative);
}

TEST(NumberTextDigits, PrecisionIsClampedToOneToEighteen)
{
    EXPECT_EQ(ToDecimalDigits(1.0L / 3, 40).Digits, "333333333333333333");
    EXPECT_EQ(ToDecimalDigits(1.0L / 3, 0).Digits, "3");
    EXPECT_EQ(ToDecimalDigits(0.96L, 1).Digits, "1");
    EXPECT_EQ(ToDecimalDigits(0.96L, 1).Exponent, 1);
}

struct ExpressionTextCase {
    const char* name;
    Extended value;
    char separator;
    const char* expected;
};

const ExpressionTextCase kExpressionTextRows[] = {
    {"Integer", 42, '.', "42"},
    {"NegativeZeroIsZero", -0.0L, '.', "0"},
    {"SmallestInteger", -9223372036854775807.0L - 1, '.', "-9223372036854775808"},
    {"IntegerBeyondTheRangeIsScientific", 1e19L, '.', "1E19"},
    {"CalculatorsComma", 2.5L, ',', "2,5"},
    {"NeverGrouped", 1234567.5L, '.', "1234567.5"},
    {"SmallStaysFixed", 0.0001L, '.', "0.0001"},
    {"SmallerIsScientific", -0.00001L, ',', "-1E-5"},
    {"NoSeparatorScalesTheDigits", 2.5L, '\0', "25E-1"},
    {"NoSeparatorNegative", -0.0625L, '\0', "-625E-4"},
    {"NoSeparatorLarge", 1e30L, '\0', "1E30"},
    {"NaNHasNoLiteral", std::numeric_limits<Extended>::quiet_NaN(), '.', ""},
    {"InfinityHasNoLiteral", -std::numeric_limits<Extended>::infinity(), '.', ""},
};

class NumberTextExpression : public ::testing::TestWithParam<ExpressionTextCase> {};

TEST_P(NumberTextExpression, GivesExpectedText)
{
    const ExpressionTextCase& row = GetParam();
    EXPECT_EQ(ExpressionValueText(row.value, row.separator), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, NumberTextExpression, ::testing::ValuesIn(kExpressionTextRows),
                         [](const auto& info) { return std::string(info.param.name); });

bool SameBits(Extended a, Extended b)
{
    return std::memcmp(&a, &b, 10) == 0;
}

/// Values an evaluation can end with: the extremes, integers at the 64-bit limits, and random
/// significands at random exponents of both signs. (A result of magnitude 1e-16 or less is
/// made exactly 0.)
std::vector<Extended> ResultValues()
{
    std::vector<Extended> values = {
        1.0L / 3,
        -2.0L / 3,
        0.1L,
        1e-15L / 7,
        std::numeric_limits<Extended>::max(),
        -std::numeric_limits<Extended>::max(),
        std::nextafter(0x1p63L, 0.0L),
        0x1p63L,
        std::nextafter(0x1p63L, 0x1p64L),
        std::nextafter(-0x1p63L, -0x1p64L),
        0x1p64L - 1,
        std::nextafter(1.0L, 2.0L),
        std::nextafter(1.0L, 0.0L),
        1e15L + 0.5L,
        123456789.125L,
    };
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 3000; ++i) {
        const std::uint64_t bits = random() | (std::uint64_t{1} << 63);
        // bits * 2^(exponent - 64) lies in [2^(exponent - 1), 2^exponent).
        const int exponent = -51 + static_cast<int>(random() % (16384 + 51));
        const Extended value = std::ldexp(static_cast<Extended>(bits), exponent - 64);
        values.push_back(i % 2 == 0 ? value : -value);
    }
    return values;
}

/// Values below what a result can be, which the text must single out all the same.
const Extended kTinyValues[] = {
    1e-300L / 7,
    -1e-17L,
    std::numeric_limits<Extended>::min(),
    std::numeric_limits<Extended>::denorm_min(),
    -std::numeric_limits<Extended>::denorm_min() * 12345,
};

TEST(NumberTextExpression, ParserReadsBackTheSameValue)
{
    const std::vector<Extended> values = ResultValues();
    for (const char* separators : {".", ",", ""}) {
        TExpressionParser parser;
        parser.SetDecimalSeparators(TCharSet(separators));
        parser.SetListSeparator(';');
        for (const Extended value : values) {
            const std::string text = ExpressionValueText(value, separators[0]);
            SCOPED_TRACE(text);
            ASSERT_TRUE(parser.TryEvaluate(text)) << parser.GetErrorMessage();
            ASSERT_TRUE(SameBits(parser.Value(), value));
        }
    }
}

TEST(NumberTextExpression, NoShorterTextWouldDo)
{
    std::vector<Extended> values = ResultValues();
    values.insert(values.end(), std::begin(kTinyValues), std::end(kTinyValues));
    for (const Extended value : values) {
        const std::string text = ExpressionValueText(value, '.');
        SCOPED_TRACE(text);
        ASSERT_TRUE(SameBits(std::strtold(text.c_str(), nullptr), value));
        const auto exponent = text.find('E');
        const std::string mantissa = text.substr(0, exponent);
        if (exponent == std::string::npos && mantissa.find('.') == std::string::npos)
            continue; // an integer, written in full
        std::string digits;
        std::copy_if(mantissa.begin(), mantissa.end(), std::back_inserter(digits), IsDigit);
        digits.erase(0, digits.find_first_not_of('0'));
        if (digits.size() < 2)
            continue; // nothing shorter to write
        // One significant digit fewer, correctly rounded, is another value.
        char shorter[64];
        std::snprintf(shorter, sizeof shorter, "%.*Le", static_cast<int>(digits.size()) - 2, value);
        EXPECT_FALSE(SameBits(std::strtold(shorter, nullptr), value)) << shorter;
    }
}

} // namespace
} // namespace calc
