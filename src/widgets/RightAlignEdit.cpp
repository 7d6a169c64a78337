#include "widgets/RightAlignEdit.h"

#include <QEvent>
#include <QFocusEvent>

namespace calc {

TRightAlignEdit::TRightAlignEdit(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    setFrame(false);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A style sheet in effect paints line edits from its own palette; this keeps them clear too.
    setStyleSheet(QStringLiteral("background: transparent"));
    ClearBackground();
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
    // A new palette for the text colour may bring a background back.
    if (event->type() == QEvent::PaletteChange)
        ClearBackground();
}

void TRightAlignEdit::ClearBackground()
{
    // Whatever the container paints shows through: a style may shade a box's inside unlike its
    // window colour. Setting the palette raises another change; a clear one ends the round.
    if (palette().color(QPalette::Base).alpha() == 0)
        return;
    QPalette pal = palette();
    pal.setBrush(QPalette::Base, Qt::transparent);
    setPalette(pal);
}

} // namespace calc
