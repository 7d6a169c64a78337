#include "core/CalcHistory.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace calc {
namespace {

using test::ReadAll;
using test::TTempFolder;
using test::WriteAll;

constexpr Extended kNaN = std::numeric_limits<Extended>::quiet_NaN();
constexpr Extended kInf = std::numeric_limits<Extended>::infinity();

struct ValueTextCase {
    const char* name;
    Extended value;
    const char* text;
};

const ValueTextCase kValueTextRows[] = {
    {"OneAndAHalf", 1.5L, " 1.50000000000000E+0000"},
    {"NegativeQuarter", -0.25L, "-2.50000000000000E-0001"},
    {"Zero", 0.0L, " 0.00000000000000E+0000"},
    {"NegativeZeroIsNotBelowZero", -0.0L, " 0.00000000000000E+0000"},
    {"Five", 5.0L, " 5.00000000000000E+0000"},
    {"Large", 1e100L, " 1.00000000000000E+0100"},
    {"RoundedToFifteenDigits", 123456789012345678.0L, " 1.23456789012346E+0017"},
    {"OneThird", 1.0L / 3, " 3.33333333333333E-0001"},
    {"TwoThirdsRoundsUp", 2.0L / 3, " 6.66666666666667E-0001"},
    {"RoundingCarriesIntoExponent", 9.9999999999999999L, " 1.00000000000000E+0001"},
    {"FourDigitExponent", 1.5e-1234L, " 1.50000000000000E-1234"},
    {"LargestValue", std::numeric_limits<Extended>::max(), " 1.18973149535723E+4932"},
    {"NotANumber", kNaN, "                    Nan"},
    {"PlusInfinity", kInf, "                   +Inf"},
    {"MinusInfinity", -kInf, "                   -Inf"},
};

TEST(HistoryValueText, TwentyThreeCharactersScientific)
{
    for (const ValueTextCase& row : kValueTextRows) {
        SCOPED_TRACE(row.name);
        const std::string text = HistoryValueText(row.value);
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(text.size(), 23u);
    }
}

struct ValueReadCase {
    const char* text;
    Extended value;
};

const ValueReadCase kValueReadRows[] = {
    {" 5.00000000000000E+0000", 5},
    {"-2.50000000000000E-0001", -0.25L},
    {"5", 5},
    {"   7.25", 7.25L},
    {"1e3", 1000},
    {".5", 0.5L},
    {"5.", 5},
    {"+2", 2},
    {"5 ", 0},
    {"1,5", 0},
    {"abc", 0},
    {"", 0},
    {"1e", 0},
    {"e5", 0},
    {"1e99999", 0},
    {"0x10", 0},
    {"inf", kInf},
    {"                   +Inf", kInf},
    {"                   -Inf", -kInf},
};

TEST(HistoryValueRead, WholeTextMustBeANumber)
{
    for (const ValueReadCase& row : kValueReadRows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(HistoryTextToValue(row.text), row.value);
    }
    EXPECT_TRUE(std::isnan(HistoryTextToValue("                    Nan")));
}

TEST(HistoryValueRead, WrittenValuesReadBackToFifteenDigits)
{
    for (const Extended v : {1.5L, -0.25L, 1.0L / 3, 6.02214076e23L, -1e-300L, 1e4000L}) {
        SCOPED_TRACE(HistoryValueText(v));
        const Extended back = HistoryTextToValue(HistoryValueText(v));
        EXPECT_LE(std::fabs(back - v), std::fabs(v) * 1e-14L);
    }
}

struct FieldCase {
    const char* name;
    std::string_view line;
    std::vector<std::string_view> fields;
};

const FieldCase kFieldRows[] = {
    {"Three", "2+3\t0\t5", {"2+3", "0", "5"}},
    {"DoubleTabCountsAsOne", "2+3\t\t0\t5", {"2+3", "0", "5"}},
    {"OuterTabsDropped", "\t2+3\t0\t", {"2+3", "0"}},
    {"SingleQuotesKeepTabs", "'a\tb'\t0\t5", {"'a\tb'", "0", "5"}},
    {"DoubleQuotesKeepTabs", "x\"a\tb\"y\t0", {"x\"a\tb\"y", "0"}},
    {"OtherMarkInsideDoesNotClose", "'a\"\tb'\t1", {"'a\"\tb'", "1"}},
    {"UnclosedQuoteRunsToTheEnd", "'abc\t0\t5", {"'abc\t0\t5"}},
    {"BlanksKept", " a \t 0", {" a ", " 0"}},
    {"Empty", "", {}},
    {"OnlyTabs", "\t\t", {}},
};

TEST(HistoryFields, SplitAtTabsOutsideQuotes)
{
    for (const FieldCase& row : kFieldRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SplitHistoryFields(row.line), row.fields);
    }
}

/// Entries of a history, newest first, to compare whole lists.
struct Entry {
    std::string expression;
    int resultIndex;
    Extended value;
    bool operator==(const Entry&) const = default;
};

std::vector<Entry> Entries(const THistoryManager& history)
{
    std::vector<Entry> entries;
    for (int i = 0; i < history.Count(); ++i)
        entries.push_back({history.Expressions(i), history.ResultIndexes(i), history.Values(i)});
    return entries;
}

void PrintTo(const Entry& e, std::ostream* os)
{
    *os << '{' << e.expression << ", " << e.resultIndex << ", " << static_cast<double>(e.value)
        << '}';
}

TEST(HistoryRead, ExampleLineReads)
{
    THistoryManager history;
    history.LoadFromText("2+3\t0\t 5.00000000000000E+0000\r\n");
    EXPECT_EQ(Entries(history), (std::vector<Entry>{{"2+3", 0, 5}}));
}

TEST(HistoryRead, LinesWithoutThreeFieldsAreSkipped)
{
    THistoryManager history;
    history.LoadFromText("a\t1\t2\t3\r\n"
                         "b\t1\r\n"
                         "2+3\t\t0\t5\r\n"
                         "\r\n"
                         "c\r\n");
    EXPECT_EQ(Entries(history), (std::vector<Entry>{{"2+3", 0, 5}}));
}

TEST(HistoryRead, BadFormatIndexSkipsOnlyItsLine)
{
    THistoryManager history;
    history.LoadFromText("a\t1\t1\nb\tx\t2\nc\t1.5\t3\nd\t$A\t4\ne\t-1\t5\n");
    EXPECT_EQ(Entries(history), (std::vector<Entry>{{"a", 1, 1}, {"d", 10, 4}, {"e", -1, 5}}));
}

TEST(HistoryRead, ValueThatIsNotANumberGivesZero)
{
    THistoryManager history;
    history.LoadFromText("a\t0\t5,5\nb\t0\t'x'\n");
    EXPECT_EQ(Entries(history), (std::vector<Entry>{{"a", 0, 0}, {"b", 0, 0}}));
}

TEST(HistoryRead, EntriesGoAfterThoseInMemoryWithDuplicatesKept)
{
    THistoryManager history;
    history.Add("b", 0, 2);
    history.Add("new", 0, 9);
    history.LoadFromText("x\t0\t1\nB\t3\t2\nx\t0\t3\n");
    EXPECT_EQ(
        Entries(history),
        (std::vector<Entry>{{"new", 0, 9}, {"b", 0, 2}, {"x", 0, 1}, {"B", 3, 2}, {"x", 0, 3}}));
    EXPECT_EQ(history.IndexOf("X"), 2);
}

struct LineCase {
    const char* name;
    std::string_view line;
    std::vector<Entry> entries;
};

const LineCase kUnmatchedQuoteRows[] = {
    {"Comment", "2*21 ' answer\t0\t 4.20000000000000E+0001", {{"2*21 ' answer", 0, 42}}},
    {"DoubleQuote", "x\"\t2\t1", {{"x\"", 2, 1}}},
    {"OnlyAQuote", "'\t0\t1", {{"'", 0, 1}}},
    {"MarksOfBothKinds", "a\"b'c\"d'\t1\t2", {{"a\"b'c\"d'", 1, 2}}},
    {"EmptyExpression", "\t3\t 1.00000000000000E+0000", {{"", 3, 1}}},
    {"FourFieldsStillSkipped", "'x\t0\t1\t2", {}},
    {"TwoFieldsStillSkipped", "'x\t0", {}},
    {"MissingValueStillSkipped", "'x\t0\t", {}},
};

TEST(HistoryRead, UnmatchedQuoteInTheExpressionDoesNotCostTheLine)
{
    for (const LineCase& row : kUnmatchedQuoteRows) {
        SCOPED_TRACE(row.name);
        THistoryManager history;
        history.LoadFromText(row.line);
        EXPECT_EQ(Entries(history), row.entries);
    }
}

TEST(HistoryWrite, NewestFirstWithTabsAndCrLf)
{
    THistoryManager history;
    history.Add("2+3", 0, 5);
    history.Add("sqrt(2)*0", 4, -0.25L);
    EXPECT_EQ(history.SaveToText(), "sqrt(2)*0\t4\t-2.50000000000000E-0001\r\n"
                                    "2+3\t0\t 5.00000000000000E+0000\r\n");
}

TEST(HistoryWrite, TabsInAnExpressionBecomeBlanksSoTheLineReadsBack)
{
    THistoryManager history;
    history.Add("1\t+\t2", 0, 3);
    history.Add("4\r\n+5", 0, 9);
    THistoryManager back;
    back.LoadFromText(history.SaveToText());
    EXPECT_EQ(Entries(back), (std::vector<Entry>{{"4  +5", 0, 9}, {"1 + 2", 0, 3}}));
}

TEST(HistoryWrite, WrittenTextReadsBackEqual)
{
    THistoryManager history;
    history.Add("1/4", 0, 0.25L);
    history.Add("$FF", 2, 255);
    history.Add("-1e10", 1, -1e10L);
    THistoryManager back;
    back.LoadFromText(history.SaveToText());
    EXPECT_EQ(Entries(back), Entries(history));
}

TEST(HistoryAdd, SameExpressionInOtherCaseReplacesTheOldEntry)
{
    THistoryManager history;
    history.Add("SIN(1)", 0, 0.0174524064372835L);
    history.Add("2", 0, 2);
    history.Add("sin(1)", 3, 0.841470984807897L);
    EXPECT_EQ(Entries(history),
              (std::vector<Entry>{{"sin(1)", 3, 0.841470984807897L}, {"2", 0, 2}}));
}

TEST(HistoryAdd, SameExpressionTwiceLeavesOneEntry)
{
    THistoryManager history;
    history.Add("1+1", 0, 2);
    history.Add("1+1", 0, 2);
    EXPECT_EQ(history.Count(), 1);
}

TEST(HistoryAdd, RemovesEveryDuplicateLoadedFromAFile)
{
    THistoryManager history;
    history.LoadFromText("a\t0\t1\nb\t0\t2\nA\t0\t3\n");
    history.Add("a", 1, 4);
    EXPECT_EQ(Entries(history), (std::vector<Entry>{{"a", 1, 4}, {"b", 0, 2}}));
}

TEST(HistoryAdd, ReportsEveryAdd)
{
    THistoryManager history;
    int reports = 0;
    history.SetOnChange([&](THistoryManager& sender) {
        EXPECT_EQ(&sender, &history);
        ++reports;
    });
    reports = 0;
    history.Add("1", 0, 1);
    history.Add("1", 0, 1);
    EXPECT_EQ(reports, 2);
}

TEST(HistoryDelete, DeleteAndClearReportNothing)
{
    THistoryManager history;
    history.Add("a", 0, 1);
    history.Add("b", 0, 2);
    history.Add("c", 0, 3);
    int reports = 0;
    history.SetOnChange([&](THistoryManager&) { ++reports; });
    reports = 0;
    history.Delete(1);
    EXPECT_EQ(Entries(history), (std::vector<Entry>{{"c", 0, 3}, {"a", 0, 1}}));
    EXPECT_EQ(history.IndexOf("b"), -1);
    history.Clear();
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(reports, 0);
}

TEST(HistoryDelete, DeletingOneOfTwoDuplicatesKeepsTheOther)
{
    THistoryManager history;
    history.LoadFromText("x\t0\t1\ny\t0\t2\nX\t0\t3\n");
    history.Delete(0);
    EXPECT_EQ(history.IndexOf("x"), 1);
    history.Delete(1);
    EXPECT_EQ(history.IndexOf("x"), -1);
    history.Add("x", 0, 4);
    EXPECT_EQ(Entries(history), (std::vector<Entry>{{"x", 0, 4}, {"y", 0, 2}}));
}

TEST(HistoryDelete, IndexOutOfRangeRaisesError)
{
    THistoryManager history;
    history.Add("a", 0, 1);
    EXPECT_THROW(history.Delete(1), EException);
    EXPECT_THROW(history.Delete(-1), EException);
    EXPECT_THROW((void)history.Expressions(1), EException);
    EXPECT_THROW((void)history.Values(-1), EException);
    EXPECT_EQ(history.Count(), 1);
}

TEST(HistoryOnChange, NewHandlerIsCalledAtOnce)
{
    THistoryManager history;
    int first = 0;
    int second = 0;
    history.SetOnChange([&](THistoryManager&) { ++first; });
    EXPECT_EQ(first, 1);
    history.SetOnChange([&](THistoryManager&) { ++second; });
    EXPECT_EQ(second, 1);
    history.Add("1", 0, 1);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
}

TEST(HistoryOnChange, ClearingTheHandlerCallsNothing)
{
    THistoryManager history;
    int calls = 0;
    history.SetOnChange([&](THistoryManager&) { ++calls; });
    history.SetOnChange(nullptr);
    history.SetOnChange(nullptr);
    history.Add("1", 0, 1);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(history.OnChange());
}

TEST(HistoryOnChange, HandlerMayReplaceItself)
{
    THistoryManager history;
    int calls = 0;
    history.SetOnChange([&](THistoryManager& sender) {
        ++calls;
        if (sender.Count() > 0)
            sender.SetOnChange(nullptr);
    });
    history.Add("1", 0, 1);
    history.Add("2", 0, 2);
    EXPECT_EQ(calls, 2);
}

/// A history kept in a file of a fresh folder.
class HistoryFile : public ::testing::Test {
protected:
    TTempFolder FFolder;
    std::string FName = FFolder.File("History.txt");
};

TEST_F(HistoryFile, OffNeitherReadsNorWrites)
{
    WriteAll(FName, "old\t0\t1\r\n");
    {
        THistoryManager history(FName);
        history.Add("new", 0, 2);
        EXPECT_EQ(history.Count(), 1);
    }
    EXPECT_EQ(ReadAll(FName), "old\t0\t1\r\n");
}

TEST_F(HistoryFile, SwitchingOnReadsAndReports)
{
    WriteAll(FName, "a\t0\t 1.00000000000000E+0000\r\nb\t1\t 2.00000000000000E+0000\r\n");
    THistoryManager history(FName);
    history.Add("m", 0, 3);
    int reports = 0;
    history.SetOnChange([&](THistoryManager&) { ++reports; });
    reports = 0;
    history.SetLoadHistory(true);
    EXPECT_TRUE(history.LoadHistory());
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(Entries(history), (std::vector<Entry>{{"m", 0, 3}, {"a", 0, 1}, {"b", 1, 2}}));
}

TEST_F(HistoryFile, SameValueAgainDoesNothing)
{
    WriteAll(FName, "a\t0\t1\r\n");
    THistoryManager history(FName);
    history.SetLoadHistory(true);
    int reports = 0;
    history.SetOnChange([&](THistoryManager&) { ++reports; });
    reports = 0;
    history.SetLoadHistory(true);
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(reports, 0);
}

TEST_F(HistoryFile, MissingFileIsNoError)
{
    THistoryManager history(FName);
    history.Add("m", 0, 3);
    history.SetLoadHistory(true);
    EXPECT_EQ(history.Count(), 1);
    EXPECT_FALSE(std::filesystem::exists(FName));
}

TEST_F(HistoryFile, SwitchingOffWritesOneLastTimeAndOnAgainAppends)
{
    THistoryManager history(FName);
    history.SetLoadHistory(true);
    history.Add("a", 0, 1);
    history.Add("b", 0, 2);
    history.SetLoadHistory(false);
    EXPECT_EQ(ReadAll(FName), "b\t0\t 2.00000000000000E+0000\r\na\t0\t 1.00000000000000E+0000\r\n");
    history.Add("c", 0, 3);
    history.SetLoadHistory(true);
    EXPECT_EQ(
        Entries(history),
        (std::vector<Entry>{{"c", 0, 3}, {"b", 0, 2}, {"a", 0, 1}, {"b", 0, 2}, {"a", 0, 1}}));
}

TEST_F(HistoryFile, DestructionWritesWhenOn)
{
    {
        THistoryManager history(FName);
        history.SetLoadHistory(true);
        history.Add("1+1", 2, 2);
    }
    EXPECT_EQ(ReadAll(FName), "1+1\t2\t 2.00000000000000E+0000\r\n");
    THistoryManager again(FName);
    again.SetLoadHistory(true);
    EXPECT_EQ(Entries(again), (std::vector<Entry>{{"1+1", 2, 2}}));
}

/// Expressions as typed, quotation marks that pair up with nothing included.
const char* const kTypedExpressions[] = {
    "2*21 ' answer", "x\"",        "'",        "\"",      "''",
    "'\"",           "a\"b'c\"d'", "",         " ",       " lead",
    "trail ",        "'quoted'",   "\"a\" 'b", "1 ' 2\"", "\"'\"'",
    "sin(1) ' it's", "\"\"\"",     "'\t'",
};

TEST_F(HistoryFile, EveryAddedExpressionSurvivesASaveAndANewStart)
{
    std::vector<Entry> added;
    {
        THistoryManager history(FName);
        history.SetLoadHistory(true);
        int i = 0;
        for (const char* expression : kTypedExpressions) {
            history.Add(expression, i % 11, i);
            std::string written = expression;
            std::replace(written.begin(), written.end(), '\t', ' ');
            added.insert(added.begin(), {written, i % 11, static_cast<Extended>(i)});
            ++i;
        }
    }
    THistoryManager again(FName);
    again.SetLoadHistory(true);
    EXPECT_EQ(Entries(again), added);
}

TEST_F(HistoryFile, NewestExpressionStartingLikeAByteOrderMarkKeepsItsCharacters)
{
    // In the history's own character set these are three ordinary letters.
    const std::string expression = "\xEF\xBB\xBF"
                                   "1+1";
    {
        THistoryManager history(FName);
        history.SetLoadHistory(true);
        history.Add("older", 0, 1);
        history.Add(expression, 0, 2);
    }
    THistoryManager again(FName);
    again.SetLoadHistory(true);
    ASSERT_EQ(again.Count(), 2);
    EXPECT_EQ(again.Expressions(0), expression);
}

TEST_F(HistoryFile, BadLinesDoNotCostTheLinesAfterThem)
{
    WriteAll(FName, "a\t0\t1\r\nb\tbad\t2\r\nc\t0\t3\r\n");
    {
        THistoryManager history(FName);
        history.SetLoadHistory(true);
    }
    EXPECT_EQ(ReadAll(FName), "a\t0\t 1.00000000000000E+0000\r\nc\t0\t 3.00000000000000E+0000\r\n");
}

TEST_F(HistoryFile, UnreadableFileRaisesErrorAndIsNeverOverwritten)
{
    std::filesystem::create_directory(FName);
    THistoryManager history(FName);
    history.Add("a", 0, 1);
    EXPECT_THROW(history.SetLoadHistory(true), EException);
    EXPECT_TRUE(history.LoadHistory()) << "the option stays what the user chose";
    EXPECT_NO_THROW(history.SaveHistory()) << "the file is left alone";
    EXPECT_TRUE(std::filesystem::is_directory(FName));
}

TEST_F(HistoryFile, WriteFailureWhenSwitchingOffPropagatesAndKeepsTheOption)
{
    WriteAll(FFolder.File("plain"), "x");
    THistoryManager history(FFolder.File("plain") + "/History.txt");
    history.SetLoadHistory(true);
    history.Add("a", 0, 1);
    EXPECT_THROW(history.SetLoadHistory(false), EException);
    EXPECT_TRUE(history.LoadHistory());
    EXPECT_THROW(history.SaveHistory(), EException);
    history.SetFileName(FName);
}

TEST_F(HistoryFile, WriteIntoReadOnlyFolderAndFileKeepsTheOldFile)
{
    if (!test::PermissionsApply())
        GTEST_SKIP() << "running as the superuser: permission bits do not stop writes";
    WriteAll(FName, "old\t0\t1\r\n");
    THistoryManager history(FName);
    history.SetLoadHistory(true);
    history.Add("new", 0, 2);
    // A writable file in a read-only folder is written in place.
    std::filesystem::permissions(FName, std::filesystem::perms::owner_read);
    std::filesystem::permissions(FFolder.Path(), std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::owner_exec);
    EXPECT_THROW(history.SaveHistory(), EException);
    EXPECT_EQ(ReadAll(FName), "old\t0\t1\r\n");
    history.SetFileName({});
}

/// Two running instances sharing one history file: each step is done by instance A (0) or B (1),
/// both of which read the file before the first step.
enum class TMergeOp { Add, Delete, Clear, Save, Exit };

struct MergeStep {
    int who;
    TMergeOp op;
    const char* expression = "";
};

struct MergeCase {
    const char* name;
    std::string_view file;
    std::vector<MergeStep> steps; ///< instances still running after the steps exit A first
    std::vector<std::string> saved;
};

constexpr int A = 0;
constexpr int B = 1;
using enum TMergeOp;

const MergeCase kMergeRows[] = {
    {"EachKeepsWhatTheOtherAdded",
     "old\t0\t1\r\n",
     {{A, Add, "111+1"}, {B, Add, "222+2"}},
     {"222+2", "111+1", "old"}},
    {"EachKeepsItsOwnOrder",
     "old\t0\t1\r\n",
     {{A, Add, "a1"}, {B, Add, "b1"}, {A, Add, "a2"}, {B, Add, "b2"}},
     {"b2", "b1", "a2", "a1", "old"}},
    {"SavedAgainAndAgainOnBothSides",
     "",
     {{A, Add, "a"}, {A, Save}, {B, Add, "b"}, {B, Save}, {A, Add, "c"}, {A, Exit}},
     {"c", "b", "a"}},
    {"DeletedHereStaysDeleted",
     "x\t0\t1\r\ny\t0\t2\r\nz\t0\t3\r\n",
     {{B, Add, "n"}, {B, Exit}, {A, Delete, "y"}},
     {"n", "x", "z"}},
    {"ClearedHereStaysCleared",
     "x\t0\t1\r\ny\t0\t2\r\n",
     {{B, Add, "n"}, {B, Exit}, {A, Clear}, {A, Add, "c"}},
     {"c", "n"}},
    {"ClearThereDoesNotTakeWhatIsStillShownHere",
     "x\t0\t1\r\n",
     {{A, Clear}, {A, Save}, {B, Add, "n"}, {B, Exit}},
     {"n", "x"}},
    {"OtherCaseAddedThereReplacesTheOldEntry",
     "sin(1)\t0\t1\r\nx\t0\t2\r\n",
     {{B, Add, "SIN(1)"}, {B, Exit}},
     {"SIN(1)", "x"}},
    {"OwnNewEntryWinsOverTheSameAddedThere",
     "x\t0\t2\r\n",
     {{B, Add, "COS(0)"}, {B, Exit}, {A, Add, "cos(0)"}},
     {"cos(0)", "x"}},
    {"NewValueThereReplacesTheOldEntryOnce",
     "x\t0\t1\r\ny\t0\t2\r\n",
     {{B, Add, "X"}, {B, Exit}},
     {"X", "y"}},
    {"SameNewEntryOnBothSidesOnce",
     "",
     {{A, Add, "1+1"}, {B, Add, "1+1"}, {A, Add, "2"}},
     {"1+1", "2"}},
};

void RunStep(std::unique_ptr<THistoryManager> (&instances)[2], const MergeStep& step)
{
    THistoryManager& history = *instances[step.who];
    switch (step.op) {
    case Add:
        history.Add(step.expression, 0, 0);
        break;
    case Delete:
        history.Delete(history.IndexOf(step.expression));
        break;
    case Clear:
        history.Clear();
        break;
    case Save:
        history.SaveHistory();
        break;
    case Exit:
        instances[step.who].reset();
        break;
    }
}

/// Expressions of the history file, newest first.
std::vector<std::string> SavedExpressions(const std::string& fileName)
{
    THistoryManager reader(fileName);
    reader.SetLoadHistory(true);
    std::vector<std::string> expressions;
    for (int i = 0; i < reader.Count(); ++i)
        expressions.push_back(reader.Expressions(i));
    reader.SetFileName({});
    return expressions;
}

TEST_F(HistoryFile, TwoInstancesKeepEachOthersEntries)
{
    for (const MergeCase& row : kMergeRows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove(FName);
        if (!row.file.empty())
            WriteAll(FName, row.file);
        std::unique_ptr<THistoryManager> instances[2];
        for (auto& history : instances) {
            history = std::make_unique<THistoryManager>(FName);
            history->SetLoadHistory(true);
        }
        for (const MergeStep& step : row.steps)
            RunStep(instances, step);
        instances[A].reset();
        instances[B].reset();
        EXPECT_EQ(SavedExpressions(FName), row.saved);
    }
}

/// a loads the file, another instance adds "b" and saves, then a adds "a"; reports counts a's
/// change reports from then on.
void LoadThenLetAnotherInstanceAdd(THistoryManager& a, int& reports)
{
    a.SetLoadHistory(true);
    {
        THistoryManager b(a.FileName());
        b.SetLoadHistory(true);
        b.Add("b", 1, 2);
    }
    a.Add("a", 0, 1);
    a.SetOnChange([&](THistoryManager&) { ++reports; });
    reports = 0;
}

TEST_F(HistoryFile, MergedEntriesShowInTheSavingInstance)
{
    THistoryManager a(FName);
    int reports = 0;
    LoadThenLetAnotherInstanceAdd(a, reports);
    a.SaveHistory();
    EXPECT_EQ(Entries(a), (std::vector<Entry>{{"a", 0, 1}, {"b", 1, 2}}));
    EXPECT_EQ(reports, 1);
    a.SaveHistory();
    EXPECT_EQ(reports, 1);
}

TEST_F(HistoryFile, MergedEntriesShowEvenWhenTheWriteFails)
{
    THistoryManager a(FName);
    int reports = 0;
    LoadThenLetAnotherInstanceAdd(a, reports);
    {
        const test::TFileSizeLimit limit(8);
        ASSERT_TRUE(limit.Active());
        EXPECT_THROW(a.SaveHistory(), EException);
    }
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(Entries(a), (std::vector<Entry>{{"a", 0, 1}, {"b", 1, 2}}));
    EXPECT_EQ(SavedExpressions(FName), (std::vector<std::string>{"b"}));
}

TEST_F(HistoryFile, FileReplacedByAFolderAfterLoadingIsLeftAlone)
{
    WriteAll(FName, "x\t0\t1\r\n");
    THistoryManager history(FName);
    history.SetLoadHistory(true);
    history.Add("a", 0, 1);
    std::filesystem::remove(FName);
    std::filesystem::create_directory(FName);
    WriteAll(FName + "/kept", "k");
    EXPECT_THROW(history.SaveHistory(), EException);
    EXPECT_TRUE(std::filesystem::is_directory(FName));
    EXPECT_EQ(ReadAll(FName + "/kept"), "k");
    history.SetFileName({});
}

TEST_F(HistoryFile, SpecialFileInPlaceOfTheFileIsNeitherReadNorReplaced)
{
    THistoryManager history(FName);
    history.SetLoadHistory(true);
    history.Add("a", 0, 1);
    ASSERT_EQ(::mkfifo(FName.c_str(), 0600), 0);
    EXPECT_THROW(history.SaveHistory(), EException);
    EXPECT_TRUE(std::filesystem::is_fifo(FName));
    history.SetFileName({});
}

TEST_F(HistoryFile, FileMadeUnreadableAfterLoadingIsNotOverwritten)
{
    if (!test::PermissionsApply())
        GTEST_SKIP() << "running as the superuser: permission bits do not stop reads";
    WriteAll(FName, "x\t0\t1\r\n");
    THistoryManager history(FName);
    history.SetLoadHistory(true);
    history.Add("a", 0, 1);
    WriteAll(FName, "kept\t0\t1\r\n");
    std::filesystem::permissions(FName, std::filesystem::perms::owner_write);
    EXPECT_THROW(history.SaveHistory(), EException);
    std::filesystem::permissions(FName, std::filesystem::perms::owner_read);
    EXPECT_EQ(ReadAll(FName), "kept\t0\t1\r\n");
    history.SetFileName({});
}

TEST_F(HistoryFile, SaveWaitsForAnotherInstanceWritingTheFile)
{
    WriteAll(FName, "old\t0\t1\r\n");
    THistoryManager history(FName);
    history.SetLoadHistory(true);
    history.Add("ours", 0, 1);
    // Another instance in the middle of its own save: it holds the lock and writes in place.
    const int fd = ::open(FName.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    auto saving = std::async(std::launch::async, [&] { history.SaveHistory(); });
    EXPECT_EQ(saving.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    const std::string theirs = "theirs\t0\t2\r\nold\t0\t1\r\n";
    ASSERT_EQ(::ftruncate(fd, 0), 0);
    ASSERT_EQ(::pwrite(fd, theirs.data(), theirs.size(), 0), static_cast<ssize_t>(theirs.size()));
    ::close(fd);
    saving.get();
    EXPECT_EQ(SavedExpressions(FName), (std::vector<std::string>{"ours", "theirs", "old"}));
}

/// Random adds, deletes and loads against a plain list, across the points where dead entries
/// are compacted away.
TEST(HistoryModel, MatchesAPlainListUnderRandomEdits)
{
    std::mt19937 random(12345);
    THistoryManager history;
    std::vector<Entry> model;
    const auto same = [](const std::string& a, const std::string& b) { return AnsiSameText(a, b); };
    for (int step = 0; step < 20000; ++step) {
        const int op = static_cast<int>(random() % 100);
        std::string expr = "e" + std::to_string(random() % 300);
        if (random() % 2 == 0)
            expr = AnsiUpperCase(expr);
        if (op < 70) {
            const int idx = static_cast<int>(random() % 11);
            const auto value = static_cast<Extended>(step);
            history.Add(expr, idx, value);
            std::erase_if(model, [&](const Entry& e) { return same(e.expression, expr); });
            model.insert(model.begin(), {expr, idx, value});
        }
        else if (op < 97 && !model.empty()) {
            const int i = static_cast<int>(random() % model.size());
            history.Delete(i);
            model.erase(model.begin() + i);
        }
        else {
            const std::string text = expr + "\t1\t" + std::to_string(step) + "\r\n";
            history.LoadFromText(text);
            model.push_back({expr, 1, static_cast<Extended>(step)});
        }
        ASSERT_EQ(history.Count(), static_cast<int>(model.size())) << "step " << step;
        if (step % 97 == 0 || model.size() < 8) {
            ASSERT_EQ(Entries(history), model) << "step " << step;
        }
        const int probe = static_cast<int>(random() % 300);
        const std::string name = "E" + std::to_string(probe);
        const auto it = std::find_if(model.begin(), model.end(),
                                     [&](const Entry& e) { return same(e.expression, name); });
        ASSERT_EQ(history.IndexOf(name),
                  it == model.end() ? -1 : static_cast<int>(it - model.begin()))
            << "step " << step;
    }
    EXPECT_EQ(Entries(history), model);
}

} // namespace
} // namespace calc
