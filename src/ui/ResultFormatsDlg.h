#pragma once

#include "core/OptionsSnapshot.h"

#include <QDialog>
#include <vector>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QSpinBox;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace calc {

class TCalcManager;
class TResultProvider;

/// The row texts of a format's settings: "Format" is the name with " *" for the default,
/// "State" each offered setting joined by "; ".
[[nodiscard]] QString FormatRowCaption(const TResultProvider& format, bool isDefault);
[[nodiscard]] QString FormatRowState(const TResultProvider& format, int digits, bool checked);

/// Orders, shows, hides and configures the result formats and picks the default one. Edits
/// are made on the rows' copies and reach the formats when applied.
class TfrmResultFormats : public QDialog {
    Q_OBJECT
public:
    explicit TfrmResultFormats(TCalcManager& manager, QWidget* parent = nullptr);

    QTreeWidget* ListView = nullptr;
    QCheckBox* CheckBox = nullptr;
    /// The digit count with its spin buttons, and its caption on the left.
    QSpinBox* LabeledEdit = nullptr;
    QLabel* LabeledEditLabel = nullptr;
    QAction* actnMoveUp = nullptr;
    QAction* actnMoveDown = nullptr;
    QAction* actnShow = nullptr;
    QAction* actnHide = nullptr;
    QAction* actnDefault = nullptr;
    QAction* actnApply = nullptr;
    QDialogButtonBox* ButtonBox = nullptr;

    /// Edits not yet applied.
    [[nodiscard]] bool IsModified() const noexcept { return FModified; }
    /// Writes every row's copy to its format in one batch update.
    void ApplyChanges();
    void UpdateActions();

    /// Applies what is not applied yet and saves the options; a failed save is shown and the
    /// options stay marked for saving at exit.
    void accept() override;
    /// Undoes whatever was applied while the dialog was open.
    void reject() override;

private:
    /// The dialog's copy of one format's settings.
    struct TFormatRow {
        TResultProvider* Format;
        int Digits;
        bool Checked;
        bool Visible;
        bool IsDefault;
    };

    void CreateActions();
    void CreateControls();
    void FillList();
    void FitToCaptions();
    [[nodiscard]] TFormatRow& RowOf(const QTreeWidgetItem& item);
    [[nodiscard]] QTreeWidgetItem* SelectedItem() const;
    void UpdateItem(QTreeWidgetItem& item);
    void ShowItemSettings();
    void ItemChanged(QTreeWidgetItem* item);
    void CheckBoxClicked(bool checked);
    void DigitsChanged(int value);
    void MoveSelected(int delta);
    void SetSelectedVisible(bool value);
    void MakeSelectedDefault();
    void Modify();
    void ScheduleUpdateActions();

    TCalcManager& FManager;
    TOptionsSnapshot FSnapshot;
    std::vector<TFormatRow> FRows; ///< by the formats' list index
    bool FModified = false;
    bool FFilling = false;
    QTimer* FUpdateTimer = nullptr;
};

} // namespace calc
