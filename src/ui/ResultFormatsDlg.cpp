#include "ui/ResultFormatsDlg.h"

#include "core/CalcCore.h"
#include "ui/CoreText.h"
#include "widgets/ActionButton.h"
#include "widgets/ActionTools.h"
#include "widgets/MessageBoxes.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace calc {

namespace {

/// The client area the dialog is designed for.
constexpr QSize kDesignSize(470, 374);
constexpr int kFormatColumnWidth = 160;
constexpr int kStateColumnWidth = 180;
/// The row's list index of its format.
constexpr int kIndexRole = Qt::UserRole;

/// A control that keeps its place in the layout while hidden, so the dialog does not jump.
void RetainSpace(QWidget& widget)
{
    QSizePolicy policy = widget.sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget.setSizePolicy(policy);
}

} // namespace

QString FormatRowCaption(const TResultProvider& format, bool isDefault)
{
    return FromCore(format.GetName()) + (isDefault ? QStringLiteral(" *") : QString());
}

QString FormatRowState(const TResultProvider& format, int digits, bool checked)
{
    QStringList parts;
    const TResultOptions options = format.GetOptions();
    if (options.Contains(TResultOptionKind::okCheck))
        parts << FromCore(format.GetOptionCaption(TResultOptionKind::okCheck)) +
                     QStringLiteral(": ") +
                     (checked ? TfrmResultFormats::tr("Yes") : TfrmResultFormats::tr("No"));
    if (options.Contains(TResultOptionKind::okNumber))
        parts << FromCore(format.GetOptionCaption(TResultOptionKind::okNumber)) + QLatin1Char(' ') +
                     QString::number(digits);
    return parts.join(QStringLiteral("; "));
}

TfrmResultFormats::TfrmResultFormats(TCalcManager& manager, QWidget* parent)
    : QDialog(parent), FManager(manager), FSnapshot(manager)
{
    setWindowTitle(tr("Result Formats"));
    FUpdateTimer = new QTimer(this);
    FUpdateTimer->setSingleShot(true);
    FUpdateTimer->setInterval(0);
    connect(FUpdateTimer, &QTimer::timeout, this, &TfrmResultFormats::UpdateActions);
    CreateActions();
    CreateControls();
    FillList();
    FitToCaptions();
    setFixedSize(sizeHint().expandedTo(kDesignSize));
    ShowItemSettings();
    UpdateActions();
}

void TfrmResultFormats::CreateActions()
{
    actnMoveUp = NewAction(this, tr("Move Up"));
    connect(actnMoveUp, &QAction::triggered, this, [this] { MoveSelected(-1); });
    actnMoveDown = NewAction(this, tr("Move Down"));
    connect(actnMoveDown, &QAction::triggered, this, [this] { MoveSelected(+1); });
    actnShow = NewAction(this, tr("Show"));
    connect(actnShow, &QAction::triggered, this, [this] { SetSelectedVisible(true); });
    actnHide = NewAction(this, tr("Hide"));
    connect(actnHide, &QAction::triggered, this, [this] { SetSelectedVisible(false); });
    actnDefault = NewAction(this, tr("Default (*)"));
    connect(actnDefault, &QAction::triggered, this, &TfrmResultFormats::MakeSelectedDefault);
    actnApply = NewAction(this, tr("Apply"));
    connect(actnApply, &QAction::triggered, this, &TfrmResultFormats::ApplyChanges);
}

void TfrmResultFormats::CreateControls()
{
    ListView = new QTreeWidget(this);
    ListView->setColumnCount(2);
    ListView->setHeaderLabels({tr("Format"), tr("State")});
    ListView->setRootIsDecorated(false);
    ListView->setUniformRowHeights(true);
    ListView->setAllColumnsShowFocus(true);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->header()->setSectionsClickable(false);
    ListView->header()->setSectionsMovable(false);
    // The selected row stays marked while the settings controls have the focus.
    QPalette palette = ListView->palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    ListView->setPalette(palette);

    // Created in the order the Tab key visits them: the list, its commands, the settings.
    auto* buttons = new QVBoxLayout;
    for (QAction* action : {actnMoveUp, actnMoveDown, actnShow, actnHide, actnDefault, actnApply})
        buttons->addWidget(NewActionButton(action, this));
    buttons->addStretch(1);

    CheckBox = new QCheckBox(this);
    RetainSpace(*CheckBox);
    LabeledEditLabel = new QLabel(this);
    LabeledEdit = new QSpinBox(this);
    LabeledEdit->setValue(0);
    LabeledEditLabel->setBuddy(LabeledEdit);
    RetainSpace(*LabeledEditLabel);
    RetainSpace(*LabeledEdit);
    connect(CheckBox, &QCheckBox::clicked, this, &TfrmResultFormats::CheckBoxClicked);
    connect(LabeledEdit, &QSpinBox::valueChanged, this, &TfrmResultFormats::DigitsChanged);

    auto* top = new QHBoxLayout;
    top->addWidget(ListView, 1);
    top->addLayout(buttons);

    auto* settings = new QHBoxLayout;
    settings->addWidget(CheckBox);
    settings->addStretch(1);
    settings->addWidget(LabeledEditLabel);
    settings->addWidget(LabeledEdit);

    ButtonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(ButtonBox, &QDialogButtonBox::accepted, this, &TfrmResultFormats::accept);
    connect(ButtonBox, &QDialogButtonBox::rejected, this, &TfrmResultFormats::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(settings);
    layout->addWidget(ButtonBox);

    connect(ListView, &QTreeWidget::itemChanged, this, &TfrmResultFormats::ItemChanged);
    connect(ListView, &QTreeWidget::itemSelectionChanged, this, [this] {
        ShowItemSettings();
        ScheduleUpdateActions();
    });
    // Space ticks the check box of the current cell, wherever in the row the user clicked.
    connect(ListView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.column() != 0)
                    ListView->selectionModel()->setCurrentIndex(current.siblingAtColumn(0),
                                                                QItemSelectionModel::NoUpdate);
            });
    connect(ListView, &QTreeWidget::itemDoubleClicked, this, [this] {
        UpdateActions();
        if (actnDefault->isEnabled())
            actnDefault->trigger();
    });
}

void TfrmResultFormats::FillList()
{
    const TResultsManager& results = FManager.Results();
    FRows.clear();
    for (int i = 0; i < results.Count(); ++i) {
        TResultProvider& format = results.Items(i);
        FRows.push_back(
            {&format, format.Digits(), format.Checked(), format.Visible(), format.IsDefault()});
    }
    const QScopedValueRollback filling(FFilling, true);
    for (const TResultProvider& format : results) {
        const auto row = std::find_if(FRows.begin(), FRows.end(),
                                      [&](const TFormatRow& r) { return r.Format == &format; });
        auto* item = new QTreeWidgetItem(ListView);
        item->setData(0, kIndexRole, static_cast<int>(row - FRows.begin()));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, format.Visible() ? Qt::Checked : Qt::Unchecked);
        UpdateItem(*item);
    }
    if (ListView->topLevelItemCount() > 0)
        ListView->setCurrentItem(ListView->topLevelItem(0));
}

void TfrmResultFormats::FitToCaptions()
{
    // Measured with the widest texts any format can show, so that none is clipped in a larger
    // font and the dialog does not change its size while the user goes through the rows.
    const QFontMetrics metrics(ListView->font());
    int captionWidth = 0;
    int stateWidth = 0;
    QString widestCheck;
    QString widestNumber;
    for (const TFormatRow& row : FRows) {
        const TResultProvider& format = *row.Format;
        captionWidth =
            std::max(captionWidth, metrics.horizontalAdvance(FormatRowCaption(format, true)));
        stateWidth =
            std::max(stateWidth,
                     metrics.horizontalAdvance(FormatRowState(format, format.DigitsMax(), false)));
        for (const auto& [kind, widest] : {std::pair{TResultOptionKind::okCheck, &widestCheck},
                                           std::pair{TResultOptionKind::okNumber, &widestNumber}}) {
            const QString caption = FromCore(format.GetOptionCaption(kind));
            if (format.GetOptions().Contains(kind) &&
                metrics.horizontalAdvance(caption) > metrics.horizontalAdvance(*widest))
                *widest = caption;
        }
    }
    // Room for the check box and the cell margins.
    const int decoration = ListView->style()->pixelMetric(QStyle::PM_IndicatorWidth) + 24;
    QHeaderView& header = *ListView->header();
    header.resizeSection(0, std::max(kFormatColumnWidth, captionWidth + decoration));
    header.resizeSection(1, std::max(kStateColumnWidth, stateWidth + 16));
    ListView->setMinimumWidth(header.sectionSize(0) + header.sectionSize(1) +
                              2 * ListView->frameWidth());
    CheckBox->setText(widestCheck);
    LabeledEditLabel->setText(widestNumber);
}

TfrmResultFormats::TFormatRow& TfrmResultFormats::RowOf(const QTreeWidgetItem& item)
{
    return FRows.at(static_cast<std::size_t>(item.data(0, kIndexRole).toInt()));
}

QTreeWidgetItem* TfrmResultFormats::SelectedItem() const
{
    const QList<QTreeWidgetItem*> selected = ListView->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

void TfrmResultFormats::UpdateItem(QTreeWidgetItem& item)
{
    const TFormatRow& row = RowOf(item);
    const QScopedValueRollback filling(FFilling, true);
    item.setText(0, FormatRowCaption(*row.Format, row.IsDefault));
    item.setText(1, FormatRowState(*row.Format, row.Digits, row.Checked));
}

void TfrmResultFormats::ShowItemSettings()
{
    const QTreeWidgetItem* item = SelectedItem();
    // A row losing the selection leaves the controls as they are; they only rest.
    CheckBox->setEnabled(item != nullptr);
    LabeledEdit->setEnabled(item != nullptr);
    if (item == nullptr)
        return;
    const TFormatRow& row = RowOf(*item);
    const TResultOptions options = row.Format->GetOptions();
    const bool hasCheck = options.Contains(TResultOptionKind::okCheck);
    CheckBox->setVisible(hasCheck);
    if (hasCheck) {
        const QSignalBlocker blocker(CheckBox);
        CheckBox->setText(FromCore(row.Format->GetOptionCaption(TResultOptionKind::okCheck)));
        CheckBox->setChecked(row.Checked);
    }
    const bool hasNumber = options.Contains(TResultOptionKind::okNumber);
    LabeledEditLabel->setVisible(hasNumber);
    LabeledEdit->setVisible(hasNumber);
    if (hasNumber) {
        const QSignalBlocker blocker(LabeledEdit);
        LabeledEditLabel->setText(
            FromCore(row.Format->GetOptionCaption(TResultOptionKind::okNumber)));
        LabeledEdit->setRange(row.Format->DigitsMin(), row.Format->DigitsMax());
        LabeledEdit->setValue(row.Digits);
    }
}

void TfrmResultFormats::ItemChanged(QTreeWidgetItem* item)
{
    if (FFilling || item == nullptr)
        return;
    TFormatRow& row = RowOf(*item);
    const bool visible = item->checkState(0) == Qt::Checked;
    if (visible == row.Visible)
        return;
    row.Visible = visible;
    Modify();
}

void TfrmResultFormats::CheckBoxClicked(bool checked)
{
    QTreeWidgetItem* item = SelectedItem();
    if (item == nullptr)
        return;
    RowOf(*item).Checked = checked;
    UpdateItem(*item);
    Modify();
}

void TfrmResultFormats::DigitsChanged(int value)
{
    QTreeWidgetItem* item = SelectedItem();
    if (item == nullptr)
        return;
    TFormatRow& row = RowOf(*item);
    if (value < row.Format->DigitsMin() || value > row.Format->DigitsMax() || value == row.Digits)
        return;
    row.Digits = value;
    UpdateItem(*item);
    Modify();
}

void TfrmResultFormats::MoveSelected(int delta)
{
    QTreeWidgetItem* item = SelectedItem();
    if (item == nullptr)
        return;
    const int from = ListView->indexOfTopLevelItem(item);
    const int to = from + delta;
    if (to < 0 || to >= ListView->topLevelItemCount())
        return;
    {
        const QSignalBlocker blocker(ListView);
        ListView->setUpdatesEnabled(false);
        ListView->takeTopLevelItem(from);
        ListView->insertTopLevelItem(to, item);
        ListView->setUpdatesEnabled(true);
    }
    UpdateItem(*item);
    ListView->setCurrentItem(item);
    item->setSelected(true);
    Modify();
}

void TfrmResultFormats::SetSelectedVisible(bool value)
{
    if (QTreeWidgetItem* item = SelectedItem())
        item->setCheckState(0, value ? Qt::Checked : Qt::Unchecked); // ItemChanged follows
    ScheduleUpdateActions();
}

void TfrmResultFormats::MakeSelectedDefault()
{
    const QTreeWidgetItem* selected = SelectedItem();
    if (selected == nullptr)
        return;
    ListView->setUpdatesEnabled(false);
    for (int i = 0; i < ListView->topLevelItemCount(); ++i) {
        QTreeWidgetItem& item = *ListView->topLevelItem(i);
        RowOf(item).IsDefault = &item == selected;
        UpdateItem(item);
    }
    ListView->setUpdatesEnabled(true);
    Modify();
}

void TfrmResultFormats::Modify()
{
    FModified = true;
    ScheduleUpdateActions();
}

void TfrmResultFormats::ScheduleUpdateActions()
{
    if (!FUpdateTimer->isActive())
        FUpdateTimer->start();
}

void TfrmResultFormats::UpdateActions()
{
    QTreeWidgetItem* item = SelectedItem();
    const int index = item != nullptr ? ListView->indexOfTopLevelItem(item) : -1;
    const bool ticked = item != nullptr && item->checkState(0) == Qt::Checked;
    actnMoveUp->setEnabled(index > 0);
    actnMoveDown->setEnabled(index >= 0 && index < ListView->topLevelItemCount() - 1);
    actnShow->setEnabled(item != nullptr && !ticked);
    actnHide->setEnabled(ticked);
    actnDefault->setEnabled(item != nullptr && !FRows.empty() && !RowOf(*item).IsDefault);
    actnApply->setEnabled(FModified);
}

void TfrmResultFormats::ApplyChanges()
{
    TResultsManager& results = FManager.Results();
    results.BeginUpdate();
    // One report at the end stands for every change, also when a listener fails.
    struct TEndUpdate {
        TResultsManager& Results;
        ~TEndUpdate() { Results.EndUpdate(); }
    };
    {
        const TEndUpdate endUpdate{results};
        for (int i = 0; i < ListView->topLevelItemCount(); ++i) {
            const TFormatRow& row = RowOf(*ListView->topLevelItem(i));
            row.Format->SetVisible(row.Visible);
            row.Format->SetDigits(row.Digits);
            row.Format->SetChecked(row.Checked);
            row.Format->SetOrder(i);
            row.Format->SetIsDefault(row.IsDefault);
        }
    }
    FModified = false;
    ScheduleUpdateActions();
}

void TfrmResultFormats::accept()
{
    if (FModified)
        ApplyChanges();
    try {
        FManager.SaveOptions();
    }
    catch (const EException& e) {
        // The formats are in effect all the same; the options are saved again at exit.
        FManager.SetModified(true);
        ShowErrorBox(this, QString::fromLocal8Bit(e.what()));
    }
    QDialog::accept();
}

void TfrmResultFormats::reject()
{
    try {
        FSnapshot.Restore();
    }
    catch (const EException& e) {
        ShowErrorBox(this, QString::fromLocal8Bit(e.what()));
    }
    QDialog::reject();
}

} // namespace calc
