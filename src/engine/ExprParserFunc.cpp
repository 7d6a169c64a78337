#include "engine/ExprParserFunc.h"

#include "engine/ExprParser.h"

#include <chrono>
#include <cmath>
#include <limits>

namespace calc {

namespace {

constexpr Extended kInfinity = std::numeric_limits<Extended>::infinity();
constexpr Extended kPiDiv2 = kPi / 2;
/// Beyond this magnitude e^-2|x| is far below one unit in the last place of 1.
constexpr Extended kHyperbolicTail = 64;

std::uint32_t gRandSeed = 0;

std::uint32_t NextSeed() noexcept
{
    gRandSeed = gRandSeed * 134775813u + 1u;
    return gRandSeed;
}

/// The low 32 bits of the integer part; outside the 64-bit range fails like Trunc.
std::uint32_t Low32(Extended x)
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(CheckedTrunc(x)));
}

Extended AsSigned32(std::uint32_t value) noexcept
{
    return static_cast<std::int32_t>(value);
}

/// Remainder with the sign of the dividend; a divisor of -1 always leaves 0 (the hardware
/// division would trap on the smallest 64-bit value).
std::int64_t Rem(std::int64_t dividend, std::int64_t divisor) noexcept
{
    return divisor == -1 ? 0 : dividend % divisor;
}

void RequireElements(const builtin::TValues& values)
{
    if (values.empty())
        throw EMathError(sInvalidFPOperation);
}

/// Adds up with a running compensation (Neumaier), so a large term that cancels later does
/// not swallow the small ones added while it was in the sum.
class TCompensatedSum {
public:
    void Add(Extended term) noexcept
    {
        const Extended t = FSum + term;
        if (std::fabs(FSum) >= std::fabs(term))
            FCompensation += (FSum - t) + term;
        else
            FCompensation += (term - t) + FSum;
        FSum = t;
    }
    [[nodiscard]] Extended Value() const noexcept { return FSum + FCompensation; }

private:
    Extended FSum = 0;
    Extended FCompensation = 0;
};

/// √(x² − 1) for |x| ≥ 1, without squaring: exact where x is near ±1, no overflow for huge x.
Extended SqrtSquareMinusOne(Extended x)
{
    const Extended a = std::fabs(x);
    return std::sqrt(a - 1) * std::sqrt(a + 1);
}

} // namespace

std::uint32_t RandSeed() noexcept
{
    return gRandSeed;
}

void SetRandSeed(std::uint32_t seed) noexcept
{
    gRandSeed = seed;
}

namespace builtin {

// Rounding and integer functions.

Extended Abs(Extended x)
{
    return std::fabs(x);
}

// Ceil and Floor keep the whole 64-bit integer part instead of wrapping it to 32 bits; beyond
// the 64-bit range they fail like Trunc.
Extended Ceil(Extended x)
{
    const Extended whole = static_cast<Extended>(CheckedTrunc(x));
    return x - whole > 0 ? whole + 1 : whole;
}

Extended Floor(Extended x)
{
    const Extended whole = static_cast<Extended>(CheckedTrunc(x));
    return x - whole < 0 ? whole - 1 : whole;
}

Extended Frac(Extended x)
{
    return x - Int(x);
}

Extended Int(Extended x)
{
    const Extended whole = std::trunc(x);
    return whole == 0 ? 0 : whole; // no negative zero for -0.5
}

Extended Round(Extended x)
{
    // The rounding mode is always to nearest, so halves go to the even neighbour.
    const Extended nearest = std::nearbyint(x);
    return static_cast<Extended>(CheckedTrunc(nearest));
}

Extended Trunc(Extended x)
{
    return static_cast<Extended>(CheckedTrunc(x));
}

Extended Factorial(Extended x)
{
    Extended r = 1;
    while (x > 1) {
        r *= x;
        x -= 1;
        // Once infinite the product stays so; stopping also ends the loop for huge x,
        // where subtracting 1 no longer changes x.
        if (std::isinf(r))
            break;
    }
    return r;
}

Extended Fibo(Extended x)
{
    if (x <= 1)
        return x;
    // The full 64-bit count: wrapped to 32 bits, 2^32 + 3 would give Fibo(3).
    const std::int64_t m = CheckedTrunc(x);
    Extended p = 0;
    Extended q = 1;
    Extended t = 0;
    for (std::int64_t i = 1; i < m; ++i) {
        t = p + q;
        p = q;
        q = t;
        if (std::isinf(t))
            break; // overflowed; the rest of the loop cannot change the result
    }
    return t;
}

Extended GCD(Extended x, Extended y)
{
    std::int64_t p = CheckedTrunc(x);
    std::int64_t q = CheckedTrunc(y);
    if (p == 0)
        throw EMathError(sIntDivisionByZero);
    std::int64_t r = Rem(q, p);
    while (r != 0) {
        q = p;
        p = r;
        r = Rem(q, p);
    }
    return static_cast<Extended>(p);
}

// Powers, roots and logarithms.

Extended Exp(Extended x)
{
    return std::exp(x);
}

Extended Lg(Extended x)
{
    return std::log10(x);
}

Extended Ln(Extended x)
{
    return std::log(x);
}

Extended LnXP1(Extended x)
{
    return std::log1p(x);
}

Extended Log(Extended base, Extended y)
{
    return std::log2(y) / std::log2(base);
}

Extended Log2(Extended x)
{
    return std::log2(x);
}

Extended Power(Extended x, Extended y)
{
    return calc::Power(x, y);
}

Extended Root(Extended x, Extended y)
{
    return PowerRule(x, 1 / y);
}

Extended Sqr(Extended x)
{
    return x * x;
}

Extended Sqrt(Extended x)
{
    return std::sqrt(x);
}

// Trigonometric functions.

Extended Sin(Extended x)
{
    return std::sin(x);
}

Extended ArcSin(Extended x)
{
    // (1 − x)(1 + x) rather than 1 − x², which loses the low bits near ±1.
    return std::atan2(x, std::sqrt((1 - x) * (1 + x)));
}

Extended Cos(Extended x)
{
    return std::cos(x);
}

Extended ArcCos(Extended x)
{
    return std::atan2(std::sqrt((1 + x) * (1 - x)), x);
}

Extended Tan(Extended x)
{
    return std::tan(x);
}

Extended ArcTan(Extended x)
{
    return std::atan(x);
}

Extended Cotan(Extended x)
{
    return 1 / std::tan(x);
}

Extended ArcCot(Extended x)
{
    return IsZeroValue(x) ? kPiDiv2 : std::atan(1 / x);
}

Extended Sec(Extended x)
{
    return 1 / std::cos(x);
}

Extended ArcSec(Extended x)
{
    if (IsZeroValue(x))
        return kInfinity;
    // ArcCos(1/x) with both atan2 operands scaled by |x|: rounding 1/x would cost many bits
    // near ±1, where ArcCos is steep.
    return std::atan2(SqrtSquareMinusOne(x), x < 0 ? -1.0L : 1.0L);
}

Extended Csc(Extended x)
{
    return 1 / std::sin(x);
}

Extended ArcCsc(Extended x)
{
    if (IsZeroValue(x))
        return kInfinity;
    // ArcSin(1/x) scaled by |x| as in ArcSec.
    return std::atan2(x < 0 ? -1.0L : 1.0L, SqrtSquareMinusOne(x));
}

// Hyperbolic functions. The library routines compute the same values as the textbook
// formulas in e^x without their cancellation near 0 or their early overflow.

Extended Cosh(Extended x)
{
    return IsZeroValue(x) ? 1 : std::cosh(x);
}

Extended ArcCosh(Extended x)
{
    return std::acosh(x);
}

Extended Sinh(Extended x)
{
    return IsZeroValue(x) ? 0 : std::sinh(x);
}

Extended ArcSinh(Extended x)
{
    return std::asinh(x);
}

Extended Tanh(Extended x)
{
    return IsZeroValue(x) ? 0 : std::tanh(x);
}

Extended ArcTanh(Extended x)
{
    if (SameValueTol(x, 1))
        return kInfinity;
    if (SameValueTol(x, -1))
        return -kInfinity;
    return std::atanh(x);
}

Extended CotH(Extended x)
{
    return 1 / Tanh(x);
}

Extended ArcCotH(Extended x)
{
    if (SameValueTol(x, 1))
        return kInfinity;
    if (SameValueTol(x, -1))
        return -kInfinity;
    // ½·ln((a + 1)/(a − 1)) = ½·ln(1 + 2/(a − 1)), odd in x; inside (−1, 1) the argument of
    // log1p drops below −1 and the result is invalid.
    const Extended a = std::fabs(x);
    const Extended r = std::log1p(2 / (a - 1)) / 2;
    return x < 0 ? -r : r;
}

Extended SecH(Extended x)
{
    const Extended a = std::fabs(x);
    if (a > kHyperbolicTail)
        return 2 * std::exp(-a); // cosh would overflow where the result merely underflows
    return 1 / Cosh(x);
}

Extended ArcSecH(Extended x)
{
    if (IsZeroValue(x))
        return kInfinity;
    if (SameValueTol(x, 1))
        return 0;
    // ln((√(1 − x²) + 1)/x) = ln(1 + (√(1 − x²) + 1 − x)/x); the sum of positive terms keeps
    // the low bits that the quotient near 1 would lose. x < 0 gives log1p below −1, |x| > 1 a
    // negative square root: both invalid.
    const Extended s = std::sqrt((1 - x) * (1 + x));
    return std::log1p((s + (1 - x)) / x);
}

Extended CscH(Extended x)
{
    const Extended a = std::fabs(x);
    if (a > kHyperbolicTail) {
        const Extended r = 2 * std::exp(-a); // as in SecH
        return x < 0 ? -r : r;
    }
    return 1 / Sinh(x);
}

Extended ArcCscH(Extended x)
{
    // ln(1/x + √(1/x² + 1)) is ArcSinh(1/x); the library routine neither cancels for x < 0
    // nor overflows in 1/x² for tiny x.
    return std::asinh(1 / x);
}

// Angle conversions.

Extended DegToRad(Extended x)
{
    return x * kPiDiv180;
}

Extended DegToGrad(Extended x)
{
    return (x * kPiDiv180) * k200DivPi;
}

Extended RadToDeg(Extended x)
{
    return x * k180DivPi;
}

Extended RadToGrad(Extended x)
{
    return x * k200DivPi;
}

Extended GradToDeg(Extended x)
{
    return (x * kPiDiv200) * k180DivPi;
}

Extended GradToRad(Extended x)
{
    return x * kPiDiv200;
}

// Random numbers.

Extended RandGet()
{
    return AsSigned32(gRandSeed);
}

Extended Random()
{
    return static_cast<Extended>(NextSeed()) * 0x1p-32L;
}

Extended RandG(Extended mean, Extended deviation)
{
    Extended u;
    Extended s;
    do {
        u = 2 * Random() - 1;
        const Extended v = 2 * Random() - 1;
        s = u * u + v * v;
    } while (s >= 1 || s == 0); // the generator cannot give s = 0; the guard keeps ln(s) safe
    return std::sqrt(-2 * std::log(s) / s) * u * deviation + mean;
}

Extended Randomize()
{
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    gRandSeed = static_cast<std::uint32_t>(ticks);
    return AsSigned32(gRandSeed);
}

Extended RandomMax(Extended x)
{
    const std::uint64_t range = Low32(x); // checked before the generator moves
    const std::uint64_t product = static_cast<std::uint64_t>(NextSeed()) * range;
    return AsSigned32(static_cast<std::uint32_t>(product >> 32));
}

Extended RandSet(Extended x)
{
    const std::uint32_t seed = Low32(x);
    const Extended previous = AsSigned32(gRandSeed);
    gRandSeed = seed;
    return previous;
}

Extended RandomFrom(const TValues& values)
{
    RequireElements(values);
    const std::uint64_t index = (static_cast<std::uint64_t>(NextSeed()) * values.size()) >> 32;
    return values[index];
}

// Statistics over a list.

Extended MaxValue(const TValues& values)
{
    RequireElements(values);
    double result = values.front();
    for (const double x : values)
        if (x > result)
            result = x;
    return result;
}

Extended MinValue(const TValues& values)
{
    RequireElements(values);
    double result = values.front();
    for (const double x : values)
        if (x < result)
            result = x;
    return result;
}

Extended Mean(const TValues& values)
{
    return Sum(values) / static_cast<Extended>(values.size());
}

Extended Norm(const TValues& values)
{
    return std::sqrt(SumOfSquares(values));
}

Extended PopnStdDev(const TValues& values)
{
    return std::sqrt(PopnVariance(values));
}

Extended PopnVariance(const TValues& values)
{
    return TotalVariance(values) / static_cast<Extended>(values.size());
}

Extended StdDev(const TValues& values)
{
    return std::sqrt(Variance(values));
}

Extended Sum(const TValues& values)
{
    TCompensatedSum sum;
    for (const double x : values)
        sum.Add(x);
    return sum.Value();
}

Extended SumOfSquares(const TValues& values)
{
    TCompensatedSum sum;
    for (const double x : values)
        sum.Add(static_cast<Extended>(x) * x);
    return sum.Value();
}

Extended TotalVariance(const TValues& values)
{
    // The sum of squared deviations from the mean equals SumOfSquares − Sum²/n but does not
    // cancel away when the values lie far from 0; the second term corrects the rounding of
    // the mean. An empty list divides 0 by 0.
    const Extended n = static_cast<Extended>(values.size());
    const Extended mean = Sum(values) / n;
    Extended sumDev = 0;
    Extended sumSq = 0;
    for (const double x : values) {
        const Extended d = x - mean;
        sumDev += d;
        sumSq += d * d;
    }
    const Extended total = sumSq - sumDev * sumDev / n;
    return total < 0 ? 0 : total;
}

Extended Variance(const TValues& values)
{
    // A single value divides 0 by 0, which is invalid.
    return TotalVariance(values) / (static_cast<Extended>(values.size()) - 1);
}

} // namespace builtin

} // namespace calc
