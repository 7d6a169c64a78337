#pragma once

#include "engine/ExprParserTypes.h"

#include <cstdint>
#include <vector>

namespace calc {

/// The seed shared by every random routine; 0 at program start.
[[nodiscard]] std::uint32_t RandSeed() noexcept;
void SetRandSeed(std::uint32_t seed) noexcept;

/// The built-in routines. Angles are in radians; domain and range faults are left to the
/// floating-point status flags, integer-range faults throw EMathError.
namespace builtin {

using TValues = std::vector<double>;

// Rounding and integer functions.
Extended Abs(Extended x);
Extended Ceil(Extended x);
Extended Floor(Extended x);
Extended Frac(Extended x);
Extended Int(Extended x);
Extended Round(Extended x);
Extended Trunc(Extended x);
Extended Factorial(Extended x);
Extended Fibo(Extended x);
Extended GCD(Extended x, Extended y);

// Powers, roots and logarithms.
Extended Exp(Extended x);
Extended Lg(Extended x);
Extended Ln(Extended x);
Extended LnXP1(Extended x);
Extended Log(Extended base, Extended y);
Extended Log2(Extended x);
Extended Power(Extended x, Extended y);
Extended Root(Extended x, Extended y);
Extended Sqr(Extended x);
Extended Sqrt(Extended x);

// Trigonometric functions.
Extended Sin(Extended x);
Extended ArcSin(Extended x);
Extended Cos(Extended x);
Extended ArcCos(Extended x);
Extended Tan(Extended x);
Extended ArcTan(Extended x);
Extended Cotan(Extended x);
Extended ArcCot(Extended x);
Extended Sec(Extended x);
Extended ArcSec(Extended x);
Extended Csc(Extended x);
Extended ArcCsc(Extended x);

// Hyperbolic functions.
Extended Cosh(Extended x);
Extended ArcCosh(Extended x);
Extended Sinh(Extended x);
Extended ArcSinh(Extended x);
Extended Tanh(Extended x);
Extended ArcTanh(Extended x);
Extended CotH(Extended x);
Extended ArcCotH(Extended x);
Extended SecH(Extended x);
Extended ArcSecH(Extended x);
Extended CscH(Extended x);
Extended ArcCscH(Extended x);

// Angle conversions.
Extended DegToRad(Extended x);
Extended DegToGrad(Extended x);
Extended RadToDeg(Extended x);
Extended RadToGrad(Extended x);
Extended GradToDeg(Extended x);
Extended GradToRad(Extended x);

// Random numbers.
Extended RandGet();
Extended Random();
Extended RandG(Extended mean, Extended deviation);
Extended Randomize();
Extended RandomMax(Extended x);
Extended RandSet(Extended x);
Extended RandomFrom(const TValues& values);

// Statistics over a list.
Extended MaxValue(const TValues& values);
Extended MinValue(const TValues& values);
Extended Mean(const TValues& values);
Extended Norm(const TValues& values);
Extended PopnStdDev(const TValues& values);
Extended PopnVariance(const TValues& values);
Extended StdDev(const TValues& values);
Extended Sum(const TValues& values);
Extended SumOfSquares(const TValues& values);
Extended TotalVariance(const TValues& values);
Extended Variance(const TValues& values);

} // namespace builtin

} // namespace calc
