#pragma once

class QWidget;

namespace calc {

/// Implemented by every view, so the window reaches its views without knowing their kinds.
class IFrameFocus {
public:
    virtual ~IFrameFocus() = default;
    /// The control inside the view that takes the keyboard focus when the view is focused as a
    /// whole; none when the view has nothing to focus.
    [[nodiscard]] virtual QWidget* GetFocusControl() const = 0;
    /// The manager's settings changed (fonts, separators, formats).
    virtual void SettingsChanged() = 0;
};

/// Focuses the view's focus control, when it has one.
void FocusView(const IFrameFocus& view);

} // namespace calc
