#pragma once

#include "engine/ExprParserTypes.h"

#include <QString>
#include <optional>

class QLocale;

namespace calc {

/// The regional settings of a locale; whatever the locale gives in characters the 8-bit core
/// cannot hold keeps its invariant value.
[[nodiscard]] TRegionalSettings RegionalSettingsFromLocale(const QLocale& locale);

/// A currency text reduced to its pattern: "$" for the symbol, "n" for the amount, "-" for the
/// minus sign and single blanks ("-$n", "n $").
[[nodiscard]] QString CurrencyPattern(const QString& text, const QString& symbol);
/// The positive currency pattern code 0..3 of a pattern; none when it has no code.
[[nodiscard]] std::optional<int> PositiveCurrencyCode(const QString& pattern);
/// The negative currency pattern code 0..15 of a pattern; none when it has no code.
[[nodiscard]] std::optional<int> NegativeCurrencyCode(const QString& pattern);

/// A date or time format converted to the regional notation, with its separator.
struct TRegionalFormat {
    std::string Format;
    char Separator = '\0'; ///< the first punctuation between fields; '\0' when there is none
};

/// A short date format of the toolkit ("dd.MM.yy") in the regional notation.
[[nodiscard]] TRegionalFormat ConvertDateFormat(const QString& format);
/// A time format of the toolkit ("h:mm:ss AP t") in the regional notation ("h:mm:ss tt"); the
/// hours are 24-hour ones ("H") unless the format shows AM or PM.
[[nodiscard]] TRegionalFormat ConvertTimeFormat(const QString& format);

} // namespace calc
