#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParser.h"
#include "engine/ExprParserFunc.h"
#include "engine/ExprParserTypes.h"
#include "support/TestRegistry.h"

#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace calc {
namespace {

using enum TBuiltInFuncKind;
using enum TAngleDependence;

constexpr Extended kInf = std::numeric_limits<Extended>::infinity();
constexpr Extended kTwo63 = 0x1p63L;

/// Distance of actual from expected in units in the last place of expected's binade.
Extended UlpDistance(Extended actual, Extended expected)
{
    if (actual == expected)
        return 0;
    if (!std::isfinite(actual) || !std::isfinite(expected))
        return kInf;
    const int exponent = expected == 0 ? LDBL_MIN_EXP - 1 : std::ilogb(expected);
    return std::fabs(actual - expected) /
           std::ldexp(1.0L, std::max(exponent, LDBL_MIN_EXP - 1) - 63);
}

/// What a routine call ends in: a value, or the message it fails with after the floating-point
/// status check that the evaluator performs.
struct TOutcome {
    Extended value = 0;
    std::string failure;
};

TOutcome OutcomeOf(const std::function<Extended()>& call)
{
    ClearFPUStatus();
    try {
        return {CheckedValue(call()), {}};
    }
    catch (const EException& e) {
        ClearFPUStatus();
        return {0, e.what()};
    }
}

TEST(BuiltInUlpDistance, CountsUnitsInTheLastPlace)
{
    EXPECT_EQ(UlpDistance(std::nextafter(1.0L, 2.0L), 1.0L), 1);
    EXPECT_EQ(UlpDistance(std::nextafter(1.0L, 0.0L), 1.0L), 0.5L); // below 1 the ulp halves
    EXPECT_EQ(UlpDistance(1.0L + 3 * LDBL_EPSILON, 1.0L), 3);
    EXPECT_EQ(UlpDistance(-kInf, -kInf), 0);
    EXPECT_EQ(UlpDistance(kInf, 1.0L), kInf);
}

// ---------------------------------------------------------------------------------------------
// Registration

struct TRegistrationRow {
    std::vector<std::string_view> names;
    TBuiltInFunc func;
    TBuiltInFuncKind kind;
    TAngleDependence angle = adNone;
};

const std::vector<TRegistrationRow>& RegistrationRows()
{
    using namespace builtin;
    static const std::vector<TRegistrationRow> rows = {
        {{"Abs"}, &Abs, bfkOneArg},
        {{"Ceil"}, &Ceil, bfkOneArg},
        {{"Floor"}, &Floor, bfkOneArg},
        {{"Frac"}, &Frac, bfkOneArg},
        {{"Int"}, &Int, bfkOneArg},
        {{"Round"}, &Round, bfkOneArg},
        {{"Trunc"}, &Trunc, bfkOneArg},
        {{"Factorial", "Fact"}, &Factorial, bfkOneArg},
        {{"Fibo"}, &Fibo, bfkOneArg},
        {{"GCD"}, &GCD, bfkTwoArgs},
        {{"Exp"}, &Exp, bfkOneArg},
        {{"Lg", "Log10"}, &Lg, bfkOneArg},
        {{"Ln"}, &Ln, bfkOneArg},
        {{"LnXP1"}, &LnXP1, bfkOneArg},
        {{"Log", "LogN"}, &Log, bfkTwoArgs},
        {{"Log2"}, &Log2, bfkOneArg},
        {{"Power"}, &builtin::Power, bfkTwoArgs},
        {{"Root"}, &Root, bfkTwoArgs},
        {{"SQR", "Square"}, &Sqr, bfkOneArg},
        {{"Sqrt"}, &Sqrt, bfkOneArg},
        {{"sin"}, &Sin, bfkOneArg, adArgument},
        {{"ArcSin"}, &ArcSin, bfkOneArg, adResult},
        {{"cos"}, &Cos, bfkOneArg, adArgument},
        {{"ArcCos"}, &ArcCos, bfkOneArg, adResult},
        {{"tan", "tg"}, &Tan, bfkOneArg, adArgument},
        {{"ArcTan", "arctg"}, &ArcTan, bfkOneArg, adResult},
        {{"cotan", "cot", "ctg", "ctan"}, &Cotan, bfkOneArg, adArgument},
        {{"ArcCot", "arcctg", "arcctan", "arccotan"}, &ArcCot, bfkOneArg, adResult},
        {{"sec", "Secant"}, &Sec, bfkOneArg, adArgument},
        {{"ArcSec"}, &ArcSec, bfkOneArg, adResult},
        {{"csc", "CoSecant"}, &Csc, bfkOneArg, adArgument},
        {{"ArcCsc"}, &ArcCsc, bfkOneArg, adResult},
        {{"Cosh", "ch"}, &Cosh, bfkOneArg},
        {{"ArcCosh", "arch"}, &ArcCosh, bfkOneArg},
        {{"Sinh", "sh"}, &Sinh, bfkOneArg},
        {{"ArcSinh", "arsh"}, &ArcSinh, bfkOneArg},
        {{"Tanh", "th"}, &Tanh, bfkOneArg},
        {{"ArcTanh", "arth"}, &ArcTanh, bfkOneArg},
        {{"CotH", "cth"}, &CotH, bfkOneArg},
        {{"ArcCotH", "arcth"}, &ArcCotH, bfkOneArg},
        {{"SecH", "sch"}, &SecH, bfkOneArg},
        {{"ArcSecH", "arsch"}, &ArcSecH, bfkOneArg},
        {{"CscH", "csch"}, &CscH, bfkOneArg},
        {{"ArcCscH", "arcsch"}, &ArcCscH, bfkOneArg},
        {{"DegToRad", "D2R"}, &DegToRad, bfkOneArg},
        {{"DegToGrad", "D2G"}, &DegToGrad, bfkOneArg},
        {{"RadToDeg", "R2D"}, &RadToDeg, bfkOneArg},
        {{"RadToGrad", "R2G"}, &RadToGrad, bfkOneArg},
        {{"GradToDeg", "G2D"}, &GradToDeg, bfkOneArg},
        {{"GradToRad", "G2R"}, &GradToRad, bfkOneArg},
        {{"RandGet"}, &RandGet, bfkNoArgs},
        {{"Random"}, &Random, bfkNoArgs},
        {{"RandG"}, &RandG, bfkTwoArgs},
        {{"Randomize"}, &Randomize, bfkNoArgs},
        {{"RandomMax"}, &RandomMax, bfkOneArg},
        {{"RandSet"}, &RandSet, bfkOneArg},
        {{"RandomFrom"}, &RandomFrom, bfkList},
        {{"MaxValue", "Max"}, &MaxValue, bfkList},
        {{"MinValue", "Min"}, &MinValue, bfkList},
        {{"Mean"}, &Mean, bfkList},
        {{"Norm"}, &Norm, bfkList},
        {{"PopnStdDev"}, &PopnStdDev, bfkList},
        {{"PopnVariance"}, &PopnVariance, bfkList},
        {{"StdDev"}, &StdDev, bfkList},
        {{"Sum"}, &Sum, bfkList},
        {{"SumOfSquares"}, &SumOfSquares, bfkList},
        {{"TotalVariance"}, &TotalVariance, bfkList},
        {{"Variance"}, &Variance, bfkList},
    };
    return rows;
}

TEST(BuiltInRegistration, RegistersPiFirstAndAsTheOnlyConstant)
{
    TParserDefinitions defs;
    RegisterBuiltIns(defs);
    ASSERT_EQ(defs.ConstantCount(), 1);
    EXPECT_EQ(defs.ConstantNames(0), "Pi");
    Extended value = 0;
    ASSERT_TRUE(defs.FindConstant("PI", value));
    EXPECT_EQ(value, 0xC90FDAA22168C235p-62L); // pi rounded to the nearest 80-bit value
    EXPECT_FALSE(defs.FindConstant("e", value));
}

TEST(BuiltInRegistration, RegistersEveryRowInOrderWithItsKindAndAngleDependence)
{
    TParserDefinitions defs;
    RegisterBuiltIns(defs);
    const auto& rows = RegistrationRows();
    ASSERT_EQ(rows.size(), 68u);
    ASSERT_EQ(defs.FunctionCount(), 102);

    int position = 0;
    const TBuiltInFuncRec* previousRec = nullptr;
    for (const TRegistrationRow& row : rows) {
        SCOPED_TRACE(std::string(row.names.front()));
        const TBuiltInFuncRec* rowRec = &defs.FunctionRecs(position);
        EXPECT_NE(rowRec, previousRec) << "each row has its own record";
        for (const std::string_view name : row.names) {
            ASSERT_LT(position, defs.FunctionCount());
            EXPECT_EQ(defs.FunctionNames(position), name);
            EXPECT_EQ(&defs.FunctionRecs(position), rowRec) << "aliases share the record";
            ++position;
        }
        EXPECT_TRUE(rowRec->Func == row.func);
        EXPECT_EQ(rowRec->Kind, row.kind);
        EXPECT_EQ(rowRec->AngleDependence, row.angle);
        EXPECT_EQ(rowRec->Func.index(), static_cast<std::size_t>(row.kind))
            << "the routine's signature matches its kind";
        previousRec = rowRec;
    }
    EXPECT_EQ(position, 102);
}

TEST(BuiltInRegistration, EveryNameIsFoundIgnoringCaseWithTheArgumentCountOfItsKind)
{
    test::EnsureBuiltIns();
    for (const TRegistrationRow& row : RegistrationRows()) {
        const int expectedCount = row.kind == bfkList ? -1 : static_cast<int>(row.kind);
        for (const std::string_view name : row.names) {
            SCOPED_TRACE(std::string(name));
            for (const std::string& spelling : {std::string(name), AnsiUpperCase(name)}) {
                std::unique_ptr<TCustomFuncEvaluator> evaluator;
                ASSERT_TRUE(ParserDefinitions().FindFunction(spelling, evaluator));
                const auto* builtIn = dynamic_cast<TBuiltInFuncEvaluator*>(evaluator.get());
                ASSERT_NE(builtIn, nullptr);
                EXPECT_TRUE(builtIn->FuncRec().Func == row.func);
                EXPECT_EQ(builtIn->ArgCount(), expectedCount);
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Constants

TEST(BuiltInConstants, AngleFactorsAreTheNearest80BitValuesToTheirDecimals)
{
    struct TFactorRow {
        const char* name;
        Extended factor;
        const char* decimal;
    };
    const TFactorRow rows[] = {
        {"pi", kPi, "3.14159265358979323851"},
        {"pi/180", kPiDiv180, "0.0174532925199432957691"},
        {"pi/200", kPiDiv200, "0.0157079632679489661919"},
        {"180/pi", k180DivPi, "57.2957795130823208767"},
        {"200/pi", k200DivPi, "63.6619772367581343055"},
    };
    for (const TFactorRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.factor, std::strtold(row.decimal, nullptr));
    }
    // Dividing by the rounded pi leaves 200/pi one unit below the value nearest to the true one.
    EXPECT_EQ(std::nextafter(k200DivPi, kInf), 0x7F52EEAE2D253089p-57L);
}

// ---------------------------------------------------------------------------------------------
// Accuracy against references computed at 320 bits (ExprParserFunc_refs.py)

struct TOneArgRef {
    const char* name;
    TFuncOneArg func;
    Extended x;
    Extended expected;
    int ulps;
};

struct TTwoArgRef {
    const char* name;
    TFuncTwoArgs func;
    Extended x;
    Extended y;
    Extended expected;
    int ulps;
};

struct TListRef {
    const char* name;
    TFuncList func;
    TDoubleArray values;
    Extended expected;
    int ulps;
};

#include "ExprParserFunc_refs.inc"

void ExpectNear(const char* name, const TOutcome& outcome, Extended expected, Extended ulps)
{
    SCOPED_TRACE(name);
    ASSERT_EQ(outcome.failure, "") << "no floating-point fault for a value inside the domain";
    EXPECT_LE(UlpDistance(outcome.value, expected), ulps)
        << std::hexfloat << "got " << outcome.value << ", reference " << expected;
}

TEST(BuiltInAccuracy, OneArgumentRoutinesMatchTheReferences)
{
    for (const TOneArgRef& row : kOneArgRefs)
        ExpectNear(row.name, OutcomeOf([&] { return row.func(row.x); }), row.expected, row.ulps);
}

TEST(BuiltInAccuracy, TwoArgumentRoutinesMatchTheReferences)
{
    for (const TTwoArgRef& row : kTwoArgRefs)
        ExpectNear(row.name, OutcomeOf([&] { return row.func(row.x, row.y); }), row.expected,
                   row.ulps);
}

TEST(BuiltInAccuracy, ListStatisticsMatchTheReferences)
{
    for (const TListRef& row : kListRefs)
        ExpectNear(row.name, OutcomeOf([&] { return row.func(row.values); }), row.expected,
                   row.ulps);
}

// ---------------------------------------------------------------------------------------------
// Stated results and failures

struct TEdgeCase {
    const char* name;
    std::function<Extended()> call;
    Extended expected = 0;
    Extended ulps = 0; // 0: exactly the expected value
    std::string_view failure = {};
};

TEdgeCase Is(const char* name, Extended expected, std::function<Extended()> call)
{
    return {name, std::move(call), expected};
}

TEdgeCase Near(const char* name, Extended expected, Extended ulps, std::function<Extended()> call)
{
    return {name, std::move(call), expected, ulps};
}

TEdgeCase Fails(const char* name, std::string_view message, std::function<Extended()> call)
{
    return {name, std::move(call), 0, 0, message};
}

void CheckCases(const std::vector<TEdgeCase>& rows)
{
    for (const TEdgeCase& row : rows) {
        SCOPED_TRACE(row.name);
        const TOutcome outcome = OutcomeOf(row.call);
        if (!row.failure.empty()) {
            EXPECT_EQ(outcome.failure, row.failure);
            continue;
        }
        ASSERT_EQ(outcome.failure, "");
        if (row.ulps == 0)
            EXPECT_EQ(outcome.value, row.expected) << std::hexfloat << outcome.value;
        else
            EXPECT_LE(UlpDistance(outcome.value, row.expected), row.ulps)
                << std::hexfloat << outcome.value;
    }
}

using namespace builtin;

TEST(BuiltInRounding, StatedResultsAndFailures)
{
    CheckCases({
        Is("Abs(-2.5)", 2.5L, [] { return Abs(-2.5L); }),
        Is("Round(0.5)", 0, [] { return Round(0.5L); }),
        Is("Round(1.5)", 2, [] { return Round(1.5L); }),
        Is("Round(2.5)", 2, [] { return Round(2.5L); }),
        Is("Round(3.5)", 4, [] { return Round(3.5L); }),
        Is("Round(-2.5)", -2, [] { return Round(-2.5L); }),
        Is("Round(-2.6)", -3, [] { return Round(-2.6L); }),
        Is("Round(-2^63)", -kTwo63, [] { return Round(-kTwo63); }),
        Fails("Round(2^63-0.5) rounds out of range", sInvalidFPOperation,
              [] { return Round(kTwo63 - 0.5L); }),
        Fails("Round(1e19)", sInvalidFPOperation, [] { return Round(1e19L); }),
        Is("Trunc(-2.7)", -2, [] { return Trunc(-2.7L); }),
        Is("Trunc(2^63-1)", kTwo63 - 1, [] { return Trunc(kTwo63 - 1); }),
        Fails("Trunc(2^63)", sInvalidFPOperation, [] { return Trunc(kTwo63); }),
        Fails("Trunc(-1e19)", sInvalidFPOperation, [] { return Trunc(-1e19L); }),
        Is("Int(-2.7)", -2, [] { return Int(-2.7L); }),
        Is("Int(1e30) has no range limit", 1e30L, [] { return Int(1e30L); }),
        Near("Frac(-2.7)", -0.7L, 8, [] { return Frac(-2.7L); }),
        Is("Frac(1e30)", 0, [] { return Frac(1e30L); }),
        Is("Frac(0.25)", 0.25L, [] { return Frac(0.25L); }),
        Is("Ceil(-1.5)", -1, [] { return Ceil(-1.5L); }),
        Is("Floor(-1.5)", -2, [] { return Floor(-1.5L); }),
        Is("Ceil(2)", 2, [] { return Ceil(2); }),
        Is("Floor(2)", 2, [] { return Floor(2); }),
        Is("Ceil(1.2)", 2, [] { return Ceil(1.2L); }),
        Is("Floor(1.2)", 1, [] { return Floor(1.2L); }),
        Is("Ceil(-0.5)", 0, [] { return Ceil(-0.5L); }),
        Is("Floor(-0.5)", -1, [] { return Floor(-0.5L); }),
        Is("Ceil(3e9+0.5) beyond 32 bits", 3000000001.0L, [] { return Ceil(3e9L + 0.5L); }),
        Is("Floor(-3e9-0.5) beyond 32 bits", -3000000001.0L, [] { return Floor(-3e9L - 0.5L); }),
        Is("Ceil(2^62+0.5)", 0x1p62L + 1, [] { return Ceil(0x1p62L + 0.5L); }),
        Is("Floor(-2^62-0.5)", -0x1p62L - 1, [] { return Floor(-0x1p62L - 0.5L); }),
        Fails("Ceil(1e19)", sInvalidFPOperation, [] { return Ceil(1e19L); }),
        Fails("Floor(-1e19)", sInvalidFPOperation, [] { return Floor(-1e19L); }),
    });
}

TEST(BuiltInRounding, IntAndRoundGiveNoNegativeZero)
{
    EXPECT_FALSE(std::signbit(Int(-0.5L)));
    EXPECT_FALSE(std::signbit(Round(-0.4L)));
    EXPECT_FALSE(std::signbit(Ceil(-0.5L)));
}

TEST(BuiltInIntegerFunctions, StatedResultsAndFailures)
{
    CheckCases({
        Is("Factorial(0)", 1, [] { return Factorial(0); }),
        Is("Factorial(-3)", 1, [] { return Factorial(-3); }),
        Is("Factorial(1)", 1, [] { return Factorial(1); }),
        Is("Factorial(5)", 120, [] { return Factorial(5); }),
        Is("Factorial(4.5)", 59.0625L, [] { return Factorial(4.5L); }),
        Is("Factorial(20)", 2432902008176640000.0L, [] { return Factorial(20); }),
        Fails("Factorial(1755)", sFPOverflow, [] { return Factorial(1755); }),
        Fails("Factorial(2000)", sFPOverflow, [] { return Factorial(2000); }),
        Fails("Factorial(1e30) ends", sFPOverflow, [] { return Factorial(1e30L); }),
        Is("Fibo(0)", 0, [] { return Fibo(0); }),
        Is("Fibo(1)", 1, [] { return Fibo(1); }),
        Is("Fibo(2)", 1, [] { return Fibo(2); }),
        Is("Fibo(3)", 2, [] { return Fibo(3); }),
        Is("Fibo(10)", 55, [] { return Fibo(10); }),
        Is("Fibo(10.9)", 55, [] { return Fibo(10.9L); }),
        Is("Fibo(93)", 12200160415121876738.0L, [] { return Fibo(93); }),
        Is("Fibo(1.5)", 0, [] { return Fibo(1.5L); }),
        Is("Fibo(-4)", -4, [] { return Fibo(-4); }),
        Is("Fibo(0.5)", 0.5L, [] { return Fibo(0.5L); }),
        Fails("Fibo(30000)", sFPOverflow, [] { return Fibo(30000); }),
        Fails("Fibo(2^32+3) is not wrapped", sFPOverflow, [] { return Fibo(0x1p32L + 3); }),
        Fails("Fibo(1e19)", sInvalidFPOperation, [] { return Fibo(1e19L); }),
        Is("GCD(12, 18)", 6, [] { return GCD(12, 18); }),
        Is("GCD(18, 12)", 6, [] { return GCD(18, 12); }),
        Is("GCD(5, 0)", 5, [] { return GCD(5, 0); }),
        Is("GCD(4, -6)", -2, [] { return GCD(4, -6); }),
        Is("GCD(12.9, 18.2)", 6, [] { return GCD(12.9L, 18.2L); }),
        Is("GCD(-1, -2^63)", -1, [] { return GCD(-1, -kTwo63); }),
        Is("GCD(-2^63, -2^63)", -kTwo63, [] { return GCD(-kTwo63, -kTwo63); }),
        Fails("GCD(0, 5)", sIntDivisionByZero, [] { return GCD(0, 5); }),
        Fails("GCD(0.5, 5)", sIntDivisionByZero, [] { return GCD(0.5L, 5); }),
        Fails("GCD(1e19, 5)", sInvalidFPOperation, [] { return GCD(1e19L, 5); }),
        Fails("GCD(7, 1e19)", sInvalidFPOperation, [] { return GCD(7, 1e19L); }),
    });
}

TEST(BuiltInPowersAndLogarithms, StatedResultsAndFailures)
{
    CheckCases({
        Is("Exp(0)", 1, [] { return Exp(0); }),
        Fails("Exp(20000)", sFPOverflow, [] { return Exp(20000); }),
        Is("Exp(-20000) underflows silently", 0, [] { return Exp(-20000); }),
        Is("Ln(1)", 0, [] { return Ln(1); }),
        Fails("Ln(0)", sFPDivisionByZero, [] { return Ln(0); }),
        Fails("Ln(-1)", sInvalidFPOperation, [] { return Ln(-1); }),
        Near("Lg(1000)", 3, 1, [] { return Lg(1000); }),
        Fails("Lg(0)", sFPDivisionByZero, [] { return Lg(0); }),
        Fails("Lg(-1)", sInvalidFPOperation, [] { return Lg(-1); }),
        Is("Log2(1024)", 10, [] { return Log2(1024); }),
        Fails("Log2(0)", sFPDivisionByZero, [] { return Log2(0); }),
        Fails("Log2(-2)", sInvalidFPOperation, [] { return Log2(-2); }),
        Near("LnXP1(1e-30) without forming 1 + x", 1e-30L, 1, [] { return LnXP1(1e-30L); }),
        Fails("LnXP1(-1)", sFPDivisionByZero, [] { return LnXP1(-1); }),
        Fails("LnXP1(-2)", sInvalidFPOperation, [] { return LnXP1(-2); }),
        Is("Log(2, 8)", 3, [] { return Log(2, 8); }),
        Fails("Log(1, 8)", sFPDivisionByZero, [] { return Log(1, 8); }),
        Fails("Log(2, 0)", sFPDivisionByZero, [] { return Log(2, 0); }),
        Fails("Log(2, -1)", sInvalidFPOperation, [] { return Log(2, -1); }),
        Fails("Log(-2, 8)", sInvalidFPOperation, [] { return Log(-2, 8); }),
        Fails("Power(0, 0)", sZeroPowerZero, [] { return builtin::Power(0, 0); }),
        Fails("Power(1e-17, -1e-17)", sZeroPowerZero,
              [] { return builtin::Power(1e-17L, -1e-17L); }),
        Is("Power(0, 5)", 0, [] { return builtin::Power(0, 5); }),
        Is("Power(-2, 3)", -8, [] { return builtin::Power(-2, 3); }),
        Is("Power(5, 0)", 1, [] { return builtin::Power(5, 0); }),
        Is("Power(2, -2)", 0.25L, [] { return builtin::Power(2, -2); }),
        Fails("Power(0, -1)", sFPDivisionByZero, [] { return builtin::Power(0, -1); }),
        Fails("Power(-8, 0.5)", sInvalidFPOperation, [] { return builtin::Power(-8, 0.5L); }),
        Fails("Power(2, 20000)", sFPOverflow, [] { return builtin::Power(2, 20000); }),
        Near("Root(27, 3)", 3, 4, [] { return Root(27, 3); }),
        Fails("Root(-8, 3)", sInvalidFPOperation, [] { return Root(-8, 3); }),
        Is("Root(-8, -1)", -0.125L, [] { return Root(-8, -1); }),
        Is("Root(0, 3) has no zero check", 0, [] { return Root(0, 3); }),
        Fails("Root(8, 0)", sFPDivisionByZero, [] { return Root(8, 0); }),
        Is("Sqr(-3)", 9, [] { return Sqr(-3); }),
        Fails("Sqr(1e3000)", sFPOverflow, [] { return Sqr(1e3000L); }),
        Is("Sqrt(4)", 2, [] { return Sqrt(4); }),
        Is("Sqrt(0)", 0, [] { return Sqrt(0); }),
        Fails("Sqrt(-1)", sInvalidFPOperation, [] { return Sqrt(-1); }),
    });
}

TEST(BuiltInTrigonometry, StatedResultsAndFailures)
{
    const Extended halfPi = kPi / 2;
    CheckCases({
        Is("Sin(0)", 0, [] { return Sin(0); }),
        Is("Cos(0)", 1, [] { return Cos(0); }),
        Is("Tan(0)", 0, [] { return Tan(0); }),
        Is("Sec(0)", 1, [] { return Sec(0); }),
        Fails("Cotan(0)", sFPDivisionByZero, [] { return Cotan(0); }),
        Fails("Csc(0)", sFPDivisionByZero, [] { return Csc(0); }),
        Is("ArcSin(1)", halfPi, [] { return ArcSin(1); }),
        Is("ArcSin(-1)", -halfPi, [] { return ArcSin(-1); }),
        Is("ArcSin(0)", 0, [] { return ArcSin(0); }),
        Fails("ArcSin(1.5)", sInvalidFPOperation, [] { return ArcSin(1.5L); }),
        Fails("ArcSin(-1 - 2^-63)", sInvalidFPOperation, [] { return ArcSin(-1 - 0x1p-63L); }),
        Is("ArcCos(1)", 0, [] { return ArcCos(1); }),
        Is("ArcCos(-1)", kPi, [] { return ArcCos(-1); }),
        Is("ArcCos(0)", halfPi, [] { return ArcCos(0); }),
        Fails("ArcCos(2)", sInvalidFPOperation, [] { return ArcCos(2); }),
        Is("ArcCot(0)", halfPi, [] { return ArcCot(0); }),
        Is("ArcCot(1e-17)", halfPi, [] { return ArcCot(1e-17L); }),
        Near("ArcCot(-1)", -kPi / 4, 1, [] { return ArcCot(-1); }),
        Is("ArcSec(0)", kInf, [] { return ArcSec(0); }),
        Is("ArcSec(-1e-17)", kInf, [] { return ArcSec(-1e-17L); }),
        Is("ArcSec(1)", 0, [] { return ArcSec(1); }),
        Is("ArcSec(-1)", kPi, [] { return ArcSec(-1); }),
        Fails("ArcSec(0.5)", sInvalidFPOperation, [] { return ArcSec(0.5L); }),
        Fails("ArcSec(-0.5)", sInvalidFPOperation, [] { return ArcSec(-0.5L); }),
        Is("ArcCsc(0)", kInf, [] { return ArcCsc(0); }),
        Is("ArcCsc(1)", halfPi, [] { return ArcCsc(1); }),
        Is("ArcCsc(-1)", -halfPi, [] { return ArcCsc(-1); }),
        Fails("ArcCsc(0.5)", sInvalidFPOperation, [] { return ArcCsc(0.5L); }),
    });
}

TEST(BuiltInHyperbolic, StatedResultsAndFailures)
{
    const Extended justBelowOne = 1 - 5e-17L; // equal to 1 within the relative tolerance
    CheckCases({
        Is("Cosh(0)", 1, [] { return Cosh(0); }),
        Is("Cosh(1e-17)", 1, [] { return Cosh(1e-17L); }),
        Fails("Cosh(20000)", sFPOverflow, [] { return Cosh(20000); }),
        Fails("Cosh(-20000)", sFPOverflow, [] { return Cosh(-20000); }),
        Is("Sinh(0)", 0, [] { return Sinh(0); }),
        Is("Sinh(1e-17) is 0", 0, [] { return Sinh(1e-17L); }),
        Fails("Sinh(20000)", sFPOverflow, [] { return Sinh(20000); }),
        Fails("Sinh(-20000)", sFPOverflow, [] { return Sinh(-20000); }),
        Is("Tanh(-1e-17) is 0", 0, [] { return Tanh(-1e-17L); }),
        Is("Tanh(20000)", 1, [] { return Tanh(20000); }),
        Is("Tanh(-20000)", -1, [] { return Tanh(-20000); }),
        Is("ArcCosh(1)", 0, [] { return ArcCosh(1); }),
        Fails("ArcCosh(0.5)", sInvalidFPOperation, [] { return ArcCosh(0.5L); }),
        Fails("ArcCosh(-1)", sInvalidFPOperation, [] { return ArcCosh(-1); }),
        Fails("ArcCosh(-3)", sInvalidFPOperation, [] { return ArcCosh(-3); }),
        Is("ArcSinh(0)", 0, [] { return ArcSinh(0); }),
        Is("ArcTanh(0)", 0, [] { return ArcTanh(0); }),
        Is("ArcTanh(1)", kInf, [] { return ArcTanh(1); }),
        Is("ArcTanh(-1)", -kInf, [] { return ArcTanh(-1); }),
        Is("ArcTanh(1 - 5e-17)", kInf, [=] { return ArcTanh(justBelowOne); }),
        Fails("ArcTanh(1.5)", sInvalidFPOperation, [] { return ArcTanh(1.5L); }),
        Fails("CotH(0)", sFPDivisionByZero, [] { return CotH(0); }),
        Fails("CotH(1e-17)", sFPDivisionByZero, [] { return CotH(1e-17L); }),
        Is("CotH(20000)", 1, [] { return CotH(20000); }),
        Is("ArcCotH(1)", kInf, [] { return ArcCotH(1); }),
        Is("ArcCotH(-1)", -kInf, [] { return ArcCotH(-1); }),
        Is("ArcCotH(1 - 5e-17)", kInf, [=] { return ArcCotH(justBelowOne); }),
        Fails("ArcCotH(0)", sInvalidFPOperation, [] { return ArcCotH(0); }),
        Fails("ArcCotH(0.5)", sInvalidFPOperation, [] { return ArcCotH(0.5L); }),
        Fails("ArcCotH(-0.5)", sInvalidFPOperation, [] { return ArcCotH(-0.5L); }),
        Is("SecH(0)", 1, [] { return SecH(0); }),
        Is("SecH(20000) underflows silently", 0, [] { return SecH(20000); }),
        Is("ArcSecH(0)", kInf, [] { return ArcSecH(0); }),
        Is("ArcSecH(1)", 0, [] { return ArcSecH(1); }),
        Is("ArcSecH(1 - 5e-17)", 0, [=] { return ArcSecH(justBelowOne); }),
        Fails("ArcSecH(-0.5)", sInvalidFPOperation, [] { return ArcSecH(-0.5L); }),
        Fails("ArcSecH(-1)", sInvalidFPOperation, [] { return ArcSecH(-1); }),
        Fails("ArcSecH(1.5)", sInvalidFPOperation, [] { return ArcSecH(1.5L); }),
        Fails("CscH(0)", sFPDivisionByZero, [] { return CscH(0); }),
        Fails("CscH(1e-17)", sFPDivisionByZero, [] { return CscH(1e-17L); }),
        Is("CscH(20000) underflows silently", 0, [] { return CscH(20000); }),
        Near("ArcCscH(1) = ln(1 + sqrt 2)", std::log1p(std::sqrt(2.0L)), 4,
             [] { return ArcCscH(1); }),
        Fails("ArcCscH(0)", sFPDivisionByZero, [] { return ArcCscH(0); }),
    });
}

TEST(BuiltInAngleConversions, ConvertBetweenUnits)
{
    CheckCases({
        Near("DegToRad(180)", kPi, 1, [] { return DegToRad(180); }),
        Near("RadToDeg(pi)", 180, 1, [] { return RadToDeg(kPi); }),
        Near("DegToGrad(90)", 100, 2, [] { return DegToGrad(90); }),
        Near("GradToDeg(100)", 90, 2, [] { return GradToDeg(100); }),
        Near("GradToRad(200)", kPi, 1, [] { return GradToRad(200); }),
        Near("RadToGrad(pi)", 200, 1, [] { return RadToGrad(kPi); }),
    });
}

TEST(BuiltInStatistics, StatedResultsAndFailures)
{
    struct TStatRow {
        const char* name;
        TFuncList func;
        TDoubleArray values;
        Extended expected;
        std::string_view failure = {};
    };
    const TStatRow rows[] = {
        {"Max(3, 7, 5)", &MaxValue, {3, 7, 5}, 7},
        {"Min(3, 7, 5)", &MinValue, {3, 7, 5}, 3},
        {"Max(-1)", &MaxValue, {-1}, -1},
        {"Mean(1, 2, 3, 4)", &Mean, {1, 2, 3, 4}, 2.5L},
        {"PopnVariance(1, 2, 3, 4)", &PopnVariance, {1, 2, 3, 4}, 1.25L},
        {"Variance(1, 2, 3, 4)", &Variance, {1, 2, 3, 4}, 0xD555555555555555p-63L},
        {"Sum(0.1, 0.2) of the doubles",
         &Sum,
         {0.1, 0.2},
         static_cast<Extended>(0.1) + static_cast<Extended>(0.2)},
        {"Norm(3, 4)", &Norm, {3, 4}, 5},
        {"TotalVariance(2.5)", &TotalVariance, {2.5}, 0},
        {"PopnVariance(2.5)", &PopnVariance, {2.5}, 0},
        {"Variance(2.5)", &Variance, {2.5}, 0, sInvalidFPOperation},
        {"StdDev(2.5)", &StdDev, {2.5}, 0, sInvalidFPOperation},
        {"StdDev of equal values far from 0", &StdDev, {1e9 + 0.1, 1e9 + 0.1, 1e9 + 0.1}, 0},
        {"Sum with a cancelling large pair", &Sum, {0.5, 1e300, 0.25, -1e300}, 0.75L},
        {"Max of nothing", &MaxValue, {}, 0, sInvalidFPOperation},
        {"Min of nothing", &MinValue, {}, 0, sInvalidFPOperation},
        {"RandomFrom nothing", &RandomFrom, {}, 0, sInvalidFPOperation},
    };
    for (const TStatRow& row : rows) {
        SCOPED_TRACE(row.name);
        const TOutcome outcome = OutcomeOf([&] { return row.func(row.values); });
        EXPECT_EQ(outcome.failure, row.failure);
        if (row.failure.empty()) {
            EXPECT_EQ(outcome.value, row.expected) << std::hexfloat << outcome.value;
        }
    }
    EXPECT_NE(Sum({0.1, 0.2}), 0.3L);
}

// ---------------------------------------------------------------------------------------------
// Random numbers

class BuiltInRandom : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSavedSeed = RandSeed();
        SetRandSeed(0);
    }
    void TearDown() override { SetRandSeed(FSavedSeed); }

private:
    std::uint32_t FSavedSeed = 0;
};

TEST_F(BuiltInRandom, FirstDrawsFromSeedZero)
{
    EXPECT_EQ(RandGet(), 0);
    EXPECT_EQ(Random(), 0x1p-32L);
    EXPECT_EQ(RandSeed(), 1u);
    EXPECT_EQ(Random(), 134775814 * 0x1p-32L);
    EXPECT_EQ(Random(), 3698175007.0L * 0x1p-32L);
    EXPECT_EQ(RandGet(), -596792289) << "the seed read as a signed 32-bit integer";
}

TEST_F(BuiltInRandom, RandSetReturnsThePreviousSeedAndKeepsTheLow32Bits)
{
    EXPECT_EQ(RandSet(5), 0);
    EXPECT_EQ(RandGet(), 5);
    EXPECT_EQ(RandSet(-1), 5);
    EXPECT_EQ(RandSeed(), 0xFFFFFFFFu);
    EXPECT_EQ(RandSet(0x1p32L + 7.9L), -1);
    EXPECT_EQ(RandGet(), 7);
    EXPECT_EQ(OutcomeOf([] { return RandSet(1e19L); }).failure, sInvalidFPOperation);
    EXPECT_EQ(RandGet(), 7) << "a failed RandSet keeps the seed";
}

TEST_F(BuiltInRandom, RandomMaxAndRandomFromScaleTheNewSeed)
{
    SetRandSeed(0xFFFFFFFE);
    EXPECT_EQ(RandomMax(10.7L), 9); // new seed 4025415671
    SetRandSeed(0xFFFFFFFE);
    EXPECT_EQ(RandomFrom({10, 20, 30}), 30);
    SetRandSeed(0);
    EXPECT_EQ(RandomFrom({10, 20, 30}), 10);
    SetRandSeed(0);
    EXPECT_EQ(OutcomeOf([] { return RandomMax(1e19L); }).failure, sInvalidFPOperation);
    EXPECT_EQ(RandSeed(), 0u) << "a failed RandomMax does not draw";
}

TEST_F(BuiltInRandom, DrawsStayInRangeAndCoverIt)
{
    std::vector<int> hits(7, 0);
    int fromHits[3] = {0, 0, 0};
    Extended sum = 0;
    for (int i = 0; i < 7000; ++i) {
        const Extended r = Random();
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 1);
        sum += r;
        const Extended m = RandomMax(7);
        ASSERT_GE(m, 0);
        ASSERT_LT(m, 7);
        ++hits[static_cast<std::size_t>(m)];
        const Extended f = RandomFrom({0, 1, 2});
        ++fromHits[static_cast<int>(f)];
    }
    EXPECT_NEAR(static_cast<double>(sum / 7000), 0.5, 0.02);
    for (const int h : hits)
        EXPECT_NEAR(h, 1000, 150);
    for (const int h : fromHits)
        EXPECT_NEAR(h, 2333, 250);
}

TEST_F(BuiltInRandom, RandGIsNormalWithTheGivenMeanAndDeviation)
{
    constexpr int kDraws = 20000;
    Extended sum = 0;
    Extended sumSq = 0;
    for (int i = 0; i < kDraws; ++i) {
        const Extended r = RandG(10, 2);
        sum += r;
        sumSq += r * r;
    }
    const Extended mean = sum / kDraws;
    const Extended deviation = std::sqrt(sumSq / kDraws - mean * mean);
    EXPECT_NEAR(static_cast<double>(mean), 10, 0.1);
    EXPECT_NEAR(static_cast<double>(deviation), 2, 0.1);
}

TEST_F(BuiltInRandom, RandomizeSeedsFromTheClock)
{
    const auto before = std::chrono::steady_clock::now().time_since_epoch().count();
    const Extended result = Randomize();
    const auto after = std::chrono::steady_clock::now().time_since_epoch().count();
    EXPECT_EQ(result, RandGet());
    const std::uint32_t sinceBefore = RandSeed() - static_cast<std::uint32_t>(before);
    EXPECT_LE(sinceBefore, static_cast<std::uint64_t>(after - before));
}

// ---------------------------------------------------------------------------------------------
// Through the evaluator and the parser

Extended EvaluateBuiltIn(std::string_view name, std::vector<Extended> args, TAngleMode mode)
{
    std::unique_ptr<TCustomFuncEvaluator> evaluator;
    if (!ParserDefinitions().FindFunction(name, evaluator))
        throw EException("unknown function");
    const bool variadic = evaluator->ArgCount() < 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (variadic)
            evaluator->SetArgCount(static_cast<int>(i + 1));
        evaluator->SetArg(static_cast<int>(i), args[i]);
    }
    return evaluator->Evaluate(mode);
}

TEST(BuiltInEvaluator, AppliesTheAngleModeToArgumentsAndResults)
{
    test::EnsureBuiltIns();
    using enum TAngleMode;
    struct TAngleRow {
        const char* name;
        std::vector<Extended> args;
        TAngleMode mode;
        Extended expected;
        Extended ulps;
    };
    const TAngleRow rows[] = {
        {"sin", {30}, amDeg, 0.5L, 2},
        {"sin", {30}, amRad, std::sin(30.0L), 0},
        {"sin", {50}, amGrad, std::sqrt(0.5L), 2},
        {"cos", {60}, amDeg, 0.5L, 4},
        {"ArcSin", {1}, amDeg, 90, 1},
        {"ArcSin", {1}, amGrad, 100, 1},
        {"ArcSin", {1}, amRad, kPi / 2, 0},
        {"ArcCot", {0}, amDeg, 90, 1},
        {"ArcSec", {0}, amDeg, kInf, 0},
        {"Cosh", {0}, amDeg, 1, 0},
        {"DegToRad", {180}, amGrad, kPi, 1},
        {"Max", {3, 7, 5}, amDeg, 7, 0},
        {"Sum", {0.1L, 0.2L}, amDeg, static_cast<Extended>(0.1) + static_cast<Extended>(0.2), 0},
        {"Log", {2, 8}, amDeg, 3, 0},
    };
    for (const TAngleRow& row : rows) {
        SCOPED_TRACE(row.name);
        const TOutcome outcome =
            OutcomeOf([&] { return EvaluateBuiltIn(row.name, row.args, row.mode); });
        ASSERT_EQ(outcome.failure, "");
        EXPECT_LE(UlpDistance(outcome.value, row.expected), row.ulps)
            << std::hexfloat << outcome.value;
    }
}

class BuiltInExpressions : public test::TRegistryFixture {
protected:
    void SetUp() override
    {
        TRegistryFixture::SetUp();
        FSavedSeed = RandSeed();
    }
    void TearDown() override
    {
        SetRandSeed(FSavedSeed);
        TRegistryFixture::TearDown();
    }

private:
    std::uint32_t FSavedSeed = 0;
};

TEST_F(BuiltInExpressions, EvaluateInEachAngleMode)
{
    using enum TAngleMode;
    struct TExprRow {
        const char* expr;
        TAngleMode mode;
        Extended expected;
    };
    const TExprRow rows[] = {
        {"sin(30)", amDeg, 0.5L},
        {"SIN(30)", amRad, std::sin(30.0L)},
        {"ArcSin(1)", amDeg, 90},
        {"arcsin(1)", amGrad, 100},
        {"ArcCot(0)", amDeg, 90},
        {"Pi", amDeg, kPi},
        {"Pi", amGrad, kPi},
        {"Log(2, 8)", amDeg, 3},
        {"Root(27, 3)", amDeg, 3},
        {"Power(0, 5)", amDeg, 0},
        {"Power(-2, 3)", amDeg, -8},
        {"Round(0.5) + Round(1.5)", amDeg, 2},
        {"Max(3, 7, 5)", amDeg, 7},
        {"Mean(1, 2, 3, 4)", amDeg, 2.5L},
        {"Variance(1, 2, 3, 4)", amDeg, 5.0L / 3},
        {"GCD(12, 18)", amDeg, 6},
        {"Fact(5)", amDeg, 120},
        {"ArcCscH(1)", amDeg, 0.881373587019543025232L},
    };
    for (const TExprRow& row : rows) {
        SCOPED_TRACE(row.expr);
        TExpressionParser parser;
        parser.SetAngleMode(row.mode);
        ASSERT_TRUE(parser.TryEvaluate(row.expr)) << parser.GetErrorMessage();
        EXPECT_TRUE(SameValueTol(parser.Value(), row.expected)) << parser.Value();
    }
}

TEST_F(BuiltInExpressions, FailuresReachTheUserAsMessages)
{
    struct TFailRow {
        const char* expr;
        std::string_view message;
    };
    const TFailRow rows[] = {
        {"Root(-8, 3)", sInvalidFPOperation}, {"Power(0, 0)", sZeroPowerZero},
        {"GCD(0, 5)", sIntDivisionByZero},    {"Ln(0)", sFPDivisionByZero},
        {"Ln(-1)", sInvalidFPOperation},      {"Exp(20000)", sFPOverflow},
        {"cotan(0)", sFPDivisionByZero},      {"Variance(1)", sInvalidFPOperation},
        {"Trunc(1e19)", sInvalidFPOperation}, {"Factorial(2000)", sFPOverflow},
    };
    for (const TFailRow& row : rows) {
        SCOPED_TRACE(row.expr);
        TExpressionParser parser;
        ASSERT_FALSE(parser.TryEvaluate(row.expr));
        EXPECT_EQ(parser.ErrorCode(), ceMessage);
        EXPECT_EQ(parser.ErrorArg(), row.message);
    }
}

TEST_F(BuiltInExpressions, RandomDrawsShareOneSeed)
{
    TExpressionParser parser;
    SetRandSeed(0);
    ASSERT_TRUE(parser.TryEvaluate("RandGet()"));
    EXPECT_EQ(parser.Value(), 0);
    ASSERT_TRUE(parser.TryEvaluate("Random()"));
    EXPECT_EQ(parser.Value(), 0x1p-32L);
    ASSERT_TRUE(parser.TryEvaluate("RandSet(5)"));
    EXPECT_EQ(parser.Value(), 1);
    ASSERT_TRUE(parser.TryEvaluate("RandGet()"));
    EXPECT_EQ(parser.Value(), 5);
}

} // namespace
} // namespace calc
