#pragma once

#include <QString>

class QWidget;

namespace calc {

/// The program's message boxes. Tests put their own answers in place, so that no test waits on
/// a modal dialog.
class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    /// A box captioned "Error" with an error icon and an OK button.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    /// A box captioned "Error" with an error icon, Retry and Cancel; true only for Retry.
    virtual bool RetryError(QWidget* parent, const QString& text) = 0;
    /// A box captioned "Confirmation" with OK and Cancel; true only for OK.
    virtual bool Confirm(QWidget* parent, const QString& text) = 0;
    /// An information box with an OK button.
    virtual void ShowInformation(QWidget* parent, const QString& caption, const QString& text) = 0;
};

/// The boxes in use: the modal ones unless SetMessageBoxes put others in place.
[[nodiscard]] IMessageBoxes& MessageBoxes();
/// Replaces the boxes (not owned); nullptr goes back to the modal ones.
void SetMessageBoxes(IMessageBoxes* boxes) noexcept;

/// Messages written with carriage returns as line breaks, in the form the toolkit shows.
[[nodiscard]] QString NormalizeLineBreaks(const QString& text);

void ShowErrorBox(QWidget* parent, const QString& text);
[[nodiscard]] bool RetryErrorBox(QWidget* parent, const QString& text);
[[nodiscard]] bool ConfirmBox(QWidget* parent, const QString& text);

} // namespace calc
