#include "widgets/ListCtrl.h"

#include "widgets/ActionTools.h"
#include "widgets/MessageBoxes.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <algorithm>

namespace calc {

std::vector<int> FitColumnWidths(std::span<const TListColumn> columns, int available)
{
    std::vector<int> widths(columns.size());
    int left = available;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TListColumn& column = columns[i];
        int width = std::max(left / static_cast<int>(columns.size() - i), column.MinWidth);
        if (column.MaxWidth > 0)
            width = std::min(width, column.MaxWidth);
        widths[i] = width;
        left -= width;
    }
    auto open = static_cast<int>(std::count_if(columns.begin(), columns.end(),
                                               [](const auto& c) { return c.MaxWidth <= 0; }));
    for (std::size_t i = 0; i < columns.size() && open > 0; ++i) {
        if (columns[i].MaxWidth > 0)
            continue;
        // A narrow list takes from these columns; below its minimum, no column gives any more.
        const int width = std::max(widths[i] + left / open, std::max(columns[i].MinWidth, 0));
        left -= width - widths[i];
        widths[i] = width;
        --open;
    }
    return widths;
}

namespace {

/// How many of the selected items (ascending) already lie at the end they would move towards.
std::size_t RunAtEnd(std::span<const int> selected, int count, int direction)
{
    std::size_t run = 0;
    if (direction < 0)
        while (run < selected.size() && selected[run] == static_cast<int>(run))
            ++run;
    else
        while (run < selected.size() &&
               selected[selected.size() - 1 - run] == count - 1 - static_cast<int>(run))
            ++run;
    return run;
}

} // namespace

bool CanMoveItems(std::span<const int> selected, int count, int current, int direction)
{
    if (selected.size() == 1)
        return current >= 0 && (direction < 0 ? current >= 1 : current <= count - 2);
    return RunAtEnd(selected, count, direction) < selected.size();
}

std::vector<TMoveStep> PlanMove(std::span<const int> selected, int count, int direction)
{
    const std::size_t run = RunAtEnd(selected, count, direction);
    std::vector<TMoveStep> steps;
    steps.reserve(selected.size() - run);
    if (direction < 0)
        for (std::size_t i = run; i < selected.size(); ++i)
            steps.push_back({selected[i], selected[i] - 1});
    else
        for (std::size_t i = selected.size() - run; i-- > 0;)
            steps.push_back({selected[i], selected[i] + 1});
    return steps;
}

/// Rows and columns of the list, with the texts asked from the owner as they are drawn.
class TListCtrl::TModel final : public QAbstractTableModel {
public:
    explicit TModel(TListCtrl& list) : QAbstractTableModel(&list), FList(list) {}

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : FList.FCount;
    }
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(FList.FColumns.size());
    }
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid) ||
            !FList.FOnGetText)
            return {};
        return FList.FOnGetText(index.row(), index.column());
    }
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= columnCount())
            return {};
        return FList.FColumns[static_cast<std::size_t>(section)].Caption;
    }
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    }

    void AddColumn(const TListColumn& column)
    {
        const int at = columnCount();
        beginInsertColumns({}, at, at);
        FList.FColumns.push_back(column);
        endInsertColumns();
    }
    void SetCount(int count)
    {
        beginResetModel();
        FList.FCount = std::max(count, 0);
        endResetModel();
    }
    void AppendRow()
    {
        beginInsertRows({}, FList.FCount, FList.FCount);
        ++FList.FCount;
        endInsertRows();
    }
    void RowsChanged(int first, int last)
    {
        if (first <= last && columnCount() > 0)
            emit dataChanged(index(first, 0), index(last, columnCount() - 1), {Qt::DisplayRole});
    }

private:
    TListCtrl& FList;
};

TListCtrl::TListCtrl(QWidget* parent)
    : QTreeView(parent), FModel(new TModel(*this)), FUpdateTimer(new QTimer(this)),
      FFitTimer(new QTimer(this))
{
    // Every row is as tall as the first, so a long list is laid out without asking its texts.
    setUniformRowHeights(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setModel(FModel);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->viewport()->installEventFilter(this);
    ApplyHeaderFont();
    KeepSelectionColors();

    FUpdateTimer->setSingleShot(true);
    FUpdateTimer->setInterval(0);
    connect(FUpdateTimer, &QTimer::timeout, this, &TListCtrl::UpdateActions);
    FFitTimer->setSingleShot(true);
    FFitTimer->setInterval(0);
    connect(FFitTimer, &QTimer::timeout, this, [this] {
        if (FHeaderPressed)
            FFitPending = true;
        else
            FitColumns();
    });
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (FOnHeaderClick && CurrentItem() >= 0)
            FOnHeaderClick(column);
    });
    connect(header(), &QHeaderView::sectionResized, this,
            [this](int column, int, int newSize) { KeepColumnLimits(column, newSize); });
    // After setModel, which replaces the selection model.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TListCtrl::ScheduleUpdate);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TListCtrl::ScheduleUpdate);
    connect(FModel, &QAbstractItemModel::modelReset, this, &TListCtrl::ScheduleUpdate);
    connect(FModel, &QAbstractItemModel::rowsInserted, this, &TListCtrl::ScheduleUpdate);
}

void TListCtrl::AddColumn(const TListColumn& column)
{
    FModel->AddColumn(column);
    header()->resizeSection(static_cast<int>(FColumns.size()) - 1, column.Width);
}

void TListCtrl::SetCount(int count)
{
    FModel->SetCount(count);
}

int TListCtrl::AddItem()
{
    FModel->AppendRow();
    const int item = FCount - 1;
    SelectItem(item);
    return item;
}

void TListCtrl::SelectItem(int index)
{
    if (index < 0 || index >= FCount) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex at = FModel->index(index, 0);
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
    scrollTo(at);
}

int TListCtrl::CurrentItem() const
{
    if (const QModelIndex current = currentIndex(); current.isValid())
        return current.row();
    int first = -1;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        if (first < 0 || range.top() < first)
            first = range.top();
    return first;
}

std::vector<int> TListCtrl::SelectedItems() const
{
    std::vector<int> items;
    for (const QItemSelectionRange& range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            items.push_back(row);
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    return items;
}

bool TListCtrl::HasSelection() const
{
    return selectionModel()->hasSelection();
}

void TListCtrl::RefreshItems()
{
    viewport()->update();
}

QAction* TListCtrl::AddListAction(const QString& caption, const QList<QKeySequence>& shortcuts,
                                  const QString& hint)
{
    QAction* action = NewAction(this, caption, {}, hint);
    action->setShortcuts(shortcuts);
    // Bound to the window, Enter and Ctrl+Del would no longer reach the expression line.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(action);
    ScheduleUpdate();
    return action;
}

QAction* TListCtrl::CreateEditAction(TItemEvent onEdit)
{
    FOnEdit = std::move(onEdit);
    actnEdit = AddListAction(tr("Edit..."), EnterShortcuts(Qt::ShiftModifier), tr("Edit item"));
    connect(actnEdit, &QAction::triggered, this, &TListCtrl::EditCurrent);
    return actnEdit;
}

QAction* TListCtrl::CreateDeleteAction(TItemEvent onDelete)
{
    FOnDelete = std::move(onDelete);
    actnDelete = AddListAction(tr("Delete"), {QKeySequence(Qt::CTRL | Qt::Key_Delete)},
                               tr("Delete selected items"));
    connect(actnDelete, &QAction::triggered, this, &TListCtrl::DeleteSelected);
    return actnDelete;
}

QAction* TListCtrl::CreateClearAction(TItemEvent onDelete)
{
    FOnClear = std::move(onDelete);
    actnClear = AddListAction(tr("Clear"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete)},
                              tr("Clear all items"));
    connect(actnClear, &QAction::triggered, this, &TListCtrl::ClearItems);
    return actnClear;
}

QAction* TListCtrl::CreateMoveUpAction(TMoveEvent onMove)
{
    FOnMoveUp = std::move(onMove);
    actnMoveUp =
        AddListAction(tr("Up"), {QKeySequence(Qt::CTRL | Qt::Key_Up)}, tr("Move items up"));
    connect(actnMoveUp, &QAction::triggered, this, [this] { MoveSelected(-1); });
    return actnMoveUp;
}

QAction* TListCtrl::CreateMoveDownAction(TMoveEvent onMove)
{
    FOnMoveDown = std::move(onMove);
    actnMoveDown =
        AddListAction(tr("Down"), {QKeySequence(Qt::CTRL | Qt::Key_Down)}, tr("Move items down"));
    connect(actnMoveDown, &QAction::triggered, this, [this] { MoveSelected(+1); });
    return actnMoveDown;
}

QAction* TListCtrl::CreateDefaultAction(const QString& caption, TItemEvent onDefault)
{
    FOnDefault = std::move(onDefault);
    actnDefault = AddListAction(caption, EnterShortcuts(Qt::NoModifier), {});
    connect(actnDefault, &QAction::triggered, this, &TListCtrl::RunDefault);
    return actnDefault;
}

void TListCtrl::EditCurrent()
{
    if (const int item = CurrentItem(); FOnEdit && item >= 0)
        FOnEdit(item);
}

void TListCtrl::DeleteSelected()
{
    const std::vector<int> items = SelectedItems();
    if (!FOnDelete || items.empty())
        return;
    if (!ConfirmBox(this, tr("Delete %1 item(s)?").arg(items.size())))
        return;
    const int current = CurrentItem();
    const int scrolled = verticalScrollBar()->value();
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        FOnDelete(*it);
    SetCount(FCount - static_cast<int>(items.size()));
    // The rows above the deleted ones stay where the user saw them.
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(scrolled);
    if (items.size() == 1)
        SelectItem(std::min(current, FCount - 1));
}

void TListCtrl::ClearItems()
{
    if (!FOnClear || FCount == 0)
        return;
    if (!ConfirmBox(this, tr("Clear all item(s)?")))
        return;
    FOnClear(-1);
    SetCount(0);
}

void TListCtrl::MoveSelected(int direction)
{
    const TMoveEvent& onMove = direction < 0 ? FOnMoveUp : FOnMoveDown;
    if (!onMove || !CanMove(direction))
        return;
    const std::vector<int> selected = SelectedItems();
    int focused = currentIndex().isValid() ? currentIndex().row() : -1;
    const std::vector<TMoveStep> steps = PlanMove(selected, FCount, direction);
    if (steps.empty())
        return;
    for (const TMoveStep& step : steps) {
        onMove(step.From, step.To);
        if (focused == step.From)
            focused = step.To;
    }
    // Every item that moved went one place on; the others were at the end already.
    std::vector<int> moved;
    moved.reserve(steps.size());
    int first = FCount;
    int last = -1;
    for (const TMoveStep& step : steps) {
        moved.push_back(step.From);
        first = std::min({first, step.From, step.To});
        last = std::max({last, step.From, step.To});
    }
    std::sort(moved.begin(), moved.end());
    std::vector<int> now = selected;
    for (int& item : now)
        if (std::binary_search(moved.begin(), moved.end(), item))
            item += direction;
    selectionModel()->select(RowsSelection(now), QItemSelectionModel::ClearAndSelect);
    if (focused >= 0)
        selectionModel()->setCurrentIndex(FModel->index(focused, 0), QItemSelectionModel::NoUpdate);
    FModel->RowsChanged(first, last);
    if (currentIndex().isValid())
        scrollTo(currentIndex());
}

QItemSelection TListCtrl::RowsSelection(std::span<const int> items) const
{
    QItemSelection selection;
    const int lastColumn = FModel->columnCount() - 1;
    for (std::size_t i = 0; i < items.size();) {
        std::size_t j = i + 1;
        while (j < items.size() && items[j] == items[j - 1] + 1)
            ++j;
        selection.append(QItemSelectionRange(FModel->index(items[i], 0),
                                             FModel->index(items[j - 1], lastColumn)));
        i = j;
    }
    return selection;
}

void TListCtrl::RunDefault()
{
    if (const int item = CurrentItem(); FOnDefault && item >= 0)
        FOnDefault(item);
}

bool TListCtrl::CanMove(int direction) const
{
    return CanMoveItems(SelectedItems(), FCount, CurrentItem(), direction);
}

void TListCtrl::ScheduleUpdate()
{
    FUpdateTimer->start();
}

void TListCtrl::UpdateActions()
{
    FUpdateTimer->stop();
    const bool current = CurrentItem() >= 0;
    const bool selected = HasSelection();
    if (actnEdit != nullptr)
        actnEdit->setEnabled(current);
    if (actnDelete != nullptr)
        actnDelete->setEnabled(selected);
    if (actnClear != nullptr)
        actnClear->setEnabled(FCount > 0);
    if (actnMoveUp != nullptr)
        actnMoveUp->setEnabled(selected && CanMove(-1));
    if (actnMoveDown != nullptr)
        actnMoveDown->setEnabled(selected && CanMove(+1));
    if (actnDefault != nullptr)
        actnDefault->setEnabled(current);
    emit StateChanged();
}

void TListCtrl::FitColumns()
{
    FFitPending = false;
    int available = width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) - 10;
    available -= 2 * frameWidth();
    const std::vector<int> widths = FitColumnWidths(FColumns, available);
    FAdjusting = true;
    for (std::size_t i = 0; i < widths.size(); ++i)
        header()->resizeSection(static_cast<int>(i), widths[i]);
    FAdjusting = false;
}

void TListCtrl::KeepColumnLimits(int column, int newSize)
{
    if (FAdjusting || column < 0 || column >= static_cast<int>(FColumns.size()))
        return;
    const TListColumn& limits = FColumns[static_cast<std::size_t>(column)];
    int size = std::max(newSize, limits.MinWidth);
    if (limits.MaxWidth > 0)
        size = std::min(size, limits.MaxWidth);
    if (size == newSize)
        return;
    FAdjusting = true;
    header()->resizeSection(column, size);
    FAdjusting = false;
}

void TListCtrl::ApplyHeaderFont()
{
    header()->setFont(QApplication::font(header()));
}

void TListCtrl::KeepSelectionColors()
{
    QPalette colors = palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        colors.setColor(QPalette::Inactive, role, colors.color(QPalette::Active, role));
    FAdjusting = true;
    setPalette(colors);
    FAdjusting = false;
}

bool TListCtrl::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        // The shortcut map looks at the commands' enabled states right after this.
        UpdateActions();
        // Select All is the list's own here, whatever the window binds to the key.
        if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QTreeView::event(event);
}

bool TListCtrl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == header()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            FHeaderPressed = true;
        else if (event->type() == QEvent::MouseButtonRelease) {
            FHeaderPressed = false;
            if (FFitPending)
                FFitTimer->start();
        }
    }
    return QTreeView::eventFilter(watched, event);
}

void TListCtrl::keyPressEvent(QKeyEvent* event)
{
    // Enter belongs to the default command; without a current item it does nothing at all.
    if (IsEnterKey(*event)) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void TListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        RunDefault();
}

void TListCtrl::focusInEvent(QFocusEvent* event)
{
    const bool hadCurrent = currentIndex().isValid();
    QTreeView::focusInEvent(event);
    // The view makes the first row current when it gains the focus; Enter would then act on
    // an item nobody chose.
    if (!hadCurrent && currentIndex().isValid() && !HasSelection())
        selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
}

void TListCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    if (FPopupMenu == nullptr) {
        QTreeView::contextMenuEvent(event);
        return;
    }
    UpdateActions();
    FPopupMenu->popup(event->globalPos());
    event->accept();
}

void TListCtrl::resizeEvent(QResizeEvent* event)
{
    QTreeView::resizeEvent(event);
    FFitTimer->start();
}

void TListCtrl::changeEvent(QEvent* event)
{
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ApplyHeaderFont();
    else if (event->type() == QEvent::PaletteChange && !FAdjusting)
        KeepSelectionColors();
}

} // namespace calc
