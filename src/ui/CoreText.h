#pragma once

#include "core/FontText.h"

#include <QFont>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

class QColor;
class QTextDocument;
class QWidget;

namespace calc {

/// Core text is ISO-8859-1, one byte per character.
[[nodiscard]] inline QString FromCore(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

/// Characters outside ISO-8859-1 become DEL, which no expression accepts, so the engine reports
/// an error at that very position ("?" would be read as the conditional operator). One byte per
/// UTF-16 unit keeps positions the same on both sides.
[[nodiscard]] inline std::string ToCore(const QString& text)
{
    std::string result(static_cast<std::size_t>(text.size()), '\x7F');
    for (qsizetype i = 0; i < text.size(); ++i)
        if (const char16_t unit = text[i].unicode(); unit <= 0xFF)
            result[static_cast<std::size_t>(i)] = static_cast<char>(unit);
    return result;
}

/// Where the first character that core text cannot hold starts, or -1.
[[nodiscard]] qsizetype FindNonLatin1(const QString& text) noexcept;
/// The character starting at pos as a message names it, with its code point: "€" (U+20AC).
[[nodiscard]] QString DescribeCharacter(const QString& text, qsizetype pos);

/// The text of a document with LF between its lines, and otherwise as typed: its plain text
/// would have turned no-break spaces into blanks.
[[nodiscard]] QString DocumentText(const QTextDocument& document);

/// The font of stored font attributes; an empty name keeps the application's family.
[[nodiscard]] QFont ToQFont(const TFontData& data);
/// The attributes of a font, for the manager's default font; color and character set default.
[[nodiscard]] TFontData FontDataFromQFont(const QFont& font);
/// A fixed color as it is; none for the host's interface colors and the special values.
[[nodiscard]] std::optional<QColor> FixedColor(TColor color);

/// Gives a text field the font and text color of stored font attributes. Interface colors
/// follow the palette, so the text stays readable in dark color schemes.
void ApplyFont(QWidget& widget, const TFontData& data);

/// The height of one line of text in the font, as the views size their fields.
[[nodiscard]] int TextLineHeight(const QFont& font);

} // namespace calc
