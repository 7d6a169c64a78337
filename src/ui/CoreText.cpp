#include "ui/CoreText.h"

#include "ui/FrameFocus.h"

#include <QColor>
#include <QFontMetrics>
#include <QTextDocument>
#include <QWidget>
#include <cmath>

namespace calc {

QFont ToQFont(const TFontData& data)
{
    QFont font;
    if (!data.Name.empty())
        font.setFamily(FromCore(data.Name));
    if (data.Size > 0)
        font.setPointSize(data.Size);
    else if (data.Size < 0)
        font.setPixelSize(-data.Size); // a negative size counts pixels
    font.setBold(data.Style.Contains(TFontStyle::fsBold));
    font.setItalic(data.Style.Contains(TFontStyle::fsItalic));
    font.setUnderline(data.Style.Contains(TFontStyle::fsUnderline));
    font.setStrikeOut(data.Style.Contains(TFontStyle::fsStrikeOut));
    if (data.Pitch == TFontPitch::fpFixed) {
        font.setFixedPitch(true);
        font.setStyleHint(QFont::Monospace);
    }
    return font;
}

TFontData FontDataFromQFont(const QFont& font)
{
    TFontData data;
    data.Name = ToCore(font.family());
    const double points = font.pointSizeF();
    data.Size = points > 0 ? static_cast<int>(std::lround(points)) : 10;
    if (font.bold())
        data.Style.Include(TFontStyle::fsBold);
    if (font.italic())
        data.Style.Include(TFontStyle::fsItalic);
    if (font.underline())
        data.Style.Include(TFontStyle::fsUnderline);
    if (font.strikeOut())
        data.Style.Include(TFontStyle::fsStrikeOut);
    return data;
}

std::optional<QColor> FixedColor(TColor color)
{
    if (IsSystemColor(color) || color == clNone || color == clDefault || color < 0)
        return std::nullopt;
    const auto bgr = static_cast<std::uint32_t>(color);
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

namespace {

/// The palette role standing for an interface color; Text where there is no better one.
QPalette::ColorRole RoleOf(TColor color)
{
    switch (color) {
    case clHighlight:
        return QPalette::Highlight;
    case clHighlightText:
        return QPalette::HighlightedText;
    case clGrayText:
        return QPalette::PlaceholderText;
    case clHotLight:
        return QPalette::Link;
    case clInfoText:
        return QPalette::ToolTipText;
    case clWindow:
        return QPalette::Base;
    case clBtnFace:
        return QPalette::Button;
    default:
        return QPalette::Text;
    }
}

} // namespace

qsizetype FindNonLatin1(const QString& text) noexcept
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].unicode() > 0xFF)
            return i;
    return -1;
}

QString DescribeCharacter(const QString& text, qsizetype pos)
{
    char32_t code = text.at(pos).unicode();
    qsizetype length = 1;
    if (QChar::isHighSurrogate(code) && pos + 1 < text.size() &&
        text.at(pos + 1).isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text.at(pos), text.at(pos + 1));
        length = 2;
    }
    const QString hex = QStringLiteral("%1").arg(static_cast<uint>(code), 4, 16, QLatin1Char('0'));
    return QStringLiteral("\"%1\" (U+%2)").arg(text.mid(pos, length), hex.toUpper());
}

QString DocumentText(const QTextDocument& document)
{
    QString text = document.toRawText();
    for (QChar& c : text)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
    return text;
}

void ApplyFont(QWidget& widget, const TFontData& data)
{
    widget.setFont(ToQFont(data));
    // Only the text role is set here, so every other role keeps following the parent.
    QPalette palette;
    palette.setResolveMask(0);
    if (const std::optional<QColor> fixed = FixedColor(data.Color))
        palette.setColor(QPalette::Text, *fixed);
    else if (IsSystemColor(data.Color) && RoleOf(data.Color) != QPalette::Text) {
        const QPalette parent =
            widget.parentWidget() != nullptr ? widget.parentWidget()->palette() : widget.palette();
        palette.setColor(QPalette::Text, parent.color(RoleOf(data.Color)));
    }
    if (palette.resolveMask() != 0 || widget.palette().isBrushSet(QPalette::Active, QPalette::Text))
        widget.setPalette(palette);
}

int TextLineHeight(const QFont& font)
{
    return QFontMetrics(font).height();
}

void FocusView(const IFrameFocus& view)
{
    if (QWidget* control = view.GetFocusControl())
        control->setFocus(Qt::OtherFocusReason);
}

} // namespace calc
