#include "core/FontText.h"

#include "core/IniFile.h"
#include "engine/ExprParserTypes.h"

#include <array>
#include <vector>

namespace calc {

namespace {

struct TColorName {
    std::string_view Name;
    TColor Color;
};

constexpr std::array kColorNames = std::to_array<TColorName>({
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", clMoneyGreen},
    {"clSkyBlue", clSkyBlue},
    {"clCream", clCream},
    {"clMedGray", clMedGray},
    {"clActiveBorder", clActiveBorder},
    {"clActiveCaption", clActiveCaption},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clBackground", clBackground},
    {"clBtnFace", clBtnFace},
    {"clBtnHighlight", clBtnHighlight},
    {"clBtnShadow", clBtnShadow},
    {"clBtnText", clBtnText},
    {"clCaptionText", clCaptionText},
    {"clDefault", clDefault},
    {"clGradientActiveCaption", clGradientActiveCaption},
    {"clGradientInactiveCaption", clGradientInactiveCaption},
    {"clGrayText", clGrayText},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clHotLight", clHotLight},
    {"clInactiveBorder", clInactiveBorder},
    {"clInactiveCaption", clInactiveCaption},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clInfoBk", clInfoBk},
    {"clInfoText", clInfoText},
    {"clMenu", clMenu},
    {"clMenuBar", clMenuBar},
    {"clMenuHighlight", clMenuHighlight},
    {"clMenuText", clMenuText},
    {"clNone", clNone},
    {"clScrollBar", clScrollBar},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clWindowText", clWindowText},
});

/// Fields of a font text: each "," or ";" ends one field; blanks around a field are removed.
std::vector<std::string_view> SplitFontFields(std::string_view text)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == ',' || text[i] == ';') {
            fields.push_back(Trim(text.substr(start, i - start)));
            start = i + 1;
        }
    if (start < text.size())
        fields.push_back(Trim(text.substr(start)));
    return fields;
}

std::string StyleLetters(TFontStyles style)
{
    std::string letters;
    if (style.Contains(TFontStyle::fsBold))
        letters += 'B';
    if (style.Contains(TFontStyle::fsItalic))
        letters += 'I';
    if (style.Contains(TFontStyle::fsUnderline))
        letters += 'U';
    if (style.Contains(TFontStyle::fsStrikeOut))
        letters += 'S';
    return letters;
}

TFontStyles LettersToStyle(std::string_view field)
{
    const std::string upper = AnsiUpperCase(field);
    TFontStyles style;
    if (upper.find('B') != std::string::npos)
        style.Include(TFontStyle::fsBold);
    if (upper.find('I') != std::string::npos)
        style.Include(TFontStyle::fsItalic);
    if (upper.find('U') != std::string::npos)
        style.Include(TFontStyle::fsUnderline);
    if (upper.find('S') != std::string::npos)
        style.Include(TFontStyle::fsStrikeOut);
    return style;
}

} // namespace

bool ColorToIdent(TColor color, std::string& name)
{
    for (const TColorName& entry : kColorNames)
        if (entry.Color == color) {
            name = entry.Name;
            return true;
        }
    return false;
}

bool IdentToColor(std::string_view name, TColor& color) noexcept
{
    for (const TColorName& entry : kColorNames)
        if (AnsiSameText(entry.Name, name)) {
            color = entry.Color;
            return true;
        }
    return false;
}

std::string ColorToString(TColor color)
{
    std::string name;
    if (ColorToIdent(color, name))
        return name;
    return Format("$%.8X", static_cast<unsigned>(color));
}

TColor StringToColor(std::string_view text)
{
    TColor color = 0;
    if (IdentToColor(text, color))
        return color;
    return StrToInt(text);
}

std::string FontToText(const TFontData& font)
{
    // Joined rather than formatted, so that no character of the name can cut the text short.
    return font.Name + ',' + std::to_string(font.Size) + ',' + StyleLetters(font.Style) + ',' +
           std::to_string(static_cast<int>(font.Pitch)) + ',' + ColorToString(font.Color) + ',' +
           std::to_string(font.Charset);
}

void TextToFont(std::string_view text, TFontData& font)
{
    const std::vector<std::string_view> fields = SplitFontFields(text);
    const std::size_t count = fields.size();
    int number = 0;
    if (count > 0)
        font.Name = fields[0];
    if (count > 1 && TryStrToInt(fields[1], number))
        font.Size = number;
    if (count > 2)
        font.Style = LettersToStyle(fields[2]);
    if (count > 3 && TryStrToInt(fields[3], number) && number >= 0 && number <= 2)
        font.Pitch = static_cast<TFontPitch>(number);
    // An empty color field is treated like a missing one rather than as a bad number. A bad
    // one is reported only after the fields behind it are applied, so they are not lost.
    const bool colorRead = count <= 4 || fields[4].empty() || IdentToColor(fields[4], font.Color) ||
                           TryStrToInt(fields[4], font.Color);
    if (count > 5 && TryStrToInt(fields[5], number) && number >= 0 && number <= 255)
        font.Charset = number;
    if (!colorRead)
        (void)StringToColor(fields[4]); // raises the error that names the field
}

void WriteFont(TIniFile& ini, std::string_view section, std::string_view key, const TFontData& font)
{
    ini.WriteString(section, key, FontToText(font));
}

void ReadFont(const TIniFile& ini, std::string_view section, std::string_view key, TFontData& font)
{
    const std::string text = ini.ReadString(section, key, "");
    if (!text.empty())
        TextToFont(text, font);
}

} // namespace calc
