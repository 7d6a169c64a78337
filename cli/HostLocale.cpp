#include "HostLocale.h"

#include "TextEncoding.h"

#include <clocale>
#include <langinfo.h>
#include <vector>

namespace calc::cli {

namespace {

enum class TCharset { Utf8, Latin1, Ascii };

TCharset CharsetOf(std::string_view codeset)
{
    std::string name;
    for (const char c : codeset)
        if (c != '-' && c != '_')
            name.push_back(AnsiUpper(c));
    if (name == "UTF8")
        return TCharset::Utf8;
    if (name == "ISO88591" || name == "LATIN1")
        return TCharset::Latin1;
    return TCharset::Ascii;
}

constexpr char32_t kInvalid = 0xFFFFFFFF;

/// The code points of a locale text; kInvalid where a byte has no meaning in the codeset.
std::vector<char32_t> CodePoints(std::string_view text, TCharset charset)
{
    std::vector<char32_t> result;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (charset == TCharset::Utf8 && byte >= 0x80) {
            const TCodePoint cp = DecodeUtf8(text.substr(i));
            result.push_back(cp.Length == 0 ? kInvalid : cp.Value);
            i += cp.Length == 0 ? 1 : cp.Length;
            continue;
        }
        result.push_back(byte < 0x80 || charset == TCharset::Latin1 ? byte : kInvalid);
        ++i;
    }
    return result;
}

/// The 8-bit character of a code point; the spacing characters locales put between digit
/// groups become the no-break space, the group mark of the core.
std::optional<char> Latin1Char(char32_t cp)
{
    if (cp == 0x202F || cp == 0x2009 || cp == 0x2007)
        return '\xA0';
    if (cp <= 0xFF)
        return static_cast<char>(cp);
    return std::nullopt;
}

/// A locale text that must be exactly one 8-bit character.
std::optional<char> SingleChar(std::string_view text, std::string_view codeset)
{
    const std::optional<std::string> latin1 = LocaleTextToLatin1(text, codeset);
    if (!latin1 || latin1->size() != 1)
        return std::nullopt;
    return (*latin1)[0];
}

bool IsAsciiLetter(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsBlank(char c) noexcept
{
    return c == ' ' || c == '\xA0';
}

std::string_view TrimBlanks(std::string_view s) noexcept
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

/// One piece of a strftime format: a converted field, or literal text that lost characters
/// when it was made 8-bit (Lossy).
struct TPiece {
    bool IsField = false;
    std::string Text;
    bool Lossy = false;
};

using TFieldMap = std::string (*)(char conversion, bool unpadded);

std::string DateField(char conversion, bool unpadded)
{
    switch (conversion) {
    case 'd':
        return unpadded ? "d" : "dd";
    case 'e':
        return "d";
    case 'm':
        return unpadded ? "M" : "MM";
    case 'y':
    case 'g':
        return "yy";
    case 'Y':
    case 'G':
        return "yyyy";
    case 'b':
    case 'h':
        return "MMM";
    case 'B':
        return "MMMM";
    case 'a':
        return "ddd";
    case 'A':
        return "dddd";
    default:
        return {};
    }
}

std::string TimeField(char conversion, bool unpadded)
{
    switch (conversion) {
    case 'H':
        return unpadded ? "H" : "HH";
    case 'k':
        return "H";
    case 'I':
        return unpadded ? "h" : "hh";
    case 'l':
        return "h";
    case 'M':
        return unpadded ? "m" : "mm";
    case 'S':
        return unpadded ? "s" : "ss";
    case 'p':
    case 'P':
        return "AMPM";
    default:
        return {};
    }
}

/// The strftime shorthands that stand for a whole format.
std::string_view Shorthand(char conversion) noexcept
{
    switch (conversion) {
    case 'D':
        return "%m/%d/%y";
    case 'F':
        return "%Y-%m-%d";
    case 'T':
        return "%H:%M:%S";
    case 'R':
        return "%H:%M";
    case 'r':
        return "%I:%M:%S %p";
    default:
        return {};
    }
}

void AddLiteral(std::vector<TPiece>& pieces, std::string_view raw, TCharset charset)
{
    if (raw.empty())
        return;
    TPiece piece;
    for (const char32_t cp : CodePoints(raw, charset)) {
        const std::optional<char> c = cp == kInvalid ? std::nullopt : Latin1Char(cp);
        // Letters would read as format characters, so literal words are left out.
        if (!c || IsAsciiLetter(*c))
            piece.Lossy = true;
        else
            piece.Text.push_back(*c);
    }
    pieces.push_back(std::move(piece));
}

void SplitFormat(std::string_view format, TCharset charset, TFieldMap fieldMap,
                 std::vector<TPiece>& pieces, int depth)
{
    std::size_t literalStart = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            ++i;
            continue;
        }
        AddLiteral(pieces, format.substr(literalStart, i - literalStart), charset);
        ++i;
        bool unpadded = false;
        while (i < format.size() &&
               std::string_view("-_0^#").find(format[i]) != std::string_view::npos)
            unpadded = unpadded || format[i++] == '-';
        while (i < format.size() && (IsDigit(format[i]) || format[i] == 'E' || format[i] == 'O'))
            ++i;
        if (i < format.size()) {
            const char conversion = format[i++];
            if (conversion == '%')
                AddLiteral(pieces, "%", charset);
            else if (conversion == 'n' || conversion == 't')
                AddLiteral(pieces, " ", charset);
            else if (const std::string_view expanded = Shorthand(conversion);
                     !expanded.empty() && depth == 0)
                SplitFormat(expanded, charset, fieldMap, pieces, depth + 1);
            else if (std::string field = fieldMap(conversion, unpadded); !field.empty())
                pieces.push_back({true, std::move(field), false});
        }
        literalStart = i;
    }
    AddLiteral(pieces, format.substr(literalStart), charset);
}

TConvertedFormat ConvertFormat(std::string_view strftimeFormat, std::string_view codeset,
                               TFieldMap fieldMap, char fallbackSeparator)
{
    std::vector<TPiece> pieces;
    SplitFormat(strftimeFormat, CharsetOf(codeset), fieldMap, pieces, 0);
    TConvertedFormat result;
    for (const TPiece& piece : pieces)
        for (const char c : piece.Text)
            if (!piece.IsField && result.Separator == '\0' && !IsBlank(c) && !IsDigit(c))
                result.Separator = c;
    if (result.Separator == '\0')
        result.Separator = fallbackSeparator;
    std::size_t fieldsSeen = 0;
    std::size_t fieldCount = 0;
    for (const TPiece& piece : pieces)
        fieldCount += piece.IsField ? 1 : 0;
    for (const TPiece& piece : pieces) {
        if (piece.IsField) {
            ++fieldsSeen;
            result.Format += piece.Text;
        }
        // Between two fields a run of characters the core cannot show still separates them.
        else if (piece.Lossy && TrimBlanks(piece.Text).empty()) {
            if (fieldsSeen > 0 && fieldsSeen < fieldCount)
                result.Format.push_back(result.Separator);
        }
        else
            result.Format += piece.Text;
    }
    result.Format = std::string(TrimBlanks(result.Format));
    return result;
}

} // namespace

std::optional<std::string> LocaleTextToLatin1(std::string_view text, std::string_view codeset)
{
    std::string result;
    for (const char32_t cp : CodePoints(text, CharsetOf(codeset))) {
        const std::optional<char> c = cp == kInvalid ? std::nullopt : Latin1Char(cp);
        if (!c)
            return std::nullopt;
        result.push_back(*c);
    }
    return result;
}

std::optional<int> PositiveCurrencyFormat(int csPrecedes, int sepBySpace)
{
    if (csPrecedes != 0 && csPrecedes != 1)
        return std::nullopt;
    const bool space = sepBySpace == 1;
    if (csPrecedes == 1)
        return space ? 2 : 0;
    return space ? 3 : 1;
}

std::optional<int> NegativeCurrencyFormat(int csPrecedes, int sepBySpace, int signPosn)
{
    if (csPrecedes < 0 || csPrecedes > 1 || signPosn < 0 || signPosn > 4)
        return std::nullopt;
    // Rows: sign position 0..4 (parentheses, before all, after all, before the symbol, after
    // the symbol); columns: no space, a space between symbol and amount, a space next to the
    // sign. Where the host's layout has no pattern of its own, the nearest one stands in.
    static constexpr int kSymbolFirst[5][3] = {
        {0, 14, 0}, {1, 9, 1}, {3, 11, 3}, {1, 9, 1}, {2, 12, 12}};
    static constexpr int kSymbolLast[5][3] = {
        {4, 15, 4}, {5, 8, 5}, {7, 10, 7}, {6, 13, 13}, {7, 10, 7}};
    const int column = sepBySpace == 1 ? 1 : sepBySpace == 2 ? 2 : 0;
    return csPrecedes == 1 ? kSymbolFirst[signPosn][column] : kSymbolLast[signPosn][column];
}

TConvertedFormat ConvertDateFormat(std::string_view strftimeFormat, std::string_view codeset)
{
    return ConvertFormat(strftimeFormat, codeset, DateField, '/');
}

TConvertedFormat ConvertTimeFormat(std::string_view strftimeFormat, std::string_view codeset)
{
    return ConvertFormat(strftimeFormat, codeset, TimeField, ':');
}

TRegionalSettings RegionalSettingsFromLocale(const THostLocaleFields& fields)
{
    TRegionalSettings rs;
    const std::string_view codeset = fields.Codeset;
    if (const auto c = SingleChar(fields.DecimalPoint, codeset))
        rs.DecimalSeparator = *c;
    if (const auto c = SingleChar(fields.ThousandsSep, codeset))
        rs.ThousandSeparator = *c;
    if (auto symbol = LocaleTextToLatin1(fields.CurrencySymbol, codeset);
        symbol && !symbol->empty())
        rs.CurrencyString = std::move(*symbol);
    else if (auto code = LocaleTextToLatin1(TrimBlanks(fields.IntCurrSymbol), codeset);
             code && !code->empty())
        rs.CurrencyString = std::move(*code);
    if (const auto code = PositiveCurrencyFormat(fields.PCsPrecedes, fields.PSepBySpace))
        rs.CurrencyFormat = *code;
    if (const auto code =
            NegativeCurrencyFormat(fields.NCsPrecedes, fields.NSepBySpace, fields.NSignPosn))
        rs.NegCurrFormat = *code;
    if (const TConvertedFormat date = ConvertDateFormat(fields.DateFormat, codeset);
        !date.Format.empty()) {
        rs.ShortDateFormat = date.Format;
        rs.DateSeparator = date.Separator;
    }
    if (const TConvertedFormat time = ConvertTimeFormat(fields.TimeFormat, codeset);
        !time.Format.empty()) {
        rs.LongTimeFormat = time.Format;
        rs.TimeSeparator = time.Separator;
    }
    if (auto am = LocaleTextToLatin1(fields.AmString, codeset))
        rs.TimeAMString = std::move(*am);
    if (auto pm = LocaleTextToLatin1(fields.PmString, codeset))
        rs.TimePMString = std::move(*pm);
    return rs;
}

THostLocaleFields ReadHostLocaleFields()
{
    const auto text = [](const char* s) { return std::string(s != nullptr ? s : ""); };
    THostLocaleFields fields;
    fields.Codeset = text(::nl_langinfo(CODESET));
    if (const lconv* lc = std::localeconv(); lc != nullptr) {
        fields.DecimalPoint = text(lc->decimal_point);
        fields.ThousandsSep = text(lc->thousands_sep);
        fields.CurrencySymbol = text(lc->currency_symbol);
        fields.IntCurrSymbol = text(lc->int_curr_symbol);
        fields.PCsPrecedes = lc->p_cs_precedes;
        fields.PSepBySpace = lc->p_sep_by_space;
        fields.NCsPrecedes = lc->n_cs_precedes;
        fields.NSepBySpace = lc->n_sep_by_space;
        fields.NSignPosn = lc->n_sign_posn;
    }
    fields.DateFormat = text(::nl_langinfo(D_FMT));
    fields.TimeFormat = text(::nl_langinfo(T_FMT));
    fields.AmString = text(::nl_langinfo(AM_STR));
    fields.PmString = text(::nl_langinfo(PM_STR));
    return fields;
}

} // namespace calc::cli
