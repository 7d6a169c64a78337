#include "core/TextFile.h"
#include "engine/ExprParserTypes.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace calc {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::TTempFolder;
using test::WriteAll;

struct LineCase {
    const char* name;
    std::string_view text;
    std::vector<std::string_view> lines;
};

const LineCase kLineRows[] = {
    {"Empty", "", {}},
    {"CrLf", "a\r\nb\r\n", {"a", "b"}},
    {"Lf", "a\nb", {"a", "b"}},
    {"LoneCr", "a\rb\r", {"a", "b"}},
    {"EmptyLinesKept", "a\r\n\r\nb", {"a", "", "b"}},
    {"CrCrLf", "a\r\r\nb", {"a", "", "b"}},
    {"OnlyBreak", "\n", {""}},
};

TEST(TextFileSplitLines, SplitsAtEveryKindOfLineEnd)
{
    for (const LineCase& row : kLineRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SplitLines(row.text), row.lines);
    }
}

/// Names in a folder, to see that no temporary file is left behind.
std::vector<std::string> FolderNames(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TextFileRead, MissingFileAnswersFalse)
{
    TTempFolder folder;
    std::string text = "stale";
    EXPECT_FALSE(ReadTextFile(folder.File("none.txt"), text));
    EXPECT_TRUE(text.empty());
}

TEST(TextFileRead, ReadsBytesUnchanged)
{
    TTempFolder folder;
    const std::string bytes("a\r\nb\0c\xB0\n", 8);
    WriteAll(folder.File("f.txt"), bytes);
    std::string text;
    ASSERT_TRUE(ReadTextFile(folder.File("f.txt"), text));
    EXPECT_EQ(text, bytes);
}

struct SizeCase {
    const char* name;
    std::string (*make)(const TTempFolder& folder);
};

const SizeCase kOversizeRows[] = {
    {"FileOverTheLimit",
     [](const TTempFolder& folder) {
         const std::string name = folder.File("big.ini");
         WriteAll(name, std::string(kMaxIniFileSize + 1, ';'));
         return name;
     }},
    {"DeviceWithoutEnd", [](const TTempFolder&) { return std::string("/dev/zero"); }},
};

TEST(TextFileRead, RefusesMoreThanTheLimit)
{
    for (const SizeCase& row : kOversizeRows) {
        SCOPED_TRACE(row.name);
        TTempFolder folder;
        const std::string name = row.make(folder);
        std::string text = "stale";
        try {
            (void)ReadTextFile(name, text, kMaxIniFileSize);
            ADD_FAILURE() << "read " << text.size() << " bytes";
        }
        catch (const EException& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot read file \"" + name + "\". The file is larger than 1 MB");
        }
        EXPECT_TRUE(text.empty());
    }
}

TEST(TextFileRead, LimitItselfIsAllowed)
{
    TTempFolder folder;
    WriteAll(folder.File("f.ini"), std::string(kMaxIniFileSize, ';'));
    std::string text;
    ASSERT_TRUE(ReadTextFile(folder.File("f.ini"), text, kMaxIniFileSize));
    EXPECT_EQ(text.size(), kMaxIniFileSize);
}

TEST(TextFileRead, PipeWithoutWriterReadsEmpty)
{
    TTempFolder folder;
    const std::string name = folder.File("pipe");
    ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
    std::string text = "stale";
    EXPECT_TRUE(ReadTextFile(name, text));
    EXPECT_TRUE(text.empty());
}

TEST(TextFileRead, FolderInsteadOfFileRaisesError)
{
    TTempFolder folder;
    std::string text;
    EXPECT_THROW((void)ReadTextFile(folder.Path(), text), EException);
}

TEST(TextFileWrite, ReplacesFileAndLeavesNoTemporaryFile)
{
    TTempFolder folder;
    const std::string name = folder.File("Options.ini");
    WriteAll(name, "old contents that are longer than the new ones");
    WriteTextFileAtomic(name, "new\r\n");
    EXPECT_EQ(ReadAll(name), "new\r\n");
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::string>{"Options.ini"});
}

TEST(TextFileWrite, KeepsPermissionsOfReplacedFile)
{
    TTempFolder folder;
    const std::string name = folder.File("History.txt");
    WriteAll(name, "old");
    fs::permissions(name, fs::perms::owner_read | fs::perms::owner_write);
    WriteTextFileAtomic(name, "new");
    EXPECT_EQ(fs::status(name).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(TextFileWrite, SymbolicLinkStaysALink)
{
    TTempFolder folder;
    const std::string target = folder.File("real.ini");
    const std::string link = folder.File("link.ini");
    WriteAll(target, "old");
    fs::create_symlink(target, link);
    WriteTextFileAtomic(link, "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(target), "new");
}

TEST(TextFileWrite, EmptyNameRaisesError)
{
    EXPECT_THROW(WriteTextFileAtomic("", "x"), EException);
}

TEST(TextFileWrite, ParentThatIsAFileRaisesError)
{
    TTempFolder folder;
    WriteAll(folder.File("plain"), "x");
    EXPECT_THROW(WriteTextFileAtomic(folder.File("plain") + "/Options.ini", "new"), EException);
    EXPECT_EQ(ReadAll(folder.File("plain")), "x");
}

TEST(TextFileWrite, ReadOnlyFolderAndFileRaiseErrorAndKeepOldFile)
{
    if (!test::PermissionsApply())
        GTEST_SKIP() << "running as the superuser: permission bits do not stop writes";
    TTempFolder folder;
    const std::string name = folder.File("Options.ini");
    WriteAll(name, "old");
    fs::permissions(name, fs::perms::owner_read);
    fs::permissions(folder.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(WriteTextFileAtomic(name, "new"), EException);
    EXPECT_EQ(ReadAll(name), "old");
}

TEST(TextFileWrite, ReadOnlyFolderStillTakesAWritableFile)
{
    if (!test::PermissionsApply())
        GTEST_SKIP() << "running as the superuser: permission bits do not stop writes";
    TTempFolder folder;
    const std::string name = folder.File("Options.ini");
    WriteAll(name, "old contents that are longer");
    fs::permissions(folder.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    WriteTextFileAtomic(name, "new");
    EXPECT_EQ(ReadAll(name), "new");
}

/// How a file is reached, and what must still hold after a save through it.
struct LinkCase {
    const char* name;
    void (*make)(const TTempFolder& folder); ///< makes "Options.ini" and whatever it reaches
    const char* seenThrough;                 ///< a path that must show the new text
};

const LinkCase kLinkRows[] = {
    {"HardLink",
     [](const TTempFolder& folder) {
         WriteAll(folder.File("Options.ini"), "old");
         fs::create_hard_link(folder.File("Options.ini"), folder.File("other.ini"));
     },
     "other.ini"},
    {"DanglingSymbolicLink",
     [](const TTempFolder& folder) {
         fs::create_directory(folder.File("real"));
         fs::create_symlink("real/Options.ini", folder.File("Options.ini"));
     },
     "real/Options.ini"},
    {"ChainOfSymbolicLinks",
     [](const TTempFolder& folder) {
         WriteAll(folder.File("real.ini"), "old");
         fs::create_symlink("real.ini", folder.File("middle.ini"));
         fs::create_symlink(folder.File("middle.ini"), folder.File("Options.ini"));
     },
     "real.ini"},
};

TEST(TextFileWrite, LinksStayLinks)
{
    for (const LinkCase& row : kLinkRows) {
        SCOPED_TRACE(row.name);
        TTempFolder folder;
        row.make(folder);
        const bool wasLink = fs::is_symlink(folder.File("Options.ini"));
        WriteTextFileAtomic(folder.File("Options.ini"), "new");
        EXPECT_EQ(ReadAll(folder.File(row.seenThrough)), "new");
        EXPECT_EQ(fs::is_symlink(folder.File("Options.ini")), wasLink);
    }
}

TEST(TextFileWrite, KeepsOwnerAndGroupOfReplacedFile)
{
    TTempFolder folder;
    const std::string name = folder.File("History.txt");
    WriteAll(name, "old");
    if (::chown(name.c_str(), 65534, 65534) != 0)
        GTEST_SKIP() << "only the superuser can give a file to another user";
    WriteTextFileAtomic(name, "new");
    struct stat st {};
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
}

TEST(TextFileWrite, RemovesTemporaryFilesOfInterruptedSaves)
{
    TTempFolder folder;
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string left =
        folder.File("History.txt.~" + std::to_string(child) + "-0"); // as earlier versions named it
    WriteAll(left, std::string(4096, 'x'));
    const std::time_t then = std::time(nullptr) - 3600;
    const timespec times[2] = {{then, 0}, {then, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, left.c_str(), times, 0), 0);
    WriteTextFileAtomic(folder.File("Options.ini"), "new");
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::string>{"Options.ini"});
}

TEST(TextFileWrite, FolderInTheWayRaisesErrorAndKeepsIt)
{
    TTempFolder folder;
    const std::string name = folder.File("Options.ini");
    fs::create_directory(name);
    WriteAll(name + "/inside", "kept");
    EXPECT_THROW(WriteTextFileAtomic(name, "new"), EException);
    EXPECT_EQ(ReadAll(name + "/inside"), "kept");
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::string>{"Options.ini"});
}

TEST(TextFileWrite, FailureInTheMiddleKeepsOldFileWhole)
{
    TTempFolder folder;
    const std::string name = folder.File("History.txt");
    WriteAll(name, "old");
    {
        test::TFileSizeLimit limit(16);
        EXPECT_THROW(WriteTextFileAtomic(name, std::string(4096, 'x')), EException);
    }
    EXPECT_EQ(ReadAll(name), "old");
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::string>{"History.txt"});
}

TEST(TextFileWrite, ErrorMessageNamesTheFile)
{
    TTempFolder folder;
    WriteAll(folder.File("plain"), "x");
    const std::string name = folder.File("plain") + "/Options.ini";
    try {
        WriteTextFileAtomic(name, "new");
        FAIL() << "no error";
    }
    catch (const EException& e) {
        EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace calc
