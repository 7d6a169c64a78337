#pragma once

#include "engine/ExprParserTypes.h"

#include <string>

namespace calc {

/// The general number text: rounded to precision significant digits, trailing zeros dropped,
/// scientific when the exponent is above precision or below -3, with at least expDigits exponent
/// digits. Non-finite values give "NAN", "INF" and "-INF".
[[nodiscard]] std::string FloatToTextGeneral(Extended value, int precision, int expDigits,
                                             char decimalSeparator);

/// Where a value written into an expression turns scientific, as the decimal format does.
inline constexpr int kExpressionTextPrecision = 15;

/// The value as a decimal literal that the expression parser reads back as exactly the same
/// value: the fewest significant digits that do, the given decimal separator ('\0' for none:
/// the digits then take an exponent), no digit grouping, integers of the 64-bit range in full.
/// Empty for a value that is not finite, which no literal stands for.
[[nodiscard]] std::string ExpressionValueText(Extended value, char decimalSeparator);

/// Decimal digits of |value| without trailing zeros, and the exponent E such that
/// |value| = 0.d1d2... * 10^E. Zero (also a value rounded away) gives no digits.
struct TDecimalDigits {
    std::string Digits;
    int Exponent = 0;
    bool Negative = false;
};

/// Texts show at most 18 significant digits: the value's 18-digit decimal form, correctly
/// rounded, is what every shorter precision is rounded half up from.
inline constexpr int kMaxDecimalPrecision = 18;

/// |value| rounded half up to precision (1..18) significant digits. Value must be finite.
[[nodiscard]] TDecimalDigits ToDecimalDigits(Extended value, int precision);

/// |value| rounded half up to decimals places after the point, and to at most precision (1..18)
/// significant digits where that comes first. Value must be finite.
[[nodiscard]] TDecimalDigits ToFixedDigits(Extended value, int decimals, int precision);

} // namespace calc
