#include "ui/HostRegional.h"

#include <QLocale>
#include <array>

namespace calc {

namespace {

/// The 8-bit character of a locale character; the spacing characters locales put between
/// digit groups become the no-break space, the core's group mark.
std::optional<char> Latin1Char(QChar c)
{
    const char16_t u = c.unicode();
    if (u == 0x202F || u == 0x2009 || u == 0x2007)
        return '\xA0';
    if (u == 0x2019)
        return '\'';
    if (u <= 0xFF && u != 0)
        return static_cast<char>(u);
    return std::nullopt;
}

std::optional<std::string> Latin1Text(const QString& text)
{
    std::string result;
    for (const QChar c : text) {
        const std::optional<char> latin = Latin1Char(c);
        if (!latin)
            return std::nullopt;
        result.push_back(*latin);
    }
    return result;
}

std::optional<char> SingleChar(const QString& text)
{
    return text.size() == 1 ? Latin1Char(text[0]) : std::nullopt;
}

constexpr std::array<const char*, 4> kPositivePatterns = {"$n", "n$", "$ n", "n $"};
constexpr std::array<const char*, 16> kNegativePatterns = {
    "($n)", "-$n",  "$-n",  "$n-",  "(n$)", "-n$",  "n-$",   "n$-",
    "-n $", "-$ n", "n $-", "$ n-", "$ -n", "n- $", "($ n)", "(n $)"};

template <std::size_t N>
std::optional<int> FindPattern(const std::array<const char*, N>& patterns, const QString& pattern)
{
    for (std::size_t i = 0; i < N; ++i)
        if (pattern == QLatin1String(patterns[i]))
            return static_cast<int>(i);
    return std::nullopt;
}

bool IsFieldLetter(QChar c)
{
    return c.isLetter() && c.unicode() < 0x80;
}

/// Splits a toolkit format into runs of one letter and literal text; literal text that the
/// core cannot hold is dropped, quoted text is kept without its quotes.
template <class TConvert>
TRegionalFormat ConvertFormat(const QString& format, TConvert convertField)
{
    TRegionalFormat result;
    bool fieldSeen = false;
    const auto addLiteral = [&](char c) {
        result.Format.push_back(c);
        if (result.Separator == '\0' && fieldSeen && c != ' ' && c != '\xA0')
            result.Separator = c;
    };
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            const qsizetype end = format.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype stop = end < 0 ? format.size() : end;
            if (const auto text = Latin1Text(format.mid(i + 1, stop - i - 1)))
                for (const char literal : *text)
                    addLiteral(literal);
            i = stop + 1;
            continue;
        }
        if (IsFieldLetter(c)) {
            qsizetype j = i;
            while (j < format.size() && format[j] == c)
                ++j;
            const std::string field = convertField(c.toLatin1(), static_cast<int>(j - i));
            result.Format += field;
            fieldSeen = fieldSeen || !field.empty();
            i = j;
            continue;
        }
        if (const std::optional<char> latin = Latin1Char(c))
            addLiteral(*latin);
        ++i;
    }
    // Literal text after the last field belonged to a dropped one ("(t)" of a time zone).
    const std::size_t last =
        result.Format.find_last_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    result.Format.resize(last == std::string::npos ? 0 : last + 1);
    return result;
}

} // namespace

QString CurrencyPattern(const QString& text, const QString& symbol)
{
    QString pattern = text;
    if (!symbol.isEmpty())
        pattern.replace(symbol, QStringLiteral("$"));
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype i = 0; i < pattern.size(); ++i)
        if (pattern[i].isDigit()) {
            first = first < 0 ? i : first;
            last = i;
        }
    if (first >= 0)
        pattern.replace(first, last - first + 1, QStringLiteral("n"));
    QString result;
    for (const QChar c : pattern) {
        const char16_t u = c.unicode();
        if (u == 0x200E || u == 0x200F || u == 0x061C)
            continue; // direction marks carry nothing
        if (c.isSpace()) {
            // Spaces of every width are one blank.
            if (!result.endsWith(QLatin1Char(' ')))
                result += QLatin1Char(' ');
            continue;
        }
        result += u == 0x2212 ? QChar(QLatin1Char('-')) : c;
    }
    return result.trimmed();
}

std::optional<int> PositiveCurrencyCode(const QString& pattern)
{
    return FindPattern(kPositivePatterns, pattern);
}

std::optional<int> NegativeCurrencyCode(const QString& pattern)
{
    return FindPattern(kNegativePatterns, pattern);
}

TRegionalFormat ConvertDateFormat(const QString& format)
{
    return ConvertFormat(format, [](char letter, int count) -> std::string {
        switch (letter) {
        case 'd':
            return count >= 3 ? std::string(count == 3 ? "ddd" : "dddd")
                              : std::string(static_cast<std::size_t>(count), 'd');
        case 'M':
            return std::string(static_cast<std::size_t>(std::min(count, 4)), 'M');
        case 'y':
            return count <= 2 ? "yy" : "yyyy";
        default:
            return {};
        }
    });
}

TRegionalFormat ConvertTimeFormat(const QString& format)
{
    const bool twelveHours = format.contains(QLatin1Char('A'), Qt::CaseInsensitive);
    return ConvertFormat(format, [twelveHours](char letter, int count) -> std::string {
        const auto repeat = [](char c, int n) {
            return std::string(static_cast<std::size_t>(std::min(n, 2)), c);
        };
        switch (letter) {
        case 'h':
        case 'H':
            return repeat(twelveHours && letter == 'h' ? 'h' : 'H', count);
        case 'm':
        case 's':
            return repeat(letter, count);
        case 'A':
        case 'a':
            return "tt";
        default:
            return {}; // milliseconds and time zones have no place in the regional form
        }
    });
}

TRegionalSettings RegionalSettingsFromLocale(const QLocale& locale)
{
    TRegionalSettings rs;
    // The C locale stands for no regional preference: the invariant set.
    if (locale.language() == QLocale::C)
        return rs;
    if (const auto c = SingleChar(locale.decimalPoint()))
        rs.DecimalSeparator = *c;
    if (const auto c = SingleChar(locale.groupSeparator()))
        rs.ThousandSeparator = *c;
    const QString symbol = locale.currencySymbol(QLocale::CurrencySymbol);
    if (auto text = Latin1Text(symbol); text && !text->empty())
        rs.CurrencyString = std::move(*text);
    else if (auto code = Latin1Text(locale.currencySymbol(QLocale::CurrencyIsoCode));
             code && !code->empty())
        rs.CurrencyString = std::move(*code);
    // The host's own layout of an amount, with a stand-in symbol that no locale writes.
    const QString marker = QStringLiteral("\u00A4");
    if (const auto code =
            PositiveCurrencyCode(CurrencyPattern(locale.toCurrencyString(1.0, marker), marker)))
        rs.CurrencyFormat = *code;
    if (const auto code =
            NegativeCurrencyCode(CurrencyPattern(locale.toCurrencyString(-1.0, marker), marker)))
        rs.NegCurrFormat = *code;
    if (const TRegionalFormat date = ConvertDateFormat(locale.dateFormat(QLocale::ShortFormat));
        !date.Format.empty() && date.Separator != '\0') {
        rs.ShortDateFormat = date.Format;
        rs.DateSeparator = date.Separator;
    }
    if (const TRegionalFormat time = ConvertTimeFormat(locale.timeFormat(QLocale::LongFormat));
        !time.Format.empty() && time.Separator != '\0') {
        rs.LongTimeFormat = time.Format;
        rs.TimeSeparator = time.Separator;
    }
    if (auto am = Latin1Text(locale.amText()))
        rs.TimeAMString = std::move(*am);
    if (auto pm = Latin1Text(locale.pmText()))
        rs.TimePMString = std::move(*pm);
    return rs;
}

} // namespace calc
