#include "definitions/CalcDefsFile.h"
#include "support/TempFolder.h"

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace calc {
namespace {

using test::ReadBytes;
using test::TTempFolder;

/// The banner built from its description rather than copied from the code.
std::string ExpectedBanner()
{
    const std::string rule = "; " + std::string(57, '-');
    const std::string third = "; Do not edit it outside Zembrical Calculator!";
    return rule + "\r\n" + "; This is Zembrical Calculator automatically generated file\r\n" +
           third + std::string(13, ' ') + "\r\n" + rule + "\r\n";
}

std::string ErrorOf(const auto& action)
{
    try {
        action();
    }
    catch (const EException& e) {
        return e.what();
    }
    return "(no failure)";
}

class DefinitionsFileTest : public ::testing::Test {
protected:
    TTempFolder FFolder;
};

TEST(DefinitionsBanner, IsFourLinesOf59CharactersWithCrLf)
{
    const std::string banner = ExpectedBanner();
    ASSERT_EQ(banner.size(), 244u);
    EXPECT_EQ(kDefinitionsBanner, banner);
    for (std::size_t line = 0; line < 4; ++line) {
        EXPECT_EQ(banner.substr(line * 61 + 59, 2), "\r\n") << line;
        EXPECT_EQ(banner.substr(line * 61, 59).find_first_of("\r\n"), std::string::npos);
    }
}

TEST_F(DefinitionsFileTest, CreateNewWritesTheBannerAlone)
{
    const std::string path = FFolder / "New.udf";
    TDefinitionsFile file;
    file.CreateNew(path);
    EXPECT_TRUE(file.HasBanner());
    EXPECT_TRUE(file.Lines().empty());
    EXPECT_EQ(ReadBytes(path), ExpectedBanner());
    EXPECT_EQ(file.FileName(), path);
}

TEST_F(DefinitionsFileTest, CreateNewEmptiesAnExistingFile)
{
    const std::string path = FFolder.Write("Old.udf", "a=1\r\nb=2\r\n");
    TDefinitionsFile file;
    file.CreateNew(path);
    EXPECT_EQ(ReadBytes(path), ExpectedBanner());
    EXPECT_TRUE(file.Lines().empty());
}

TEST_F(DefinitionsFileTest, AddingAConstantAppendsNameEqualsBody)
{
    const std::string path = FFolder / "e.udf";
    TDefinitionsFile file;
    file.CreateNew(path);
    EXPECT_EQ(file.AddDefinition("e", "", TDefinitionKind::dkConst, "", "2.71828"), 0);
    EXPECT_EQ(ReadBytes(path), ExpectedBanner() + "e=2.71828\r\n");
}

TEST_F(DefinitionsFileTest, AddingAFunctionWithCommentWritesArgumentsAndComment)
{
    const std::string path = FFolder / "f.udf";
    TDefinitionsFile file;
    file.CreateNew(path);
    file.AddDefinition("e", "", TDefinitionKind::dkConst, "", "2.71828");
    EXPECT_EQ(file.AddDefinition("f", "x, y", TDefinitionKind::dkFunc, "product", "x*y"), 1);
    EXPECT_EQ(ReadBytes(path), ExpectedBanner() + "e=2.71828\r\nf(x, y)=x*y ; product\r\n");
}

TEST_F(DefinitionsFileTest, AddingAnUnknownKindChangesNothing)
{
    const std::string path = FFolder / "k.udf";
    TDefinitionsFile file;
    file.CreateNew(path);
    EXPECT_EQ(file.AddDefinition("z", "", static_cast<TDefinitionKind>(7), "", "1"), -1);
    EXPECT_TRUE(file.Lines().empty());
    EXPECT_EQ(ReadBytes(path), ExpectedBanner());
}

TEST_F(DefinitionsFileTest, ModifyDefinitionRewritesOneLine)
{
    const std::string path = FFolder / "m.udf";
    TDefinitionsFile file;
    file.CreateNew(path);
    file.AddDefinition("a", "", TDefinitionKind::dkConst, "", "1");
    file.AddDefinition("b", "", TDefinitionKind::dkConst, "old", "2");
    file.ModifyDefinition(1, "g(p, q)", "p-q", "new note");
    file.ModifyDefinition(0, "a", "10", "");
    EXPECT_EQ(ReadBytes(path), ExpectedBanner() + "a=10\r\ng(p, q)=p-q ; new note\r\n");
}

TEST_F(DefinitionsFileTest, DeletingTheLastDefinitionLeavesExactlyTheBanner)
{
    const std::string path = FFolder / "d.udf";
    TDefinitionsFile file;
    file.CreateNew(path);
    file.AddDefinition("a", "", TDefinitionKind::dkConst, "a long comment to be cut off", "1");
    ASSERT_GT(ReadBytes(path).size(), 244u);
    file.DeleteDefinition(0);
    EXPECT_EQ(ReadBytes(path), ExpectedBanner());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 244);
}

TEST_F(DefinitionsFileTest, ExchangeDefinitionsSwapsLinesOnDisk)
{
    const std::string path = FFolder / "x.udf";
    TDefinitionsFile file;
    file.CreateNew(path);
    file.AddDefinition("a", "", TDefinitionKind::dkConst, "", "1");
    file.AddDefinition("b", "", TDefinitionKind::dkConst, "", "2");
    file.AddDefinition("c", "", TDefinitionKind::dkConst, "", "3");
    file.ExchangeDefinitions(0, 2);
    EXPECT_EQ(ReadBytes(path), ExpectedBanner() + "c=3\r\nb=2\r\na=1\r\n");
}

TEST_F(DefinitionsFileTest, PositionsOutsideTheLinesFailAndChangeNothing)
{
    const std::string path = FFolder / "i.udf";
    TDefinitionsFile file;
    file.CreateNew(path);
    file.AddDefinition("a", "", TDefinitionKind::dkConst, "", "1");
    const std::string before = ReadBytes(path);
    EXPECT_THROW(file.DeleteDefinition(1), EException);
    EXPECT_THROW(file.DeleteDefinition(-1), EException);
    EXPECT_THROW(file.ModifyDefinition(1, "b", "2", ""), EException);
    EXPECT_THROW(file.ExchangeDefinitions(0, 1), EException);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(file.Lines().size(), 1u);
}

TEST_F(DefinitionsFileTest, ProgramWrittenFileReadsBackItsDefinitions)
{
    const std::string path = FFolder / "r.udf";
    {
        TDefinitionsFile file;
        file.CreateNew(path);
        file.AddDefinition("e", "", TDefinitionKind::dkConst, "", "2.71828");
        file.AddDefinition("f", "x, y", TDefinitionKind::dkFunc, "product", "x*y");
    }
    TDefinitionsFile file;
    file.SetWantComments(true);
    file.Load(path);
    EXPECT_TRUE(file.HasBanner());
    ASSERT_EQ(file.Lines().size(), 2u);
    auto it = file.GetEnumerator();
    ASSERT_TRUE(it.MoveNext());
    EXPECT_EQ(it.Current().Definition, "e=2.71828");
    EXPECT_EQ(it.Current().Comment, "");
    ASSERT_TRUE(it.MoveNext());
    EXPECT_EQ(it.Current().Definition, "f(x, y)=x*y");
    EXPECT_EQ(it.Current().Comment, "product");
    EXPECT_FALSE(it.MoveNext());
    EXPECT_FALSE(it.MoveNext());
}

TEST_F(DefinitionsFileTest, HandWrittenLineSplitsAtTheFirstSemicolon)
{
    const std::string path = FFolder.Write("h.udf", "  a = 1 ; first ; second  \r\n");
    TDefinitionsFile file;
    file.Load(path);
    EXPECT_FALSE(file.HasBanner());

    auto withoutComments = file.GetEnumerator();
    ASSERT_TRUE(withoutComments.MoveNext());
    EXPECT_EQ(withoutComments.Current().Definition, "a = 1");
    EXPECT_EQ(withoutComments.Current().Comment, "");

    file.SetWantComments(true);
    auto withComments = file.GetEnumerator();
    ASSERT_TRUE(withComments.MoveNext());
    EXPECT_EQ(withComments.Current().Definition, "a = 1");
    EXPECT_EQ(withComments.Current().Comment, "first ; second  ") << "trailing blanks stay";
}

TEST_F(DefinitionsFileTest, EmptyAndCommentLinesAreSkipped)
{
    const std::string path = FFolder.Write(
        "s.udf", "   \r\n  ; a comment\r\n\t\r\n;x=1\r\nb=2\r\n\x01\x1f \r\n c = 3;\r\n");
    TDefinitionsFile file;
    file.SetWantComments(true);
    file.Load(path);
    EXPECT_EQ(file.Lines().size(), 7u);
    std::vector<std::pair<int, std::string>> found;
    for (auto it = file.GetEnumerator(); it.MoveNext();)
        found.emplace_back(it.Position(), it.Current().Definition + "|" + it.Current().Comment);
    const std::vector<std::pair<int, std::string>> expected = {{4, "b=2|"}, {6, "c = 3|"}};
    EXPECT_EQ(found, expected);
}

TEST_F(DefinitionsFileTest, RangeForYieldsWhatTheEnumeratorYields)
{
    const std::string path = FFolder.Write("f.udf", "a=1\r\n;c\r\n\r\nb=2 ; two\r\nc=3");
    TDefinitionsFile file;
    file.SetWantComments(true);
    file.Load(path);
    std::vector<std::string> viaRange;
    for (const TDefinitionRec& rec : file)
        viaRange.push_back(rec.Definition + "|" + rec.Comment);
    std::vector<std::string> viaEnumerator;
    for (auto it = file.GetEnumerator(); it.MoveNext();)
        viaEnumerator.push_back(it.Current().Definition + "|" + it.Current().Comment);
    EXPECT_EQ(viaRange, (std::vector<std::string>{"a=1|", "b=2|two", "c=3|"}));
    EXPECT_EQ(viaRange, viaEnumerator);
}

TEST_F(DefinitionsFileTest, EnumeratorStartsBeforeTheFirstLine)
{
    const std::string path = FFolder.Write("p.udf", "a=1\r\n");
    TDefinitionsFile file;
    file.Load(path);
    auto it = file.GetEnumerator();
    EXPECT_EQ(it.Position(), -1);
    ASSERT_TRUE(it.MoveNext());
    EXPECT_EQ(it.Position(), 0);
}

struct TBannerChange {
    const char* name;
    std::size_t position;
    char replacement;
};

constexpr TBannerChange kBannerChanges[] = {
    {"BlankAfterSemicolon", 1, '-'}, {"HyphenInRule", 30, '='},
    {"LetterCase", 63, 't'},         {"TrailingBlankOfThirdLine", 180, '.'},
    {"LastHyphen", 241, '+'},        {"CarriageReturnAsLineFeed", 59, '\n'},
};

class DefinitionsFileChangedBanner : public ::testing::TestWithParam<TBannerChange> {
protected:
    TTempFolder FFolder;
};

TEST_P(DefinitionsFileChangedBanner, IsReadAsHandWrittenAndSavedWithoutBanner)
{
    std::string banner = ExpectedBanner();
    ASSERT_NE(banner[GetParam().position], GetParam().replacement);
    banner[GetParam().position] = GetParam().replacement;
    const std::string path = FFolder.Write("b.udf", banner + "a=1\r\n");
    TDefinitionsFile file;
    file.Load(path);
    EXPECT_FALSE(file.HasBanner());
    std::vector<std::string> definitions;
    for (const TDefinitionRec& rec : file)
        definitions.push_back(rec.Definition);
    EXPECT_EQ(definitions, std::vector<std::string>{"a=1"}) << "banner lines are comments";

    file.AddDefinition("b", "", TDefinitionKind::dkConst, "", "2");
    const std::string saved = ReadBytes(path);
    EXPECT_FALSE(saved.starts_with(ExpectedBanner()));
    EXPECT_TRUE(saved.ends_with("a=1\r\nb=2\r\n"));
    EXPECT_NE(saved.find("automatically generated"), std::string::npos) << "comments kept";
}

INSTANTIATE_TEST_SUITE_P(Rows, DefinitionsFileChangedBanner, ::testing::ValuesIn(kBannerChanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DefinitionsFileTest, ChangedBannerKeepsItsFourLinesAsComments)
{
    std::string banner = ExpectedBanner();
    banner[100] = 'X';
    const std::string path = FFolder.Write("b.udf", banner + "a=1\r\n");
    TDefinitionsFile file;
    file.Load(path);
    ASSERT_EQ(file.Lines().size(), 5u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(file.Lines()[static_cast<std::size_t>(i)].front(), ';') << i;
    file.ExchangeDefinitions(4, 4);
    EXPECT_EQ(ReadBytes(path), banner + "a=1\r\n");
}

TEST_F(DefinitionsFileTest, FileShorterThanTheBannerIsReadFromItsFirstByte)
{
    const std::string path = FFolder.Write("short.udf", ExpectedBanner().substr(0, 243));
    TDefinitionsFile file;
    file.Load(path);
    EXPECT_FALSE(file.HasBanner());
    EXPECT_EQ(file.Lines().size(), 4u);
}

TEST_F(DefinitionsFileTest, BannerWithoutFurtherLinesHasNoLines)
{
    const std::string path = FFolder.Write("only.udf", ExpectedBanner());
    TDefinitionsFile file;
    file.Load(path);
    EXPECT_TRUE(file.HasBanner());
    EXPECT_TRUE(file.Lines().empty());
}

TEST_F(DefinitionsFileTest, EmptyFileHasNoLinesAndNoBanner)
{
    const std::string path = FFolder.Write("empty.udf", "");
    TDefinitionsFile file;
    file.Load(path);
    EXPECT_FALSE(file.HasBanner());
    EXPECT_TRUE(file.Lines().empty());
}

struct TLineSplitCase {
    const char* name;
    std::string_view text;
    std::vector<std::string> lines;
};

const TLineSplitCase kLineSplits[] = {
    {"CrLf", "a=1\r\nb=2\r\n", {"a=1", "b=2"}},
    {"CrOnly", "a=1\rb=2\r", {"a=1", "b=2"}},
    {"LfOnly", "a=1\nb=2\n", {"a=1", "b=2"}},
    {"Mixed", "a=1\rb=2\nc=3\r\nd=4", {"a=1", "b=2", "c=3", "d=4"}},
    {"LastLineWithoutEnd", "a=1\r\nb=2", {"a=1", "b=2"}},
    {"LfCrIsTwoEnds", "a=1\n\rb=2", {"a=1", "", "b=2"}},
    {"CrCrLf", "a=1\r\r\nb=2", {"a=1", "", "b=2"}},
    {"EmptyLinesKept", "\r\n\r\n", {"", ""}},
    {"NulEndsTheText", std::string_view("a=1\r\nb=2\0c=3\r\n", 14), {"a=1", "b=2"}},
    {"NulAtLineStart", std::string_view("a=1\r\n\0b=2", 9), {"a=1"}},
    {"Empty", "", {}},
    {"HighBytesKept", "deg=\xB0\xA0\r\n", {"deg=\xB0\xA0"}},
};

class DefinitionsFileLineEnds : public ::testing::TestWithParam<TLineSplitCase> {
protected:
    TTempFolder FFolder;
};

TEST_P(DefinitionsFileLineEnds, SplitLikeTheFileIsRead)
{
    EXPECT_EQ(SplitDefinitionLines(GetParam().text), GetParam().lines);
    const std::string path = FFolder.Write("l.udf", GetParam().text);
    TDefinitionsFile file;
    file.Load(path);
    EXPECT_EQ(file.Lines(), GetParam().lines);
}

TEST_P(DefinitionsFileLineEnds, AfterTheBannerToo)
{
    const std::string path =
        FFolder.Write("l.udf", ExpectedBanner() + std::string(GetParam().text));
    TDefinitionsFile file;
    file.Load(path);
    EXPECT_TRUE(file.HasBanner());
    EXPECT_EQ(file.Lines(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Rows, DefinitionsFileLineEnds, ::testing::ValuesIn(kLineSplits),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DefinitionsFileTest, SavingWritesCrLfAfterEveryLine)
{
    const std::string path = FFolder.Write("w.udf", "a=1\rb=2\nc=3");
    TDefinitionsFile file;
    file.Load(path);
    file.AddDefinition("d", "", TDefinitionKind::dkConst, "", "4");
    EXPECT_EQ(ReadBytes(path), "a=1\r\nb=2\r\nc=3\r\nd=4\r\n");
}

struct TCommentCase {
    const char* name;
    std::string_view plain;
    std::string_view stored;
};

constexpr TCommentCase kComments[] = {
    {"NoLineBreak", "plain text", "plain text"},
    {"CrLf", "one\r\ntwo", "one\\$D\\$Atwo"},
    {"LfOnly", "one\ntwo", "one\\$Atwo"},
    {"CrOnly", "one\rtwo", "one\\$Dtwo"},
    {"BreakAtBothEnds", "\r\nx\r\n", "\\$D\\$Ax\\$D\\$A"},
    {"Empty", "", ""},
    {"BackslashAlone", "a\\b$c", "a\\b$c"},
};

class DefinitionsFileComments : public ::testing::TestWithParam<TCommentCase> {};

TEST_P(DefinitionsFileComments, EscapeAndUnescapeAreInverse)
{
    EXPECT_EQ(EscapeComment(GetParam().plain), GetParam().stored);
    EXPECT_EQ(UnescapeComment(GetParam().stored), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(Rows, DefinitionsFileComments, ::testing::ValuesIn(kComments),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DefinitionsFileCommentEscapes, TypedEscapeSequencesDoNotComeBackUnchanged)
{
    EXPECT_EQ(UnescapeComment(EscapeComment("path \\$D here")), "path \r here");
    EXPECT_EQ(UnescapeComment("\\$A\\$D"), "\n\r");
    EXPECT_EQ(UnescapeComment("\\$d"), "\\$d") << "the letter is capital";
}

TEST_F(DefinitionsFileTest, TwoLineCommentIsStoredOnOneLineAndRestored)
{
    const std::string path = FFolder / "c.udf";
    TDefinitionsFile file;
    file.SetWantComments(true);
    file.CreateNew(path);
    file.AddDefinition("a", "", TDefinitionKind::dkConst, EscapeComment("first\r\nsecond"), "1");
    EXPECT_EQ(ReadBytes(path), ExpectedBanner() + "a=1 ; first\\$D\\$Asecond\r\n");
    file.Load(path);
    auto it = file.GetEnumerator();
    ASSERT_TRUE(it.MoveNext());
    EXPECT_EQ(UnescapeComment(it.Current().Comment), "first\r\nsecond");
}

TEST_F(DefinitionsFileTest, RawLineBreaksInAFieldNeverSplitTheLine)
{
    const std::string path = FFolder / "n.udf";
    TDefinitionsFile file;
    file.SetWantComments(true);
    file.CreateNew(path);
    file.AddDefinition("a", "", TDefinitionKind::dkConst, "one\r\ntwo", "1+\r\n2");
    file.ModifyDefinition(0, "a",
                          std::string_view("1+\0"
                                           "2",
                                           4),
                          "x\ny");
    file.Load(path);
    ASSERT_EQ(file.Lines().size(), 1u);
    auto it = file.GetEnumerator();
    ASSERT_TRUE(it.MoveNext());
    EXPECT_EQ(it.Current().Definition, "a=1+");
    EXPECT_EQ(UnescapeComment(it.Current().Comment), "x\ny");
}

TEST_F(DefinitionsFileTest, DefinitionsAreWrittenAsTheyAreRead)
{
    const std::string path = FFolder / "n.udf";
    TDefinitionsFile file;
    file.CreateNew(path);
    // Reading ends an expression at a NUL, so what follows it never counted.
    file.AddDefinition("h", "x", TDefinitionKind::dkFunc, "", std::string_view("m\0;, 1)", 7));
    EXPECT_EQ(ReadBytes(path), ExpectedBanner() + "h(x)=m\r\n");
    // A ";" would start a comment when read back.
    EXPECT_EQ(ErrorOf([&] { file.ModifyDefinition(0, "h(x)", "x;1", ""); }),
              "\"x;1\" cannot be stored in a definitions file: \";\" starts a comment there");
    EXPECT_EQ(ReadBytes(path), ExpectedBanner() + "h(x)=m\r\n");
}

TEST(DefinitionsFileStorableText, RefusesWhatTheLineCouldNotGiveBack)
{
    struct Row {
        std::string_view text;
        const char* error; ///< nullptr: stored as it is
    };
    const Row rows[] = {
        {"[12:00] + sin(x)*2", nullptr},
        {"caf\xE9 \xA0x", nullptr},
        {"", nullptr},
        {"[12:00;]", "\"[12:00;]\" cannot be stored in a definitions file: \";\" starts a comment "
                     "there"},
        {"1+\r\n2", "\"1+  2\" cannot be stored in a definitions file: it holds the control "
                    "character #13"},
        {"x\ty",
         "\"x y\" cannot be stored in a definitions file: it holds the control character #9"},
        {std::string_view("a\0b", 3),
         "\"a b\" cannot be stored in a definitions file: it holds the control character #0"},
        {"a\x7F", "\"a \" cannot be stored in a definitions file: it holds the control character "
                  "#127"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.text));
        if (row.error == nullptr)
            EXPECT_NO_THROW(CheckStorableText(row.text));
        else
            EXPECT_EQ(ErrorOf([&] { CheckStorableText(row.text); }), row.error);
    }
}

TEST_F(DefinitionsFileTest, SecondHolderIsRefusedWhileTheFirstHoldsTheFile)
{
    const std::string path = FFolder.Write("lock.udf", "a=1\r\n");
    auto first = std::make_unique<TDefinitionsFile>();
    first->Load(path);
    TDefinitionsFile second;
    EXPECT_EQ(ErrorOf([&] { second.Load(path); }),
              "Cannot open file \"" + path + "\". Locked by another program");
    EXPECT_TRUE(second.Lines().empty());
    EXPECT_FALSE(second.IsOpen());

    // The lock moves with the file when a save replaces it.
    first->AddDefinition("b", "", TDefinitionKind::dkConst, "", "2");
    EXPECT_THROW(second.Load(path), EException);

    first.reset();
    second.Load(path);
    EXPECT_EQ(second.Lines().size(), 2u);
}

TEST_F(DefinitionsFileTest, LoadingAnotherFileReleasesTheFirst)
{
    const std::string one = FFolder.Write("one.udf", "a=1\r\n");
    const std::string two = FFolder.Write("two.udf", "b=1\r\n");
    TDefinitionsFile holder;
    holder.Load(one);
    holder.Load(two);
    TDefinitionsFile other;
    EXPECT_NO_THROW(other.Load(one));
    EXPECT_THROW(holder.Load(one), EException);
}

TEST_F(DefinitionsFileTest, CreateNewRefusesAFileHeldByAnother)
{
    const std::string path = FFolder.Write("held.udf", "a=1\r\n");
    TDefinitionsFile holder;
    holder.Load(path);
    TDefinitionsFile creator;
    EXPECT_EQ(ErrorOf([&] { creator.CreateNew(path); }),
              "Cannot create file \"" + path + "\". Locked by another program");
    EXPECT_EQ(ReadBytes(path), "a=1\r\n");
}

TEST_F(DefinitionsFileTest, MissingFileFailsWithTheSystemReason)
{
    const std::string path = FFolder / "none.udf";
    TDefinitionsFile file;
    EXPECT_EQ(ErrorOf([&] { file.Load(path); }),
              "Cannot open file \"" + path + "\". No such file or directory");
    EXPECT_EQ(file.FileName(), path);
}

TEST_F(DefinitionsFileTest, FailedLoadDropsTheLinesOfTheFileBefore)
{
    const std::string path = FFolder.Write("a.udf", "a=1\r\n");
    TDefinitionsFile file;
    file.Load(path);
    EXPECT_THROW(file.Load(FFolder / "none.udf"), EException);
    EXPECT_TRUE(file.Lines().empty());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_THROW(file.Save(), EException);
}

TEST_F(DefinitionsFileTest, FolderAndFifoAreRefusedWithoutWaiting)
{
    TDefinitionsFile file;
    const std::string folder = FFolder.MakeDir("dir.udf");
    EXPECT_EQ(ErrorOf([&] { file.Load(folder); }),
              "Cannot open file \"" + folder + "\". Is a directory");
    const std::string fifo = FFolder / "pipe.udf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { file.Load(fifo); }),
              "Cannot open file \"" + fifo + "\". Not a regular file");
}

TEST_F(DefinitionsFileTest, ReadOnlyFileCannotBeOpened)
{
    if (test::PermissionsIgnored())
        GTEST_SKIP() << "running as root: permission bits do not stop writing";
    const std::string path = FFolder.Write("ro.udf", "a=1\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    TDefinitionsFile file;
    EXPECT_EQ(ErrorOf([&] { file.Load(path); }),
              "Cannot open file \"" + path + "\". Permission denied");
}

TEST_F(DefinitionsFileTest, CreateNewInAMissingFolderFails)
{
    const std::string path = FFolder / "no/such/x.udf";
    TDefinitionsFile file;
    EXPECT_EQ(ErrorOf([&] { file.CreateNew(path); }),
              "Cannot create file \"" + path + "\". No such file or directory");
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(DefinitionsFileTest, SaveIntoAReadOnlyFolderWritesTheFileInPlace)
{
    if (test::PermissionsIgnored())
        GTEST_SKIP() << "running as root: a read-only folder does not stop writing";
    const std::string folder = FFolder.MakeDir("ro");
    const std::string path = FFolder.Write("ro/a.udf", "a=1\r\n");
    TDefinitionsFile file;
    file.Load(path);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    file.AddDefinition("b", "", TDefinitionKind::dkConst, "", "2");
    EXPECT_EQ(ReadBytes(path), "a=1\r\nb=2\r\n");
    EXPECT_EQ(FFolder.EntryCount("ro"), 1);
    TDefinitionsFile second;
    EXPECT_EQ(ErrorOf([&] { second.Load(path); }),
              "Cannot open file \"" + path + "\". Locked by another program")
        << "the lock stays with the file written in place";
}

TEST_F(DefinitionsFileTest, SaveOfAHardLinkedFileReachesEveryLink)
{
    const std::string path = FFolder.Write("a.udf", "a=1\r\n");
    const std::string other = FFolder / "other.udf";
    ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
    TDefinitionsFile file;
    file.Load(path);
    file.AddDefinition("b", "", TDefinitionKind::dkConst, "", "2");
    EXPECT_EQ(ReadBytes(other), "a=1\r\nb=2\r\n");
}

TEST_F(DefinitionsFileTest, CreateNewThroughADanglingLinkCreatesItsTarget)
{
    FFolder.MakeDir("real");
    const std::string link = FFolder / "New.udf";
    ASSERT_EQ(::symlink("real/New.udf", link.c_str()), 0);
    TDefinitionsFile file;
    file.CreateNew(link);
    file.AddDefinition("e", "", TDefinitionKind::dkConst, "", "2.71828");
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadBytes(FFolder / "real/New.udf"), ExpectedBanner() + "e=2.71828\r\n");
}

TEST_F(DefinitionsFileTest, SaveRemovesTemporaryFilesOfInterruptedSaves)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    // As earlier versions named them.
    const std::string left =
        FFolder.Write(".Default.udf.tmp" + std::to_string(child) + "_1", "x=1\r\n");
    const std::time_t then = std::time(nullptr) - 3600;
    const timespec times[2] = {{then, 0}, {then, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, left.c_str(), times, 0), 0);
    TDefinitionsFile file;
    file.CreateNew(FFolder / "Default.udf");
    EXPECT_EQ(FFolder.EntryCount(), 1);
}

struct BomCase {
    const char* name;
    std::string content;
    bool hasBanner;
};

TEST_F(DefinitionsFileTest, ByteOrderMarkCostsNoDefinition)
{
    const BomCase rows[] = {
        {"HandWritten",
         "\xEF\xBB\xBF"
         "a=1\r\nb=2\r\n",
         false},
        {"ProgramWritten", "\xEF\xBB\xBF" + ExpectedBanner() + "a=1\r\nb=2\r\n", true},
    };
    for (const BomCase& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = FFolder.Write("bom.udf", row.content);
        TDefinitionsFile file;
        file.Load(path);
        EXPECT_EQ(file.HasBanner(), row.hasBanner);
        std::vector<std::string> definitions;
        for (const TDefinitionRec& rec : file)
            definitions.push_back(rec.Definition);
        EXPECT_EQ(definitions, (std::vector<std::string>{"a=1", "b=2"}));
    }
}

TEST_F(DefinitionsFileTest, FileStartingWithTwoByteOrderMarksSettlesAfterOneSave)
{
    const std::string path = FFolder.Write("bom.udf", "\xEF\xBB\xBF\xEF\xBB\xBF"
                                                      "a=1\r\n");
    TDefinitionsFile file;
    file.Load(path);
    file.Save();
    const std::string once = test::ReadBytes(path);
    file.Load(path);
    file.Save();
    EXPECT_EQ(test::ReadBytes(path), once);
    std::vector<std::string> definitions;
    for (const TDefinitionRec& rec : file)
        definitions.push_back(rec.Definition);
    EXPECT_EQ(definitions, (std::vector<std::string>{"a=1"}));
}

TEST_F(DefinitionsFileTest, FullDiskSaveFailsAndKeepsTheOldFile)
{
    const std::string path = FFolder / "full.udf";
    TDefinitionsFile file;
    file.CreateNew(path);
    file.AddDefinition("a", "", TDefinitionKind::dkConst, "", "1");
    const std::string before = ReadBytes(path);
    std::string message;
    {
        test::TFileSizeLimit limit(300);
        ASSERT_TRUE(limit.Active());
        message = ErrorOf([&] {
            file.AddDefinition("b", "", TDefinitionKind::dkConst, std::string(100, 'c'), "2");
        });
    }
    EXPECT_EQ(message, "Cannot save file \"" + path + "\". File too large");
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(file.Lines(), std::vector<std::string>{"a=1"}) << "lines match the disk";
    EXPECT_EQ(FFolder.EntryCount(), 1) << "no temporary file left behind";

    // Still held and still usable once space is back.
    TDefinitionsFile other;
    EXPECT_THROW(other.Load(path), EException);
    file.AddDefinition("b", "", TDefinitionKind::dkConst, "", "2");
    EXPECT_EQ(ReadBytes(path), ExpectedBanner() + "a=1\r\nb=2\r\n");
}

TEST_F(DefinitionsFileTest, SaveWhoseFolderWasReplacedByAFileFails)
{
    // Works as root too: no permission bit is involved.
    const std::string folder = FFolder.MakeDir("moved");
    const std::string path = FFolder.Write("moved/a.udf", "a=1\r\n");
    TDefinitionsFile file;
    file.Load(path);
    ASSERT_EQ(::rename(folder.c_str(), (FFolder / "elsewhere").c_str()), 0);
    FFolder.Write("moved", "not a folder");
    EXPECT_EQ(ErrorOf([&] { file.AddDefinition("b", "", TDefinitionKind::dkConst, "", "2"); }),
              "Cannot save file \"" + path + "\". Not a directory");
    EXPECT_EQ(ReadBytes(FFolder / "elsewhere/a.udf"), "a=1\r\n");
    EXPECT_EQ(ReadBytes(FFolder / "moved"), "not a folder");
}

TEST_F(DefinitionsFileTest, SaveKeepsThePermissions)
{
    const std::string path = FFolder.Write("mode.udf", "a=1\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    TDefinitionsFile file;
    file.Load(path);
    file.AddDefinition("b", "", TDefinitionKind::dkConst, "", "2");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(DefinitionsFileTest, SaveThroughASymbolicLinkKeepsTheLink)
{
    const std::string target = FFolder.Write("real.udf", "a=1\r\n");
    const std::string link = FFolder / "link.udf";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    TDefinitionsFile file;
    file.Load(link);
    file.AddDefinition("b", "", TDefinitionKind::dkConst, "", "2");
    struct stat info {};
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadBytes(target), "a=1\r\nb=2\r\n");
}

TEST_F(DefinitionsFileTest, RawStreamIsOfferedOnlyForHandWrittenFiles)
{
    const std::string program = FFolder / "program.udf";
    TDefinitionsFile file;
    file.CreateNew(program);
    EXPECT_FALSE(file.GetRawStream().has_value());

    file.SetHasBanner(false);
    EXPECT_TRUE(file.GetRawStream().has_value()) << "a file that failed to load is edited raw";
}

TEST_F(DefinitionsFileTest, RawStreamReplacesTheWholeText)
{
    const std::string path = FFolder.Write("raw.udf", "; mine\nx = 1\n");
    TDefinitionsFile file;
    file.Load(path);
    auto raw = file.GetRawStream();
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->ReadAll(), "; mine\nx = 1\n");
    raw->Write("y = 2\r\n");
    raw->Write("z = 3\r\n");
    EXPECT_EQ(ReadBytes(path), "; mine\nx = 1\n") << "nothing written before Commit";
    raw->Commit();
    EXPECT_EQ(ReadBytes(path), "y = 2\r\nz = 3\r\n");
    EXPECT_EQ(file.Lines(), (std::vector<std::string>{"y = 2", "z = 3"}));
    EXPECT_EQ(raw->ReadAll(), "y = 2\r\nz = 3\r\n");

    TDefinitionsFile other;
    EXPECT_THROW(other.Load(path), EException) << "the file stays held";
}

TEST_F(DefinitionsFileTest, RawTextWithTheBannerMakesTheFileProgramWritten)
{
    const std::string path = FFolder.Write("raw.udf", "x=1\r\n");
    TDefinitionsFile file;
    file.Load(path);
    auto raw = file.GetRawStream();
    ASSERT_TRUE(raw.has_value());
    raw->Write(ExpectedBanner() + "x=2\r\n");
    raw->Commit();
    EXPECT_TRUE(file.HasBanner());
    EXPECT_EQ(file.Lines(), std::vector<std::string>{"x=2"});
}

TEST_F(DefinitionsFileTest, FailedRawCommitKeepsTheOldFile)
{
    const std::string path = FFolder.Write("raw.udf", "x=1\r\n");
    TDefinitionsFile file;
    file.Load(path);
    auto raw = file.GetRawStream();
    ASSERT_TRUE(raw.has_value());
    raw->Write(std::string(4096, ';'));
    {
        test::TFileSizeLimit limit(1000);
        ASSERT_TRUE(limit.Active());
        EXPECT_THROW(raw->Commit(), EException);
    }
    EXPECT_EQ(ReadBytes(path), "x=1\r\n");
    EXPECT_EQ(file.Lines(), std::vector<std::string>{"x=1"});
    EXPECT_EQ(FFolder.EntryCount(), 1);
}

TEST_F(DefinitionsFileTest, RawStreamOfAnEarlierLoadIsRefused)
{
    const std::string path = FFolder.Write("raw.udf", "x=1\r\n");
    TDefinitionsFile file;
    file.Load(path);
    auto raw = file.GetRawStream();
    ASSERT_TRUE(raw.has_value());
    file.Load(path);
    raw->Write("y=2\r\n");
    EXPECT_THROW(raw->Commit(), EException);
    EXPECT_EQ(ReadBytes(path), "x=1\r\n");
}

} // namespace
} // namespace calc
