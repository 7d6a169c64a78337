#pragma once

#include <QDialog>
#include <string>
#include <string_view>

class QAction;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace calc {

class TDefinitionsRawStream;
struct TFontData;

/// Edits a whole definitions file as text: finds a definition in it, shows where the caret is,
/// and on OK writes the text back over the file. The text stays in the dialog until it is
/// written or the user lets it go.
class TfrmEditDefsFile final : public QDialog {
    Q_OBJECT
public:
    /// content: the file's bytes as read from stream. name: the definition to find when the
    /// dialog first shows; empty for none. font: the text font of the editor.
    TfrmEditDefsFile(TDefinitionsRawStream& stream, std::string_view content, const QString& name,
                     const TFontData& font, QWidget* parent = nullptr);

    /// Runs the dialog on the file's raw text. True once OK has rewritten the file; false when
    /// the user left it (the file untouched) or it could not be read (the error is shown).
    static bool Execute(TDefinitionsRawStream& stream, const std::string& name,
                        const TFontData& font, QWidget* parent = nullptr);

    /// Selects name in the first line that is no comment and starts with it, ignoring case.
    void SearchDefinition(const QString& name);
    /// Shows the caret's column and line, and how much is selected.
    void UpdatePosition();
    /// The text as the file would hold it: every line ended by CR LF.
    [[nodiscard]] std::string FileText() const;

    /// Writes the text over the file; refused, with the text kept, when that fails.
    void accept() override;
    /// Asks before an edit is dropped.
    void reject() override;

    QLabel* lbTextPosition;
    QLineEdit* edSearch;
    QPushButton* btnSearch;
    QPlainTextEdit* Editor;
    QDialogButtonBox* ButtonBox;
    QAction* EditSelectAll;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls(const TFontData& font);
    void SetText(std::string_view content);
    void SelectAll();
    /// Selects length characters of the editor from pos and shows them.
    void SelectInEditor(int pos, int length);

    TDefinitionsRawStream& FStream;
    /// The file started with a UTF-8 byte-order mark, which is written back but not shown.
    bool FByteOrderMark = false;
    bool FSearched = false;
};

} // namespace calc
