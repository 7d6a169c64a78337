#pragma once

class QWidget;

namespace calc {

/// Brings the layouts from the widget up to its window up to date at once, so that the window's
/// minimum size already counts a change that would otherwise wait for the next event round.
void ActivateLayouts(QWidget* widget);

/// Whether the window fills the screen (maximised or full screen), so its size is not its own.
[[nodiscard]] bool IsMaximized(const QWidget& window);

} // namespace calc
