#include "ConsoleCalculator.h"
#include "core/IniFile.h"

#include <gtest/gtest.h>

namespace calc::cli {
namespace {

/// Pins the regional settings to the invariant set and restores them afterwards.
class ConsoleCalculatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FSaved = RegionalSettings();
        RegionalSettings() = TRegionalSettings{};
    }
    void TearDown() override { RegionalSettings() = FSaved; }

    TEvaluation Eval(std::string_view text) { return FCalc.Evaluate(text); }
    void Apply(std::string_view iniText)
    {
        TIniFile ini;
        ini.LoadFromText(iniText);
        FCalc.ApplyOptions(ini);
    }

    TConsoleCalculator FCalc;

private:
    TRegionalSettings FSaved;
};

TEST_F(ConsoleCalculatorTest, ReportsEngineErrorsWithCodeAndPosition)
{
    struct Row {
        std::string_view expr;
        int code;
        int pos;
        const char* message;
    };
    using namespace std::string_view_literals;
    const Row rows[] = {
        {"1/0", 11, 3, "3: Division by zero"},
        {"2+foo", 12, 5, "5: Unknown constant \"foo\""},
        {"7 and 2.5e30", 22, 12, "12: Incorrect operator argument \"AND\""},
        {"1+\xE2\x82\xAC", 99, 2, "2: Character not supported: U+20AC"},
        {"\xFF", 99, 0, "0: Invalid UTF-8 byte sequence"},
        // The engine would end the text at the character 0 and answer 1.
        {"1\0+5"sv, 99, 1, "1: Character not supported: U+0000"},
        {"\0"sv, 99, 0, "0: Character not supported: U+0000"},
        {"\xC3\xA9\0"sv, 99, 1, "1: Character not supported: U+0000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expr);
        const TEvaluation e = Eval(row.expr);
        EXPECT_FALSE(e.Ok);
        EXPECT_EQ(e.Code, row.code);
        EXPECT_EQ(e.Pos, row.pos);
        EXPECT_EQ(e.Message, row.message);
    }
}

TEST_F(ConsoleCalculatorTest, OptionsSetAngleModeSeparatorsAndFormats)
{
    Apply("[General]\nAngleMode=1\nDecimalSeparator=,\nListSeparator=;\n"
          "[Results]\n1=2,0,1,3\nDefault=1\n");
    EXPECT_EQ(FCalc.Parser().AngleMode(), TAngleMode::amRad);
    EXPECT_TRUE(FCalc.Parser().DecimalSeparators().Contains(','));
    EXPECT_FALSE(FCalc.Parser().DecimalSeparators().Contains('.'));
    EXPECT_EQ(FCalc.Parser().ListSeparator(), ';');
    EXPECT_EQ(FCalc.Results().DefaultIndex(), 1);
    EXPECT_TRUE(FCalc.Results().Items(1).Visible());
    EXPECT_EQ(FCalc.Results().Items(1).Order(), 3);
    std::string out;
    AppendDefaultResult(out, FCalc.Results(), 1234.5L);
    EXPECT_EQ(out, "1.23E+0003\n");
}

TEST_F(ConsoleCalculatorTest, MissingKeysKeepTheStartValues)
{
    Apply("[General]\n");
    EXPECT_EQ(FCalc.Parser().AngleMode(), TAngleMode::amDeg);
    EXPECT_EQ(FCalc.Parser().DecimalSeparators(), TCharSet("."));
    EXPECT_EQ(FCalc.Parser().ListSeparator(), ',');
    EXPECT_EQ(FCalc.Results().DefaultIndex(), 0);
    EXPECT_TRUE(FCalc.Results().Items(0).Visible());
    EXPECT_FALSE(FCalc.Results().Items(1).Visible());
}

TEST_F(ConsoleCalculatorTest, ListSeparatorDefaultFollowsTheHostDecimalSeparator)
{
    RegionalSettings().DecimalSeparator = ',';
    Apply("[General]\nListSeparator=\n");
    EXPECT_EQ(FCalc.Parser().ListSeparator(), ';');
    EXPECT_EQ(FCalc.Parser().DecimalSeparators(), TCharSet(","));
}

TEST_F(ConsoleCalculatorTest, OutOfRangeValuesAreIgnored)
{
    Apply("[General]\nAngleMode=7\nDecimalSeparator=\n[Results]\nDefault=99\n");
    EXPECT_EQ(FCalc.Parser().AngleMode(), TAngleMode::amDeg);
    EXPECT_EQ(FCalc.Parser().DecimalSeparators(), TCharSet("."));
    EXPECT_EQ(FCalc.Results().Default(), nullptr);
    EXPECT_EQ(FCalc.Results().DefaultIndex(), 0);
}

TEST_F(ConsoleCalculatorTest, PorcelainLineOfAValue)
{
    std::string out;
    TEvaluation e = Eval("255");
    ASSERT_TRUE(e.Ok);
    AppendPorcelain(out, FCalc.Results(), e);
    EXPECT_EQ(out, "ok\t255\t255\t2.6E+0002\t255\t255\t$255\tFF\t11111111\t377\tCCLV\t"
                   "255\xC2\xB0"
                   "00'00\"\t255\n");
}

TEST_F(ConsoleCalculatorTest, PorcelainLineOfAnError)
{
    std::string out;
    AppendPorcelain(out, FCalc.Results(), Eval("2+foo"));
    EXPECT_EQ(out, "error\t12\t5\t5: Unknown constant \"foo\"\n");
}

TEST_F(ConsoleCalculatorTest, PorcelainFieldsNeverContainTabsOrLineEnds)
{
    TEvaluation e;
    e.Code = 99;
    e.Pos = 0;
    e.Message = "a\tb\nc\rd";
    std::string out;
    AppendPorcelain(out, FCalc.Results(), e);
    EXPECT_EQ(out, "error\t99\t0\ta b c d\n");
}

TEST_F(ConsoleCalculatorTest, NamedResultsInDisplayOrder)
{
    FCalc.Results().Items(9).SetVisible(true);
    FCalc.Results().Items(9).SetOrder(-1);
    std::string out;
    AppendNamedResults(out, FCalc.Results(), 12.5L, true);
    EXPECT_EQ(out, "Angle: 12\xC2\xB0"
                   "30'00\"\nDecimal: 12.5\nHex: C\nBin: 1100\n");
}

TEST(ConsoleCalculatorValueText, UsesTheCLocaleNumberForm)
{
    EXPECT_EQ(FormatValueC(255), "255");
    EXPECT_EQ(FormatValueC(0.5L), "0.5");
    EXPECT_EQ(FormatValueC(1e20L), "100000000000000000000");
    EXPECT_EQ(FormatValueC(-1.25e-30L), "-1.25e-30");
    EXPECT_EQ(FormatValueC(1.0L / 3), "0.333333333333333333342");
}

TEST(ConsoleCalculatorCaret, StandsUnderTheErrorPosition)
{
    EXPECT_EQ(CaretLine("1/0", 3, 2), "     ^");
    EXPECT_EQ(CaretLine("1+/2", 2, 0), "  ^");
    EXPECT_EQ(CaretLine("\t1/0", 4, 2), "  \t   ^");
    EXPECT_EQ(CaretLine("", 0, 2), "  ^");
    EXPECT_EQ(CaretLine("ab", 5, 0), "     ^");
}

} // namespace
} // namespace calc::cli
