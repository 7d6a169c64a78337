#pragma once

#include "definitions/NameKinds.h"
#include "ui/FrameFocus.h"

#include <QTextLayout>
#include <QWidget>
#include <cstdint>
#include <string>

class QCompleter;
class QLabel;
class QModelIndex;
class QStandardItemModel;
class QTimer;
class QVBoxLayout;

namespace calc {

class TCalcManager;

/// The expression line. Hands every edit to the manager, evaluates on Enter and carries out
/// the manager's requests to insert text and to show an error position. A view taller than two
/// lines edits in a multi-line field instead.
class TfrmExpressionView : public QWidget, public IFrameFocus {
    Q_OBJECT
public:
    explicit TfrmExpressionView(TCalcManager& manager, QWidget* parent = nullptr);
    ~TfrmExpressionView() override;

    /// The editor's text; empty when there is no editor.
    [[nodiscard]] QString GetText() const;
    /// The editor.
    [[nodiscard]] QWidget* GetFocusControl() const override { return FEditor; }
    [[nodiscard]] bool IsMultiLine() const noexcept { return FMultiLine; }
    [[nodiscard]] int LineHeight() const noexcept { return FLineHeight; }
    /// The editor's caret offset.
    [[nodiscard]] int CaretPosition() const;
    /// The selected text of the editor.
    [[nodiscard]] QString SelectedText() const;

    /// The manager's settings changed: a new font may make the view single-line again.
    void SettingsChanged() override;

    // The switches are the manager's options: they are saved with them.

    /// Colours the parts of the expression and pairs the bracket beside the caret.
    [[nodiscard]] bool Highlighting() const noexcept;
    void SetHighlighting(bool value);
    /// Underlines the position of the last evaluation's error.
    [[nodiscard]] bool ErrorMarking() const noexcept;
    void SetErrorMarking(bool value);
    /// Offers the nearest known name for an unknown one, as the editor's tool tip; Ctrl+.
    /// puts it in.
    [[nodiscard]] bool Suggesting() const noexcept;
    void SetSuggesting(bool value);
    /// The name offered for the unknown one of the last evaluation; empty for none.
    [[nodiscard]] const QString& Suggestion() const noexcept { return FSuggestion; }
    /// Replaces the unknown name with the one offered.
    void ApplySuggestion();
    /// The list of names that match the one being typed; nullptr when there is none yet.
    [[nodiscard]] QCompleter* Completer() const noexcept { return FCompleter; }
    /// The hint with the signature of the call around the caret; hidden when there is none.
    [[nodiscard]] QLabel* SignatureHint() const noexcept { return FSignatureHint; }
    /// The formats laid over the editor's text, in the order they apply.
    [[nodiscard]] const QList<QTextLayout::FormatRange>& TextFormats() const noexcept
    {
        return FFormats;
    }

signals:
    /// The editor's text changed (commands that depend on it are to be refreshed).
    void TextChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct TCaret {
        int Anchor = 0;
        int Position = 0;
    };

    void UpdateFont();
    void FitLineHeight();
    void SetMultiLine(bool value);
    void CreateEditor();
    [[nodiscard]] bool IsTall() const;
    void InsertText(const std::string& text, bool replace, bool literal);
    void GotoError(int pos);
    void PostFocus();
    void EditorChanged();
    void EnterPressed();
    /// Shows the history entry step places older (newer when negative) than the one shown;
    /// past the newest, the text typed before the first step.
    void Recall(int step);

    [[nodiscard]] TCaret GetCaret() const;
    void SetCaret(TCaret caret);
    void SetEditorText(const QString& text);
    void ReplaceSelection(const QString& text);
    void Evaluated(int code, int pos);
    void FindUnknownName(int code, int pos);
    void UpdateHint();
    /// Opens, filters or closes the list for the name before the caret; forced, it opens
    /// whatever the name's length.
    void UpdateCompletion(bool forced);
    void Complete(const QModelIndex& index);
    void UpdateSignatureHint();
    void CaretMoved();
    void UpdateFormats();

    TCalcManager& FManager;
    QVBoxLayout* FLayout;
    /// Decides the editor kind once a round of resizing is over: the window passes through
    /// intermediate sizes when it fits itself to the results.
    QTimer* FResizeTimer;
    QWidget* FEditor = nullptr;
    bool FMultiLine = false;
    int FEditorExtra = 6;
    int FLineHeight = 0;
    /// The history entry shown by Up and Down, or -1 while the text is the user's own.
    int FRecallIndex = -1;
    QString FRecallTyped;
    bool FRecalling = false;
    TDefinitionsNames FNames;
    /// The unknown name of the last evaluation's error and its place, if it was about one.
    int FNameStart = -1;
    int FNameLength = 0;
    bool FNameCalled = false;
    QString FSuggestion;
    QCompleter* FCompleter = nullptr;
    QStandardItemModel* FCompletionModel = nullptr;
    /// The registry's change count the completion list was made at.
    std::uint64_t FCompletionNames = 0;
    bool FCompletionFilled = false;
    /// Where the name the list completes starts.
    int FCompletionStart = 0;
    bool FCompleting = false;
    QLabel* FSignatureHint = nullptr;
    /// Where the last evaluation of the text shown failed, or -1.
    int FErrorPos = -1;
    /// Set while formats go to the editor, whose signals then say nothing new.
    bool FFormatting = false;
    QList<QTextLayout::FormatRange> FFormats;
    /// What the formats were last made from.
    struct TFormatsInput {
        const QWidget* Editor = nullptr;
        QString Text;
        int Caret = -1;
        int ErrorStart = -1;
        int ErrorLength = 0;
        bool Colours = false;
        std::string DecimalSeparators;
        char ListSeparator = '\0';
        qint64 Palette = 0;
        bool operator==(const TFormatsInput&) const = default;
    };
    TFormatsInput FFormatsInput;
};

} // namespace calc
