#include "widgets/ActionButton.h"

#include <QAction>
#include <QPushButton>

namespace calc {

QPushButton* NewActionButton(QAction* action, QWidget* parent)
{
    auto* button = new QPushButton(action->text(), parent);
    // Only the dialog's own default button reacts to Enter.
    button->setAutoDefault(false);
    const auto follow = [button, action] {
        button->setText(action->text());
        button->setToolTip(action->toolTip());
        button->setEnabled(action->isEnabled());
    };
    follow();
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QPushButton::clicked, action, [action] { action->trigger(); });
    return button;
}

} // namespace calc
