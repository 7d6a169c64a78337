#pragma once

#include <QLineEdit>

namespace calc {

/// A borderless, read-only text field over its container's background whose text can be
/// right-aligned.
class TRightAlignEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TRightAlignEdit(QWidget* parent = nullptr);

    [[nodiscard]] bool RightAlign() const noexcept { return FRightAlign; }
    /// Takes effect at once.
    void SetRightAlign(bool value);

signals:
    /// The field received the keyboard focus.
    void FocusReceived(Qt::FocusReason reason);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ClearBackground();

    bool FRightAlign = false;
};

} // namespace calc
