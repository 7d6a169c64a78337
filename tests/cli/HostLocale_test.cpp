#include "HostLocale.h"

#include <clocale>
#include <gtest/gtest.h>
#include <string>

namespace calc::cli {
namespace {

// Field values as glibc reports them for a few locales.
THostLocaleFields UnitedStates()
{
    THostLocaleFields f;
    f.Codeset = "UTF-8";
    f.DecimalPoint = ".";
    f.ThousandsSep = ",";
    f.CurrencySymbol = "$";
    f.IntCurrSymbol = "USD ";
    f.PCsPrecedes = 1;
    f.PSepBySpace = 0;
    f.NCsPrecedes = 1;
    f.NSepBySpace = 0;
    f.NSignPosn = 1;
    f.DateFormat = "%m/%d/%Y";
    f.TimeFormat = "%r";
    f.AmString = "AM";
    f.PmString = "PM";
    return f;
}

THostLocaleFields Germany()
{
    THostLocaleFields f;
    f.Codeset = "UTF-8";
    f.DecimalPoint = ",";
    f.ThousandsSep = ".";
    f.CurrencySymbol = "\xE2\x82\xAC"; // the euro sign has no 8-bit form in the core
    f.IntCurrSymbol = "EUR ";
    f.PCsPrecedes = 0;
    f.PSepBySpace = 1;
    f.NCsPrecedes = 0;
    f.NSepBySpace = 1;
    f.NSignPosn = 1;
    f.DateFormat = "%d.%m.%Y";
    f.TimeFormat = "%T";
    return f;
}

THostLocaleFields France()
{
    THostLocaleFields f = Germany();
    f.ThousandsSep = "\xE2\x80\xAF"; // narrow no-break space
    f.DateFormat = "%d/%m/%Y";
    return f;
}

THostLocaleFields Britain()
{
    THostLocaleFields f = UnitedStates();
    f.CurrencySymbol = "\xC2\xA3";
    f.IntCurrSymbol = "GBP ";
    f.DateFormat = "%d/%m/%y";
    f.TimeFormat = "%T";
    f.AmString = "am";
    f.PmString = "pm";
    return f;
}

/// What the C library gives for the "C" locale.
THostLocaleFields CLocaleFields()
{
    THostLocaleFields f;
    f.Codeset = "ANSI_X3.4-1968";
    f.DecimalPoint = ".";
    f.DateFormat = "%m/%d/%y";
    f.TimeFormat = "%H:%M:%S";
    f.AmString = "AM";
    f.PmString = "PM";
    return f;
}

TEST(HostLocaleRegionalSettings, UnitedStatesGivesTwelveHourClockAndDollar)
{
    const TRegionalSettings rs = RegionalSettingsFromLocale(UnitedStates());
    EXPECT_EQ(rs.DecimalSeparator, '.');
    EXPECT_EQ(rs.ThousandSeparator, ',');
    EXPECT_EQ(rs.CurrencyString, "$");
    EXPECT_EQ(rs.CurrencyFormat, 0); // $n
    EXPECT_EQ(rs.NegCurrFormat, 1);  // -$n
    EXPECT_EQ(rs.ShortDateFormat, "MM/dd/yyyy");
    EXPECT_EQ(rs.DateSeparator, '/');
    EXPECT_EQ(rs.LongTimeFormat, "hh:mm:ss AMPM");
    EXPECT_EQ(rs.TimeSeparator, ':');
    EXPECT_EQ(rs.TimeAMString, "AM");
    EXPECT_EQ(rs.TimePMString, "PM");
}

TEST(HostLocaleRegionalSettings, GermanyGivesCommaDecimalsAndTrailingCurrency)
{
    const TRegionalSettings rs = RegionalSettingsFromLocale(Germany());
    EXPECT_EQ(rs.DecimalSeparator, ',');
    EXPECT_EQ(rs.ThousandSeparator, '.');
    // The euro sign cannot be shown, so the international code stands in, trimmed.
    EXPECT_EQ(rs.CurrencyString, "EUR");
    EXPECT_EQ(rs.CurrencyFormat, 3); // n $
    EXPECT_EQ(rs.NegCurrFormat, 8);  // -n $
    EXPECT_EQ(rs.ShortDateFormat, "dd.MM.yyyy");
    EXPECT_EQ(rs.DateSeparator, '.');
    EXPECT_EQ(rs.LongTimeFormat, "HH:mm:ss");
    EXPECT_EQ(rs.TimeSeparator, ':');
    EXPECT_EQ(rs.TimeAMString, "");
}

TEST(HostLocaleRegionalSettings, NarrowNoBreakSpaceBecomesTheGroupMark)
{
    const TRegionalSettings rs = RegionalSettingsFromLocale(France());
    EXPECT_EQ(rs.ThousandSeparator, '\xA0');
    EXPECT_EQ(rs.ShortDateFormat, "dd/MM/yyyy");
}

TEST(HostLocaleRegionalSettings, PoundSignIsKeptAsItsLatin1Character)
{
    const TRegionalSettings rs = RegionalSettingsFromLocale(Britain());
    EXPECT_EQ(rs.CurrencyString, "\xA3");
    EXPECT_EQ(rs.ShortDateFormat, "dd/MM/yy");
    EXPECT_EQ(rs.TimeAMString, "am");
}

TEST(HostLocaleRegionalSettings, CLocaleFallsBackWhereItGivesNothing)
{
    const TRegionalSettings rs = RegionalSettingsFromLocale(CLocaleFields());
    const TRegionalSettings invariant;
    EXPECT_EQ(rs.DecimalSeparator, '.');
    EXPECT_EQ(rs.ThousandSeparator, invariant.ThousandSeparator);
    EXPECT_EQ(rs.CurrencyString, invariant.CurrencyString);
    EXPECT_EQ(rs.CurrencyFormat, invariant.CurrencyFormat);
    EXPECT_EQ(rs.NegCurrFormat, invariant.NegCurrFormat);
    EXPECT_EQ(rs.ShortDateFormat, "MM/dd/yy");
    EXPECT_EQ(rs.LongTimeFormat, "HH:mm:ss");
}

TEST(HostLocaleRegionalSettings, NoFieldsGiveTheInvariantSet)
{
    EXPECT_EQ(RegionalSettingsFromLocale(THostLocaleFields{}), TRegionalSettings{});
}

TEST(HostLocaleRegionalSettings, SeparatorsThatAreNotOneCharacterAreIgnored)
{
    THostLocaleFields f = UnitedStates();
    f.DecimalPoint = "\xD9\xAB"; // Arabic decimal separator
    f.ThousandsSep = "''";
    const TRegionalSettings rs = RegionalSettingsFromLocale(f);
    EXPECT_EQ(rs.DecimalSeparator, '.');
    EXPECT_EQ(rs.ThousandSeparator, ',');
}

TEST(HostLocaleRegionalSettings, ReadsTheRunningCLocale)
{
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    const TRegionalSettings rs = RegionalSettingsFromLocale(ReadHostLocaleFields());
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(rs.DecimalSeparator, '.');
    EXPECT_EQ(rs.ShortDateFormat, "MM/dd/yy");
    EXPECT_EQ(rs.DateSeparator, '/');
    EXPECT_EQ(rs.TimeSeparator, ':');
}

TEST(HostLocaleText, DecodesByTheLocaleCodeset)
{
    EXPECT_EQ(LocaleTextToLatin1("\xC2\xA3", "UTF-8"), std::optional<std::string>("\xA3"));
    EXPECT_EQ(LocaleTextToLatin1("\xA3", "ISO-8859-1"), std::optional<std::string>("\xA3"));
    EXPECT_EQ(LocaleTextToLatin1("\xA3", "utf8"), std::nullopt);
    // In another 8-bit codeset only ASCII means the same.
    EXPECT_EQ(LocaleTextToLatin1("\xA4", "ISO-8859-15"), std::nullopt);
    EXPECT_EQ(LocaleTextToLatin1("kr", "ISO-8859-15"), std::optional<std::string>("kr"));
    EXPECT_EQ(LocaleTextToLatin1("\xE2\x82\xAC", "UTF-8"), std::nullopt);
}

struct FormatRow {
    const char* strftime;
    const char* expected;
    char separator;
};

TEST(HostLocaleDateFormat, ConvertsStrftimeFields)
{
    const FormatRow rows[] = {
        {"%m/%d/%y", "MM/dd/yy", '/'},
        {"%d.%m.%Y", "dd.MM.yyyy", '.'},
        {"%Y-%m-%d", "yyyy-MM-dd", '-'},
        {"%e.%m.%Y", "d.MM.yyyy", '.'},
        {"%-d.%-m.%Y", "d.M.yyyy", '.'},
        {"%D", "MM/dd/yy", '/'},
        {"%F", "yyyy-MM-dd", '-'},
        {"%Y. %m. %d.", "yyyy. MM. dd.", '.'},
        {"%d %b %Y", "dd MMM yyyy", '/'},
        {"%Ey/%Om/%Od", "yy/MM/dd", '/'},
        {"%d%%%m", "dd%MM", '%'},
        // Characters the core cannot show still separate the fields.
        {"%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", "yyyy/MM/dd", '/'},
        {"%Y\xEB\x85\x84 %m\xEC\x9B\x94 %d\xEC\x9D\xBC", "yyyy/MM/dd", '/'},
        {"", "", '/'},
        {"%Q", "", '/'},
    };
    for (const FormatRow& row : rows) {
        SCOPED_TRACE(row.strftime);
        const TConvertedFormat f = ConvertDateFormat(row.strftime, "UTF-8");
        EXPECT_EQ(f.Format, row.expected);
        EXPECT_EQ(f.Separator, row.separator);
    }
}

TEST(HostLocaleTimeFormat, ConvertsStrftimeFields)
{
    const FormatRow rows[] = {
        {"%H:%M:%S", "HH:mm:ss", ':'},
        {"%T", "HH:mm:ss", ':'},
        {"%r", "hh:mm:ss AMPM", ':'},
        {"%I:%M:%S %p", "hh:mm:ss AMPM", ':'},
        {"%k:%M", "H:mm", ':'},
        {"%l.%M %p", "h.mm AMPM", '.'},
        {"%H.%M.%S", "HH.mm.ss", '.'},
        {"%R", "HH:mm", ':'},
        // A literal letter would read as a format character.
        {"%Hh%M", "HH:mm", ':'},
    };
    for (const FormatRow& row : rows) {
        SCOPED_TRACE(row.strftime);
        const TConvertedFormat f = ConvertTimeFormat(row.strftime, "UTF-8");
        EXPECT_EQ(f.Format, row.expected);
        EXPECT_EQ(f.Separator, row.separator);
    }
}

TEST(HostLocaleCurrency, PositivePatternFollowsSymbolPlaceAndSpace)
{
    struct Row {
        int precedes, space, expected;
    };
    const Row rows[] = {{1, 0, 0}, {0, 0, 1}, {1, 1, 2}, {0, 1, 3}, {1, 2, 0}, {0, 2, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.precedes << "," << row.space);
        EXPECT_EQ(PositiveCurrencyFormat(row.precedes, row.space), row.expected);
    }
    EXPECT_EQ(PositiveCurrencyFormat(CHAR_MAX, CHAR_MAX), std::nullopt);
}

TEST(HostLocaleCurrency, NegativePatternPlacesSignOrParentheses)
{
    // precedes, space, sign position -> pattern code (its layout in the comment)
    struct Row {
        int precedes, space, sign, expected;
    };
    const Row rows[] = {
        {1, 0, 0, 0},  // ($n)
        {1, 1, 0, 14}, // ($ n)
        {0, 0, 0, 4},  // (n$)
        {0, 1, 0, 15}, // (n $)
        {1, 0, 1, 1},  // -$n
        {1, 1, 1, 9},  // -$ n
        {0, 0, 1, 5},  // -n$
        {0, 1, 1, 8},  // -n $
        {1, 0, 2, 3},  // $n-
        {1, 1, 2, 11}, // $ n-
        {0, 0, 2, 7},  // n$-
        {0, 1, 2, 10}, // n $-
        {1, 0, 3, 1},  // -$n
        {0, 0, 3, 6},  // n-$
        {0, 2, 3, 13}, // n- $
        {1, 0, 4, 2},  // $-n
        {1, 2, 4, 12}, // $ -n
        {0, 0, 4, 7},  // n$-
        {0, 1, 4, 10}, // n $-
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.precedes << "," << row.space << "," << row.sign);
        EXPECT_EQ(NegativeCurrencyFormat(row.precedes, row.space, row.sign), row.expected);
    }
    EXPECT_EQ(NegativeCurrencyFormat(CHAR_MAX, CHAR_MAX, CHAR_MAX), std::nullopt);
    EXPECT_EQ(NegativeCurrencyFormat(1, 0, 5), std::nullopt);
}

} // namespace
} // namespace calc::cli
