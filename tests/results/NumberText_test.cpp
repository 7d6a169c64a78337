#include "results/NumberText.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

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

} // namespace
} // namespace calc
