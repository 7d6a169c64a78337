#include "CliOptions.h"

#include <gtest/gtest.h>

namespace calc::cli {
namespace {

TCliParseResult Parse(std::initializer_list<std::string_view> args)
{
    return ParseCommandLine(std::vector<std::string_view>(args));
}

TEST(CliOptionsParse, ReadsEveryOptionInEitherSpelling)
{
    const TCliParseResult r = Parse(
        {"--angle=rad", "--decimal", ".,", "--list=;", "--definitions=/d", "-D", "a=1", "-Db=2",
         "--define=c(x)=x", "--define", "d=4", "--options=/o.ini", "--all", "--porcelain", "1+1"});
    ASSERT_EQ(r.Error, "");
    const TCliOptions& o = r.Options;
    EXPECT_EQ(o.AngleMode, TAngleMode::amRad);
    EXPECT_EQ(o.DecimalSeparators, ".,");
    EXPECT_EQ(o.ListSeparator, ';');
    EXPECT_EQ(o.DefinitionsDir, "/d");
    EXPECT_EQ(o.Definitions, (std::vector<std::string>{"a=1", "b=2", "c(x)=x", "d=4"}));
    EXPECT_EQ(o.OptionsSource, TOptionsSource::osFile);
    EXPECT_EQ(o.OptionsFile, "/o.ini");
    EXPECT_TRUE(o.All);
    EXPECT_TRUE(o.Porcelain);
    EXPECT_EQ(o.Expressions, std::vector<std::string>{"1+1"});
}

TEST(CliOptionsParse, AngleModesByNameOrNumber)
{
    const std::pair<std::string_view, TAngleMode> rows[] = {{"--angle=deg", TAngleMode::amDeg},
                                                            {"--angle=RAD", TAngleMode::amRad},
                                                            {"--angle=grad", TAngleMode::amGrad},
                                                            {"--angle=0", TAngleMode::amDeg},
                                                            {"--angle=2", TAngleMode::amGrad}};
    for (const auto& [arg, mode] : rows) {
        SCOPED_TRACE(arg);
        const TCliParseResult r = Parse({arg});
        EXPECT_EQ(r.Error, "");
        EXPECT_EQ(r.Options.AngleMode, mode);
    }
}

TEST(CliOptionsParse, ExpressionsMayStartWithMinusUnlessALetterFollows)
{
    const TCliParseResult r = Parse({"-5+2", "-(1)", "-", "-$FF", "2", "--", "-pi", "--all"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Options.Expressions,
              (std::vector<std::string>{"-5+2", "-(1)", "-", "-$FF", "2", "-pi", "--all"}));
    EXPECT_FALSE(r.Options.All);
}

TEST(CliOptionsParse, LaterOptionsFileChoiceWins)
{
    EXPECT_EQ(Parse({"--options=a", "--no-options"}).Options.OptionsSource, TOptionsSource::osNone);
    EXPECT_EQ(Parse({"--no-options", "--options=a"}).Options.OptionsSource, TOptionsSource::osFile);
    EXPECT_EQ(Parse({}).Options.OptionsSource, TOptionsSource::osDefault);
}

TEST(CliOptionsParse, SeparatorsAndDefinitionsBecomeLatin1)
{
    const TCliParseResult r = Parse({"--list=\xC2\xA7", "-D", "\xC3\xA4=1"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Options.ListSeparator, '\xA7');
    EXPECT_EQ(r.Options.Definitions, std::vector<std::string>{"\xE4=1"});
}

TEST(CliOptionsParse, RejectsBadOptionsWithAMessage)
{
    const std::vector<std::vector<std::string_view>> rows = {
        {"--frobnicate"},
        {"-pi"},
        {"-x"},
        {"--angle=turns"},
        {"--angle"},
        {"-D"},
        {"--decimal="},
        {"--decimal=1"},
        {"--decimal=a"},
        {"--decimal= "},
        {"--list=ab"},
        {"--list="},
        {"--list=5"},
        {"--list=\xE2\x82\xAC"},
        {"--definitions="},
        {"--options="},
        {"--all=yes"},
        {"--help=1"},
        {"-D", "\xE2\x82\xAC=1"},
    };
    for (const auto& args : rows) {
        SCOPED_TRACE(args[0]);
        EXPECT_NE(ParseCommandLine(args).Error, "");
    }
}

TEST(CliOptionsParse, HelpAndVersion)
{
    EXPECT_TRUE(Parse({"-h"}).Options.Help);
    EXPECT_TRUE(Parse({"--help"}).Options.Help);
    EXPECT_TRUE(Parse({"--version"}).Options.Version);
    EXPECT_NE(UsageText().find("Usage: zembrical-cli [OPTIONS] [EXPRESSION ...]"),
              std::string::npos);
}

} // namespace
} // namespace calc::cli
