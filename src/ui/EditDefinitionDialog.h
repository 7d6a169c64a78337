#pragma once

#include "definitions/ExprParserDefinitions.h"

#include <QDialog>
#include <string>
#include <string_view>

class QButtonGroup;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace calc {

struct TFontData;

/// Writes one definition of a group, a new one or an existing one, with its comment. OK adds or
/// changes the definition in the group itself and is refused, with the dialog left open, when
/// the group refuses the definition; writing the file is the caller's part.
class TfrmEditDefinition final : public QDialog {
    Q_OBJECT
public:
    /// index: the definition edited, negative for a new one. font: the text font of the
    /// definition row and the comment.
    TfrmEditDefinition(TDefinitionsGroup& group, int index, const TFontData& font,
                       QWidget* parent = nullptr);

    /// Runs the dialog. On OK the group holds the definition, comment its stored (escaped)
    /// form, and the answer is true; otherwise nothing changes.
    static bool Execute(TDefinitionsGroup& group, std::string& comment, int index,
                        const TFontData& font, QWidget* parent = nullptr);

    [[nodiscard]] bool IsNew() const noexcept { return FIsNew; }
    [[nodiscard]] TDefinitionKind Kind() const noexcept { return FKind; }
    void SetKind(TDefinitionKind value);
    /// Fills the comment field from a comment in stored form.
    void SetComment(std::string_view stored);
    /// The comment field in stored form: one line.
    [[nodiscard]] std::string Comment() const;

    /// Adds or changes the definition; refused while the group or the file would refuse it.
    void accept() override;

    QGroupBox* rgDefinitionType;
    QRadioButton* rbConstant;
    QRadioButton* rbFunction;
    QWidget* fpDefinition;
    QLineEdit* edDefinitionName;
    QLabel* lbBracketLeft;
    QLineEdit* edDefinitionArguments;
    QLabel* lbBracketRight;
    QLabel* lbEqual;
    QLineEdit* edDefinitionText;
    QPlainTextEdit* CommentEditor;
    QDialogButtonBox* ButtonBox;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls(const TFontData& font);
    void Setup(int index);
    void SetIsNew(bool value);
    void UpdateKindControls();
    /// The field's width follows its text, within the bounds (design pixels for minimum).
    void FitWidth(QLineEdit* field, int minimum, int maximum);
    void RowResized();
    void UpdateRowHeight();
    /// Why the file could not store the input as typed (the field concerned gets the focus);
    /// empty when it can.
    [[nodiscard]] QString StorableError() const;

    TDefinitionsGroup& FGroup;
    int FIndex = -1;
    bool FIsNew = true;
    TDefinitionKind FKind = TDefinitionKind::dkConst;
    QButtonGroup* FKindButtons;
    QLabel* lbDefinition;
    /// The name and arguments fields once their text has set their width.
    bool FNameFitted = false;
    bool FArgumentsFitted = false;
};

} // namespace calc
