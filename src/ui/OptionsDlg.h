#pragma once

#include "core/FontText.h"
#include "core/OptionsSnapshot.h"
#include "engine/ExprParser.h"

#include <QDialog>
#include <QFontDialog>
#include <QPointer>
#include <QString>
#include <array>
#include <string_view>

class QButtonGroup;
class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace calc {

class TCalcManager;

/// One of the separator pairs the dialog offers.
struct TSeparatorChoice {
    std::string_view Caption;
    std::string_view Decimals; ///< every character is a decimal separator
    char List;
};

/// The pairs in the order of the dialog's buttons.
inline constexpr std::array<TSeparatorChoice, 4> kSeparatorChoices{{
    {"    .              ,", ".", ','},
    {"    ,              ;", ",", ';'},
    {"    .              ;", ".", ';'},
    {"    .,             ;", ".,", ';'},
}};

/// The index of the pair that is exactly the given separators, or -1.
[[nodiscard]] int FindSeparatorChoice(const TCharSet& decimals, char list);

/// The calculator's general options: separators, history saving, the expression font,
/// right-aligned results and the toolbar style. The font and the toolbar style take effect
/// at once, the rest with OK; Cancel undoes everything.
class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOptions(TCalcManager& manager, QWidget* parent = nullptr);

    QTabWidget* PageControl = nullptr;
    QButtonGroup* SeparatorGroup = nullptr;
    QRadioButton* rbSep1 = nullptr;
    QRadioButton* rbSep2 = nullptr;
    QRadioButton* rbSep3 = nullptr;
    QRadioButton* rbSep4 = nullptr;
    QCheckBox* cbSaveHistory = nullptr;
    QLabel* lbFixedFontSampler = nullptr;
    QPushButton* btnFixedFontSelect = nullptr;
    QCheckBox* cbRightAlignResults = nullptr;
    QButtonGroup* rgTheme = nullptr;
    QRadioButton* rbThemeGradient = nullptr;
    QRadioButton* rbThemeSystem = nullptr;
    QDialogButtonBox* ButtonBox = nullptr;
    /// The font selection while it is open; none otherwise.
    [[nodiscard]] QFontDialog* FontDialog() const noexcept { return FFontDialog; }

    /// Opens the font selection on the expression font; each font chosen in it is shown at
    /// once, and cancelling it brings back the font it started with.
    void SelectFont();

    /// Applies the options in their order and saves them. A failure is shown; everything else
    /// is applied all the same and the options stay marked for saving at exit.
    void accept() override;
    /// Undoes the font and toolbar style shown so far and every other change.
    void reject() override;

private:
    [[nodiscard]] QWidget* CreateCalculatorPage();
    [[nodiscard]] QWidget* CreateInterfacePage();
    void ReadOptions();
    void ShowSampleFont();
    void FitSize();
    void PreviewFont(const QFont& font);
    void FontSelectionDone(int result);
    [[nodiscard]] TFontData FontDataOf(const QFont& font) const;

    TCalcManager& FManager;
    TOptionsSnapshot FSnapshot;
    QPointer<QFontDialog> FFontDialog;
    TFontData FFontBefore; ///< the expression font when the font selection opened
};

} // namespace calc
