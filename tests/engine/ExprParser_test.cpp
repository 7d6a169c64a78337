#include "engine/ExprParser.h"
#include "engine/ExprParserFunc.h"
#include "support/TestRegistry.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>

namespace calc {
namespace {

using test::TRegistryFixture;

struct ValueCase {
    const char* expr;
    Extended expected;
};

struct ErrorCase {
    const char* expr;
    int code;
    int pos;
    const char* arg;
};

class ExprParserTest : public TRegistryFixture {
protected:
    void ExpectValue(const ValueCase& row)
    {
        SCOPED_TRACE(row.expr);
        ASSERT_TRUE(FParser.TryEvaluate(row.expr)) << FParser.GetErrorMessage();
        if (row.expected == 0 || std::isinf(row.expected))
            EXPECT_EQ(FParser.Value(), row.expected);
        else
            EXPECT_TRUE(SameValueTol(FParser.Value(), row.expected))
                << static_cast<double>(FParser.Value()) << " vs "
                << static_cast<double>(row.expected);
    }

    void ExpectExact(const ValueCase& row)
    {
        SCOPED_TRACE(row.expr);
        ASSERT_TRUE(FParser.TryEvaluate(row.expr)) << FParser.GetErrorMessage();
        EXPECT_EQ(FParser.Value(), row.expected);
    }

    void ExpectError(const ErrorCase& row)
    {
        SCOPED_TRACE(row.expr);
        EXPECT_FALSE(FParser.TryEvaluate(row.expr));
        EXPECT_EQ(FParser.ErrorCode(), row.code) << FParser.GetErrorMessage();
        if (row.pos >= 0) {
            EXPECT_EQ(FParser.ErrorPos(), row.pos) << FParser.GetErrorMessage();
        }
        if (row.arg) {
            EXPECT_EQ(FParser.ErrorArg(), row.arg);
        }
    }

    TExpressionParser FParser;
};

// ---------------------------------------------------------------------------------------------
// Predicates and messages

TEST(ExprParserTypes, ZeroTestBoundary)
{
    EXPECT_TRUE(IsZeroValue(0));
    EXPECT_TRUE(IsZeroValue(1e-16L));
    EXPECT_TRUE(IsZeroValue(-1e-16L));
    EXPECT_FALSE(IsZeroValue(1.0001e-16L));
    EXPECT_FALSE(IsZeroValue(NAN));
}

TEST(ExprParserTypes, TolerantEquality)
{
    EXPECT_TRUE(SameValueTol(1, 1 + 1e-17L));
    EXPECT_TRUE(SameValueTol(1e-17L, 0));
    EXPECT_FALSE(SameValueTol(1, 1 + 1e-15L));
    EXPECT_TRUE(SameValueTol(1e20L, 1e20L + 1000)); // relative: 1e20 * 1e-16 = 1e4
    EXPECT_FALSE(SameValueTol(1e20L, 1e20L + 1e5L));
}

TEST(ExprParserTypes, Int64RangeBoundaries)
{
    EXPECT_TRUE(IsInt64Range(-9223372036854775808.0L));
    EXPECT_TRUE(IsInt64Range(9223372036854775807.0L));
    EXPECT_FALSE(IsInt64Range(9223372036854775808.0L));
    EXPECT_FALSE(IsInt64Range(-9223372036854775809.0L));
    EXPECT_FALSE(IsInt64Range(NAN));
    EXPECT_FALSE(IsInt64Range(INFINITY));
}

TEST(ExprParserTypes, ErrorTexts)
{
    const std::pair<int, const char*> rows[] = {
        {0, "No error"},
        {1, "Expecting argument"},
        {2, "Incorrect number format"},
        {4, "Number is too long"},
        {5, "Expected"},
        {6, "End of expression expected"},
        {11, "Division by zero"},
        {12, "Unknown constant"},
        {13, "Unknown function"},
        {22, "Incorrect operator argument"},
        {23, "Insufficient arguments"},
        {24, "Calculation interrupted"},
        {3, ""},
        {99, ""},
        {100, ""},
    };
    for (const auto& [code, text] : rows)
        EXPECT_EQ(ErrorText(code), text) << code;
}

TEST(ExprParserTypes, ExtendedIsEightyBitWithExactPi)
{
    // The 80-bit value nearest to pi, and the factors divided in 80-bit arithmetic.
    EXPECT_EQ(kPi, 0xc.90fdaa22168c235p-2L);
    EXPECT_EQ(kPiDiv180, kPi / 180);
    volatile Extended two = 200;
    EXPECT_EQ(k200DivPi, two / kPi);
}

TEST_F(ExprParserTest, ErrorMessageFormats)
{
    const std::pair<const char*, std::string_view> rows[] = {
        {"1/0", "3: Division by zero"},
        {"2+foo", "5: Unknown constant \"foo\""},
        {"0^0", "3: 0^0 cannot be calculated)"},
        {"1+2)", "3: End of expression expected"},
    };
    for (const auto& [expr, message] : rows) {
        SCOPED_TRACE(expr);
        EXPECT_FALSE(FParser.TryEvaluate(expr));
        EXPECT_EQ(FParser.GetErrorMessage(), message);
    }
}

TEST_F(ExprParserTest, EvaluateAndCheckPropagateFailures)
{
    EXPECT_THROW((void)FParser.Evaluate("1/0"), ECalcException);
    EXPECT_THROW((void)FParser.Evaluate("0^-1"), EMathError);
    EXPECT_THROW((void)FParser.Evaluate("19o"), EConvertError);
    EXPECT_THROW(FParser.Check("1+"), ECalcException);
    EXPECT_NO_THROW(FParser.Check("1/0 + unknown(1, 2)"));
    EXPECT_EQ(FParser.Value(), 0);
}

TEST_F(ExprParserTest, ErrorStateResetsOnEachEvaluation)
{
    EXPECT_FALSE(FParser.TryEvaluate("1/0"));
    EXPECT_TRUE(FParser.TryEvaluate("2"));
    EXPECT_EQ(FParser.ErrorCode(), 0);
    EXPECT_TRUE(FParser.ErrorArg().empty());
    EXPECT_EQ(FParser.Value(), 2);
}

// ---------------------------------------------------------------------------------------------
// Operators

TEST_F(ExprParserTest, OperatorValues)
{
    const ValueCase rows[] = {
        {"2+3*4", 14},       {"2^3^2", 64},       {"-2^2", 4},
        {"2**-2", 0.25},     {"2^10", 1024},      {"7 div 2", 3},
        {"7 \\ 2", 3},       {"-7 div 2", -3},    {"-7 mod 2", -1},
        {"-7%2", -1},        {"7 mod -2", 1},     {"7.9 div 2.9", 3},
        {"5 & 3", 1},        {"5 and 3", 1},      {"5 ^^ 3", 6},
        {"5 xor 3", 6},      {"5 | 3", 7},        {"5 or 3", 7},
        {"5 OR 3", 7},       {"1 << 4", 16},      {"1 shl 4", 16},
        {"1 lsh 4", 16},     {"1 shl 64", 0},     {"1 shl 127", 0},
        {"1 shl 128", 1},    {"1 shl 160", 1},    {"1 << -1", 2147483648.0L},
        {"-1 >> 60", 15},    {"-1 shr 63", 1},    {"-1 rsh 64", 0},
        {"256 >> 132", 16},  {"~5", -6},          {"not 5", -6},
        {"NOT 0", -1},       {"!0", 1},           {"!0.5", 1},
        {"!2", 0},           {"!-1", 0},          {"3 && 0", 0},
        {"3 && 2", 1},       {"0 || 1e-17", 0},   {"0 || 2", 1},
        {"1 == 1+1e-17", 1}, {"1 = 1+1e-17", 1},  {"1 != 1+1e-17", 1},
        {"1 <> 1", 0},       {"1 < 2 < 3", 1},    {"3 > 2 > 1", 0},
        {"2 <= 2", 1},       {"2 >= 3", 0},       {"200 %* 15", 30},
        {"30 %/ 200", 15},   {"200 +% 15", 230},  {"200 -% 15", 170},
        {"120 -%? 100", 20}, {"20 +%? 100", 120}, {"1++2", 3},
        {"1--2", 3},         {"1+-2", -1},        {"--3", 3},
        {"!!5", 1},          {"~~5", 5},          {"7 mod2", 1},
        {"(1+2", 3},         {"((2)", 2},         {"1+2 ' a comment", 3},
        {"1e-17", 0},        {"1e-17*1e17", 1},   {"2 3", 23},
        {"  12  ", 12},      {"2*(3+4)", 14},     {"10-2-3", 5},
        {"64/4/2", 8},
    };
    for (const ValueCase& row : rows)
        ExpectValue(row);
}

TEST_F(ExprParserTest, IntegerOperatorsAreExactAcrossTheWholeRange)
{
    const ValueCase rows[] = {
        {"$7FFFFFFFFFFFFFFF or 0", 9223372036854775807.0L},
        {"$8000000000000000 or 0", -9223372036854775808.0L},
        {"-9223372036854775808 div -1", 9223372036854775808.0L},
        {"-9223372036854775808 mod -1", 0},
        {"$FFFFFFFFFFFFFFFF >> 1", 9223372036854775807.0L},
        {"1 << 63", -9223372036854775808.0L},
    };
    for (const ValueCase& row : rows)
        ExpectExact(row);
}

TEST_F(ExprParserTest, OperatorFailures)
{
    const ErrorCase rows[] = {
        {"1/0", ceDivisionByZero, 3, ""},
        {"1/1e-17", ceDivisionByZero, 7, ""},
        {"5 +%? 0", ceDivisionByZero, 7, ""},
        {"5 -%? 0", ceDivisionByZero, 7, ""},
        {"5 %/ 0", ceDivisionByZero, 6, ""},
        {"5 div 0", ceDivisionByZero, 7, ""},
        {"5 mod 0", ceDivisionByZero, 7, ""},
        {"7 div 0.5", ceMessage, 9, "Division by zero"},
        {"7 mod 0.5", ceMessage, 9, "Division by zero"},
        {"7 and 2.5e30", ceOperatorArgument, 12, "AND"},
        {"7 & 2.5e30", ceOperatorArgument, 10, "&"},
        {"2^63 or 1", ceOperatorArgument, 9, "OR"},
        {"2^63 shl 1", ceOperatorArgument, 10, "SHL"},
        {"1 xor -2^64", ceOperatorArgument, 11, "XOR"},
        {"1 && 1e19", ceOperatorArgument, 9, "&&"},
        {"1 || 1e19", ceOperatorArgument, 9, "||"},
        {"~1e19", ceOperatorArgument, 5, "~"},
        {"not 1e19", ceOperatorArgument, 8, "NOT"},
        {"!1e19", ceOperatorArgument, 5, "!"},
        {"1e19 div 2", ceOperatorArgument, 10, "DIV"},
        {"0 && (1/0)", ceDivisionByZero, 9, ""},
        {"0^0", ceMessage, 3, "0^0 cannot be calculated)"},
        {"0^1e-17", ceMessage, 7, "0^0 cannot be calculated)"},
        {"0^-1", ceMessage, 4, "Floating point division by zero"},
        {"(-8)^(1/3)", ceMessage, 10, "Invalid floating point operation"},
        {"(-1)^2147483648", ceMessage, -1, "Invalid floating point operation"},
        {"1e4000*1e4000", ceMessage, 13, "Floating point overflow"},
        {"1e4932+1e4932", ceMessage, 13, "Floating point overflow"},
        {"10^5000", ceMessage, 7, "Floating point overflow"},
        // x^-n is the reciprocal of x^n, so an overflowing x^n fails even where x^-n is tiny.
        {"10^-5000", ceMessage, 8, "Floating point overflow"},
        {"2^-2147483647", ceMessage, 13, "Floating point overflow"},
        {"1e-3000^-2", ceMessage, 10, "Floating point overflow"},
        {"0^-2147483647", ceMessage, 13, "Floating point division by zero"},
    };
    for (const ErrorCase& row : rows)
        ExpectError(row);
}

TEST_F(ExprParserTest, UnderflowAndInexactStaySilent)
{
    ExpectValue({"1e-4000*1e-4000", 0});
    ExpectValue({"10^-4932", 0}); // a subnormal x^-n, shown as 0
    ExpectValue({"1/3*3", 1});
}

TEST_F(ExprParserTest, PowerOperation)
{
    const ValueCase rows[] = {
        {"0^5", 0},
        {"(-2)^3", -8},
        {"(-2)^-2", 0.25},
        {"5^0", 1},
        {"0^2147483648", 0},
        {"0^0.5", 0},
        {"2^0.5", 1.41421356237309504880L},
        {"4^-0.5", 0.5},
        {"3^40", 12157665459056928801.0L},
        {"1e-2466^-2", 1e4932L}, // x^2 is subnormal, x^-2 still finite
        // Large but finite powers are no overflow.
        {"3e1643^2", 9e3286L},
        {"3e1643^3", 2.7e4930L},
        {"1e4932^1", 1e4932L},
        {"power(1e2466, 2)", 1e4932L},
    };
    for (const ValueCase& row : rows)
        ExpectValue(row);
    ExpectExact({"3^40", 12157665459056928801.0L});
}

struct TNegativePowerRef {
    const char* name;
    Extended x;
    int n;
    Extended expected; // x^-n correctly rounded
    bool exact;        // x^n is an 80-bit value
};

#include "ExprParser_refs.inc"

/// Distance in units in the last place of expected.
Extended UlpDistance(Extended actual, Extended expected)
{
    if (actual == expected)
        return 0;
    const int exponent = std::max(std::ilogb(expected), LDBL_MIN_EXP - 1);
    return std::fabs(actual - expected) / std::ldexp(1.0L, exponent - 63);
}

TEST(PowerRule, NegativeIntegerPowersAreTheReciprocalOfThePositivePower)
{
    for (const TNegativePowerRef& row : kNegativePowerRefs) {
        SCOPED_TRACE(row.name);
        ClearFPUStatus();
        const Extended positive = std::pow(row.x, static_cast<Extended>(row.n));
        const Extended reciprocal = 1 / positive;
        const Extended result = PowerRule(row.x, -row.n);
        EXPECT_EQ(result, reciprocal) << std::hexfloat << result;
        EXPECT_LE(UlpDistance(result, row.expected), 1)
            << std::hexfloat << "got " << result << ", reference " << row.expected;
        if (row.exact) {
            EXPECT_EQ(result, row.expected) << std::hexfloat << result;
        }
        // The operator and the built-ins share the rule.
        EXPECT_EQ(Power(row.x, -row.n), result);
        EXPECT_EQ(builtin::Power(row.x, -row.n), result);
    }
}

TEST_F(ExprParserTest, NegativePowersOfTenAreTheNearestValues)
{
    const ValueCase rows[] = {
        {"10^-2", 1 / 100.0L},          {"10**-2", 1 / 100.0L},   {"power(10, -2)", 1 / 100.0L},
        {"root(10, -0.5)", 1 / 100.0L}, {"10^-5", 1 / 100000.0L}, {"2.5^-3", 1 / 15.625L},
    };
    for (const ValueCase& row : rows)
        ExpectExact(row);
}

TEST_F(ExprParserTest, SyntaxFailures)
{
    const ErrorCase rows[] = {
        {"", ceExpectingArgument, 0, ""},
        {"   ", ceExpectingArgument, 3, ""},
        {"1+", ceExpectingArgument, 2, ""},
        {"1+2)", ceEndExpected, 3, ""},
        {"2pi", ceEndExpected, 1, ""},
        {"2 3 4 5+1 2", ceEndExpected, 6, ""},
        {".5", ceExpectingArgument, 0, ""},
        {"(1]", ceExpected, 2, ")"},
        {"{1]", ceExpected, 2, "}"},
        {"*2", ceExpectingArgument, 0, ""},
        {"2+foo", ceUnknownConstant, 5, "foo"},
        {"foo + 1", ceUnknownConstant, 4, "foo"},
        {"nothing", ceUnknownConstant, 7, "hing"},
        {"foo(1)", ceUnknownFunction, 3, "foo"},
        {"foo (1)", ceUnknownFunction, 4, "foo"},
        {"Log(2)", ceInsufficientArguments, 5, ""},
        {"Log(2, 8, 9)", ceExpected, 8, ")"},
        {"Log(", ceExpectingArgument, 4, ""},
        {"Log(2,", ceExpectingArgument, 6, ""},
        {"Max(", ceExpectingArgument, 4, ""},
        {"Max(1,", ceExpectingArgument, 6, ""},
        {"Random(1)", ceExpected, 7, ")"},
        {"1 'comment' 2", -1, -1, nullptr},
    };
    for (const ErrorCase& row : rows) {
        if (row.code < 0) {
            ExpectValue({row.expr, 1});
            continue;
        }
        ExpectError(row);
    }
}

TEST_F(ExprParserTest, FunctionCalls)
{
    const ValueCase rows[] = {
        {"Log(2, 8)", 3},
        {"log (2 , 8)", 3},
        {"Max(3, 7, 5)", 7},
        {"Max(3)", 3},
        {"Pi", kPi},
        {"pI", kPi},
        {"Random()", 1.0L / 4294967296.0L},
        {"sqrt(sqrt(16))", 2},
        {"Log(2, 8", 3},
    };
    SetRandSeed(0);
    for (const ValueCase& row : rows)
        ExpectValue(row);
}

TEST_F(ExprParserTest, AngleModeReachesFunctions)
{
    FParser.SetAngleMode(TAngleMode::amDeg);
    ExpectValue({"sin(30)", 0.5});
    ExpectValue({"ArcSin(1)", 90});
    FParser.SetAngleMode(TAngleMode::amGrad);
    ExpectValue({"ArcSin(1)", 100});
    FParser.SetAngleMode(TAngleMode::amRad);
    ExpectValue({"sin(30)", std::sin(30.0L)});
    ExpectValue({"Pi", kPi});
}

TEST_F(ExprParserTest, AngleLiterals)
{
    const ValueCase rows[] = {
        {"{30, 15}", 30.25}, {"{-30, 15}", -29.75}, {"{30, 15, 36}", 30.26},
        {"{30}", 30},        {"{10+20, 30}", 30.5}, {"{1, 30", 1.5},
    };
    for (const ValueCase& row : rows)
        ExpectValue(row);
    FParser.SetListSeparator(';');
    ExpectValue({"{30; 15}", 30.25});
}

// ---------------------------------------------------------------------------------------------
// Literals

TEST_F(ExprParserTest, NumberLiterals)
{
    const ValueCase rows[] = {
        {"0x1f", 31},
        {"$1F", 31},
        {"#1f", 31},
        {"&h1F", 31},
        {"1Fh", 31},
        {"01FH", 31},
        {"$FFFFFFFFFFFFFFFF", -1},
        {"$10000000000000000", 1152921504606846976.0L},
        {"$0000000000000000000001", 1},
        {"101b", 5},
        {"0b101", 5},
        {"&B101", 5},
        {"17o", 15},
        {"0o17", 15},
        {"&O17", 15},
        {"0rXIV", 14},
        {"&rmcmxciv", 1994},
        {"&RIIII", 4},
        {"&RIM", 999},
        {"&RVX", 5},
        {"&RIIV", 5},
        {"0b", 0},
        {"0x", 0},
        {"$", 0},
        {"&R", 0},
        {"1 000 000", 1000000},
        {"0 5", 5},
        {"1.5 e 3", 1500},
        {"2E", 2},
        {"1e-5000", 0},
        {"1.", 1},
        {"1.e5", 100000},
        {"12.5", 12.5},
        {"1.5e-3", 0.0015},
        {"2E5", 200000},
        {"1e+2", 100},
        {"17 7o", 127},
        {"0FFh", 255},
        {"12H", 18},
        {"5 or 3", 7},
        {"5 and 3", 1},
        {"&B"
         "1111111111111111111111111111111111111111111111111111111111111111",
         -1},
        {"&O777777777777777777777", 9223372036854775807.0L},
    };
    for (const ValueCase& row : rows)
        ExpectValue(row);
}

TEST_F(ExprParserTest, DecimalConversionIsCorrectlyRounded)
{
    ExpectExact({"0.1", 0.1L});
    ExpectExact({"3.14159265358979323846264338327950288", kPi});
    ExpectExact({"1.18973149535723176502e+4932", 1.18973149535723176502e+4932L});
    ExpectExact({"123456789012345678901234567890", 123456789012345678901234567890.0L});
    // Every literal converts exactly as the C library's correctly rounded conversion does.
    const char* literals[] = {"0.3",
                              "12.29",
                              "1e27",
                              "1e28",
                              "1e-27",
                              "1e-28",
                              "5e-4951",
                              "0e99999",
                              "0.000",
                              "18446744073709551615",
                              "18446744073709551616",
                              "9999999999999999999",
                              "99999999999999999999e-20",
                              "1.7976931348623157e308",
                              "2.2250738585072014e-308",
                              "4.9406564584124654e-324",
                              "123456789.987654321",
                              "0.1000000000000000000000000001",
                              "7e-1"};
    for (const char* literal : literals) {
        SCOPED_TRACE(literal);
        ASSERT_TRUE(FParser.TryEvaluate(literal)) << FParser.GetErrorMessage();
        const Extended expected = std::strtold(literal, nullptr);
        EXPECT_EQ(FParser.Value(), IsZeroValue(expected) ? 0 : expected);
    }
}

TEST_F(ExprParserTest, NumberLiteralFailures)
{
    const std::string bin65 = "&B1" + std::string(64, '0');
    const std::string oct22 = "&O" + std::string(22, '1');
    const ErrorCase rows[] = {
        {"&Q1", ceNumberFormat, 1, ""},
        {"&", ceNumberFormat, 1, ""},
        {"1D", ceNumberFormat, 2, "1D"},
        {"12AF", ceNumberFormat, 4, "12AF"},
        {"2ex", ceNumberFormat, 3, "2ex"},
        {"1e5000", ceNumberFormat, 6, "1e5000"},
        {bin65.c_str(), ceNumberTooLong, 67, bin65.c_str() + 2},
        {oct22.c_str(), ceNumberTooLong, 24, oct22.c_str() + 2},
        {"19o", ceMessage, 3, "Invalid characters in number 19 (base: 8)"},
        {"12AB", ceMessage, 4, "Invalid characters in number 12A (base: 2)"},
        {"1BH", ceEndExpected, 2, ""},
        {"2 3+1", ceEndExpected, 2, ""},
        {"17 o", ceEndExpected, 3, ""},
    };
    for (const ErrorCase& row : rows)
        ExpectError(row);
}

TEST_F(ExprParserTest, DecimalSeparatorSets)
{
    FParser.SetDecimalSeparators(TCharSet(".,"));
    FParser.SetListSeparator(';');
    ExpectValue({"1,5", 1.5});
    ExpectValue({"1, 5", 1.5});
    ExpectValue({"1.5", 1.5});
    ExpectValue({"Log(2; 8)", 3});

    FParser.SetDecimalSeparators(TCharSet(","));
    ExpectError({"1.5", ceEndExpected, 1, ""});
    ExpectValue({"2,25", 2.25});
    ExpectValue({"1,5e1", 15});
}

TEST_F(ExprParserTest, DateTimeLiteralsUseRegionalSettings)
{
    const ValueCase rows[] = {
        {"[12:00]", 0.5},
        {"[ 1 / 15 / 2024 ]", 45306},
        {"[1/15/2024]", 45306},
        {"[12/30/1899]", 0},
        {"[12/29/1899]", -1},
        {"[6:00]", 0.25},
        {"[18:00:00]", 0.75},
        {"[6:00PM]", 0.75},
        {"[12:00AM]", 0},
        {"[12:00 PM]", 0.5},
        {"[0:00:01.5]", 1.5L / 86400},
        {"[1/15/2024", 45306},
    };
    for (const ValueCase& row : rows)
        ExpectValue(row);

    const ErrorCase failures[] = {
        {"[1/15/2024 12:00]", ceMessage, 16, "'1/15/202412:00' is not a valid date and time"},
        {"[2/30/2024]", ceMessage, -1, "'2/30/2024' is not a valid date and time"},
        {"[25:00]", ceMessage, -1, "'25:00' is not a valid date and time"},
        {"[hello]", ceMessage, 6, "'hello' is not a valid date and time"},
        {"[]", ceMessage, 1, "'' is not a valid date and time"},
        {"[12]", ceMessage, -1, nullptr},
    };
    for (const ErrorCase& row : failures)
        ExpectError(row);

    RegionalSettings().ShortDateFormat = "dd.MM.yyyy";
    RegionalSettings().DateSeparator = '.';
    ExpectValue({"[15.01.2024]", 45306});
    ExpectError({"[01/15/2024]", ceMessage, -1, nullptr});
    RegionalSettings().ShortDateFormat = "yyyy-MM-dd";
    RegionalSettings().DateSeparator = '-';
    ExpectValue({"[2024-01-15]", 45306});
}

TEST_F(ExprParserTest, NamesAndOperatorKeywords)
{
    AddGroup({"hing = 42", "x1 = 5", "_a@b = 7", "divider = 3"});
    const ValueCase rows[] = {
        {"nothing", ~42LL}, {"x1*2", 10}, {"_A@B", 7}, {"divider", 3}, {"9 div divider", 3},
    };
    for (const ValueCase& row : rows)
        ExpectValue(row);
}

// ---------------------------------------------------------------------------------------------
// Conditional forms and syntax-only reading

TEST_F(ExprParserTest, ConditionalForms)
{
    const ValueCase rows[] = {
        {"if(0, 1/0, 5)", 5},
        {"if(1, 5, 1/0)", 5},
        {"if(0, 5)", 0},
        {"if(1e-20, 1, 2)", 1},
        {"If(1, 7)", 7},
        {"1e-20 ? 1 : 2", 2},
        {"1 ? 2", 2},
        {"0 ? 2", 0},
        {"0 ? 1 : 0 ? 2 : 3", 3},
        {"1 ? 1 : 0 ? 2 : 3", 1},
        {"0 ? 1 : 1 ? 2 : 3", 2},
        {"1 ? 5 : 2 < 3", 5},
        {"0 ? 5 : 2 < 3", 1},
        {"0 ? 2 < 3 : 4", 4},
        {"case(1: 10, 20, 30)", 20},
        {"case(1.9: 10, 20)", 20},
        {"case(-0.5: 10, 20)", 10},
        {"case(5: 10, 20)", 0},
        {"case(-1: 10, 20)", 0},
        {"case(0: 1, foo)", 1},
        {"CASE(0: 7)", 7},
        {"case(2: 1/0, 1/0, 3)", 3},
        {"case($100000001: 4, 5)", 5},
        {"case($100000000: 4, 5)", 4},
        {"if(0, unknown(1), 2)", 2},
        {"1 ? 2 : [garbage]", 2},
    };
    for (const ValueCase& row : rows)
        ExpectValue(row);
}

TEST_F(ExprParserTest, ConditionalFailures)
{
    const std::string longBin = "1 ? 2 : &B1" + std::string(64, '0');
    const ErrorCase rows[] = {
        {"if(1)", ceExpectingArgument, 5, ""},
        {"if(", ceExpectingArgument, 3, ""},
        {"1 ? 2 < 3 : 4", ceEndExpected, 10, ""},
        {"case(1, 10)", ceExpected, 6, ":"},
        {"case(1", ceExpected, 6, ":"},
        {"case(1:", ceExpectingArgument, 7, ""},
        {"case(0: 1, f())", ceExpectingArgument, 13, ""},
        {"case(1: 1, 2", -1, -1, nullptr},
        {longBin.c_str(), ceNumberTooLong, -1, nullptr},
        {"case(1e30: 1)", ceMessage, -1, "Invalid floating point operation"},
    };
    for (const ErrorCase& row : rows) {
        if (row.code < 0) {
            ExpectValue({row.expr, 2});
            continue;
        }
        ExpectError(row);
    }
}

TEST_F(ExprParserTest, CheckReadsSyntaxOnly)
{
    const char* accepted[] = {
        "1/0",
        "unknown + undefined(1, 2, 3)",
        "case(x: a, b, c)",
        "if(a, b)",
        "[not a date]",
        "{1, 2, 3}",
        "a ? b : c ? d : e",
        "1 ? 2 < 3 : 4",
        "f(1) ' comment",
        "-~!x",
    };
    for (const char* text : accepted) {
        SCOPED_TRACE(text);
        EXPECT_NO_THROW(FParser.Check(text));
    }
    const ErrorCase rejected[] = {
        {"f()", ceExpectingArgument, 2, ""}, {"case(x, 1)", ceExpected, 6, ":"},
        {"1 +", ceExpectingArgument, 3, ""}, {"1e5000", ceNumberFormat, 6, "1e5000"},
        {"(1]", ceExpected, 2, ")"},         {"a b", ceEndExpected, 2, ""},
    };
    for (const ErrorCase& row : rejected) {
        SCOPED_TRACE(row.expr);
        try {
            FParser.Check(row.expr);
            ADD_FAILURE() << "accepted";
        }
        catch (const ECalcException&) {
            EXPECT_EQ(FParser.ErrorCode(), row.code);
            EXPECT_EQ(FParser.ErrorPos(), row.pos);
            EXPECT_EQ(FParser.ErrorArg(), row.arg);
        }
    }
}

TEST_F(ExprParserTest, TextAfterNulIsNeverRead)
{
    const std::string text("1+2\0garbage", 11);
    ExpectValue({text.c_str(), 3});
    EXPECT_TRUE(FParser.TryEvaluate(text));
    EXPECT_EQ(FParser.Value(), 3);
}

} // namespace
} // namespace calc
