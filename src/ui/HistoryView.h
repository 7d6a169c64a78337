#pragma once

#include "ui/FrameFocus.h"
#include "ui/HistoryRows.h"

#include <QList>
#include <QWidget>

class QAction;
class QLineEdit;
class QMenu;

namespace calc {

class TCalcManager;
class TListCtrl;

/// The committed expressions with their results, newest first, from the manager's history:
/// reused, inserted into the expression line, copied, deleted, and searched by a text.
class TfrmHistory : public QWidget, public IFrameFocus {
    Q_OBJECT
public:
    explicit TfrmHistory(TCalcManager& manager, QWidget* parent = nullptr);
    ~TfrmHistory() override;

    /// The list.
    [[nodiscard]] QWidget* GetFocusControl() const override;
    /// The list takes the manager's current result font.
    void SettingsChanged() override;

    [[nodiscard]] TListCtrl* List() const noexcept { return FList; }
    /// The view's commands in menu order: Use, Copy, Copy Expression, Copy Result, Delete,
    /// Clear, Search.
    [[nodiscard]] const QList<QAction*>& Actions() const noexcept { return FActions; }
    [[nodiscard]] QMenu* PopupMenu() const noexcept { return FPopupMenu; }
    /// The history index of the entry a row shows.
    [[nodiscard]] int EntryOfRow(int row) const { return FRows.EntryOf(row); }

    /// Opens the search field with the focus in it; its text stays.
    void ShowSearch();
    /// Empties and closes the search field; the list shows every entry again.
    void CloseSearch();

    QAction* actnUse;
    QAction* actnCopy;
    QAction* actnCopyExpression;
    QAction* actnCopyResult;
    QAction* actnDelete;
    QAction* actnClear;
    QAction* actnSearch;
    /// The search field above the list, hidden until searched.
    QLineEdit* edSearch;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class TCopyKind { ckEntry, ckExpression, ckResult };

    void CreateActions();
    void CreatePopupMenu();
    void HistoryChanged();
    void UpdateActions();
    [[nodiscard]] QString RowText(int row, int column) const;
    void UseEntry(int row);
    void InsertFromHeader(int column);
    void CopySelected(TCopyKind kind);
    void SearchTextChanged(const QString& text);

    TCalcManager& FManager;
    TListCtrl* FList;
    QMenu* FPopupMenu = nullptr;
    QList<QAction*> FActions;
    THistoryRows FRows;
};

} // namespace calc
