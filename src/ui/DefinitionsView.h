#pragma once

#include "definitions/CalcDefsFile.h"
#include "ui/FrameFocus.h"

#include <QList>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QToolButton;

namespace calc {

class TAdvToolBar;
class TCalcManager;
class TDefinitionsGroup;
class TDefinitionsRawStream;
class TDefinitionsWatcher;
class TListCtrl;

/// The definitions of one definitions file (one group of the registry) in a list: inserted
/// into the expression line, edited one by one in a program-written file, or as text in any
/// other file. The file is picked in the selector on the view's toolbar.
class TfrmDefinitions : public QWidget, public IFrameFocus {
    Q_OBJECT
public:
    /// What the view offers for the shown file.
    enum class TViewMode {
        vmNone,     ///< no file shown
        vmUnread,   ///< the file could not be read: the definitions in memory, nothing to edit
        vmReadOnly, ///< the file may be read but not written
        vmItems,    ///< a program-written file: edited definition by definition
        vmText,     ///< a file written by hand: edited as text
    };

    using TEditDefinitionRunner =
        std::function<bool(TDefinitionsGroup& group, std::string& comment, int index)>;
    using TEditFileRunner =
        std::function<bool(TDefinitionsRawStream& stream, const std::string& name)>;
    using TSelectFileRunner = std::function<bool(std::string& fileName)>;
    using TOpenFileEvent = std::function<void(const QString& fileName)>;

    /// watcher: told of the view's own saves and holds its changes back while a dialog runs;
    /// may be null.
    explicit TfrmDefinitions(TCalcManager& manager, TDefinitionsWatcher* watcher = nullptr,
                             QWidget* parent = nullptr);
    ~TfrmDefinitions() override;

    /// The list.
    [[nodiscard]] QWidget* GetFocusControl() const override;
    /// The toolbar takes the current drawing style and the list the current result font.
    void SettingsChanged() override;

    [[nodiscard]] TListCtrl* List() const noexcept { return FList; }
    [[nodiscard]] TAdvToolBar* ToolBar() const noexcept { return FToolBar; }
    [[nodiscard]] QToolButton* FileSelector() const noexcept { return FFileSelector; }
    [[nodiscard]] QMenu* SelectorMenu() const noexcept { return FSelectorMenu; }
    [[nodiscard]] QMenu* PopupMenu() const noexcept { return FPopupMenu; }
    /// The commands present for the shown file, in menu order.
    [[nodiscard]] const QList<QAction*>& Actions() const noexcept { return FActions; }
    [[nodiscard]] TDefinitionsGroup* Group() const noexcept { return FGroup; }
    [[nodiscard]] const TDefinitionsFile& File() const noexcept { return FFile; }
    [[nodiscard]] TViewMode Mode() const noexcept { return FMode; }
    /// The comment of definition index in stored form.
    [[nodiscard]] const std::string& Comment(int index) const;
    /// The hover text of definition index.
    [[nodiscard]] QString HintText(int index) const;
    /// The text of a cell as the list shows it.
    [[nodiscard]] QString CellText(int index, int column) const;

    [[nodiscard]] int EntryCount() const noexcept { return static_cast<int>(FEntries.size()); }
    [[nodiscard]] QString EntryText(int index) const;
    [[nodiscard]] int SelectedEntry() const noexcept { return FSelected; }
    /// Selects a selector entry; refused with an error box when its file has gone.
    void SelectEntry(int index);

    void UseDefinition(int index, bool replace);
    void NewDefinition();
    void EditDefinition(int index);
    void RemoveDefinition(int index);
    void MoveDefinition(int index1, int index2);
    void EditFile();
    /// Reads the shown file again; a file that cannot be read leaves the definitions as they
    /// were.
    void ReloadDefinitions();
    void SetGroup(TDefinitionsGroup* group);
    void BrowseFile();
    void SelectFile(const std::string& fileName);
    void FillFileSelector();

    /// The watcher read a group again from its file.
    void GroupChanged(TDefinitionsGroup* group);
    /// The watcher is about to destroy a group whose file has gone.
    void GroupRemoving(TDefinitionsGroup* group);

    /// The dialogs the view runs; tests put their own in place.
    TEditDefinitionRunner RunEditDefinition;
    TEditFileRunner RunEditFile;
    TSelectFileRunner RunSelectFile;
    /// Opens the error list for the user.
    TOpenFileEvent OpenErrorList;
    /// What new views open the error list with; empty for the desktop's handler. Tests put
    /// their own in place, since a view may report errors while it is being built.
    static void SetErrorListOpener(TOpenFileEvent opener);

    QAction* actnFileSelector;
    QAction* actnUse;
    QAction* actnAdd;
    QAction* actnEdit;
    QAction* actnDelete;
    QAction* actnMoveUp;
    QAction* actnMoveDown;
    QAction* actnEditFile;
    /// The note in the toolbar on a file that cannot be changed.
    QLabel* lbReadOnly;

private:
    struct TEntry {
        QString Text;
        TDefinitionsGroup* Group;
    };

    void CreateActions();
    void BuildActions();
    void SetSelected(int index);
    void ClickFileSelector();
    void InsertFromHeader(int column);
    [[nodiscard]] TViewMode CurrentMode() const;
    [[nodiscard]] bool CanEditItems() const noexcept { return FMode == TViewMode::vmItems; }
    [[nodiscard]] bool ValidIndex(int index) const noexcept;
    /// The file was written: the watcher learns of it.
    void Written();
    /// A change could not be written: the user is told, and memory follows the file again.
    void WriteFailed(const EException& error, bool deferReload);
    void ReportErrors(const std::vector<std::string>& errors);

    TCalcManager& FManager;
    TDefinitionsWatcher* FWatcher;
    TAdvToolBar* FToolBar;
    QToolButton* FFileSelector = nullptr;
    QMenu* FSelectorMenu;
    QAction* FReadOnlyNote = nullptr;
    TListCtrl* FList;
    QMenu* FPopupMenu = nullptr;
    QList<QAction*> FActions;
    TDefinitionsGroup* FGroup = nullptr;
    TDefinitionsFile FFile;
    /// Per definition shown: its comment in stored form, and its line in the file.
    std::vector<std::string> FComments;
    std::vector<int> FLines;
    std::vector<TEntry> FEntries;
    int FSelected = -1;
    TViewMode FMode = TViewMode::vmNone;
    bool FActionsBuilt = false;
    /// A write failed during a run of deletes or moves: the rest of the run is dropped.
    bool FWriteFailed = false;
};

} // namespace calc
