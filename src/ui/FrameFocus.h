#pragma once

class QWidget;

namespace calc {

/// Implemented by every view: the control inside it that takes the keyboard focus when the view
/// is focused as a whole.
class IFrameFocus {
public:
    virtual ~IFrameFocus() = default;
    /// None when the view has nothing to focus.
    [[nodiscard]] virtual QWidget* GetFocusControl() const = 0;
};

/// Focuses the view's focus control, when it has one.
void FocusView(const IFrameFocus& view);

} // namespace calc
