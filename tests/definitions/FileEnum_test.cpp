#include "definitions/FileEnum.h"
#include "engine/ExprParserTypes.h"
#include "support/EnvironmentVariable.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace calc {
namespace {

using test::TTempFolder;

/// Relative path of every entry a walk yields, in walk order.
std::vector<std::string> Walk(const std::shared_ptr<TFSEnumProvider>& provider)
{
    std::vector<std::string> found;
    for (auto it = provider->GetEnumerator(); it->MoveNext();)
        found.push_back(it->Current().RelativeDir() + it->Current().FileName());
    return found;
}

struct TMaskCase {
    std::string_view name;
    std::string_view mask;
    bool matches;
};

constexpr TMaskCase kMasks[] = {
    {"Default.udf", "*.udf", true},
    {"Data.UDF", "*.udf", true},
    {"data.udf", "*.UdF", true},
    {"Notes.txt", "*.udf", false},
    {"a.udf.bak", "*.udf", false},
    {"udf", "*.udf", false},
    {".udf", "*.udf", true},
    {"a.b.udf", "*.udf", true},
    {"x.udf", "?.udf", true},
    {"xy.udf", "?.udf", false},
    {".udf", "?.udf", false},
    {"abc", "a?c", true},
    {"ac", "a?c", false},
    {"abcd", "a*d", true},
    {"abcd", "a*c", false},
    {"aaa", "a*a*a", true},
    {"aa", "a*a*a", false},
    {"abc", "abc", true},
    {"abc", "ab", false},
    {"ab", "abc", false},
    {"abc", "*", true},
    {"", "*", true},
    {"anything", "", true},
    {"noext", "*.*", true},
    {"with.ext", "*.*", true},
    {"noext", "*.", false},
    {"a*b", "a*b", true},
    {"x?y", "x?y", true},
    {"\xC4.udf", "\xE4.udf", false},
    {"\xC4.udf", "\xC4.udf", true},
    {"[a].udf", "[a].udf", true},
    {"b.udf", "[ab].udf", false},
    {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "a*a*a*a*a*a*a*a*a*a*b", false},
    {"mississippi", "m*iss*ppi", true},
    {"mississippi", "m*iss*ppix", false},
};

class FileEnumMask : public ::testing::TestWithParam<TMaskCase> {};

TEST_P(FileEnumMask, MatchesAsWildcardPattern)
{
    EXPECT_EQ(MatchesMask(GetParam().name, GetParam().mask), GetParam().matches)
        << GetParam().name << " against " << GetParam().mask;
}

INSTANTIATE_TEST_SUITE_P(Rows, FileEnumMask, ::testing::ValuesIn(kMasks));

class FileEnumTest : public ::testing::Test {
protected:
    TTempFolder FFolder;
};

TEST_F(FileEnumTest, WalkIsDepthFirstWithFoldersBeforeTheirContents)
{
    FFolder.Write("Default.udf", "");
    FFolder.Write("Units/Length.udf", "");
    FFolder.Write("Units/Old/Imperial.udf", "");
    FFolder.Write("Units/Area.udf", "");
    FFolder.Write("Z.udf", "");
    FFolder.Write("B.udf", "");
    FFolder.Write("a.udf", "");
    const std::vector<std::string> expected = {"B.udf",
                                               "Default.udf",
                                               "Units",
                                               "Units/Area.udf",
                                               "Units/Length.udf",
                                               "Units/Old",
                                               "Units/Old/Imperial.udf",
                                               "Z.udf",
                                               "a.udf"};
    EXPECT_EQ(Walk(EnumerateFiles(FFolder.Path(), "*", kDefaultFileAttributes)), expected);
}

TEST_F(FileEnumTest, StartUpWalkYieldsOnlyMatchingFilesButWalksEveryFolder)
{
    FFolder.Write("Default.udf", "");
    FFolder.Write("Units/Length.udf", "");
    FFolder.Write("Units/Old/Imperial.udf", "");
    FFolder.Write("Notes.txt", "");
    FFolder.Write("Data.UDF", "");
    FFolder.MakeDir("Stuff.udf");
    FFolder.Write("Other/Inner.udf", "");
    const std::vector<std::string> expected = {"Data.UDF", "Default.udf", "Other/Inner.udf",
                                               "Units/Length.udf", "Units/Old/Imperial.udf"};
    EXPECT_EQ(Walk(EnumerateFiles(FFolder.Path(), "*.udf", kDefinitionFileAttributes)), expected);
}

TEST_F(FileEnumTest, FileInfoNamesTheEntryAndItsFolder)
{
    FFolder.Write("Units/Old/a.b.udf", "");
    auto it = EnumerateFiles(FFolder.Path(), "*.udf", kDefinitionFileAttributes)->GetEnumerator();
    ASSERT_TRUE(it->MoveNext());
    const TFileInfo& info = it->Current();
    EXPECT_EQ(info.FileName(), "a.b.udf");
    EXPECT_EQ(info.BaseName(), "a.b");
    EXPECT_EQ(info.RelativeDir(), "Units/Old/");
    EXPECT_EQ(info.FullName(), FFolder.Path() + "/Units/Old/a.b.udf");
    EXPECT_EQ(info.Provider().Directory(), FFolder.Path() + "/Units/Old/");
    EXPECT_EQ(info.Provider().Root().Directory(), FFolder.Path() + "/");
    EXPECT_EQ(DefinitionGroupName(info), "Units > Old > a.b");
    EXPECT_FALSE(it->MoveNext());
}

TEST_F(FileEnumTest, RootEntriesHaveAnEmptyRelativeDir)
{
    FFolder.Write("Default.udf", "");
    auto it =
        EnumerateFiles(FFolder.Path() + "/", "*.udf", kDefinitionFileAttributes)->GetEnumerator();
    ASSERT_TRUE(it->MoveNext());
    EXPECT_EQ(it->Current().RelativeDir(), "");
    EXPECT_EQ(it->Current().FullName(), FFolder.Path() + "/Default.udf") << "no doubled slash";
    EXPECT_EQ(DefinitionGroupName(it->Current()), "Default");
}

TEST_F(FileEnumTest, ProviderDefaultsAndTrailingSeparator)
{
    const auto provider = TFSEnumProvider::Create(FFolder.Path());
    EXPECT_EQ(provider->Directory(), FFolder.Path() + "/");
    EXPECT_EQ(provider->Mask(), "*.*");
    EXPECT_EQ(provider->Attributes(), 98295u);
    EXPECT_FALSE(provider->Recursive());
    EXPECT_EQ(provider->Parent(), nullptr);
    EXPECT_EQ(TFSEnumProvider::Create(FFolder.Path(), "")->Mask(), "*.*");
    const auto walk = EnumerateFiles(FFolder.Path(), "*.udf", 98279);
    EXPECT_TRUE(walk->Recursive());
    EXPECT_EQ(kDefinitionFileAttributes, 98279u);
}

TEST_F(FileEnumTest, OneFolderListingHasNoAttributeTest)
{
    FFolder.Write("a.udf", "");
    FFolder.MakeDir("Stuff.udf");
    FFolder.Write("Stuff.udf/inner.udf", "");
    FFolder.Write("b.txt", "");
    const auto provider =
        TFSEnumProvider::Create(FFolder.Path(), "*.udf", kDefinitionFileAttributes);
    EXPECT_EQ(Walk(provider), (std::vector<std::string>{"Stuff.udf", "a.udf"}));
    std::vector<std::string> viaRange;
    for (const TFileInfo& info : *provider)
        viaRange.push_back(info.FileName());
    EXPECT_EQ(viaRange, (std::vector<std::string>{"Stuff.udf", "a.udf"}));
}

TEST_F(FileEnumTest, MissingFolderGivesAnEmptyWalk)
{
    EXPECT_TRUE(Walk(EnumerateFiles(FFolder / "none", "*.udf", kDefinitionFileAttributes)).empty());
    EXPECT_TRUE(Walk(TFSEnumProvider::Create(FFolder / "none")).empty());
}

TEST_F(FileEnumTest, AttributesDescribeTheEntries)
{
    FFolder.Write(".Hidden.udf", "");
    FFolder.Write("Plain.udf", "");
    FFolder.MakeDir("Folder");
    ASSERT_EQ(::symlink("Plain.udf", (FFolder / "Link.udf").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (FFolder / "Broken.udf").c_str()), 0);
    ASSERT_EQ(::mkfifo((FFolder / "Pipe.udf").c_str(), 0600), 0);
    std::map<std::string, TFileAttributes> found;
    const auto provider = TFSEnumProvider::Create(FFolder.Path());
    for (const TFileInfo& info : *provider)
        found[info.FileName()] = info.Attributes();
    EXPECT_EQ(found.at(".Hidden.udf"), faHidden);
    EXPECT_EQ(found.at("Plain.udf"), 0u);
    EXPECT_EQ(found.at("Folder"), faDirectory);
    EXPECT_EQ(found.at("Link.udf"), faSymLink);
    EXPECT_EQ(found.at("Broken.udf"), faSymLink | faSpecial);
    EXPECT_EQ(found.at("Pipe.udf"), faSpecial);
}

TEST_F(FileEnumTest, ReadOnlyAttributeFollowsWritePermission)
{
    if (test::PermissionsIgnored())
        GTEST_SKIP() << "running as root: every file is writable";
    const std::string path = FFolder.Write("ro.udf", "");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    auto it = TFSEnumProvider::Create(FFolder.Path())->GetEnumerator();
    ASSERT_TRUE(it->MoveNext());
    EXPECT_EQ(it->Current().Attributes(), faReadOnly);
}

TEST_F(FileEnumTest, StartUpWalkLeavesOutSpecialEntries)
{
    FFolder.Write("Plain.udf", "");
    FFolder.Write(".Hidden.udf", "");
    ASSERT_EQ(::symlink("Plain.udf", (FFolder / "Link.udf").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (FFolder / "Broken.udf").c_str()), 0);
    ASSERT_EQ(::mkfifo((FFolder / "Pipe.udf").c_str(), 0600), 0);
    EXPECT_EQ(Walk(EnumerateFiles(FFolder.Path(), "*.udf", kDefinitionFileAttributes)),
              (std::vector<std::string>{".Hidden.udf", "Link.udf", "Plain.udf"}));
}

TEST_F(FileEnumTest, EntryNeedsEveryAttributeBitInTheSet)
{
    FFolder.Write(".Hidden.udf", "");
    FFolder.Write("Plain.udf", "");
    EXPECT_EQ(Walk(EnumerateFiles(FFolder.Path(), "*.udf", kDefinitionFileAttributes & ~faHidden)),
              std::vector<std::string>{"Plain.udf"});
    EXPECT_EQ(Walk(EnumerateFiles(FFolder.Path(), "*.udf", 0)),
              std::vector<std::string>{"Plain.udf"});
}

TEST_F(FileEnumTest, SymbolicLinkLoopsEnd)
{
    FFolder.Write("Units/Length.udf", "");
    ASSERT_EQ(::symlink("..", (FFolder / "Units/Up").c_str()), 0);
    ASSERT_EQ(::symlink(".", (FFolder / "Units/Self").c_str()), 0);
    ASSERT_EQ(::symlink(FFolder.Path().c_str(), (FFolder / "Root").c_str()), 0);
    EXPECT_EQ(
        Walk(EnumerateFiles(FFolder.Path(), "*", kDefaultFileAttributes)),
        (std::vector<std::string>{"Root", "Units", "Units/Length.udf", "Units/Self", "Units/Up"}));
}

TEST_F(FileEnumTest, LinkedFolderIsWalkedOnce)
{
    FFolder.Write("Units/Length.udf", "");
    ASSERT_EQ(::symlink("Units", (FFolder / "Alias").c_str()), 0);
    EXPECT_EQ(Walk(EnumerateFiles(FFolder.Path(), "*.udf", kDefinitionFileAttributes)),
              std::vector<std::string>{"Alias/Length.udf"});
}

TEST_F(FileEnumTest, EntryRemovedAfterTheListingIsPassedOver)
{
    FFolder.Write("a.udf", "");
    FFolder.Write("b.udf", "");
    FFolder.Write("c.udf", "");
    auto it = EnumerateFiles(FFolder.Path(), "*.udf", kDefinitionFileAttributes)->GetEnumerator();
    ASSERT_TRUE(it->MoveNext());
    EXPECT_EQ(it->Current().FileName(), "a.udf");
    ASSERT_EQ(::unlink((FFolder / "b.udf").c_str()), 0);
    ASSERT_TRUE(it->MoveNext());
    EXPECT_EQ(it->Current().FileName(), "c.udf");
    EXPECT_FALSE(it->MoveNext());
}

TEST(FileEnumGroupName, ReplacesEachSeparatorAndDropsTheLastExtension)
{
    TTempFolder folder;
    folder.Write("Physics/Mechanics.udf", "");
    folder.Write("a.b.udf", "");
    std::vector<std::string> names;
    const auto provider = EnumerateFiles(folder.Path(), "*.udf", kDefinitionFileAttributes);
    for (const TFileInfo& info : *provider)
        names.push_back(DefinitionGroupName(info));
    EXPECT_EQ(names, (std::vector<std::string>{"Physics > Mechanics", "a.b"}));
}

/// Puts the definitions folder into a temporary folder and back afterwards.
class DefinitionsDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FDir = FFolder.MakeDir("Tools/Definitions");
        SetDefinitionsDir(FDir);
    }
    void TearDown() override { SetDefinitionsDir({}); }

    TTempFolder FFolder;
    std::string FDir;
};

TEST(DefinitionsDirDefault, IsTheFolderChosenForTheProgramsOwnFolder)
{
    SetDefinitionsDir({});
    char exe[4096];
    const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(length, 0);
    std::string folder(exe, static_cast<std::size_t>(length));
    folder.erase(folder.rfind('/'));
    EXPECT_EQ(DefinitionsDir(), DefinitionsDirFor(folder));
}

struct TDirForCase {
    const char* name;
    bool besideFolder;         ///< a folder "Definitions" beside the program
    bool besideFile;           ///< a plain file "Definitions" beside the program instead
    const char* dataHome;      ///< XDG_DATA_HOME; "@" for the temporary folder's "data"
    std::string_view expected; ///< below the temporary folder
};

constexpr TDirForCase kDirFor[] = {
    {"PortableFolderWins", true, false, "@", "bin/Definitions"},
    {"DataHomeWithoutPortableFolder", false, false, "@", "data/Zembrical Calculator/Definitions"},
    {"FileNamedDefinitionsIsNoFolder", false, true, "@", "data/Zembrical Calculator/Definitions"},
    {"HomeWhenDataHomeUnset", false, false, nullptr,
     "home/.local/share/Zembrical Calculator/Definitions"},
    {"HomeWhenDataHomeRelative", false, false, "data",
     "home/.local/share/Zembrical Calculator/Definitions"},
};

class DefinitionsDirFor_ : public ::testing::TestWithParam<TDirForCase> {};

TEST_P(DefinitionsDirFor_, PicksThePortableOrThePerUserFolder)
{
    const TDirForCase& row = GetParam();
    const TTempFolder folder;
    const std::string bin = folder.MakeDir("bin");
    if (row.besideFolder)
        folder.MakeDir("bin/Definitions");
    if (row.besideFile)
        folder.Write("bin/Definitions", "x");
    const std::string data = folder / "data";
    const std::string home = folder / "home";
    test::TEnvironmentVariable homeVar("HOME", home.c_str());
    const char* dataHome = row.dataHome == nullptr                 ? nullptr
                           : std::string_view(row.dataHome) == "@" ? data.c_str()
                                                                   : row.dataHome;
    test::TEnvironmentVariable dataVar("XDG_DATA_HOME", dataHome);
    EXPECT_EQ(DefinitionsDirFor(bin), folder / row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, DefinitionsDirFor_, ::testing::ValuesIn(kDirFor),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShippedDefinitionsDir, LiesUnderTheSharedDataOfThePrefix)
{
    EXPECT_EQ(ShippedDefinitionsDirFor("/usr/bin"), "/usr/share/zembrical/Definitions");
    EXPECT_EQ(ShippedDefinitionsDirFor("/opt/z/bin"), "/opt/z/share/zembrical/Definitions");
}

/// A shipped folder with two files and a per-user folder that does not exist yet.
class SeedDefinitionsDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FShipped = FFolder.MakeDir("share/Definitions");
        FFolder.Write("share/Definitions/Default.udf", "e=2.718281828459045\r\n");
        FFolder.Write("share/Definitions/Units/Length.udf", "inch=0.0254\r\n");
        FUser = FFolder / "data/Zembrical Calculator/Definitions";
    }
    TTempFolder FFolder;
    std::string FShipped;
    std::string FUser;
};

TEST_F(SeedDefinitionsDirTest, NewFolderGetsEveryShippedFile)
{
    EXPECT_TRUE(SeedDefinitionsDir(FUser, FShipped));
    EXPECT_EQ(test::ReadAll(FUser + "/Default.udf"), "e=2.718281828459045\r\n");
    EXPECT_EQ(test::ReadAll(FUser + "/Units/Length.udf"), "inch=0.0254\r\n");
    EXPECT_EQ(FFolder.EntryCount("data/Zembrical Calculator"), 1) << "a staging folder was left";
}

TEST_F(SeedDefinitionsDirTest, ExistingFolderIsNeverTouched)
{
    FFolder.Write("data/Zembrical Calculator/Definitions/Default.udf", "mine=1\r\n");
    EXPECT_FALSE(SeedDefinitionsDir(FUser, FShipped));
    EXPECT_EQ(test::ReadAll(FUser + "/Default.udf"), "mine=1\r\n");
    EXPECT_FALSE(std::filesystem::exists(FUser + "/Units"));
}

TEST_F(SeedDefinitionsDirTest, NothingShippedCreatesNothing)
{
    EXPECT_FALSE(SeedDefinitionsDir(FUser, FFolder / "nowhere"));
    EXPECT_FALSE(std::filesystem::exists(FFolder / "data"));
}

TEST_F(SeedDefinitionsDirTest, CopiesOfReadOnlyFilesAreWritable)
{
    ASSERT_EQ(::chmod((FShipped + "/Default.udf").c_str(), 0444), 0);
    ASSERT_TRUE(SeedDefinitionsDir(FUser, FShipped));
    struct stat info {};
    ASSERT_EQ(::stat((FUser + "/Default.udf").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IWUSR, 0u);
}

TEST_F(DefinitionsDirTest, OverrideIsUsedWithoutTrailingSeparator)
{
    EXPECT_EQ(DefinitionsDir(), FDir);
    SetDefinitionsDir(FDir + "//");
    EXPECT_EQ(DefinitionsDir(), FDir);
}

struct TInsideCase {
    const char* name;
    std::string_view relative; ///< below the temporary folder that holds Tools/Definitions
    bool inside;
};

constexpr TInsideCase kInside[] = {
    {"FileInFolder", "Tools/Definitions/x.udf", true},
    {"FileInSubFolder", "Tools/Definitions/Units/x.udf", true},
    {"NewFileNotYetThere", "Tools/Definitions/New.udf", true},
    {"SiblingWithSamePrefix", "Tools/Definitions2/x.udf", false},
    {"FolderItself", "Tools/Definitions", false},
    {"FolderWithSlash", "Tools/Definitions/", false},
    {"DotDotLeavesTheFolder", "Tools/Definitions/../x.udf", false},
    {"DotDotComesBack", "Tools/Definitions/Units/../x.udf", true},
    {"OtherFolder", "Other/x.udf", false},
    {"LetterCaseDiffers", "Tools/definitions/x.udf", false},
};

class DefinitionsDirInside : public DefinitionsDirTest,
                             public ::testing::WithParamInterface<TInsideCase> {};

TEST_P(DefinitionsDirInside, AcceptsOnlyFilesBelowTheFolder)
{
    EXPECT_EQ(IsInDefinitionsDir(FFolder / GetParam().relative), GetParam().inside);
}

INSTANTIATE_TEST_SUITE_P(Rows, DefinitionsDirInside, ::testing::ValuesIn(kInside),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DefinitionsDirTest, LinkOutOfTheFolderIsOutside)
{
    FFolder.MakeDir("Other");
    ASSERT_EQ(::symlink((FFolder / "Other").c_str(), (FDir + "/Escape").c_str()), 0);
    EXPECT_FALSE(IsInDefinitionsDir(FDir + "/Escape/x.udf"));
}

TEST_F(DefinitionsDirTest, OutsideFileGivesTheFolderNameInTheMessage)
{
    try {
        CheckInDefinitionsDir(FFolder / "Other/x.udf");
        FAIL() << "no failure";
    }
    catch (const EException& e) {
        EXPECT_STREQ(e.what(), "Selected file is not in \"Definitions\" dir");
    }
    EXPECT_NO_THROW(CheckInDefinitionsDir(FDir + "/x.udf"));
}

} // namespace
} // namespace calc
