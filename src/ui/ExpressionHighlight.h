#pragma once

#include "engine/ExprScanner.h"

#include <QList>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QTextLayout>

class QPalette;

namespace calc {

/// The look of an expression's parts, derived from a palette so that it reads on its
/// background, light or dark.
class TExpressionStyle {
public:
    explicit TExpressionStyle(const QPalette& palette);
    [[nodiscard]] QTextCharFormat Format(TTokenKind kind) const;
    [[nodiscard]] const QTextCharFormat& MatchingBracket() const noexcept { return FBracket; }
    [[nodiscard]] const QTextCharFormat& ErrorMark() const noexcept { return FError; }

private:
    [[nodiscard]] QColor Tint(int hue) const;

    bool FDark;
    QColor FText;
    QColor FComment;
    QTextCharFormat FBracket;
    QTextCharFormat FError;
};

/// The formats of an expression text, later ranges over earlier ones: the parts by kind, the
/// bracket pair beside the caret (caret < 0: none), and the error mark over errorLength
/// characters from errorPos (errorPos < 0: none).
[[nodiscard]] QList<QTextLayout::FormatRange>
ExpressionFormats(const QString& text, const TScanSettings& settings, const TExpressionStyle& style,
                  int caret, int errorPos, int errorLength, bool colours);

/// Lays given formats, computed for the whole document, over the blocks of a multi-line editor.
class TExpressionHighlighter final : public QSyntaxHighlighter {
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;
    void SetFormats(QList<QTextLayout::FormatRange> formats);

protected:
    void highlightBlock(const QString& text) override;

private:
    QList<QTextLayout::FormatRange> FFormats;
};

} // namespace calc
