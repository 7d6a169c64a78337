#pragma once

#include "engine/ExprParserTypes.h"

#include <climits>
#include <optional>
#include <string>
#include <string_view>

namespace calc::cli {

/// The raw locale fields the regional settings are made from, as the C library reports them
/// (localeconv for LC_NUMERIC and LC_MONETARY, nl_langinfo for LC_TIME and the codeset).
/// Texts are in the locale's own character set; CHAR_MAX means "not given".
struct THostLocaleFields {
    std::string Codeset = "ANSI_X3.4-1968";
    std::string DecimalPoint;
    std::string ThousandsSep;
    std::string CurrencySymbol;
    std::string IntCurrSymbol;
    int PCsPrecedes = CHAR_MAX;
    int PSepBySpace = CHAR_MAX;
    int NCsPrecedes = CHAR_MAX;
    int NSepBySpace = CHAR_MAX;
    int NSignPosn = CHAR_MAX;
    std::string DateFormat; ///< D_FMT, a strftime format
    std::string TimeFormat; ///< T_FMT, a strftime format
    std::string AmString;
    std::string PmString;
};

/// Reads the fields of the current C library locale (call setlocale first).
[[nodiscard]] THostLocaleFields ReadHostLocaleFields();

/// The regional settings of the fields; whatever a field does not give (or gives in characters
/// the 8-bit core cannot hold) keeps its invariant value.
[[nodiscard]] TRegionalSettings RegionalSettingsFromLocale(const THostLocaleFields& fields);

/// A locale text in the core's ISO-8859-1; none when a character has no 8-bit form.
[[nodiscard]] std::optional<std::string> LocaleTextToLatin1(std::string_view text,
                                                            std::string_view codeset);

/// The positive currency pattern code 0..3 ("$n", "n$", "$ n", "n $"); none when the locale does
/// not say.
[[nodiscard]] std::optional<int> PositiveCurrencyFormat(int csPrecedes, int sepBySpace);
/// The negative currency pattern code 0..15; none when the locale does not say.
[[nodiscard]] std::optional<int> NegativeCurrencyFormat(int csPrecedes, int sepBySpace,
                                                        int signPosn);

/// A short date or time format in the regional-settings notation, with its separator.
struct TConvertedFormat {
    std::string Format;
    char Separator = '\0'; ///< the first punctuation between fields; '\0' when there is none
};

/// Converts a strftime date format ("%m/%d/%y") to the regional notation ("MM/dd/yy").
[[nodiscard]] TConvertedFormat ConvertDateFormat(std::string_view strftimeFormat,
                                                 std::string_view codeset);
/// Converts a strftime time format ("%H:%M:%S") to the regional notation ("HH:mm:ss").
[[nodiscard]] TConvertedFormat ConvertTimeFormat(std::string_view strftimeFormat,
                                                 std::string_view codeset);

} // namespace calc::cli
