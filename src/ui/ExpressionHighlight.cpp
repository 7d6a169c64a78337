#include "ui/ExpressionHighlight.h"

#include "ui/CoreText.h"

#include <QPalette>
#include <QTextBlock>
#include <algorithm>
#include <utility>
#include <vector>

namespace calc {

namespace {

// Hues of the parts; saturation and lightness follow the background.
constexpr int kNumberHue = 210;
constexpr int kOperatorHue = 285;
constexpr int kBuiltInHue = 25;
constexpr int kUserHue = 135;
constexpr int kErrorHue = 0;

/// The bracket that pairs with the one at pos, or -1.
int PartnerBracket(const std::vector<TTokenSpan>& spans, const std::string& core, std::size_t pos)
{
    std::vector<std::size_t> open;
    for (const TTokenSpan& span : spans) {
        if (span.Kind != TTokenKind::tkBracket)
            continue;
        const char c = core[span.Start];
        if (c == '(' || c == '{') {
            open.push_back(span.Start);
            continue;
        }
        // The scanner pairs every closing bracket it reads as one.
        const std::size_t opener = open.back();
        open.pop_back();
        if (opener == pos)
            return static_cast<int>(span.Start);
        if (span.Start == pos)
            return static_cast<int>(opener);
    }
    return -1;
}

} // namespace

TExpressionStyle::TExpressionStyle(const QPalette& palette)
    : FDark(palette.color(QPalette::Base).lightness() < 128), FText(palette.color(QPalette::Text)),
      FComment(palette.color(QPalette::PlaceholderText))
{
    QColor background = palette.color(QPalette::Highlight);
    const QColor base = palette.color(QPalette::Base);
    // A light wash of the selection colour: the bracket stays readable in its own colour.
    background.setRgb((background.red() + 2 * base.red()) / 3,
                      (background.green() + 2 * base.green()) / 3,
                      (background.blue() + 2 * base.blue()) / 3);
    FBracket.setBackground(background);
    FBracket.setFontWeight(QFont::Bold);
    FError.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    FError.setUnderlineColor(Tint(kErrorHue));
}

QColor TExpressionStyle::Tint(int hue) const
{
    return FDark ? QColor::fromHsl(hue, 170, 170) : QColor::fromHsl(hue, 200, 85);
}

QTextCharFormat TExpressionStyle::Format(TTokenKind kind) const
{
    QTextCharFormat format;
    switch (kind) {
    case TTokenKind::tkNumber:
        format.setForeground(Tint(kNumberHue));
        break;
    case TTokenKind::tkOperator:
        format.setForeground(Tint(kOperatorHue));
        break;
    case TTokenKind::tkBuiltInFunction:
    case TTokenKind::tkBuiltInConstant:
        format.setForeground(Tint(kBuiltInHue));
        break;
    case TTokenKind::tkUserFunction:
    case TTokenKind::tkUserConstant:
        format.setForeground(Tint(kUserHue));
        break;
    case TTokenKind::tkUnknownName:
        format.setForeground(FText);
        format.setFontItalic(true);
        break;
    case TTokenKind::tkComment:
        format.setForeground(FComment);
        format.setFontItalic(true);
        break;
    case TTokenKind::tkUnreadable:
        format.setForeground(Tint(kErrorHue));
        break;
    default:
        break;
    }
    return format;
}

QList<QTextLayout::FormatRange> ExpressionFormats(const QString& text,
                                                  const TScanSettings& settings,
                                                  const TExpressionStyle& style, int caret,
                                                  int errorPos, int errorLength, bool colours)
{
    QList<QTextLayout::FormatRange> formats;
    const std::string core = ToCore(text);
    if (colours) {
        const std::vector<TTokenSpan> spans = ScanExpression(core, settings);
        for (const TTokenSpan& span : spans) {
            QTextCharFormat format = style.Format(span.Kind);
            if (format.isEmpty())
                continue;
            formats.append(
                {static_cast<int>(span.Start), static_cast<int>(span.Length), std::move(format)});
        }
        // The bracket before the caret first, as editors do.
        for (const int pos : {caret - 1, caret}) {
            if (pos < 0 || pos >= text.size())
                continue;
            const int partner = PartnerBracket(spans, core, static_cast<std::size_t>(pos));
            if (partner < 0)
                continue;
            formats.append({pos, 1, style.MatchingBracket()});
            formats.append({partner, 1, style.MatchingBracket()});
            break;
        }
    }
    if (errorPos >= 0 && !text.isEmpty()) {
        // At the end of the text the mark goes under the last character.
        const int pos = std::min(errorPos, static_cast<int>(text.size()) - 1);
        formats.append({pos, std::max(1, errorLength), style.ErrorMark()});
    }
    return formats;
}

void TExpressionHighlighter::SetFormats(QList<QTextLayout::FormatRange> formats)
{
    FFormats = std::move(formats);
    rehighlight();
}

void TExpressionHighlighter::highlightBlock(const QString& text)
{
    const int start = currentBlock().position();
    const int end = start + static_cast<int>(text.size());
    for (const QTextLayout::FormatRange& range : std::as_const(FFormats)) {
        const int from = std::max(range.start, start);
        const int to = std::min(range.start + range.length, end);
        for (int pos = from; pos < to; ++pos) {
            QTextCharFormat merged = format(pos - start);
            merged.merge(range.format);
            setFormat(pos - start, 1, merged);
        }
    }
}

} // namespace calc
