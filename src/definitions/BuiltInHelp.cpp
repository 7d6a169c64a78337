#include "definitions/BuiltInHelp.h"

#include "engine/ExprParserTypes.h"

#include <algorithm>
#include <array>

namespace calc {

namespace {

constexpr std::string_view kList = "x1, x2, ...";

constexpr auto kHelp = std::to_array<TBuiltInHelp>({
    {"Abs", "x", "Absolute value of x."},
    {"Ceil", "x", "Smallest integer not below x (32-bit range)."},
    {"Floor", "x", "Largest integer not above x (32-bit range)."},
    {"Frac", "x", "Fractional part of x, with the sign of x."},
    {"Int", "x", "x truncated toward zero, without range limit."},
    {"Round", "x", "Nearest integer; halves go to the even neighbour (2.5 gives 2)."},
    {"Trunc", "x", "x truncated toward zero (64-bit range)."},
    {"Factorial", "x", "x! for whole numbers; x(x-1)(x-2)... down to the last factor above 1."},
    {"Fibo", "x", "The Fibonacci number with index x (10 gives 55)."},
    {"GCD", "x, y", "Greatest common divisor of the integer parts of x and y."},
    {"Exp", "x", "e raised to the power x."},
    {"Lg", "x", "Base-10 logarithm."},
    {"Ln", "x", "Natural logarithm."},
    {"LnXP1", "x", "ln(1 + x), exact also for very small x."},
    {"Log", "x, y", "Logarithm of y to the base x."},
    {"Log2", "x", "Base-2 logarithm."},
    {"Power", "x, y", "x raised to the power y, as x^y."},
    {"Root", "x, y", "The y-th root of x: x raised to 1/y."},
    {"SQR", "x", "Square of x."},
    {"Sqrt", "x", "Square root of x."},
    {"sin", "x", "Sine."},
    {"ArcSin", "x", "Inverse sine."},
    {"cos", "x", "Cosine."},
    {"ArcCos", "x", "Inverse cosine."},
    {"tan", "x", "Tangent."},
    {"ArcTan", "x", "Inverse tangent."},
    {"cotan", "x", "Cotangent, 1/tan x."},
    {"ArcCot", "x", "Inverse cotangent."},
    {"sec", "x", "Secant, 1/cos x."},
    {"ArcSec", "x", "Inverse secant."},
    {"csc", "x", "Cosecant, 1/sin x."},
    {"ArcCsc", "x", "Inverse cosecant."},
    {"Cosh", "x", "Hyperbolic cosine."},
    {"ArcCosh", "x", "Inverse hyperbolic cosine."},
    {"Sinh", "x", "Hyperbolic sine."},
    {"ArcSinh", "x", "Inverse hyperbolic sine."},
    {"Tanh", "x", "Hyperbolic tangent."},
    {"ArcTanh", "x", "Inverse hyperbolic tangent."},
    {"CotH", "x", "Hyperbolic cotangent."},
    {"ArcCotH", "x", "Inverse hyperbolic cotangent."},
    {"SecH", "x", "Hyperbolic secant."},
    {"ArcSecH", "x", "Inverse hyperbolic secant."},
    {"CscH", "x", "Hyperbolic cosecant."},
    {"ArcCscH", "x", "Inverse hyperbolic cosecant."},
    {"DegToRad", "x", "Degrees to radians."},
    {"DegToGrad", "x", "Degrees to grads."},
    {"RadToDeg", "x", "Radians to degrees."},
    {"RadToGrad", "x", "Radians to grads."},
    {"GradToDeg", "x", "Grads to degrees."},
    {"GradToRad", "x", "Grads to radians."},
    {"RandGet", "", "The random generator's current seed."},
    {"Random", "", "A random number from 0 up to, not including, 1."},
    {"RandG", "x, y", "A normally distributed random number with mean x and deviation y."},
    {"Randomize", "", "Seeds the random generator from the clock; gives the new seed."},
    {"RandomMax", "x", "A random integer from 0 to x - 1."},
    {"RandSet", "x", "Sets the random generator's seed to x; gives the seed before."},
    {"RandomFrom", kList, "One of the arguments, chosen at random."},
    {"MaxValue", kList, "Largest argument."},
    {"MinValue", kList, "Smallest argument."},
    {"Mean", kList, "Arithmetic mean."},
    {"Norm", kList, "Euclidean norm: square root of the sum of squares."},
    {"PopnStdDev", kList, "Population standard deviation."},
    {"PopnVariance", kList, "Population variance."},
    {"StdDev", kList, "Sample standard deviation."},
    {"Sum", kList, "Sum of the arguments."},
    {"SumOfSquares", kList, "Sum of the squares of the arguments."},
    {"TotalVariance", kList, "Sum of the squared deviations from the mean."},
    {"Variance", kList, "Sample variance (needs two arguments or more)."},
});

/// The number of arguments the guide's argument text names; -1 for a list.
int ArgumentCount(std::string_view arguments) noexcept
{
    if (arguments.empty())
        return 0;
    if (arguments.ends_with("..."))
        return -1;
    return 1 + static_cast<int>(std::count(arguments.begin(), arguments.end(), ','));
}

} // namespace

std::span<const TBuiltInHelp> BuiltInHelpTable() noexcept
{
    return kHelp;
}

std::vector<TBuiltInDoc> DescribeBuiltIns(const TParserDefinitions& definitions)
{
    std::vector<TBuiltInDoc> docs;
    const TBuiltInFuncRec* previous = nullptr;
    for (int i = 0; i < definitions.FunctionCount(); ++i) {
        const TBuiltInFuncRec& rec = definitions.FunctionRecs(i);
        if (&rec == previous) {
            docs.back().Names.push_back(definitions.FunctionNames(i));
            continue;
        }
        previous = &rec;
        docs.push_back({{definitions.FunctionNames(i)}, rec.Kind, rec.AngleDependence, {}, {}});
    }
    if (docs.size() != kHelp.size())
        throw EException(Format("%d built-in functions but %d descriptions",
                                static_cast<int>(docs.size()), static_cast<int>(kHelp.size())));
    for (std::size_t i = 0; i < docs.size(); ++i) {
        TBuiltInDoc& doc = docs[i];
        const TBuiltInHelp& help = kHelp[i];
        if (doc.Names.front() != help.Name)
            throw EException(Format("built-in function %s is described as %.*s",
                                    doc.Names.front().c_str(), static_cast<int>(help.Name.size()),
                                    help.Name.data()));
        if (ArgumentCount(help.Arguments) != ArgCountOfKind(doc.Kind))
            throw EException(
                Format("the arguments of %s are described as \"%.*s\"", doc.Names.front().c_str(),
                       static_cast<int>(help.Arguments.size()), help.Arguments.data()));
        doc.Arguments = help.Arguments;
        doc.Description = help.Description;
    }
    return docs;
}

} // namespace calc
