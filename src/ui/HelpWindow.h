#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;

namespace calc {

/// The user guide's file: <prefix>/share/zembrical/help/index.html for a program in
/// <prefix>/bin (the build tree is laid out alike); empty when it is not there.
[[nodiscard]] QString HelpFileName();
/// Shows another guide (tests); an empty name goes back to the usual one.
void SetHelpFileName(const QString& fileName);

/// The user guide in a window of its own, with a search field: typing finds the text as it is
/// typed, Enter and F3 find the next place, Shift with them the previous one.
class TfrmHelp final : public QWidget {
    Q_OBJECT
public:
    explicit TfrmHelp(const QString& fileName, QWidget* parent = nullptr);

    [[nodiscard]] QTextBrowser* Browser() const noexcept { return FBrowser; }
    [[nodiscard]] QLineEdit* SearchField() const noexcept { return FSearch; }
    /// False when the last search found nothing.
    [[nodiscard]] bool Found() const noexcept { return FFound; }

    /// Finds the search field's text after (or before) the selection, wrapping around.
    void FindNext(bool backward = false);

private:
    void SearchChanged();
    void ShowFound(bool found);

    QTextBrowser* FBrowser;
    QLineEdit* FSearch;
    QLabel* FNotFound;
    bool FFound = true;
};

/// Opens the user guide, or brings its window to the front when it is open already. Without a
/// guide nothing happens. Returns the window, or nullptr.
TfrmHelp* ShowHelpWindow(QWidget* owner);

} // namespace calc
