#pragma once

class QAction;
class QPushButton;
class QWidget;

namespace calc {

/// A push button that presents a command: it shows the command's caption and tip, follows its
/// enabled state and triggers it when clicked.
QPushButton* NewActionButton(QAction* action, QWidget* parent);

} // namespace calc
