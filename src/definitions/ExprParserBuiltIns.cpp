#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParserFunc.h"

#include <initializer_list>
#include <string_view>
#include <type_traits>

namespace calc {

static_assert(std::is_same_v<builtin::TValues, TDoubleArray>);

void RegisterBuiltIns(TParserDefinitions& defs)
{
    using enum TBuiltInFuncKind;
    using enum TAngleDependence;
    using TNames = std::initializer_list<std::string_view>;
    const auto none = [&defs](TFuncNoArgs f, TNames names) {
        defs.RegisterFunction(f, names, bfkNoArgs, adNone);
    };
    const auto one = [&defs](TFuncOneArg f, TNames names, TAngleDependence angle = adNone) {
        defs.RegisterFunction(f, names, bfkOneArg, angle);
    };
    const auto two = [&defs](TFuncTwoArgs f, TNames names) {
        defs.RegisterFunction(f, names, bfkTwoArgs, adNone);
    };
    const auto list = [&defs](TFuncList f, TNames names) {
        defs.RegisterFunction(f, names, bfkList, adNone);
    };

    defs.RegisterConstant("Pi", kPi);

    one(&builtin::Abs, {"Abs"});
    one(&builtin::Ceil, {"Ceil"});
    one(&builtin::Floor, {"Floor"});
    one(&builtin::Frac, {"Frac"});
    one(&builtin::Int, {"Int"});
    one(&builtin::Round, {"Round"});
    one(&builtin::Trunc, {"Trunc"});
    one(&builtin::Factorial, {"Factorial", "Fact"});
    one(&builtin::Fibo, {"Fibo"});
    two(&builtin::GCD, {"GCD"});

    one(&builtin::Exp, {"Exp"});
    one(&builtin::Lg, {"Lg", "Log10"});
    one(&builtin::Ln, {"Ln"});
    one(&builtin::LnXP1, {"LnXP1"});
    two(&builtin::Log, {"Log", "LogN"});
    one(&builtin::Log2, {"Log2"});
    two(&builtin::Power, {"Power"});
    two(&builtin::Root, {"Root"});
    one(&builtin::Sqr, {"SQR", "Square"});
    one(&builtin::Sqrt, {"Sqrt"});

    one(&builtin::Sin, {"sin"}, adArgument);
    one(&builtin::ArcSin, {"ArcSin"}, adResult);
    one(&builtin::Cos, {"cos"}, adArgument);
    one(&builtin::ArcCos, {"ArcCos"}, adResult);
    one(&builtin::Tan, {"tan", "tg"}, adArgument);
    one(&builtin::ArcTan, {"ArcTan", "arctg"}, adResult);
    one(&builtin::Cotan, {"cotan", "cot", "ctg", "ctan"}, adArgument);
    one(&builtin::ArcCot, {"ArcCot", "arcctg", "arcctan", "arccotan"}, adResult);
    one(&builtin::Sec, {"sec", "Secant"}, adArgument);
    one(&builtin::ArcSec, {"ArcSec"}, adResult);
    one(&builtin::Csc, {"csc", "CoSecant"}, adArgument);
    one(&builtin::ArcCsc, {"ArcCsc"}, adResult);

    one(&builtin::Cosh, {"Cosh", "ch"});
    one(&builtin::ArcCosh, {"ArcCosh", "arch"});
    one(&builtin::Sinh, {"Sinh", "sh"});
    one(&builtin::ArcSinh, {"ArcSinh", "arsh"});
    one(&builtin::Tanh, {"Tanh", "th"});
    one(&builtin::ArcTanh, {"ArcTanh", "arth"});
    one(&builtin::CotH, {"CotH", "cth"});
    one(&builtin::ArcCotH, {"ArcCotH", "arcth"});
    one(&builtin::SecH, {"SecH", "sch"});
    one(&builtin::ArcSecH, {"ArcSecH", "arsch"});
    one(&builtin::CscH, {"CscH", "csch"});
    one(&builtin::ArcCscH, {"ArcCscH", "arcsch"});

    one(&builtin::DegToRad, {"DegToRad", "D2R"});
    one(&builtin::DegToGrad, {"DegToGrad", "D2G"});
    one(&builtin::RadToDeg, {"RadToDeg", "R2D"});
    one(&builtin::RadToGrad, {"RadToGrad", "R2G"});
    one(&builtin::GradToDeg, {"GradToDeg", "G2D"});
    one(&builtin::GradToRad, {"GradToRad", "G2R"});

    none(&builtin::RandGet, {"RandGet"});
    none(&builtin::Random, {"Random"});
    two(&builtin::RandG, {"RandG"});
    none(&builtin::Randomize, {"Randomize"});
    one(&builtin::RandomMax, {"RandomMax"});
    one(&builtin::RandSet, {"RandSet"});
    list(&builtin::RandomFrom, {"RandomFrom"});

    list(&builtin::MaxValue, {"MaxValue", "Max"});
    list(&builtin::MinValue, {"MinValue", "Min"});
    list(&builtin::Mean, {"Mean"});
    list(&builtin::Norm, {"Norm"});
    list(&builtin::PopnStdDev, {"PopnStdDev"});
    list(&builtin::PopnVariance, {"PopnVariance"});
    list(&builtin::StdDev, {"StdDev"});
    list(&builtin::Sum, {"Sum"});
    list(&builtin::SumOfSquares, {"SumOfSquares"});
    list(&builtin::TotalVariance, {"TotalVariance"});
    list(&builtin::Variance, {"Variance"});
}

} // namespace calc
