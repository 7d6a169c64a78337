#include "widgets/StatusBar.h"

#include <QMouseEvent>
#include <QPainter>

namespace calc {

/// The owner-drawn panel of the status bar.
class TStatusPanel final : public QWidget {
public:
    explicit TStatusPanel(TStatusBar& bar) : QWidget(&bar), FBar(bar)
    {
        setObjectName(QStringLiteral("StatusPanel"));
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }

    [[nodiscard]] QFont BoldFont() const
    {
        QFont bold = font();
        bold.setBold(true);
        return bold;
    }
    [[nodiscard]] QSize sizeHint() const override
    {
        const QFontMetrics metrics(BoldFont());
        return {metrics.averageCharWidth() * 20, metrics.height() + 4};
    }
    [[nodiscard]] QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().brush(backgroundRole()));
        painter.setFont(BoldFont());
        painter.setPen(FBar.TextColor());
        QString text = FBar.StatusText();
        // One line: the breaks of a long message read as blanks.
        text.replace(QLatin1String("\r\n"), QLatin1String(" "));
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QRect area = rect().adjusted(3, 0, -3, 0);
        const QString shown = painter.fontMetrics().elidedText(text, Qt::ElideRight, area.width());
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            FBar.PanelDoubleClicked();
        QWidget::mouseDoubleClickEvent(event);
    }

private:
    TStatusBar& FBar;
};

QColor ErrorTextColor(const QPalette& palette)
{
    // A dark background needs a lighter red to keep the contrast.
    const bool dark = palette.color(QPalette::Window).lightness() < 128;
    return dark ? QColor(255, 96, 96) : QColor(204, 0, 0);
}

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent), FPanel(new TStatusPanel(*this))
{
    addWidget(FPanel, 1);
}

void TStatusBar::SetStatus(bool isError, int pos, const QString& text)
{
    FIsError = isError;
    FErrorPos = pos;
    FText = text;
    clearMessage();
    FPanel->setToolTip(text);
    FPanel->update();
}

QColor TStatusBar::TextColor() const
{
    return FIsError ? ErrorTextColor(palette()) : palette().color(QPalette::WindowText);
}

void TStatusBar::ShowHint(const QString& hint)
{
    if (!hint.isEmpty() && hint != FPanel->toolTip())
        showMessage(hint);
    else
        clearMessage();
}

void TStatusBar::PanelDoubleClicked()
{
    if (FIsError)
        emit ErrorDoubleClicked(FErrorPos);
}

} // namespace calc
