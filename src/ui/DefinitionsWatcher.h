#pragma once

#include "definitions/CalcDefsFile.h"

#include <QObject>
#include <map>
#include <optional>
#include <string>

class QFileSystemWatcher;
class QTimer;

namespace calc {

class TCalcManager;
class TDefinitionsGroup;

/// Keeps the definition groups in step with the files of the definitions folder while the
/// program runs: a file changed, added or removed by another program is reloaded, added or
/// dropped, and the current expression is evaluated again.
class TDefinitionsWatcher final : public QObject {
    Q_OBJECT
public:
    /// How long the folder must stay quiet before a change is read, so that a file still being
    /// written by an editor is read once it is complete.
    static constexpr int kSettleMs = 250;

    explicit TDefinitionsWatcher(TCalcManager& manager, QObject* parent = nullptr);

    /// The program wrote the file itself and holds what it wrote: no reload for this state.
    void Acknowledge(const std::string& fileName, const std::optional<TFileIdentity>& identity);
    /// Holds changes back while a dialog works on a group; the last Release runs what waited.
    void Hold() noexcept { ++FHoldCount; }
    void Release();
    /// Looks at every file now, without waiting for the folder to become quiet.
    void CheckNow();
    /// Watches the folder again, for instance once it has been created.
    void WatchFolder();

signals:
    /// The group was read again from its changed file.
    void GroupChanged(TDefinitionsGroup* group);
    /// The group's file has gone; the group is destroyed right after this.
    void GroupRemoving(TDefinitionsGroup* group);
    /// Groups were changed, added or dropped.
    void GroupsChanged();

private:
    void ScheduleCheck();
    void CheckSettled();
    [[nodiscard]] bool StillBeingWritten() const;
    bool CheckGroups();
    bool AddNewFiles();

    TCalcManager& FManager;
    QFileSystemWatcher* FWatcher;
    QTimer* FSettleTimer;
    std::map<std::string, std::optional<TFileIdentity>> FKnown;
    int FHoldCount = 0;
    bool FCheckWaiting = false;
    int FSettleRounds = 0;
};

/// Holds a watcher back for a scope; a null watcher is allowed.
class TWatcherHold {
public:
    explicit TWatcherHold(TDefinitionsWatcher* watcher) noexcept : FWatcher(watcher)
    {
        if (FWatcher != nullptr)
            FWatcher->Hold();
    }
    ~TWatcherHold()
    {
        if (FWatcher != nullptr)
            FWatcher->Release();
    }
    TWatcherHold(const TWatcherHold&) = delete;
    TWatcherHold& operator=(const TWatcherHold&) = delete;

private:
    TDefinitionsWatcher* FWatcher;
};

/// The same file, compared after resolving links, "." and "..".
[[nodiscard]] bool SameFile(const std::string& a, const std::string& b);

} // namespace calc
