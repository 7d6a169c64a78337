#include "definitions/FileStore.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace calc {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TTempFolder;

/// The id of a process that has ended: a child that exits at once, reaped.
long DeadPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

/// Sets a file's times back by the given number of seconds.
void Age(const std::string& path, std::time_t seconds)
{
    const std::time_t then = std::time(nullptr) - seconds;
    const timespec times[2] = {{then, 0}, {then, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct StaleCase {
    const char* name;
    std::string file; ///< "%d" stands for the process id
    bool deadProcess;
    std::time_t age;
    bool removed;
};

TEST(FileStoreStaleFiles, RemovesOnlyOldFilesOfEndedProcesses)
{
    const long dead = DeadPid();
    ASSERT_NE(::kill(static_cast<pid_t>(dead), 0), 0) << "the child's id is in use again";
    const StaleCase rows[] = {
        {"CurrentName", ".Options.ini.~%d-0", true, 3600, true},
        {"EarlierSettingsName", "History.txt.~%d-12", true, 3600, true},
        {"EarlierDefinitionsName", ".Default.udf.tmp%d_3", true, 3600, true},
        {"LiveProcess", ".Layout.ini.~%d-0", false, 3600, false},
        {"RecentFile", "Options.ini.~%d-1", true, 5, false},
        {"NotOurs", "Options.ini.~%d", true, 3600, false},
        {"UserFile", "notes.tmp%d_1", true, 3600, false},
    };
    TTempFolder folder;
    std::vector<std::string> kept;
    for (const StaleCase& row : rows) {
        // The parent of this test lives as long as it runs.
        const long pid = row.deadProcess ? dead : static_cast<long>(::getppid());
        std::string name = row.file;
        name.replace(name.find("%d"), 2, std::to_string(pid));
        const std::string path = folder.Write(name, "left over");
        Age(path, row.age);
        if (!row.removed)
            kept.push_back(name);
    }
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(RemoveStaleTemporaryFiles(folder.Path(), kStaleTemporaryAge), 3);
    EXPECT_EQ(Names(folder.Path()), kept);
}

TEST(FileStoreStaleFiles, AnySaveInTheFolderRemovesThem)
{
    TTempFolder folder;
    const std::string stale =
        folder.Write(".Default.udf.~" + std::to_string(DeadPid()) + "-0", std::string(1000, 'x'));
    Age(stale, 3600);
    ASSERT_EQ(SaveFileContent(folder.File("Options.ini"), "new").Error, 0);
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"Options.ini"});
}

TEST(FileStoreTemporaryName, IsHiddenBesideTheFileAndNamesTheProcess)
{
    const std::string name = TemporaryFileName("/a/b/Default.udf", 123, 4);
    EXPECT_EQ(name, "/a/b/.Default.udf.~123-4");
    EXPECT_FALSE(name.ends_with(".udf"));
}

TEST(FileStoreSave, SeveralHardLinksAllSeeTheNewText)
{
    TTempFolder folder;
    const std::string name = folder.Write("History.txt", "old");
    const std::string other = folder.File("History-link.txt");
    fs::create_hard_link(name, other);
    ASSERT_EQ(SaveFileContent(name, "new text").Error, 0);
    EXPECT_EQ(ReadBytes(other), "new text");
    EXPECT_EQ(fs::hard_link_count(name), 2u);
}

TEST(FileStoreSave, FailedSaveInPlacePutsTheOldTextBack)
{
    TTempFolder folder;
    const std::string name = folder.Write("History.txt", "old");
    fs::create_hard_link(name, folder.File("link"));
    {
        test::TFileSizeLimit limit(64);
        ASSERT_TRUE(limit.Active());
        EXPECT_EQ(SaveFileContent(name, std::string(4096, 'x')).Error, EFBIG);
    }
    EXPECT_EQ(ReadBytes(name), "old");
}

TEST(FileStoreSave, DanglingLinkGetsItsTargetAndStaysALink)
{
    TTempFolder folder;
    const std::string link = folder.File("Options.ini");
    fs::create_directory(folder.File("real"));
    fs::create_symlink("real/Options.ini", link); // relative, as users make them
    ASSERT_EQ(SaveFileContent(link, "new").Error, 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(folder.File("real/Options.ini")), "new");
}

TEST(FileStoreSave, KeepsOwnerAndGroup)
{
    TTempFolder folder;
    const std::string name = folder.Write("Options.ini", "old");
    // Only the superuser may give a file away; others keep their own ids, which says nothing.
    if (::chown(name.c_str(), 65534, 65534) != 0)
        GTEST_SKIP() << "cannot give the file to another user";
    ASSERT_EQ(SaveFileContent(name, "new").Error, 0);
    struct stat st {};
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(ReadBytes(name), "new");
}

TEST(FileStoreSave, ReadOnlyFolderWritesAWritableFileInPlace)
{
    if (!test::PermissionsApply())
        GTEST_SKIP() << "running as the superuser: permission bits do not stop writes";
    TTempFolder folder;
    const std::string name = folder.Write("ro/a.udf", "old");
    ASSERT_EQ(::chmod(folder.File("ro").c_str(), 0555), 0);
    const TSaveResult saved = SaveFileContent(name, "new");
    EXPECT_EQ(saved.Error, 0);
    EXPECT_TRUE(saved.InPlace);
    EXPECT_EQ(ReadBytes(name), "new");
}

TEST(FileStoreSave, ReadOnlyFolderAndFileRefuseTheSave)
{
    if (!test::PermissionsApply())
        GTEST_SKIP() << "running as the superuser: permission bits do not stop writes";
    TTempFolder folder;
    const std::string name = folder.Write("ro/a.udf", "old");
    ASSERT_EQ(::chmod(name.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(folder.File("ro").c_str(), 0555), 0);
    EXPECT_EQ(SaveFileContent(name, "new").Error, EACCES);
    EXPECT_EQ(ReadBytes(name), "old");
}

TEST(FileStoreByteOrderMark, OnlyALeadingMarkIsSkipped)
{
    EXPECT_EQ(SkipByteOrderMark("\xEF\xBB\xBF[General]"), "[General]");
    EXPECT_EQ(SkipByteOrderMark("a\xEF\xBB\xBF"), "a\xEF\xBB\xBF");
    EXPECT_EQ(SkipByteOrderMark("\xEF\xBB"), "\xEF\xBB");
}

} // namespace
} // namespace calc
