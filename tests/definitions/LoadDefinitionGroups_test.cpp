#include "definitions/CalcDefsFile.h"
#include "definitions/FileEnum.h"
#include "support/EnvironmentVariable.h"
#include "support/TempFolder.h"
#include "support/TestRegistry.h"

#include <chrono>
#include <gtest/gtest.h>

namespace calc {
namespace {

/// A temporary definitions folder in place of the one beside the program.
class LoadDefinitionGroupsTest : public test::TRegistryFixture {
protected:
    void SetUp() override
    {
        TRegistryFixture::SetUp();
        FDir = FFolder.MakeDir("Definitions");
        SetDefinitionsDir(FDir);
    }
    void TearDown() override
    {
        SetDefinitionsDir({});
        TRegistryFixture::TearDown();
    }

    std::string Write(std::string_view relative, std::string_view bytes) const
    {
        return FFolder.Write("Definitions/" + std::string(relative), bytes);
    }

    static std::vector<std::string> GroupNames()
    {
        std::vector<std::string> names;
        for (int i = 0; i < ParserDefinitions().GroupCount(); ++i)
            names.push_back(ParserDefinitions().GroupNames(i));
        return names;
    }

    static Extended Constant(std::string_view name)
    {
        Extended value = 0;
        EXPECT_TRUE(ParserDefinitions().FindConstant(name, value)) << name;
        return value;
    }

    static bool HasConstant(std::string_view name)
    {
        Extended value = 0;
        return ParserDefinitions().FindConstant(name, value);
    }

    test::TTempFolder FFolder;
    std::string FDir;
};

TEST_F(LoadDefinitionGroupsTest, NestedFilesBecomeGroupsInWalkOrder)
{
    Write("Default.udf", "d=1\r\n");
    Write("Units/Length.udf", "inch=0.0254\r\n");
    Write("Units/Old/Imperial.udf", "foot=0.3048\r\n");
    Write("Units/Area.udf", "are=100\r\n");
    LoadDefinitionGroups(ParserDefinitions());
    EXPECT_EQ(GroupNames(), (std::vector<std::string>{"Default", "Units > Area", "Units > Length",
                                                      "Units > Old > Imperial"}));
    EXPECT_EQ(ParserDefinitions().Groups(2).FileName(), FDir + "/Units/Length.udf");
    EXPECT_EQ(ParserDefinitions().Groups(3).Count(), 1);
    EXPECT_TRUE(SameValueTol(Constant("foot"), 0.3048L));
}

TEST_F(LoadDefinitionGroupsTest, OnlyUdfFilesLoadWhateverTheirLetterCase)
{
    Write("Notes.txt", "n=1\r\n");
    FFolder.MakeDir("Definitions/Stuff.udf");
    Write("Data.UDF", "data=2\r\n");
    LoadDefinitionGroups(ParserDefinitions());
    EXPECT_EQ(GroupNames(), std::vector<std::string>{"Data"});
    EXPECT_FALSE(HasConstant("n"));
    EXPECT_EQ(Constant("data"), 2);
}

TEST_F(LoadDefinitionGroupsTest, FileMetFirstSuppliesADuplicatedConstant)
{
    Write("A.udf", "rate=1\r\n");
    Write("B.udf", "rate=2\r\n");
    LoadDefinitionGroups(ParserDefinitions());
    EXPECT_EQ(Constant("rate"), 1);
}

TEST_F(LoadDefinitionGroupsTest, BadLinesAreDroppedAndTheRestLoads)
{
    Write("Mixed.udf", "a=1\r\nb=1+\r\n(=2\r\nc=a*3\r\nd=unknownname\r\nf(x)=x*a\r\n");
    LoadDefinitionGroups(ParserDefinitions());
    ASSERT_EQ(ParserDefinitions().GroupCount(), 1);
    const TDefinitionsGroup& group = ParserDefinitions().Groups(0);
    ASSERT_EQ(group.Count(), 3);
    EXPECT_EQ(group.GetName(0), "a");
    EXPECT_EQ(group.GetName(1), "c");
    EXPECT_EQ(group.GetName(2), "f");
    EXPECT_EQ(Constant("c"), 3);
}

TEST_F(LoadDefinitionGroupsTest, ConstantsSeeOnlyFilesLoadedBefore)
{
    Write("A.udf", "a=2\r\nlater=b+1\r\n");
    Write("B.udf", "b=a*3\r\n");
    LoadDefinitionGroups(ParserDefinitions());
    EXPECT_EQ(Constant("b"), 6);
    EXPECT_FALSE(HasConstant("later"));
}

TEST_F(LoadDefinitionGroupsTest, BannerAndCommentsAreNotDefinitions)
{
    Write("P.udf", std::string(kDefinitionsBanner) + "x=1 ; one\r\n; y=2\r\n");
    LoadDefinitionGroups(ParserDefinitions());
    ASSERT_EQ(ParserDefinitions().GroupCount(), 1);
    EXPECT_EQ(ParserDefinitions().Groups(0).Count(), 1);
    EXPECT_EQ(ParserDefinitions().Groups(0).GetText(0), "1");
}

TEST_F(LoadDefinitionGroupsTest, FileHeldByAnotherEditorStillLoads)
{
    Write("A.udf", "a=1\r\n");
    const std::string locked = Write("B.udf", "b=2\r\n");
    TDefinitionsFile holder;
    holder.Load(locked);
    LoadDefinitionGroups(ParserDefinitions());
    EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(HasConstant("b"));
}

TEST_F(LoadDefinitionGroupsTest, ReadOnlyFileStillLoads)
{
    if (test::PermissionsIgnored())
        GTEST_SKIP() << "running as root: a read-only file can still be opened for writing";
    const std::string path = Write("A.udf", "a=1\r\n");
    Write("B.udf", "b=2\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    LoadDefinitionGroups(ParserDefinitions());
    EXPECT_EQ(GroupNames(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(LoadDefinitionGroupsTest, UnreadableFileIsSkipped)
{
    if (test::PermissionsIgnored())
        GTEST_SKIP() << "running as root: every file can be read";
    const std::string path = Write("A.udf", "a=1\r\n");
    Write("B.udf", "b=2\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0000), 0);
    LoadDefinitionGroups(ParserDefinitions());
    EXPECT_EQ(GroupNames(), std::vector<std::string>{"B"});
}

TEST_F(LoadDefinitionGroupsTest, FolderNamedLikeAFileIsSkipped)
{
    std::filesystem::create_directories(FFolder / "Definitions/Dir.udf");
    Write("B.udf", "b=2\r\n");
    LoadDefinitionGroups(ParserDefinitions());
    EXPECT_EQ(GroupNames(), std::vector<std::string>{"B"});
}

TEST_F(LoadDefinitionGroupsTest, LoadReleasesEveryFile)
{
    const std::string path = Write("A.udf", "a=1\r\n");
    LoadDefinitionGroups(ParserDefinitions());
    TDefinitionsFile file;
    EXPECT_NO_THROW(file.Load(path));
}

TEST_F(LoadDefinitionGroupsTest, MissingFolderClearsTheGroups)
{
    ParserDefinitions().AddGroup("Stale").AddDefinitionText("s=1");
    SetDefinitionsDir(FFolder / "Nowhere");
    LoadDefinitionGroups(ParserDefinitions());
    EXPECT_EQ(ParserDefinitions().GroupCount(), 0);
}

TEST_F(LoadDefinitionGroupsTest, WithoutPortableFolderThePerUserFolderLoads)
{
    // The test program has no "Definitions" folder beside it, as an installed program.
    const std::string data = FFolder / "data";
    FFolder.Write("data/Zembrical Calculator/Definitions/Mine.udf", "mine=42\r\n");
    test::TEnvironmentVariable dataHome("XDG_DATA_HOME", data.c_str());
    SetDefinitionsDir({});
    LoadDefinitionGroups(ParserDefinitions());
    EXPECT_EQ(GroupNames(), std::vector<std::string>{"Mine"});
    EXPECT_EQ(Constant("mine"), 42);
}

TEST_F(LoadDefinitionGroupsTest, FileSymlinkLoadsAndFolderLoopEnds)
{
    const std::string real = FFolder.Write("Shared/Common.udf", "common=7\r\n");
    ASSERT_EQ(::symlink(real.c_str(), (FDir + "/Common.udf").c_str()), 0);
    FFolder.MakeDir("Definitions/Sub");
    ASSERT_EQ(::symlink("..", (FDir + "/Sub/Back").c_str()), 0);
    LoadDefinitionGroups(ParserDefinitions());
    EXPECT_EQ(GroupNames(), std::vector<std::string>{"Common"});
    EXPECT_EQ(Constant("common"), 7);
}

TEST_F(LoadDefinitionGroupsTest, ConstantThatCannotBeComputedInTimeIsLeftOut)
{
    // f(40) makes 2^41 calls: without a limit every start would hang on it.
    Write("Slow.udf", "f(n) = if(n <= 0, 1, f(n-1) + f(n-1))\r\nslow = f(40)\r\nafter = 7\r\n");
    const auto start = std::chrono::steady_clock::now();
    LoadDefinitionGroups(ParserDefinitions());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(HasConstant("slow"));
    EXPECT_EQ(Constant("after"), 7);
    EXPECT_EQ(ParserDefinitions().Groups(0).Count(), 2);
    EXPECT_GE(took, kConstantBudget);
    EXPECT_LT(took, kConstantBudget + std::chrono::seconds(5));
}

TEST_F(LoadDefinitionGroupsTest, SlowConstantFailsWithItsMessage)
{
    TDefinitionsGroup& group = ParserDefinitions().AddGroup("Dialog");
    group.AddDefinitionText("f(n) = if(n <= 0, 1, f(n-1) + f(n-1))");
    try {
        group.AddDefinitionText("slow = f(40)");
        ADD_FAILURE() << "the slow constant was accepted";
    }
    catch (const EInterrupted& e) {
        EXPECT_STREQ(e.what(), "Calculation interrupted");
    }
    EXPECT_EQ(group.Count(), 1);
}

} // namespace
} // namespace calc
