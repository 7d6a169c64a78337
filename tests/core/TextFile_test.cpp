#include "core/TextFile.h"
#include "engine/ExprParserTypes.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

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

TEST(TextFileWrite, ReadOnlyFolderRaisesErrorAndKeepsOldFile)
{
    if (!test::PermissionsApply())
        GTEST_SKIP() << "running as the superuser: permission bits do not stop writes";
    TTempFolder folder;
    const std::string name = folder.File("Options.ini");
    WriteAll(name, "old");
    fs::permissions(folder.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(WriteTextFileAtomic(name, "new"), EException);
    EXPECT_EQ(ReadAll(name), "old");
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
