#include "widgets/ActionTools.h"

#include <QAction>
#include <QKeyEvent>

namespace calc {

QAction* NewAction(QObject* owner, const QString& caption, const QKeySequence& shortcut,
                   const QString& hint)
{
    auto* action = new QAction(caption, owner);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (!hint.isEmpty()) {
        const qsizetype bar = hint.indexOf(QLatin1Char('|'));
        action->setToolTip(bar < 0 ? hint : hint.left(bar));
        action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    }
    return action;
}

QList<QKeySequence> EnterShortcuts(Qt::KeyboardModifiers modifiers)
{
    return {QKeySequence(QKeyCombination(modifiers, Qt::Key_Return)),
            QKeySequence(QKeyCombination(modifiers, Qt::Key_Enter)),
            QKeySequence(QKeyCombination(modifiers | Qt::KeypadModifier, Qt::Key_Enter))};
}

bool IsEnterKey(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers mods =
        event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    return (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) &&
           mods == Qt::NoModifier;
}

} // namespace calc
