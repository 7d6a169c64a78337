#include "CliProcess.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace calc::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr const char* kDegree = "\xC2\xB0";    // the degree sign in UTF-8
constexpr const char* kGroupMark = "\xC2\xA0"; // the no-break space in UTF-8

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

/// Every process gets its own home and configuration folder, so the user's settings never
/// matter, and an empty definitions folder unless a test asks for another.
class CliProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(fs::path(FHome.Path()) / "config");
        fs::create_directory(fs::path(FHome.Path()) / "defs");
        FEnv = {{"HOME", FHome.Path()},
                {"XDG_CONFIG_HOME", (FHome / "config")},
                {"LC_ALL", "C"},
                {"PATH", "/usr/bin:/bin"}};
    }

    TProcessResult Run(std::vector<std::string> args, const std::string& input = {})
    {
        args.insert(args.begin(), "--definitions=" + (FHome / "defs"));
        return RunProcess(ZEMBRICAL_CLI_PATH, args, input, FEnv);
    }

    std::string Options() const
    {
        return (fs::path(FHome.Path()) / "config" / "Zembrical Calculator" / "Options.ini")
            .string();
    }
    void WriteOptions(const std::string& text)
    {
        fs::create_directories(fs::path(Options()).parent_path());
        WriteAll(Options(), text);
    }
    std::string DefsFile(const std::string& name) const
    {
        return (fs::path(FHome.Path()) / "defs" / name).string();
    }

    /// The files below the home folder, to prove nothing was written.
    std::vector<std::string> FilesInHome() const
    {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(FHome.Path()))
            files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        return files;
    }

    TTempFolder FHome;
    std::map<std::string, std::string> FEnv;
};

TEST_F(CliProcess, ArgumentsPrintTheDefaultFormatOnePerLine)
{
    const TProcessResult r = Run({"2+3*4", "-5+2", "1/3", "1E20"});
    EXPECT_EQ(r.Out, "14\n-3\n0.333333333333333\n1E20\n");
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Status, 0);
}

TEST_F(CliProcess, AFailingExpressionGoesToStandardErrorAndTheRestGoOn)
{
    const TProcessResult r = Run({"1", "1/0", "2+foo", "2"});
    EXPECT_EQ(r.Out, "1\n2\n");
    EXPECT_EQ(r.Err, "error: 3: Division by zero\nerror: 5: Unknown constant \"foo\"\n");
    EXPECT_EQ(r.Status, 1);
}

TEST_F(CliProcess, PipedInputOneExpressionPerLineSkippingBlankLines)
{
    const TProcessResult r = Run({}, "1+1\n\n   \n2*3\r\n7 and 2.5e30\n10");
    EXPECT_EQ(r.Out, "2\n6\n10\n");
    EXPECT_EQ(r.Err, "error: 12: Incorrect operator argument \"AND\"\n");
    EXPECT_EQ(r.Status, 1);
}

TEST_F(CliProcess, CharacterZeroInALineIsAnError)
{
    const TProcessResult r = Run({}, "1\0+5\n\0\n4\n"s);
    EXPECT_EQ(r.Out, "4\n");
    EXPECT_EQ(r.Err, "error: 1: Character not supported: U+0000\n"
                     "error: 0: Character not supported: U+0000\n");
    EXPECT_EQ(r.Status, 1);
}

TEST_F(CliProcess, PorcelainAnswersEveryInputLineWithOneLine)
{
    // Blank lines fail as an empty expression does in the window; a script that pairs its
    // questions with the answers by line relies on that.
    const TProcessResult r = Run({"--porcelain"}, "1+1\n\n   \n2*3\r\n1\0+5\n\r\n\t\n10"s);
    const std::vector<std::string> expected = {"ok\t2",
                                               "error\t1\t0\t0: Expecting argument",
                                               "error\t1\t3\t3: Expecting argument",
                                               "ok\t6",
                                               "error\t99\t1\t1: Character not supported: U+0000",
                                               "error\t1\t0\t0: Expecting argument",
                                               "error\t1\t1\t1: Expecting argument",
                                               "ok\t10"};
    std::vector<std::string> lines;
    std::istringstream out(r.Out);
    for (std::string line; std::getline(out, line);) {
        const std::vector<std::string> fields = SplitTabs(line);
        lines.push_back(fields.at(0) == "ok" ? "ok\t" + fields.at(1) : line);
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(r.Out.back(), '\n');
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Status, 1);
}

TEST_F(CliProcess, PorcelainBlankLastLineIsAnswered)
{
    EXPECT_EQ(Run({"--porcelain"}, "\n").Out, "error\t1\t0\t0: Expecting argument\n");
    EXPECT_EQ(Run({"--porcelain"}, " ").Out, "error\t1\t1\t1: Expecting argument\n");
    EXPECT_EQ(Run({"--porcelain"}, "").Out, "");
}

TEST_F(CliProcess, EmptyInputIsSuccess)
{
    const TProcessResult r = Run({}, "");
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Status, 0);
}

TEST_F(CliProcess, RandomGeneratorStateCarriesOverBetweenExpressions)
{
    // The seed starts at 0; the first draw makes it 1 and gives 2^-32.
    const TProcessResult r = Run({"--porcelain", "RandGet()", "Random()", "RandGet()"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::istringstream lines(r.Out);
    std::string line;
    std::vector<std::string> values;
    while (std::getline(lines, line))
        values.push_back(SplitTabs(line).at(1));
    EXPECT_EQ(values, (std::vector<std::string>{"0", "2.32830643653869628906e-10", "1"}));
}

TEST_F(CliProcess, PorcelainGivesValueAndTheElevenFormatsInListOrder)
{
    const TProcessResult r = Run({"--porcelain", "255"});
    ASSERT_EQ(r.Status, 0);
    const std::vector<std::string> expected = {
        "ok",   "255", "255",      "2.6E+0002", "255",  "255",
        "$255", "FF",  "11111111", "377",       "CCLV", std::string("255") + kDegree + "00'00\"",
        "255"};
    EXPECT_EQ(SplitTabs(r.Out.substr(0, r.Out.size() - 1)), expected);
    EXPECT_EQ(r.Out.back(), '\n');
}

TEST_F(CliProcess, PorcelainEdgeValuesOfTheFormats)
{
    const TProcessResult r = Run({"--porcelain", "-1", "0.5", "1E20", "12.5"});
    ASSERT_EQ(r.Status, 0);
    std::istringstream lines(r.Out);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(lines, line);)
        rows.push_back(SplitTabs(line));
    ASSERT_EQ(rows.size(), 4u);
    const std::string cant = "Can't display result in this format";
    // Fields: ok, value, Decimal, four custom styles, Hex, Bin, Oct, Roman, Angle, Fraction.
    EXPECT_EQ(rows[0][2], "-1");
    EXPECT_EQ(rows[0][7], "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(rows[0][10], cant);
    EXPECT_EQ(rows[0][11], std::string("-1") + kDegree + "00'00\"");
    EXPECT_EQ(rows[1][2], "0.5");
    EXPECT_EQ(rows[1][7], "0");
    EXPECT_EQ(rows[1][8], "0");
    EXPECT_EQ(rows[1][10], "");
    EXPECT_EQ(rows[1][11], std::string("0") + kDegree + "30'00\"");
    EXPECT_EQ(rows[1][12], "1 / 2");
    EXPECT_EQ(rows[2][1], "100000000000000000000");
    EXPECT_EQ(rows[2][2], "1E20");
    EXPECT_EQ(rows[2][7], cant);
    EXPECT_EQ(rows[2][8], cant);
    EXPECT_EQ(rows[2][9], cant);
    EXPECT_EQ(rows[2][10], cant);
    EXPECT_EQ(rows[2][11], cant);
    EXPECT_EQ(rows[2][12], "1E0020");
    EXPECT_EQ(rows[3][11], std::string("12") + kDegree + "30'00\"");
}

TEST_F(CliProcess, PorcelainErrorsGoToStandardOutputAsFields)
{
    const TProcessResult r = Run({"--porcelain", "1/0", "2+foo", "1+\xE2\x82\xAC"});
    EXPECT_EQ(r.Out, "error\t11\t3\t3: Division by zero\n"
                     "error\t12\t5\t5: Unknown constant \"foo\"\n"
                     "error\t99\t2\t2: Character not supported: U+20AC\n");
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Status, 1);
}

TEST_F(CliProcess, PorcelainUsesTheInvariantRegionalSettings)
{
    FEnv["LC_ALL"] = "C.UTF-8";
    const TProcessResult r = Run({"--porcelain", "-1234.5"});
    ASSERT_EQ(r.Status, 0);
    const std::vector<std::string> fields = SplitTabs(r.Out.substr(0, r.Out.size() - 1));
    EXPECT_EQ(fields[5], "-1,235");
    EXPECT_EQ(fields[6], "-$1,235");
}

TEST_F(CliProcess, UnsupportedCharacterFailsOnlyItsExpression)
{
    const TProcessResult r = Run({"2\xE2\x88\x9A", "caf\xE9", "3"});
    EXPECT_EQ(r.Out, "3\n");
    EXPECT_EQ(r.Err, "error: 1: Character not supported: U+221A\n"
                     "error: 3: Invalid UTF-8 byte sequence\n");
    EXPECT_EQ(r.Status, 1);
}

TEST_F(CliProcess, AllPrintsEveryFormatWithABlankLineBetweenExpressions)
{
    const TProcessResult r = Run({"--all", "12.5", "1/0", "0.5"});
    const std::string expected = std::string("Decimal: 12.5\n") +
                                 "Decimal (Exponent): 1.3E+0001\n"
                                 "Decimal (Fixed): 13\n"
                                 "Decimal (Number): 13\n"
                                 "Decimal (Currency): $13\n"
                                 "Hex: C\n"
                                 "Bin: 1100\n"
                                 "Oct: 14\n"
                                 "Roman: XII\n"
                                 "Angle: 12" +
                                 kDegree +
                                 "30'00\"\n"
                                 "Fraction: 25 / 2\n"
                                 "\n"
                                 "Decimal: 0.5\n";
    EXPECT_EQ(r.Out.substr(0, expected.size()), expected);
    EXPECT_EQ(r.Err, "error: 3: Division by zero\n");
    EXPECT_EQ(r.Status, 1);
}

TEST_F(CliProcess, AngleOption)
{
    struct Row {
        const char* option;
        const char* expr;
    };
    const Row rows[] = {
        {"--angle=deg", "sin(90)"}, {"--angle=rad", "sin(pi/2)"}, {"--angle=grad", "sin(100)"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.option);
        const TProcessResult r = Run({row.option, row.expr});
        EXPECT_EQ(r.Out, "1\n");
        EXPECT_EQ(r.Status, 0);
    }
    EXPECT_EQ(Run({"sin(90)"}).Out, "1\n"); // degrees unless told otherwise
}

TEST_F(CliProcess, DecimalOptionAlsoMovesACollidingListSeparator)
{
    const TProcessResult r = Run({"--decimal=,", "1,5*2", "max(1,5;2,5)"});
    EXPECT_EQ(r.Out, "3\n2.5\n");
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Run({"--decimal=.,", "1.5+1,5"}).Out, "3\n");
    EXPECT_EQ(Run({"1,5"}).Status, 1);
}

TEST_F(CliProcess, ListOption)
{
    EXPECT_EQ(Run({"--list=;", "max(1;7)"}).Out, "7\n");
    EXPECT_EQ(Run({"max(1,7)"}).Out, "7\n");
}

TEST_F(CliProcess, OptionsFileSetsAngleSeparatorsAndFormats)
{
    WriteOptions("[General]\r\nAngleMode=1\r\nDecimalSeparator=,\r\nListSeparator=;\r\n"
                 "\r\n[Results]\r\n5=0,1,1,5\r\nDefault=5\r\n");
    const TProcessResult r = Run({"cos(pi)", "4096", "1,5*2", "max(1;3)"});
    // The default format is now Hex, grouped by bytes; -1 is its two's complement.
    EXPECT_EQ(r.Out, std::string("FF") + kGroupMark + "FF" + kGroupMark + "FF" + kGroupMark + "FF" +
                         kGroupMark + "FF" + kGroupMark + "FF" + kGroupMark + "FF" + kGroupMark +
                         "FF\n10" + kGroupMark + "00\n3\n3\n");
    EXPECT_EQ(r.Status, 0) << r.Err;
}

TEST_F(CliProcess, GroupMarkOfThousandSeparatorsIsWrittenAsUtf8)
{
    WriteOptions("[Results]\n0=0,1,1,0\n");
    EXPECT_EQ(Run({"1234567"}).Out, std::string("1") + kGroupMark + "234" + kGroupMark + "567\n");
}

TEST_F(CliProcess, OptionsFileDigitsSettingsReachPorcelain)
{
    WriteOptions("[Results]\n1=2,0,0,1\n2=2,0,0,2\n");
    const TProcessResult r = Run({"--porcelain", "--options=" + Options(), "1234.5", "2/3"});
    std::istringstream lines(r.Out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(SplitTabs(first).at(3), "1.23E+0003");
    EXPECT_EQ(SplitTabs(second).at(4), "0.67");
}

TEST_F(CliProcess, PorcelainReadsTheUsersOptionsFileOnlyWhenNamed)
{
    // A script must answer alike on every account, whatever separators or angle mode the
    // user chose for the window.
    WriteOptions("[General]\nAngleMode=1\nDecimalSeparator=,\nListSeparator=;\n"
                 "[Results]\n1=2,0,0,1\n");
    const std::vector<std::string> before = FilesInHome();
    const std::vector<std::string> expressions = {"max(1,2)", "sin(90)", "1234.5"};
    std::vector<std::string> args = {"--porcelain"};
    args.insert(args.end(), expressions.begin(), expressions.end());
    const TProcessResult r = Run(args);
    EXPECT_EQ(r.Status, 0) << r.Out << r.Err;
    args.push_back("--no-options");
    EXPECT_EQ(r.Out, Run(args).Out);
    EXPECT_EQ(SplitTabs(r.Out).at(1), "2");
    EXPECT_EQ(FilesInHome(), before);

    const TProcessResult named = Run({"--porcelain", "--options=" + Options(), "max(1,2)"});
    EXPECT_EQ(SplitTabs(named.Out).at(2), "1.2");
    EXPECT_EQ(FilesInHome(), before);
}

TEST_F(CliProcess, CommandLineOverridesTheOptionsFile)
{
    WriteOptions("[General]\nAngleMode=1\n");
    EXPECT_EQ(Run({"cos(pi)"}).Out, "-1\n");
    EXPECT_EQ(Run({"--angle=deg", "sin(90)"}).Out, "1\n");
}

TEST_F(CliProcess, NoOptionsIgnoresTheOptionsFile)
{
    WriteOptions("[General]\nAngleMode=1\n[Results]\nDefault=5\n");
    EXPECT_EQ(Run({"--no-options", "sin(90)", "255"}).Out, "1\n255\n");
}

TEST_F(CliProcess, OptionsFileFromTheHomeFolderWhenNoXdgFolderIsSet)
{
    FEnv.erase("XDG_CONFIG_HOME");
    fs::create_directories(fs::path(FHome.Path()) / ".config" / "Zembrical Calculator");
    WriteAll((fs::path(FHome.Path()) / ".config" / "Zembrical Calculator" / "Options.ini").string(),
             "[Results]\nDefault=5\n");
    EXPECT_EQ(Run({"255"}).Out, "FF\n");
}

TEST_F(CliProcess, OptionsOptionReadsTheNamedFile)
{
    const std::string file = FHome.File("my.ini");
    WriteAll(file, "[general]\nanglemode=2\n");
    WriteOptions("[General]\nAngleMode=1\n");
    EXPECT_EQ(Run({"--options=" + file, "sin(100)"}).Out, "1\n");
}

TEST_F(CliProcess, MissingDefaultOptionsFileIsNoErrorAndNothingIsCreated)
{
    const std::vector<std::string> before = FilesInHome();
    const TProcessResult r = Run({"1+1"});
    EXPECT_EQ(r.Out, "2\n");
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(FilesInHome(), before);
}

TEST_F(CliProcess, UnreadableOptionsFileIsAUsageError)
{
    WriteOptions("[General]\n");
    fs::remove(Options());
    fs::create_directory(Options()); // a folder where the file should be
    const TProcessResult r = Run({"1"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Out, "");
    EXPECT_NE(r.Err.find("Options.ini"), std::string::npos) << r.Err;

    const TProcessResult named = Run({"--options=" + FHome.File("none.ini"), "1"});
    EXPECT_EQ(named.Status, 2);
    EXPECT_NE(named.Err.find("none.ini"), std::string::npos) << named.Err;
}

TEST_F(CliProcess, UnreadableOptionsFilePermissions)
{
    if (!PermissionsApply())
        GTEST_SKIP() << "permission bits do not stop the superuser";
    WriteOptions("[General]\nAngleMode=1\n");
    ::chmod(Options().c_str(), 0);
    const TProcessResult r = Run({"1"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("Options.ini"), std::string::npos) << r.Err;
}

TEST_F(CliProcess, DefinitionsFolderAndDefineOptions)
{
    fs::create_directory(fs::path(FHome.Path()) / "defs" / "Units");
    WriteAll(DefsFile("Main.udf"), "; my constants\r\nk=1\r\ndouble(x)=x*2 ; twice\r\n");
    WriteAll(DefsFile("Units/Length.udf"), "inch=0.0254\r\n");
    const TProcessResult r = Run({"double(k)", "inch*100", "k"});
    EXPECT_EQ(r.Out, "2\n2.54\n1\n");
    EXPECT_EQ(r.Status, 0) << r.Err;

    // -D definitions form one group after the files: of two groups the earlier one wins, and
    // inside the group the later definition does.
    const TProcessResult d =
        Run({"-D", "m=5", "--define=sq(x)=x*x", "-Dm=7", "-D", "k=9", "sq(m)", "k"});
    EXPECT_EQ(d.Out, "49\n1\n");
    EXPECT_EQ(d.Status, 0) << d.Err;
}

TEST_F(CliProcess, EmptyDefinitionsFolderDefinesNothing)
{
    const TProcessResult r = Run({"k"});
    EXPECT_EQ(r.Err, "error: 1: Unknown constant \"k\"\n");
    EXPECT_EQ(r.Status, 1);
}

TEST_F(CliProcess, MissingDefinitionsFolderIsAUsageError)
{
    const TProcessResult r =
        RunProcess(ZEMBRICAL_CLI_PATH, {"--definitions=" + FHome.File("nowhere"), "1"}, "", FEnv);
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Out, "");
    EXPECT_NE(r.Err.find("nowhere"), std::string::npos);
}

TEST_F(CliProcess, FailingDefinitionExitsWithStatusTwo)
{
    const char* rows[] = {"c=1/0", "f(x=x", "1x=2", "g(x)=x+"};
    for (const char* text : rows) {
        SCOPED_TRACE(text);
        const TProcessResult r = Run({"-D", text, "1"});
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Out, "");
        EXPECT_NE(r.Err.find(text), std::string::npos) << r.Err;
    }
}

TEST_F(CliProcess, RunawayRecursionFailsOnlyItsExpression)
{
    const TProcessResult r = Run({"--porcelain", "-D", "f(x)=f(x)+1", "f(1)", "2"});
    std::istringstream lines(r.Out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    const std::vector<std::string> fields = SplitTabs(first);
    ASSERT_GE(fields.size(), 4u) << r.Out;
    EXPECT_EQ(fields[0], "error");
    EXPECT_EQ(fields[1], "100");
    EXPECT_EQ(SplitTabs(second).at(0), "ok");
    EXPECT_EQ(r.Status, 1);
}

TEST_F(CliProcess, HelpAndVersion)
{
    const TProcessResult help = Run({"--help"});
    EXPECT_EQ(help.Status, 0);
    EXPECT_EQ(help.Out.rfind("Usage: zembrical-cli", 0), 0u);
    EXPECT_EQ(Run({"-h"}).Status, 0);
    const TProcessResult version = Run({"--version"});
    EXPECT_EQ(version.Out, std::string("zembrical-cli ") + ZEMBRICAL_VERSION + "\n");
    EXPECT_EQ(version.Status, 0);
}

TEST_F(CliProcess, BadUsageExitsWithStatusTwo)
{
    const std::vector<std::vector<std::string>> rows = {
        {"--bogus"},     {"-pi"}, {"--angle=turns"}, {"--angle"}, {"--list=ab"},
        {"--decimal=x"}, {"-D"}};
    for (const auto& args : rows) {
        SCOPED_TRACE(args[0]);
        const TProcessResult r = Run(args);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err.rfind("zembrical-cli: ", 0), 0u) << r.Err;
    }
    EXPECT_EQ(Run({"--", "-pi"}).Out, "-3.14159265358979\n");
}

TEST_F(CliProcess, ErrorsKeepTheirPlaceWhenBothStreamsGoToOneFile)
{
    const std::string file = FHome.File("both.txt");
    const TProcessResult r = RunProcess(
        "/bin/sh",
        {"-c", std::string("\"$0\" --no-options 1 1/0 2 3 >\"$1\" 2>&1"), ZEMBRICAL_CLI_PATH, file},
        "", FEnv);
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(ReadAll(file), "1\nerror: 3: Division by zero\n2\n3\n");
}

TEST_F(CliProcess, FailedWriteToStandardOutputEndsWithAMessageAndStatusTwo)
{
    std::string manyLines;
    for (int i = 0; i < 20000; ++i)
        manyLines += "1+1\n";
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::string input;
    };
    const Row rows[] = {
        {"arguments", {"1", "2"}, ""},
        {"lines", {}, "1\n2\n"},
        {"more lines than one write", {"--porcelain"}, manyLines},
        {"help", {"--help"}, ""},
        {"version", {"--version"}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> args = {"-c", "\"$0\" \"$@\" >/dev/full", ZEMBRICAL_CLI_PATH,
                                         "--definitions=" + (FHome / "defs")};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const TProcessResult r = RunProcess("/bin/sh", args, row.input, FEnv);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Err, "zembrical-cli: cannot write standard output: No space left on device\n");
    }
}

TEST_F(CliProcess, ClosedPipeOnStandardOutputEndsQuietly)
{
    // Whether SIGPIPE was ignored or not, the program ends as the signal ends it, with nothing
    // on standard error, and reads no further.
    const std::string cli = "seq 1 300000 2>/dev/null | { \"$0\" --porcelain "
                            "--definitions=\"$1\"; echo \"status $?\" >&2; }";
    struct Row {
        std::string script;
        long lines;
    };
    const Row rows[] = {
        {cli + " | head -n 1", 1},
        {"trap '' PIPE; " + cli + " | head -n 1", 1},
        {"trap '' PIPE; " + cli + " | true", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.script);
        const TProcessResult r =
            RunProcess("/bin/sh", {"-c", row.script, ZEMBRICAL_CLI_PATH, FHome / "defs"}, "", FEnv);
        EXPECT_EQ(r.Err, "status 141\n"); // 128 + SIGPIPE
        EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), row.lines);
    }
}

TEST_F(CliProcess, AnswersEachLineBeforeTheNextArrivesThroughPipes)
{
    TChildProcess child(ZEMBRICAL_CLI_PATH, {"--porcelain", "--definitions=" + (FHome / "defs")},
                        FEnv);
    child.Write("6*7\n");
    EXPECT_EQ(SplitTabs(child.ReadLine(10000)).at(1), "42");
    child.Write("1/0\n");
    EXPECT_EQ(child.ReadLine(10000), "error\t11\t3\t3: Division by zero");
    EXPECT_EQ(child.Finish(), 1);
}

TEST_F(CliProcess, InteractiveSessionShowsFormatsAndCaret)
{
    const std::vector<std::string> before = FilesInHome();
    const TProcessResult r =
        RunOnTerminal(ZEMBRICAL_CLI_PATH, {"--definitions=" + (FHome / "defs")},
                      {"255\r", "\r", "1/0\r", "quit\r"}, FEnv);
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Out.find("Decimal: 255\r\nHex: FF\r\nBin: 11111111\r\n"), std::string::npos)
        << r.Out;
    // Prompt "> " then "1/0": the caret stands under the end, column 2 + 3.
    EXPECT_NE(r.Out.find("\r\n     ^\r\nerror: 3: Division by zero\r\n"), std::string::npos)
        << r.Out;
    EXPECT_EQ(FilesInHome(), before); // no history file, no settings folder
}

TEST_F(CliProcess, InteractiveTabCompletesNamesAndUnknownNamesGetAHint)
{
    const TProcessResult r = RunOnTerminal(
        ZEMBRICAL_CLI_PATH, {"--definitions=" + (FHome / "defs"), "-D", "myarea(x)=x*x"},
        {"myar\t(4)\r", "sqrtt(4)\r", "zzzz\r", "quit\r"}, FEnv);
    EXPECT_EQ(r.Status, 1) << r.Out;
    EXPECT_NE(r.Out.find("Decimal: 16\r\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("error: 5: Unknown function \"sqrtt\"\r\ndid you mean \"Sqrt\"?\r\n"),
              std::string::npos)
        << r.Out;
    // Nothing near: no hint.
    EXPECT_NE(r.Out.find("error: 4: Unknown constant \"zzzz\"\r\n"), std::string::npos) << r.Out;
    EXPECT_EQ(r.Out.find("did you mean", r.Out.find("zzzz\"")), std::string::npos) << r.Out;
}

TEST_F(CliProcess, PipedInputGetsNoHint)
{
    for (const bool porcelain : {false, true}) {
        std::vector<std::string> args;
        if (porcelain)
            args.push_back("--porcelain");
        const TProcessResult r = Run(args, "sine(1)\n");
        EXPECT_EQ(r.Status, 1);
        EXPECT_NE((r.Out + r.Err).find("Unknown function"), std::string::npos) << r.Out << r.Err;
        EXPECT_EQ((r.Out + r.Err).find("did you mean"), std::string::npos) << r.Out << r.Err;
    }
}

TEST_F(CliProcess, InteractiveSessionEndsAtEndOfInput)
{
    const TProcessResult r = RunOnTerminal(
        ZEMBRICAL_CLI_PATH, {"--definitions=" + (FHome / "defs")}, {"2+2\r", "\x04"}, FEnv);
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("Decimal: 4"), std::string::npos) << r.Out;
}

TEST_F(CliProcess, InteractiveCtrlCStopsTheEvaluationAndKeepsThePrompt)
{
    // f(40) makes 2^41 calls: it would run for hours.
    const auto start = std::chrono::steady_clock::now();
    const TProcessResult r =
        RunOnTerminal(ZEMBRICAL_CLI_PATH,
                      {"--definitions=" + (FHome / "defs"), "-D", "f(n)=if(n<=0,1,f(n-1)+f(n-1))"},
                      {"f(40)\r", kCtrlC, "6*7\r", "quit\r"}, FEnv);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(r.Status, 1) << r.Out;
    EXPECT_NE(r.Out.find("error: 4: Calculation interrupted\r\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Decimal: 42"), std::string::npos) << r.Out;
}

} // namespace
} // namespace calc::test
