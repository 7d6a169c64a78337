#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace calc {

class TIniFile;

/// A color as the settings files store it: 0x00BBGGRR for a fixed color, 0xFF000000 | index for
/// a user-interface color of the host, and the two special values clNone and clDefault.
using TColor = std::int32_t;

inline constexpr TColor kSystemColor = static_cast<TColor>(0xFF000000u);
[[nodiscard]] constexpr TColor SystemColor(int index) noexcept
{
    return static_cast<TColor>(0xFF000000u | static_cast<std::uint32_t>(index));
}
/// Whether the color names a user-interface color; its index is then the low byte.
[[nodiscard]] constexpr bool IsSystemColor(TColor color) noexcept
{
    return (static_cast<std::uint32_t>(color) & 0xFF000000u) == 0xFF000000u;
}

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;

// User-interface colors, by the host's color index.
inline constexpr TColor clScrollBar = SystemColor(0);
inline constexpr TColor clBackground = SystemColor(1);
inline constexpr TColor clActiveCaption = SystemColor(2);
inline constexpr TColor clInactiveCaption = SystemColor(3);
inline constexpr TColor clMenu = SystemColor(4);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowFrame = SystemColor(6);
inline constexpr TColor clMenuText = SystemColor(7);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clCaptionText = SystemColor(9);
inline constexpr TColor clActiveBorder = SystemColor(10);
inline constexpr TColor clInactiveBorder = SystemColor(11);
inline constexpr TColor clAppWorkSpace = SystemColor(12);
inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clGrayText = SystemColor(17);
inline constexpr TColor clBtnText = SystemColor(18);
inline constexpr TColor clInactiveCaptionText = SystemColor(19);
inline constexpr TColor clBtnHighlight = SystemColor(20);
inline constexpr TColor cl3DDkShadow = SystemColor(21);
inline constexpr TColor cl3DLight = SystemColor(22);
inline constexpr TColor clInfoText = SystemColor(23);
inline constexpr TColor clInfoBk = SystemColor(24);
inline constexpr TColor clHotLight = SystemColor(26);
inline constexpr TColor clGradientActiveCaption = SystemColor(27);
inline constexpr TColor clGradientInactiveCaption = SystemColor(28);
inline constexpr TColor clMenuHighlight = SystemColor(29);
inline constexpr TColor clMenuBar = SystemColor(30);

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

/// The standard name of a color, or false when it has none.
[[nodiscard]] bool ColorToIdent(TColor color, std::string& name);
/// The color of a standard name (letter case ignored), or false.
[[nodiscard]] bool IdentToColor(std::string_view name, TColor& color) noexcept;
/// The standard name, otherwise "$" and eight upper-case hexadecimal digits.
[[nodiscard]] std::string ColorToString(TColor color);
/// A standard name or an integer (decimal or "$"/"0x" hexadecimal); anything else raises
/// EConvertError "'%s' is not a valid integer value".
[[nodiscard]] TColor StringToColor(std::string_view text);

enum class TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

/// A set of font styles.
class TFontStyles {
public:
    constexpr TFontStyles() noexcept = default;
    constexpr TFontStyles(std::initializer_list<TFontStyle> styles) noexcept
    {
        for (const TFontStyle style : styles)
            Include(style);
    }
    [[nodiscard]] constexpr bool Contains(TFontStyle style) const noexcept
    {
        return (FBits & static_cast<unsigned>(style)) != 0;
    }
    constexpr void Include(TFontStyle style) noexcept { FBits |= static_cast<unsigned>(style); }
    constexpr void Exclude(TFontStyle style) noexcept { FBits &= ~static_cast<unsigned>(style); }
    [[nodiscard]] constexpr bool Empty() const noexcept { return FBits == 0; }
    constexpr bool operator==(const TFontStyles&) const noexcept = default;

private:
    unsigned FBits = 0;
};

enum class TFontPitch { fpDefault = 0, fpVariable = 1, fpFixed = 2 };

/// DEFAULT_CHARSET: the character set that follows the host's locale.
inline constexpr int kDefaultCharset = 1;

/// The attributes of a font as the settings store them.
struct TFontData {
    std::string Name;
    int Size = 10; ///< points
    TFontStyles Style;
    TFontPitch Pitch = TFontPitch::fpDefault;
    TColor Color = clWindowText;
    int Charset = kDefaultCharset; ///< 0..255

    bool operator==(const TFontData&) const = default;
};

/// "name,size,styles,pitch,color,charset", the styles as the letters B, I, U, S present.
[[nodiscard]] std::string FontToText(const TFontData& font);
/// Applies the fields of a font text onto font, field by field; missing fields leave their
/// attributes alone, and so do a size, pitch or character set that is not a valid number. A
/// color that is neither a name nor an integer raises EConvertError after every other field
/// has been applied.
void TextToFont(std::string_view text, TFontData& font);

/// Writes the font text into a key.
void WriteFont(TIniFile& ini, std::string_view section, std::string_view key,
               const TFontData& font);
/// Applies a key's font text onto font when the value is not empty.
void ReadFont(const TIniFile& ini, std::string_view section, std::string_view key, TFontData& font);

} // namespace calc
