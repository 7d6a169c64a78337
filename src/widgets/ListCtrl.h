#pragma once

#include <QItemSelection>
#include <QString>
#include <QTreeView>
#include <functional>
#include <span>
#include <vector>

class QAction;
class QMenu;
class QTimer;

namespace calc {

/// A column of a list; widths in pixels, a maximum of 0 means none.
struct TListColumn {
    QString Caption;
    int Width = 0;
    int MinWidth = 0;
    int MaxWidth = 0;
};

/// The widths that share the available width among the columns: each in turn gets an equal part
/// of what is left, kept within its limits; the rest goes to the columns without a maximum,
/// none of which is pushed below its minimum.
[[nodiscard]] std::vector<int> FitColumnWidths(std::span<const TListColumn> columns, int available);

/// One exchange of a move: the item at From changes places with its neighbour at To.
struct TMoveStep {
    int From = 0;
    int To = 0;
    bool operator==(const TMoveStep&) const = default;
};

/// Whether the selected items (ascending) can move one place up (direction -1) or down (+1).
/// A single selected item moves while the current item is not at that end yet; several move
/// while one of them lies outside the unbroken run already at that end.
[[nodiscard]] bool CanMoveItems(std::span<const int> selected, int count, int current,
                                int direction);
/// The exchanges that move the selected items (ascending) one place, in the order they are
/// made: from the end they move towards, every selected item behind a free place steps into
/// it, so a block moves as a whole and the items already at that end stay.
[[nodiscard]] std::vector<TMoveStep> PlanMove(std::span<const int> selected, int count,
                                              int direction);

/// A list of rows whose texts stay with the owner: the list knows only how many items there are
/// and asks for the text of an item in a column when it draws it. Whole rows are selected, many
/// at a time; nothing is edited in place; the selection stays visible without the focus.
class TListCtrl : public QTreeView {
    Q_OBJECT
public:
    using TGetTextEvent = std::function<QString(int item, int column)>;
    /// An item's index; the delete handler gets -1 when the whole list is cleared.
    using TItemEvent = std::function<void(int item)>;
    using TMoveEvent = std::function<void(int item, int neighbour)>;
    using TColumnEvent = std::function<void(int column)>;

    explicit TListCtrl(QWidget* parent = nullptr);

    void AddColumn(const TListColumn& column);
    [[nodiscard]] const std::vector<TListColumn>& Columns() const noexcept { return FColumns; }
    void SetOnGetText(TGetTextEvent handler) { FOnGetText = std::move(handler); }
    /// Runs on a header click, only while there is a current item; headers never sort.
    void SetOnHeaderClick(TColumnEvent handler) { FOnHeaderClick = std::move(handler); }
    /// Shown on a right click or the menu key, after the commands' states are brought up to date.
    void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }

    [[nodiscard]] int Count() const noexcept { return FCount; }
    /// Empties the list first, so the selection and the current item are gone.
    void SetCount(int count);
    /// One more item at the end, which becomes the only selected and the current item, scrolled
    /// into view; answers its index.
    int AddItem();
    /// Clears the selection; a valid index becomes the selected and current item, any other
    /// leaves no current item.
    void SelectItem(int index);
    /// The focused item, or else the first selected one, or -1.
    [[nodiscard]] int CurrentItem() const;
    /// The selected items in ascending order.
    [[nodiscard]] std::vector<int> SelectedItems() const;
    [[nodiscard]] bool HasSelection() const;
    /// The owner's texts changed: the visible rows are drawn again.
    void RefreshItems();

    /// The standard commands, each built once for the owner that handles it; they act while the
    /// list has the focus. Edit: Shift+Enter on the current item.
    QAction* CreateEditAction(TItemEvent onEdit);
    /// Delete (Ctrl+Del): asks, then calls onDelete for each selected item from the last to the
    /// first.
    QAction* CreateDeleteAction(TItemEvent onDelete);
    /// Clear (Ctrl+Shift+Del): asks, then calls onDelete once with -1.
    QAction* CreateClearAction(TItemEvent onDelete);
    /// Up (Ctrl+Up) and Down (Ctrl+Down): onMove exchanges two items of the owner, the moving
    /// one and its neighbour.
    QAction* CreateMoveUpAction(TMoveEvent onMove);
    QAction* CreateMoveDownAction(TMoveEvent onMove);
    /// The default command: Enter or a left double-click on the current item.
    QAction* CreateDefaultAction(const QString& caption, TItemEvent onDefault);

    void EditCurrent();
    void DeleteSelected();
    void ClearItems();
    void MoveSelected(int direction);
    void RunDefault();
    [[nodiscard]] bool CanMove(int direction) const;

    /// Brings the commands' enabled states up to date now (otherwise done once events ran).
    void UpdateActions();
    /// Shares the width among the columns at once.
    void FitColumns();

    QAction* actnEdit = nullptr;
    QAction* actnDelete = nullptr;
    QAction* actnClear = nullptr;
    QAction* actnMoveUp = nullptr;
    QAction* actnMoveDown = nullptr;
    QAction* actnDefault = nullptr;

signals:
    /// The count, the selection or the current item changed; the owner's own commands may
    /// follow. Reported once events ran, one report for many changes.
    void StateChanged();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class TModel;

    QAction* AddListAction(const QString& caption, const QList<QKeySequence>& shortcuts,
                           const QString& hint);
    /// The rows of the items (ascending) as one selection, a range per unbroken run.
    [[nodiscard]] QItemSelection RowsSelection(std::span<const int> items) const;
    void ScheduleUpdate();
    void ApplyHeaderFont();
    void KeepSelectionColors();
    void KeepColumnLimits(int column, int newSize);

    TModel* FModel;
    std::vector<TListColumn> FColumns;
    int FCount = 0;
    TGetTextEvent FOnGetText;
    TColumnEvent FOnHeaderClick;
    TItemEvent FOnEdit;
    TItemEvent FOnDelete;
    TItemEvent FOnClear;
    TMoveEvent FOnMoveUp;
    TMoveEvent FOnMoveDown;
    TItemEvent FOnDefault;
    QMenu* FPopupMenu = nullptr;
    QTimer* FUpdateTimer;
    /// Refits the columns once a round of resizing is over.
    QTimer* FFitTimer;
    bool FHeaderPressed = false;
    bool FFitPending = false;
    bool FAdjusting = false;
};

} // namespace calc
