#include "ui/HistoryView.h"

#include "core/CalcCore.h"
#include "ui/CoreText.h"
#include "widgets/ActionTools.h"
#include "widgets/ListCtrl.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

namespace calc {

namespace {

enum THistoryColumn { hcExpression = 0, hcResult = 1 };

} // namespace

TfrmHistory::TfrmHistory(TCalcManager& manager, QWidget* parent)
    : QWidget(parent), FManager(manager), FList(new TListCtrl(this)), FRows(manager)
{
    setObjectName(QStringLiteral("HistoryView"));
    edSearch = new QLineEdit(this);
    edSearch->setPlaceholderText(tr("Search"));
    edSearch->setClearButtonEnabled(true);
    edSearch->hide();
    edSearch->installEventFilter(this);
    connect(edSearch, &QLineEdit::textChanged, this, &TfrmHistory::SearchTextChanged);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(edSearch);
    layout->addWidget(FList, 1);

    FList->AddColumn({tr("Expression"), 350, 0, 0});
    FList->AddColumn({tr("Result"), 100, 80, 150});
    FList->SetOnGetText([this](int row, int column) { return RowText(row, column); });
    FList->SetOnHeaderClick([this](int column) { InsertFromHeader(column); });
    ApplyFont(*FList, FManager.Font());
    CreateActions();
    CreatePopupMenu();
    connect(FList, &TListCtrl::StateChanged, this, &TfrmHistory::UpdateActions);
    // Called at once: the list fills itself.
    FManager.History().SetOnChange([this](THistoryManager&) { HistoryChanged(); });
}

TfrmHistory::~TfrmHistory()
{
    FManager.History().SetOnChange(nullptr);
}

QWidget* TfrmHistory::GetFocusControl() const
{
    return FList;
}

void TfrmHistory::SettingsChanged()
{
    ApplyFont(*FList, FManager.Font());
    FRows.TextsChanged();
    if (FRows.Searching())
        FList->SetCount(FRows.Count());
    FList->RefreshItems();
}

void TfrmHistory::CreateActions()
{
    actnUse = FList->CreateDefaultAction(tr("Use"), [this](int row) { UseEntry(row); });
    actnCopy = NewAction(this, tr("Copy"), {}, tr("Copy"));
    connect(actnCopy, &QAction::triggered, this, [this] { CopySelected(TCopyKind::ckEntry); });
    // The list's own Ctrl+C would copy only the current row's expression.
    actnCopy->setShortcut(QKeySequence::Copy);
    actnCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    FList->addAction(actnCopy);
    actnCopyExpression = NewAction(this, tr("Copy Expression"), {}, tr("Copy Expression"));
    connect(actnCopyExpression, &QAction::triggered, this,
            [this] { CopySelected(TCopyKind::ckExpression); });
    actnCopyResult = NewAction(this, tr("Copy Result"), {}, tr("Copy Result"));
    connect(actnCopyResult, &QAction::triggered, this,
            [this] { CopySelected(TCopyKind::ckResult); });
    actnDelete = FList->CreateDeleteAction([this](int row) { FRows.DeleteRow(row); });
    actnClear = FList->CreateClearAction([this](int) { FRows.DeleteAll(); });
    actnSearch = NewAction(this, tr("Search"), QKeySequence(Qt::CTRL | Qt::Key_F),
                           tr("Search|Show only the entries that contain a text"));
    actnSearch->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(actnSearch);
    connect(actnSearch, &QAction::triggered, this, &TfrmHistory::ShowSearch);
    FActions = {actnUse,    actnCopy,  actnCopyExpression, actnCopyResult,
                actnDelete, actnClear, actnSearch};
    UpdateActions();
}

void TfrmHistory::CreatePopupMenu()
{
    FPopupMenu = new QMenu(this);
    FPopupMenu->addAction(actnUse);
    FPopupMenu->setDefaultAction(actnUse);
    FPopupMenu->addSeparator();
    FPopupMenu->addActions({actnCopy, actnCopyExpression, actnCopyResult});
    FPopupMenu->addSeparator();
    FPopupMenu->addActions({actnDelete, actnClear});
    FPopupMenu->addSeparator();
    FPopupMenu->addAction(actnSearch);
    FList->SetPopupMenu(FPopupMenu);
}

void TfrmHistory::HistoryChanged()
{
    FRows.HistoryChanged();
    FList->SetCount(FRows.Count());
}

void TfrmHistory::UpdateActions()
{
    const bool selected = FList->HasSelection();
    for (QAction* action : {actnCopy, actnCopyExpression, actnCopyResult})
        action->setEnabled(selected);
}

QString TfrmHistory::RowText(int row, int column) const
{
    const int index = FRows.EntryOf(row);
    if (index < 0 || index >= FManager.History().Count())
        return {};
    if (column == hcExpression)
        return FromCore(FManager.History().Expressions(index));
    return FromCore(HistoryResultText(FManager, index));
}

void TfrmHistory::UseEntry(int row)
{
    const int index = FRows.EntryOf(row);
    if (index >= 0 && index < FManager.History().Count())
        FManager.InsertLiteralText(FManager.History().Expressions(index), true);
}

void TfrmHistory::InsertFromHeader(int column)
{
    const int index = FRows.EntryOf(FList->CurrentItem());
    if (index < 0 || index >= FManager.History().Count())
        return;
    if (column == hcExpression)
        FManager.InsertLiteralText(FManager.History().Expressions(index), false);
    else if (column == hcResult)
        FManager.InsertLiteralText(HistoryResultExpression(FManager, index), false);
}

void TfrmHistory::CopySelected(TCopyKind kind)
{
    const std::vector<int> rows = FList->SelectedItems();
    if (rows.empty())
        return;
    std::string text;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int index = FRows.EntryOf(rows[i]);
        if (kind != TCopyKind::ckResult)
            text += FManager.History().Expressions(index);
        if (kind == TCopyKind::ckEntry)
            text += " = ";
        if (kind != TCopyKind::ckExpression)
            text += HistoryResultText(FManager, index);
        if (i + 1 < rows.size())
            text += "\r\n";
    }
    QGuiApplication::clipboard()->setText(FromCore(text));
}

void TfrmHistory::ShowSearch()
{
    if (edSearch->isHidden()) {
        FRows.PrepareSearch();
        edSearch->show();
    }
    edSearch->setFocus(Qt::ShortcutFocusReason);
    edSearch->selectAll();
}

void TfrmHistory::CloseSearch()
{
    const bool hadFocus = edSearch->hasFocus();
    edSearch->clear();
    FRows.EndSearch();
    edSearch->hide();
    if (hadFocus)
        FList->setFocus(Qt::OtherFocusReason);
}

void TfrmHistory::SearchTextChanged(const QString& text)
{
    FRows.SetSearchText(ToCore(text));
    FList->SetCount(FRows.Count());
}

void TfrmHistory::keyPressEvent(QKeyEvent* event)
{
    // Esc from the list while a search is shown ends it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        !edSearch->isHidden()) {
        CloseSearch();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TfrmHistory::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edSearch && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            CloseSearch();
            return true;
        }
        // Down or Enter go on to the entries found.
        if (key->key() == Qt::Key_Down || IsEnterKey(*key)) {
            if (FList->CurrentItem() < 0 && FList->Count() > 0)
                FList->SelectItem(0);
            FList->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace calc
