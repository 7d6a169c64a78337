#include "widgets/RightAlignEdit.h"

#include <QEvent>
#include <QFocusEvent>

namespace calc {

TRightAlignEdit::TRightAlignEdit(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    setFrame(false);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SyncBackground();
}

void TRightAlignEdit::SetRightAlign(bool value)
{
    FRightAlign = value;
    setAlignment((value ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    update();
}

void TRightAlignEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    emit FocusReceived(event->reason());
}

void TRightAlignEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        SyncBackground();
}

void TRightAlignEdit::SyncBackground()
{
    const QWidget* source = parentWidget() != nullptr ? parentWidget() : this;
    const QColor background = source->palette().color(QPalette::Window);
    // Setting the palette raises another palette change; equal colors end the round.
    if (palette().color(QPalette::Base) == background)
        return;
    QPalette pal = palette();
    pal.setColor(QPalette::Base, background);
    setPalette(pal);
}

} // namespace calc
