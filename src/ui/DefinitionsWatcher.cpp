#include "ui/DefinitionsWatcher.h"

#include "core/CalcCore.h"
#include "definitions/ExprParserDefinitions.h"
#include "definitions/FileEnum.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace calc {

namespace {

// A file whose modification is younger than this may still be in the middle of a write.
constexpr std::int64_t kYoungNanoseconds = std::int64_t{TDefinitionsWatcher::kSettleMs} * 1000000;

} // namespace

bool SameFile(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    std::error_code error;
    const auto ca = std::filesystem::weakly_canonical(a, error);
    if (error)
        return false;
    const auto cb = std::filesystem::weakly_canonical(b, error);
    return !error && ca == cb;
}

TDefinitionsWatcher::TDefinitionsWatcher(TCalcManager& manager, QObject* parent)
    : QObject(parent), FManager(manager), FWatcher(new QFileSystemWatcher(this)),
      FSettleTimer(new QTimer(this))
{
    FSettleTimer->setSingleShot(true);
    FSettleTimer->setInterval(kSettleMs);
    connect(FSettleTimer, &QTimer::timeout, this, &TDefinitionsWatcher::CheckSettled);
    connect(FWatcher, &QFileSystemWatcher::fileChanged, this, &TDefinitionsWatcher::ScheduleCheck);
    connect(FWatcher, &QFileSystemWatcher::directoryChanged, this,
            &TDefinitionsWatcher::ScheduleCheck);
    const TParserDefinitions& definitions = ParserDefinitions();
    for (int i = 0; i < definitions.GroupCount(); ++i) {
        const std::string& fileName = definitions.Groups(i).FileName();
        if (!fileName.empty())
            FKnown[fileName] = ReadFileIdentity(fileName);
    }
    WatchFolder();
}

void TDefinitionsWatcher::Acknowledge(const std::string& fileName,
                                      const std::optional<TFileIdentity>& identity)
{
    FKnown[fileName] = identity;
    WatchFolder();
}

void TDefinitionsWatcher::Release()
{
    if (FHoldCount > 0 && --FHoldCount == 0 && FCheckWaiting)
        ScheduleCheck();
}

void TDefinitionsWatcher::ScheduleCheck()
{
    FSettleRounds = 0;
    FSettleTimer->start();
}

bool TDefinitionsWatcher::StillBeingWritten() const
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const std::int64_t nowNs = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    const TParserDefinitions& definitions = ParserDefinitions();
    for (int i = 0; i < definitions.GroupCount(); ++i) {
        const auto identity = ReadFileIdentity(definitions.Groups(i).FileName());
        if (identity &&
            nowNs - (identity->ModifiedSeconds * 1000000000 + identity->ModifiedNanoseconds) <
                kYoungNanoseconds)
            return true;
    }
    return false;
}

void TDefinitionsWatcher::CheckSettled()
{
    // An editor writing in place may pause between its writes; a few more rounds give it time.
    if (FHoldCount == 0 && FSettleRounds < 4 && StillBeingWritten()) {
        ++FSettleRounds;
        FSettleTimer->start();
        return;
    }
    CheckNow();
}

void TDefinitionsWatcher::CheckNow()
{
    FSettleTimer->stop();
    FSettleRounds = 0;
    if (FHoldCount > 0) {
        FCheckWaiting = true;
        return;
    }
    FCheckWaiting = false;
    const bool changed = CheckGroups() | AddNewFiles();
    WatchFolder();
    if (!changed)
        return;
    emit GroupsChanged();
    if (!FManager.Expression().empty() && !FManager.Evaluating())
        FManager.Recalculate();
}

bool TDefinitionsWatcher::CheckGroups()
{
    bool changed = false;
    TParserDefinitions& definitions = ParserDefinitions();
    for (int i = definitions.GroupCount() - 1; i >= 0; --i) {
        TDefinitionsGroup& group = definitions.Groups(i);
        const std::string fileName = group.FileName();
        if (fileName.empty())
            continue;
        const std::optional<TFileIdentity> identity = ReadFileIdentity(fileName);
        if (!identity) {
            emit GroupRemoving(&group);
            FKnown.erase(fileName);
            definitions.DeleteGroup(i);
            changed = true;
            continue;
        }
        const auto known = FKnown.find(fileName);
        if (known != FKnown.end() && known->second == identity)
            continue;
        FKnown[fileName] = identity;
        if (known == FKnown.end())
            continue; // first seen: the group was just filled from it
        if (ReloadDefinitionGroup(group)) {
            emit GroupChanged(&group);
            changed = true;
        }
    }
    return changed;
}

bool TDefinitionsWatcher::AddNewFiles()
{
    bool changed = false;
    TParserDefinitions& definitions = ParserDefinitions();
    const auto provider = EnumerateFiles(DefinitionsDir(), "*.udf", kDefinitionFileAttributes);
    for (const TFileInfo& info : *provider) {
        const std::string fileName = info.FullName();
        bool known = false;
        for (int i = 0; i < definitions.GroupCount() && !known; ++i)
            known = SameFile(definitions.Groups(i).FileName(), fileName);
        if (known)
            continue;
        TDefinitionsGroup& group = definitions.AddGroup(DefinitionGroupName(info));
        group.SetFileName(fileName);
        FKnown[fileName] = ReadFileIdentity(fileName);
        if (!ReloadDefinitionGroup(group))
            definitions.DeleteGroup(definitions.GroupCount() - 1);
        else
            changed = true;
    }
    return changed;
}

void TDefinitionsWatcher::WatchFolder()
{
    QStringList folders;
    QStringList files;
    const std::string root = DefinitionsDir();
    std::error_code error;
    if (!std::filesystem::is_directory(root, error))
        return;
    folders << QString::fromLocal8Bit(root);
    const auto provider = EnumerateFiles(root, "*", kDefaultFileAttributes);
    for (const TFileInfo& info : *provider) {
        if (info.IsDirectory())
            folders << QString::fromLocal8Bit(info.FullName());
        else if (MatchesMask(info.FileName(), "*.udf"))
            files << QString::fromLocal8Bit(info.FullName());
    }
    // A file replaced by a rename is a new file: a watch on the old one would see nothing more.
    if (const QStringList watched = FWatcher->files(); !watched.isEmpty())
        FWatcher->removePaths(watched);
    const QStringList watchedFolders = FWatcher->directories();
    for (const QString& path : folders)
        if (!watchedFolders.contains(path))
            files << path;
    if (!files.isEmpty())
        FWatcher->addPaths(files);
}

} // namespace calc
