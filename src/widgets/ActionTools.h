#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

class QAction;
class QKeyEvent;
class QObject;

namespace calc {

/// A command with its caption, shortcut and hint; a hint "tip|long" gives the tooltip and the
/// long text of the status bar, a hint without "|" serves as both.
QAction* NewAction(QObject* owner, const QString& caption, const QKeySequence& shortcut = {},
                   const QString& hint = {});

/// The modifiers with Enter of the main keyboard and of the keypad.
[[nodiscard]] QList<QKeySequence> EnterShortcuts(Qt::KeyboardModifiers modifiers);

/// Enter or keypad Enter, alone or with Shift (which editors treat as plain Enter).
[[nodiscard]] bool IsEnterKey(const QKeyEvent& event);

} // namespace calc
