#include "ui/OptionsDlg.h"

#include "core/CalcCore.h"
#include "ui/CoreText.h"
#include "widgets/MessageBoxes.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace calc {

namespace {

/// The client area the dialog is designed for.
constexpr QSize kDesignSize(415, 283);
/// The column heads line up with the separator characters of the choices' captions.
constexpr const char* kSeparatorHeads = " Decimal          List";

} // namespace

int FindSeparatorChoice(const TCharSet& decimals, char list)
{
    for (std::size_t i = 0; i < kSeparatorChoices.size(); ++i)
        if (TCharSet(kSeparatorChoices[i].Decimals) == decimals &&
            kSeparatorChoices[i].List == list)
            return static_cast<int>(i);
    return -1;
}

TfrmOptions::TfrmOptions(TCalcManager& manager, QWidget* parent)
    : QDialog(parent), FManager(manager), FSnapshot(manager)
{
    setWindowTitle(tr("Options"));
    PageControl = new QTabWidget(this);
    PageControl->addTab(CreateCalculatorPage(), tr("Calculator"));
    PageControl->addTab(CreateInterfacePage(), tr("Interface"));
    ButtonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(ButtonBox, &QDialogButtonBox::accepted, this, &TfrmOptions::accept);
    connect(ButtonBox, &QDialogButtonBox::rejected, this, &TfrmOptions::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl, 1);
    layout->addWidget(ButtonBox);
    ReadOptions();
}

QWidget* TfrmOptions::CreateCalculatorPage()
{
    auto* page = new QWidget;
    auto* group = new QGroupBox(tr(" Decimal and list separators "), page);
    auto* grid = new QGridLayout(group);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    SeparatorGroup = new QButtonGroup(this);
    SeparatorGroup->setExclusive(true);
    std::array<QRadioButton**, 4> buttons{&rbSep1, &rbSep2, &rbSep3, &rbSep4};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        auto* button = new QRadioButton(FromCore(kSeparatorChoices[i].Caption), group);
        button->setFont(fixed);
        SeparatorGroup->addButton(button, static_cast<int>(i));
        grid->addWidget(button, static_cast<int>(i) + 1, 0);
        *buttons[i] = button;
    }
    grid->addWidget(new QLabel(tr("(mixed mode)"), group), 4, 1);
    // The heads start where the captions' text does, beside the radio indicator.
    QStyleOptionButton option;
    option.initFrom(rbSep1);
    option.text = rbSep1->text();
    const int indent =
        rbSep1->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, rbSep1).left();
    auto* heads = new QLabel(tr(kSeparatorHeads), group);
    heads->setFont(fixed);
    heads->setContentsMargins(indent, 0, 0, 0);
    grid->addWidget(heads, 0, 0);
    grid->setColumnStretch(2, 1);

    cbSaveHistory = new QCheckBox(tr("Save History"), page);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addWidget(cbSaveHistory);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmOptions::CreateInterfacePage()
{
    auto* page = new QWidget;
    auto* fontGroup = new QGroupBox(tr(" Expression Font "), page);
    lbFixedFontSampler = new QLabel(tr("TestFunc(X) = 12 345 679 * 8 - X"), fontGroup);
    lbFixedFontSampler->setAlignment(Qt::AlignCenter);
    lbFixedFontSampler->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    lbFixedFontSampler->setMargin(4);
    lbFixedFontSampler->setMinimumHeight(2 * fontMetrics().height());
    btnFixedFontSelect = new QPushButton(tr("Select..."), fontGroup);
    btnFixedFontSelect->setAutoDefault(false);
    connect(btnFixedFontSelect, &QPushButton::clicked, this, &TfrmOptions::SelectFont);
    auto* fontLayout = new QHBoxLayout(fontGroup);
    fontLayout->addWidget(lbFixedFontSampler, 1);
    fontLayout->addWidget(btnFixedFontSelect, 0, Qt::AlignVCenter);

    cbRightAlignResults = new QCheckBox(tr("Right Align Results"), page);

    auto* themeGroup = new QGroupBox(tr(" Toolbar Theme "), page);
    rgTheme = new QButtonGroup(this);
    rbThemeGradient = new QRadioButton(tr("Gradient"), themeGroup);
    rbThemeSystem = new QRadioButton(tr("Use System Style"), themeGroup);
    rgTheme->addButton(rbThemeGradient, 0);
    rgTheme->addButton(rbThemeSystem, 1);
    auto* themeLayout = new QGridLayout(themeGroup);
    themeLayout->addWidget(rbThemeGradient, 0, 0);
    themeLayout->addWidget(rbThemeSystem, 0, 1);
    // The toolbars follow at once, through the manager's settings-changed notification.
    connect(rgTheme, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            FManager.SetGradientTheme(id == 0);
    });

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(fontGroup);
    layout->addWidget(cbRightAlignResults);
    layout->addWidget(themeGroup);
    layout->addStretch(1);
    return page;
}

void TfrmOptions::ReadOptions()
{
    const int choice = FindSeparatorChoice(FManager.DecimalSeparators(), FManager.ListSeparator());
    if (choice >= 0)
        SeparatorGroup->button(choice)->setChecked(true);
    cbSaveHistory->setChecked(FManager.History().LoadHistory());
    cbRightAlignResults->setChecked(FManager.Results().RightAlign());
    {
        const QSignalBlocker blocker(rgTheme);
        (FManager.GradientTheme() ? rbThemeGradient : rbThemeSystem)->setChecked(true);
    }
    ShowSampleFont();
}

void TfrmOptions::ShowSampleFont()
{
    const TFontData& data = FManager.Font();
    lbFixedFontSampler->setFont(ToQFont(data));
    QPalette palette = lbFixedFontSampler->parentWidget()->palette();
    if (const std::optional<QColor> color = FixedColor(data.Color))
        palette.setColor(QPalette::WindowText, *color);
    lbFixedFontSampler->setPalette(palette);
    FitSize();
}

void TfrmOptions::FitSize()
{
    // A larger font makes the dialog grow rather than clip the sample, up to the screen. The
    // layouts above the sample would learn of its new size only once their events ran.
    for (QWidget* widget = lbFixedFontSampler; widget != nullptr && widget != this;
         widget = widget->parentWidget())
        widget->updateGeometry();
    QSize size = sizeHint().expandedTo(kDesignSize);
    if (const QScreen* screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size());
    setFixedSize(size);
}

TFontData TfrmOptions::FontDataOf(const QFont& font) const
{
    TFontData data = FontDataFromQFont(font);
    // Only what the font selection offers changes; the color stays the stored one.
    data.Color = FFontBefore.Color;
    data.Charset = FFontBefore.Charset;
    data.Pitch = QFontInfo(font).fixedPitch() ? TFontPitch::fpFixed : TFontPitch::fpDefault;
    return data;
}

void TfrmOptions::SelectFont()
{
    if (FFontDialog != nullptr)
        return;
    FFontBefore = FManager.Font();
    // Qt's own dialog reports each font as it is chosen, which the preview needs.
    FFontDialog = new QFontDialog(this);
    FFontDialog->setOption(QFontDialog::DontUseNativeDialog);
    FFontDialog->setCurrentFont(ToQFont(FFontBefore));
    connect(FFontDialog, &QFontDialog::currentFontChanged, this, &TfrmOptions::PreviewFont);
    connect(FFontDialog, &QFontDialog::finished, this, &TfrmOptions::FontSelectionDone);
    FFontDialog->open();
}

void TfrmOptions::PreviewFont(const QFont& font)
{
    FManager.SetFont(FontDataOf(font));
    ShowSampleFont();
}

void TfrmOptions::FontSelectionDone(int result)
{
    if (FFontDialog == nullptr)
        return;
    QFontDialog* dialog = FFontDialog;
    FFontDialog = nullptr;
    dialog->disconnect(this);
    FManager.SetFont(result == QDialog::Accepted ? FontDataOf(dialog->selectedFont())
                                                 : FFontBefore);
    ShowSampleFont();
    dialog->deleteLater();
    activateWindow(); // also where no window manager hands the keyboard back
}

void TfrmOptions::accept()
{
    QStringList failures;
    const auto step = [&failures](const auto& apply) {
        try {
            apply();
        }
        catch (const EException& e) {
            failures << QString::fromLocal8Bit(e.what());
        }
    };
    // Switching saving on reads the history file, switching it off writes it a last time.
    step([this] { FManager.History().SetLoadHistory(cbSaveHistory->isChecked()); });
    FManager.Results().SetRightAlign(cbRightAlignResults->isChecked());
    // With none of the pairs ticked the separators stay as they are.
    if (const int choice = SeparatorGroup->checkedId(); choice >= 0) {
        const TSeparatorChoice& pair = kSeparatorChoices[static_cast<std::size_t>(choice)];
        FManager.SetDecimalSeparators(TCharSet(pair.Decimals));
        FManager.SetListSeparator(pair.List);
    }
    step([this] { FManager.SaveOptions(); });
    if (!failures.isEmpty()) {
        // Saved again at exit, when the failure may be gone.
        FManager.SetModified(true);
        ShowErrorBox(this, failures.join(QStringLiteral("\r\r")));
    }
    QDialog::accept();
}

void TfrmOptions::reject()
{
    if (FFontDialog != nullptr)
        FFontDialog->reject();
    try {
        FSnapshot.Restore();
    }
    catch (const EException& e) {
        ShowErrorBox(this, QString::fromLocal8Bit(e.what()));
    }
    QDialog::reject();
}

} // namespace calc
