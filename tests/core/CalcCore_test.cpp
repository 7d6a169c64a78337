#include "core/CalcCore.h"
#include "core/Paths.h"
#include "definitions/FileEnum.h"
#include "support/TempFolder.h"
#include "support/TestRegistry.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace calc {
namespace {

struct TStatus {
    int Code;
    int Pos;
    std::string Message;
};

/// A manager in a temporary settings folder, with every event recorded.
class CalcManagerTest : public test::TRegistryFixture {
protected:
    void SetUp() override
    {
        TRegistryFixture::SetUp();
        SetSettingsDirOverride(FFolder.File("settings"));
    }
    void TearDown() override
    {
        FManager.reset();
        SetSettingsDirOverride({});
        TRegistryFixture::TearDown();
    }

    TCalcManager& Create()
    {
        TCalcManagerSetup setup;
        setup.LoadDefinitions = false;
        FManager = std::make_unique<TCalcManager>(setup);
        Listen();
        return *FManager;
    }

    void Listen()
    {
        TCalcManager& m = *FManager;
        m.OnStatus = [this](TCalcManager&, int code, int pos, const std::string& message) {
            FStatus.push_back({code, pos, message});
        };
        m.OnInsertText = [this](TCalcManager&, const std::string& text, bool replace,
                                bool literal) {
            FInserted.push_back(text + (replace ? " (replace)" : "") +
                                (literal ? " (literal)" : ""));
        };
        m.SetOnShowError(
            [this](TCalcManager&, const std::string& message) { FErrors.push_back(message); });
        m.NotifyWindow = [this](int message) { FNotified.push_back(message); };
    }

    std::string OptionsFile() const { return SettingsDir() + "Options.ini"; }
    std::string HistoryFile() const { return SettingsDir() + "History.txt"; }

    test::TTempFolder FFolder;
    std::unique_ptr<TCalcManager> FManager;
    std::vector<TStatus> FStatus;
    std::vector<std::string> FInserted;
    std::vector<std::string> FErrors;
    std::vector<int> FNotified;
};

// ---------------------------------------------------------------------------------------------
// Creation

TEST_F(CalcManagerTest, CreationDefaults)
{
    TCalcManager& m = Create();
    EXPECT_EQ(m.Results().Count(), 11);
    EXPECT_TRUE(m.AutoEvaluate());
    EXPECT_FALSE(m.Modified());
    EXPECT_FALSE(m.History().LoadHistory()) << "history saving stays off until the user asks";
    EXPECT_EQ(m.AngleMode(), TAngleMode::amDeg);
    EXPECT_EQ(m.DecimalSeparators(), TCharSet("."));
    EXPECT_EQ(m.ListSeparator(), ',');
    EXPECT_EQ(m.OptionsFileName(), OptionsFile());
    EXPECT_TRUE(m.Results().Items(0).IsDefault()) << "the decimal format is the first default";
}

TEST_F(CalcManagerTest, FirstStartWritesNothing)
{
    Create();
    FManager.reset();
    EXPECT_FALSE(std::filesystem::exists(OptionsFile()));
    EXPECT_FALSE(std::filesystem::exists(HistoryFile()));
}

TEST_F(CalcManagerTest, OptionsWrittenAtExitWhenChanged)
{
    Create().SetAngleMode(TAngleMode::amRad);
    FManager.reset();
    ASSERT_TRUE(std::filesystem::exists(OptionsFile()));
    Create();
    EXPECT_EQ(FManager->AngleMode(), TAngleMode::amRad);
    EXPECT_FALSE(FManager->Modified());
}

TEST_F(CalcManagerTest, OptionsWithCreationDefaults)
{
    TCalcManager& m = Create();
    std::string expected = "[General]\r\nExpressionFont=" + FontToText(m.Font()) +
                           "\r\nAutoEvaluate=1\r\nAngleMode=0\r\nDecimalSeparator=.\r\n"
                           "ListSeparator=,\r\nGradientTheme=0\r\n\r\n[History]\r\nLoadHistory=0"
                           "\r\n\r\n[Results]\r\n0=0,0,1,0\r\n";
    for (int i = 1; i <= 10; ++i) {
        const bool visible = i == 5 || i == 6;
        expected +=
            std::to_string(i) + "=0,0," + (visible ? "1," : "0,") + std::to_string(i) + "\r\n";
    }
    expected += "Default=0\r\nRightAlign=0\r\n\r\n";
    EXPECT_EQ(m.SaveOptionsToText(), expected);
    std::ostringstream stream;
    m.SaveOptionsToStream(stream);
    EXPECT_EQ(stream.str(), expected);
}

// ---------------------------------------------------------------------------------------------
// Evaluation

TEST_F(CalcManagerTest, SameTextTwiceDoesNotEvaluate)
{
    TCalcManager& m = Create();
    m.SetExpression("2+3");
    ASSERT_EQ(FStatus.size(), 1u);
    EXPECT_EQ(FStatus[0].Code, 0);
    EXPECT_EQ(FStatus[0].Message, "No error");
    EXPECT_EQ(m.Results().Value(), 5);
    m.SetExpression("2+3");
    EXPECT_EQ(FStatus.size(), 1u);
    EXPECT_FALSE(m.ExpressionPending());
}

TEST_F(CalcManagerTest, FailureKeepsThePreviousValue)
{
    TCalcManager& m = Create();
    m.SetExpression("7");
    m.SetExpression("7+");
    ASSERT_EQ(FStatus.size(), 2u);
    EXPECT_EQ(FStatus[1].Code, ceExpectingArgument);
    EXPECT_EQ(FStatus[1].Pos, 2);
    EXPECT_EQ(FStatus[1].Message, "2: Expecting argument");
    EXPECT_EQ(m.Results().Value(), 7);
    EXPECT_TRUE(m.ExpressionPending());
}

TEST_F(CalcManagerTest, WithoutAutoEvaluateResultsWaitForEnter)
{
    TCalcManager& m = Create();
    m.SetAutoEvaluate(false);
    m.SetExpression("6*7");
    EXPECT_TRUE(FStatus.empty());
    EXPECT_EQ(m.Results().Value(), 0);
    EXPECT_TRUE(m.ExpressionPending());

    m.Evaluate(false); // first Enter: evaluates and records
    EXPECT_EQ(m.Results().Value(), 42);
    EXPECT_EQ(m.History().Count(), 1);
    EXPECT_TRUE(FInserted.empty());
    EXPECT_FALSE(m.ExpressionPending());

    m.Evaluate(false); // second Enter: records again and replaces
    EXPECT_EQ(m.History().Count(), 1) << "the same expression is kept once";
    ASSERT_EQ(FInserted.size(), 1u);
    EXPECT_EQ(FInserted[0], "42| (replace)");
}

TEST_F(CalcManagerTest, EnterWithAutoEvaluateRecordsAndReplaces)
{
    TCalcManager& m = Create();
    m.Results().SetDefaultIndex(5);
    m.SetExpression("1/4");
    m.Evaluate(false);
    ASSERT_EQ(m.History().Count(), 1);
    EXPECT_EQ(m.History().Expressions(0), "1/4");
    EXPECT_EQ(m.History().ResultIndexes(0), 5);
    EXPECT_EQ(m.History().Values(0), 0.25);
    ASSERT_EQ(FInserted.size(), 1u);
    EXPECT_EQ(FInserted[0], "0.25| (replace)") << "always the decimal text, whatever the default";
}

/// The calculator's separators and the desktop's regional settings under which Enter runs.
struct TReplaceSetting {
    const char* name;
    const char* decimals;
    char list;
    char regionalDecimal;
    char regionalThousand;
    bool grouped; ///< the decimal format's "Thousand separators"
};

const TReplaceSetting kReplaceSettings[] = {
    {"PointEverywhere", ".", ',', '.', ',', false},
    {"CommaDesktopPointCalculator", ".", ',', ',', '.', false},
    {"CommaDesktopPointCalculatorGrouped", ".", ',', ',', '.', true},
    {"CommaCalculatorPointDesktop", ",", ';', '.', ',', true},
    {"BothCalculatorCommaDesktop", ".,", ';', ',', ' ', true},
    {"NoDecimalSeparator", "", ',', '.', ',', false},
};

/// Expressions without separators, so that they read alike under every setting.
const char* const kReplaceExpressions[] = {
    "5/2",     "1/3",       "-2/3",      "2^70",
    "1E300/7", "-1E-15/3",  "123456789", "-9223372036854775807-1",
    "1E19",    "7E15+1/2",  "1/1024",    "-1E-5/3",
    "1E4932",  "10/4*1E-3",
};

bool SameBits(Extended a, Extended b)
{
    return std::memcmp(&a, &b, 10) == 0;
}

TEST_F(CalcManagerTest, EnterReplacesTheExpressionWithTextOfTheSameValue)
{
    for (const TReplaceSetting& setting : kReplaceSettings) {
        RegionalSettings().DecimalSeparator = setting.regionalDecimal;
        RegionalSettings().ThousandSeparator = setting.regionalThousand;
        TCalcManager& m = Create();
        m.SetDecimalSeparators(TCharSet(setting.decimals));
        m.SetListSeparator(setting.list);
        m.Results().Items(0).SetChecked(setting.grouped);
        for (const char* expression : kReplaceExpressions) {
            SCOPED_TRACE(std::string(setting.name) + ": " + expression);
            FInserted.clear();
            m.SetExpression(expression);
            m.Evaluate(false);
            const Extended value = m.Results().Value();
            ASSERT_EQ(FInserted.size(), 1u);
            const std::string& inserted = FInserted[0];
            ASSERT_TRUE(inserted.ends_with("| (replace)")) << inserted;
            const std::string text = inserted.substr(0, inserted.size() - 11);
            m.SetExpression(text);
            EXPECT_EQ(FStatus.back().Code, ceNone) << text << ": " << FStatus.back().Message;
            EXPECT_TRUE(SameBits(m.Results().Value(), value)) << text;
        }
    }
}

TEST_F(CalcManagerTest, RefreshNeverRecords)
{
    TCalcManager& m = Create();
    m.SetExpression("2^8");
    m.Evaluate(true);
    EXPECT_EQ(m.History().Count(), 0);
    EXPECT_TRUE(FInserted.empty());
    EXPECT_EQ(FStatus.size(), 2u);
}

TEST_F(CalcManagerTest, EnterOnAFailingExpression)
{
    TCalcManager& m = Create();
    m.SetExpression("1/0");
    m.Evaluate(false);
    EXPECT_EQ(m.History().Count(), 0);
    EXPECT_TRUE(FInserted.empty());
    EXPECT_EQ(m.Expression(), "1/0");
    ASSERT_FALSE(FStatus.empty());
    EXPECT_EQ(FStatus.back().Code, ceDivisionByZero);
}

TEST_F(CalcManagerTest, AngleModeChangeReevaluates)
{
    TCalcManager& m = Create();
    int notified = 0;
    m.SetOnAngleModeChange([&](TCalcManager&) { ++notified; });
    EXPECT_EQ(notified, 1) << "a new listener hears the current mode at once";
    m.SetExpression("sin(90)");
    EXPECT_EQ(m.Results().Value(), 1);
    m.SetAngleMode(TAngleMode::amRad);
    EXPECT_EQ(notified, 2);
    EXPECT_EQ(m.Results().Value(), std::sin(90.0L));
    EXPECT_TRUE(m.Modified());
    EXPECT_EQ(m.AngleModeName(), "Rad");

    m.SetExpression("sin(");
    const std::size_t before = FStatus.size();
    m.SetAngleMode(TAngleMode::amGrad);
    ASSERT_EQ(FStatus.size(), before + 1);
    EXPECT_EQ(FStatus.back().Code, ceExpectingArgument) << "an invalid one reports again";
}

TEST_F(CalcManagerTest, AngleModeNames)
{
    const std::pair<int, const char*> rows[] = {
        {0, "Deg"}, {1, "Rad"}, {2, "Grad"}, {3, ""}, {-1, ""}};
    for (const auto& [mode, name] : rows)
        EXPECT_EQ(TCalcManager::AngleModeName(mode), name);
}

TEST_F(CalcManagerTest, SeparatorsDoNotReevaluate)
{
    TCalcManager& m = Create();
    m.SetExpression("1.5");
    const std::size_t before = FStatus.size();
    m.SetDecimalSeparators(TCharSet(","));
    m.SetListSeparator(';');
    EXPECT_EQ(FStatus.size(), before);
    EXPECT_TRUE(m.Modified());
    EXPECT_FALSE(m.Recalculate()) << "1.5 no longer reads with the comma";
}

TEST_F(CalcManagerTest, CriticalFailureIsReportedAndTheProgramGoesOn)
{
    ParserDefinitions().AddGroup("T").AddDefinitionText("f(n) = f(n)");
    TCalcManager& m = Create();
    // Commanded, so that a slow machine cannot reach the typing budget before the stack's end.
    m.SetAutoEvaluate(false);
    m.SetExpression("f(1)");
    m.Evaluate(true);
    ASSERT_EQ(FStatus.size(), 1u);
    EXPECT_EQ(FStatus[0].Code, ceCritical);
    EXPECT_EQ(FStatus[0].Message.rfind("Critical error occured.", 0), 0u);
    EXPECT_NE(
        FStatus[0].Message.find("too deep recursive function calling.\r\r3:  \"Stack overflow\""),
        std::string::npos)
        << FStatus[0].Message;
    m.SetAutoEvaluate(true);
    m.SetExpression("2+2");
    EXPECT_EQ(m.Results().Value(), 4);
}

/// Two calls per level: f(40) makes 2^41 calls and would run for hours.
constexpr std::string_view kSlowFunction = "f(n) = if(n <= 0, 1, f(n-1) + f(n-1))";
constexpr auto kPromptly = std::chrono::seconds(5);

TEST_F(CalcManagerTest, EvaluationOnTypingGivesUpAfterItsBudget)
{
    ParserDefinitions().AddGroup("T").AddDefinitionText(kSlowFunction);
    TCalcManager& m = Create();
    m.SetExpression("2");
    const auto start = std::chrono::steady_clock::now();
    m.SetExpression("f(40)");
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(FStatus.size(), 2u);
    EXPECT_EQ(FStatus[1].Code, ceInterrupted);
    EXPECT_EQ(FStatus[1].Pos, 4);
    EXPECT_EQ(FStatus[1].Message, "4: Calculation interrupted");
    EXPECT_GE(took, kTypingBudget);
    EXPECT_LT(took, kPromptly);
    EXPECT_EQ(m.Results().Value(), 2);
    EXPECT_TRUE(m.ExpressionPending());
}

TEST_F(CalcManagerTest, CommandedEvaluationIsPolledUntilCancelled)
{
    ParserDefinitions().AddGroup("T").AddDefinitionText(kSlowFunction);
    TCalcManager& m = Create();
    m.SetAutoEvaluate(false);
    m.SetExpression("f(40)");
    int polls = 0;
    m.OnEvaluationPoll = [&polls](TCalcManager& sender) {
        EXPECT_TRUE(sender.Evaluating());
        // What a window event could attempt meanwhile is refused.
        EXPECT_FALSE(sender.Recalculate());
        if (++polls == 3)
            sender.CancelEvaluation(); // Esc
    };
    const auto start = std::chrono::steady_clock::now();
    m.Evaluate(false);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(polls, 3);
    EXPECT_GE(took, 3 * kEvaluationPollInterval);
    EXPECT_LT(took, kPromptly);
    EXPECT_FALSE(m.Evaluating());
    ASSERT_EQ(FStatus.size(), 1u);
    EXPECT_EQ(FStatus[0].Code, ceInterrupted);
    EXPECT_EQ(m.History().Count(), 0);
    EXPECT_TRUE(FInserted.empty());
}

TEST_F(CalcManagerTest, CommandedEvaluationHasNoTimeLimitButStopsOnCancel)
{
    ParserDefinitions().AddGroup("T").AddDefinitionText(kSlowFunction);
    TCalcManager& m = Create();
    m.SetAutoEvaluate(false);
    m.SetExpression("f(40)");
    const auto cancelAfter = kTypingBudget + std::chrono::milliseconds(500);
    std::thread canceller([&m, cancelAfter] {
        std::this_thread::sleep_for(cancelAfter);
        m.CancelEvaluation();
    });
    const auto start = std::chrono::steady_clock::now();
    m.Evaluate(false);
    const auto took = std::chrono::steady_clock::now() - start;
    canceller.join();
    EXPECT_GE(took, cancelAfter);
    ASSERT_EQ(FStatus.size(), 1u);
    EXPECT_EQ(FStatus[0].Code, ceInterrupted);
    // A cancellation is answered once: the next evaluation runs normally.
    m.SetExpression("6*7");
    m.Evaluate(false);
    EXPECT_EQ(m.Results().Value(), 42);
}

TEST_F(CalcManagerTest, InsertTextAndGotoError)
{
    TCalcManager& m = Create();
    m.InsertText("", false);
    EXPECT_TRUE(FInserted.empty()) << "empty text is not passed on";
    m.InsertText("sin(|)", false);
    m.InsertLiteralText("", true);
    m.InsertLiteralText("5|3", true);
    EXPECT_EQ(FInserted, (std::vector<std::string>{"sin(|)", "5|3 (replace) (literal)"}));
    int pos = -1;
    m.OnGotoError = [&](TCalcManager&, int p) { pos = p; };
    m.GotoError(7);
    EXPECT_EQ(pos, 7);
    m.OnInsertText = nullptr;
    m.InsertText("x", true); // no listener: nothing happens
}

TEST_F(CalcManagerTest, ResultsChangesAreForwardedAndMarkModified)
{
    TCalcManager& m = Create();
    std::vector<TResultChange> kinds;
    m.OnResultsChange = [&](TCalcManager&, TResultChange kind) { kinds.push_back(kind); };
    m.Results().Items(7).SetVisible(true);
    m.SetExpression("3");
    EXPECT_EQ(kinds, (std::vector<TResultChange>{TResultChange::rcList, TResultChange::rcValue}));
    EXPECT_TRUE(m.Modified());
}

TEST_F(CalcManagerTest, SettingsChangesNotifyTheWindow)
{
    TCalcManager& m = Create();
    m.SetGradientTheme(true);
    m.SetGradientTheme(true);
    TFontData font = m.Font();
    font.Size = 14;
    m.SetFont(font);
    m.SetFont(font);
    EXPECT_EQ(FNotified, (std::vector<int>{WM_SETTINGSCHANGED, WM_SETTINGSCHANGED}));
    EXPECT_EQ(WM_SETTINGSCHANGED, 1801);
}

TEST_F(CalcManagerTest, AutoEvaluateSwitchedOnEvaluates)
{
    TCalcManager& m = Create();
    m.SetAutoEvaluate(false);
    m.SetExpression("5*5");
    EXPECT_TRUE(FStatus.empty());
    m.SetAutoEvaluate(true);
    EXPECT_EQ(m.Results().Value(), 25);
}

// ---------------------------------------------------------------------------------------------
// Options

TEST_F(CalcManagerTest, OptionValuesAsRead)
{
    struct Row {
        const char* text;
        bool autoEvaluate;
        char listSeparator;
        const char* decimals;
    };
    const Row rows[] = {
        {"[general]\nautoevaluate=0\n", false, ',', "."},
        {"[General]\nAutoEvaluate=yes\n", true, ',', "."},
        {"[General]\nAutoEvaluate=0x0\n", false, ',', "."},
        {"[General]\nListSeparator=\n", true, ',', "."},
        {"[General]\nListSeparator=;x\n", true, ';', "."},
        {"[General]\nDecimalSeparator=.,\n", true, ',', ".,"},
        {"; comment\nAutoEvaluate=0\n[General]\n", true, ',', "."},
        {"[General]\nDecimalSeparator=1a .\nListSeparator=x\n", true, ',', "."},
        {"[General]\nDecimalSeparator=\nListSeparator= \n", true, ',', "."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        TCalcManager& m = Create();
        m.LoadOptionsFromText(row.text);
        EXPECT_EQ(m.AutoEvaluate(), row.autoEvaluate);
        EXPECT_EQ(m.ListSeparator(), row.listSeparator);
        EXPECT_EQ(m.DecimalSeparators(), TCharSet(row.decimals));
        EXPECT_FALSE(m.Modified());
    }
}

TEST_F(CalcManagerTest, DecimalSeparatorSetIsWrittenInCodeOrder)
{
    TCalcManager& m = Create();
    m.LoadOptionsFromText("[General]\nDecimalSeparator=.,\n");
    EXPECT_NE(m.SaveOptionsToText().find("DecimalSeparator=,.\r\n"), std::string::npos);
}

TEST_F(CalcManagerTest, ListSeparatorDefaultFollowsTheSystemDecimalSeparator)
{
    RegionalSettings().DecimalSeparator = ',';
    TCalcManager& m = Create();
    m.LoadOptionsFromText("[General]\nListSeparator=\n");
    EXPECT_EQ(m.ListSeparator(), ';');
    m.LoadOptionsFromText("[General]\n");
    EXPECT_EQ(m.DecimalSeparators(), TCharSet(","));
}

TEST_F(CalcManagerTest, ResultsSection)
{
    TCalcManager& m = Create();
    m.LoadOptionsFromText("[Results]\n1=2,1,1,3\nDefault=99\nRightAlign=1\n");
    const TResultProvider& exponent = m.Results().Items(1);
    EXPECT_TRUE(exponent.Visible());
    EXPECT_EQ(exponent.Digits(), 2);
    EXPECT_EQ(exponent.Order(), 3);
    EXPECT_TRUE(m.Results().RightAlign());
    EXPECT_EQ(m.Results().DefaultIndex(), 0);
    EXPECT_FALSE(m.Results().Items(0).IsDefault()) << "an index out of range leaves no default";
    EXPECT_NE(m.SaveOptionsToText().find("Default=0\r\n"), std::string::npos);
}

TEST_F(CalcManagerTest, EditorAidsSection)
{
    struct Row {
        const char* Text;
        TEditorAids Aids;
        const char* Saved; // the section as written back; empty for none
    };
    const std::vector<Row> rows{
        {"", {true, true, true, true, true}, ""},
        {"[Editor]\nHighlighting=0\n",
         {false, true, true, true, true},
         "[Editor]\r\nHighlighting=0\r\n\r\n"},
        {"[Editor]\nErrorMarks=0\nSuggestions=0\n",
         {true, false, false, true, true},
         "[Editor]\r\nErrorMarks=0\r\nSuggestions=0\r\n\r\n"},
        // A bad value costs only its own key.
        {"[Editor]\nHighlighting=yes\nSuggestions=0\n",
         {true, true, false, true, true},
         "[Editor]\r\nSuggestions=0\r\n\r\n"},
        {"[Editor]\nHighlighting=1\nErrorMarks=1\n", {true, true, true, true, true}, ""},
        {"[Editor]\nCompletion=0\nSignatureHints=0\n",
         {true, true, true, false, false},
         "[Editor]\r\nCompletion=0\r\nSignatureHints=0\r\n\r\n"},
    };
    for (const Row& row : rows) {
        TCalcManager& m = Create();
        try {
            m.LoadOptionsFromText(row.Text);
        }
        catch (const EException&) {
        }
        EXPECT_EQ(m.EditorAids(), row.Aids) << row.Text;
        const std::string saved = m.SaveOptionsToText();
        const auto at = saved.find("[Editor]");
        EXPECT_EQ(at == std::string::npos ? std::string() : saved.substr(at), row.Saved)
            << row.Text;
    }
}

TEST_F(CalcManagerTest, LoadingReportsOneListChangeAndOneSettingsChange)
{
    TCalcManager& m = Create();
    std::vector<TResultChange> kinds;
    m.OnResultsChange = [&](TCalcManager&, TResultChange kind) { kinds.push_back(kind); };
    m.LoadOptionsFromText("[General]\nExpressionFont=Courier New,10,BI,2,clWindowText,0\n"
                          "GradientTheme=0\n"
                          "[Results]\n0=3,1,1,0\n7=0,0,1,1\nDefault=7\n");
    EXPECT_EQ(kinds, std::vector<TResultChange>{TResultChange::rcList});
    EXPECT_EQ(FNotified, std::vector<int>{WM_SETTINGSCHANGED});
    EXPECT_EQ(m.Font().Name, "Courier New");
    EXPECT_TRUE(m.Font().Style.Contains(TFontStyle::fsBold));
    EXPECT_TRUE(m.Font().Style.Contains(TFontStyle::fsItalic));
    EXPECT_EQ(m.Font().Pitch, TFontPitch::fpFixed);
    EXPECT_EQ(m.Results().DefaultIndex(), 7);
    EXPECT_FALSE(m.Modified());
}

TEST_F(CalcManagerTest, SnapshotRestoresEveryOption)
{
    TCalcManager& m = Create();
    const std::string snapshot = m.SaveOptionsToText();
    m.SetAngleMode(TAngleMode::amGrad);
    m.SetAutoEvaluate(false);
    m.SetDecimalSeparators(TCharSet(".,"));
    m.SetListSeparator(';');
    m.SetGradientTheme(true);
    TFontData font = m.Font();
    font.Name = "Other";
    m.SetFont(font);
    m.History().SetLoadHistory(true);
    m.Results().Items(3).SetVisible(true);
    m.Results().SetDefaultIndex(3);
    m.Results().SetRightAlign(true);
    ASSERT_NE(m.SaveOptionsToText(), snapshot);

    std::istringstream in(snapshot);
    m.LoadOptionsFromStream(in);
    EXPECT_EQ(m.SaveOptionsToText(), snapshot);
    EXPECT_FALSE(m.History().LoadHistory());
}

struct BadKeyCase {
    const char* name;
    const char* font;       ///< the ExpressionFont line
    bool unreadableHistory; ///< a folder stands in the history file's place
    std::size_t failures;
};

const BadKeyCase kBadKeyRows[] = {
    {"BadColor", "ExpressionFont=Courier New,14,B,2,clNoSuchColor,2", false, 1},
    {"UnreadableHistory", "ExpressionFont=Courier New,14,B,2,clWindowText,2", true, 1},
    {"Both", "ExpressionFont=Courier New,14,B,2,clNoSuchColor,2", true, 2},
};

TEST_F(CalcManagerTest, OneBadKeyCostsNoOtherSetting)
{
    for (const BadKeyCase& row : kBadKeyRows) {
        SCOPED_TRACE(row.name);
        FManager.reset();
        FErrors.clear();
        std::filesystem::remove_all(SettingsDir());
        std::filesystem::create_directories(SettingsDir());
        if (row.unreadableHistory)
            std::filesystem::create_directories(HistoryFile());
        const std::string original = "[General]\r\n" + std::string(row.font) +
                                     "\r\nAngleMode=1\r\n[History]\r\nLoadHistory=1\r\n"
                                     "[Results]\r\n8=0,0,1,0\r\nDefault=3\r\nRightAlign=1\r\n";
        test::WriteAll(OptionsFile(), original);
        TCalcManagerSetup setup;
        setup.LoadDefinitions = false;
        FManager = std::make_unique<TCalcManager>(setup);
        Listen(); // the error box waited for a listener
        TCalcManager& m = *FManager;
        EXPECT_EQ(m.AngleMode(), TAngleMode::amRad);
        EXPECT_EQ(m.Font().Size, 14);
        EXPECT_EQ(m.Font().Charset, 2) << "the field after a bad color is read all the same";
        EXPECT_TRUE(m.Results().Items(8).Visible());
        EXPECT_EQ(m.Results().DefaultIndex(), 3);
        EXPECT_TRUE(m.Results().RightAlign());
        EXPECT_TRUE(m.History().LoadHistory());
        ASSERT_EQ(FErrors.size(), 1u) << "one box for every failure";
        EXPECT_EQ(FErrors[0].rfind("Error loading options:\r\r\"", 0), 0u) << FErrors[0];
        std::size_t quoted = 0;
        for (std::size_t at = 0; (at = FErrors[0].find("\r\"", at)) != std::string::npos; ++at)
            ++quoted;
        EXPECT_EQ(quoted, row.failures) << FErrors[0];
        EXPECT_EQ(test::ReadAll(OptionsFile() + ".bak"), original);
        const std::string rewritten = test::ReadAll(OptionsFile());
        for (const char* kept :
             {"AngleMode=1", "LoadHistory=1", "Default=3", "RightAlign=1", "Courier New,14,B,2,"})
            EXPECT_NE(rewritten.find(kept), std::string::npos) << kept << " in\n" << rewritten;
        // The history that could not be read is not written over either.
        m.History().Add("1+1", 0, 2);
        EXPECT_NO_THROW(m.History().SaveHistory());
        EXPECT_EQ(std::filesystem::is_directory(HistoryFile()), row.unreadableHistory);
    }
}

struct UnreadableCase {
    const char* name;
    void (*make)(const std::string& fileName);
    const char* failure; ///< what failed, then the reason
};

const UnreadableCase kUnreadableRows[] = {
    {"FolderInItsPlace",
     [](const std::string& name) {
         std::filesystem::create_directories(name);
         test::WriteAll(name + "/inside", "kept");
     },
     "read file \"%s\". Is a directory"},
    {"OverTheSizeLimit",
     [](const std::string& name) {
         test::WriteAll(name, "[General]\r\nAngleMode=1\r\n" + std::string(2 << 20, ';'));
     },
     "read file \"%s\". The file is larger than 1 MB"},
};

const UnreadableCase kNoPermissionRow = {"NoPermission",
                                         [](const std::string& name) {
                                             test::WriteAll(name, "[General]\r\nAngleMode=1\r\n");
                                             std::filesystem::permissions(
                                                 name, std::filesystem::perms::none);
                                         },
                                         "open file \"%s\". Permission denied"};

class UnreadableOptionsFile : public CalcManagerTest {
protected:
    /// The file is reported once, with its reason, and neither a save nor the exit writes it.
    void Check(const UnreadableCase& row)
    {
        SCOPED_TRACE(row.name);
        FManager.reset();
        FErrors.clear();
        std::filesystem::remove_all(SettingsDir());
        std::filesystem::create_directories(SettingsDir());
        row.make(OptionsFile());
        const bool folder = std::filesystem::is_directory(OptionsFile());
        const std::uintmax_t size = folder ? 0 : std::filesystem::file_size(OptionsFile());
        TCalcManagerSetup setup;
        setup.LoadDefinitions = false;
        FManager = std::make_unique<TCalcManager>(setup);
        Listen();
        ASSERT_EQ(FErrors.size(), 1u);
        EXPECT_EQ(FErrors[0], "Error loading options:\r\r\"Cannot " +
                                  Format(row.failure, OptionsFile().c_str()) + "\"");
        FManager->SetAngleMode(TAngleMode::amGrad);
        EXPECT_THROW(FManager->SaveOptions(), EException);
        FManager.reset(); // the exit save is refused too
        if (folder)
            EXPECT_EQ(test::ReadAll(OptionsFile() + "/inside"), "kept");
        else
            EXPECT_EQ(std::filesystem::file_size(OptionsFile()), size);
        EXPECT_FALSE(std::filesystem::exists(OptionsFile() + ".bak"));
    }
};

TEST_F(UnreadableOptionsFile, IsReportedAndNeverOverwritten)
{
    for (const UnreadableCase& row : kUnreadableRows)
        Check(row);
}

TEST_F(UnreadableOptionsFile, WithoutReadPermissionIsReportedAndNeverOverwritten)
{
    if (!test::PermissionsApply())
        GTEST_SKIP() << "running as the superuser: permission bits do not stop reading";
    Check(kNoPermissionRow);
}

TEST_F(CalcManagerTest, OptionsFileWithAByteOrderMarkReadsItsFirstSection)
{
    std::filesystem::create_directories(SettingsDir());
    test::WriteAll(OptionsFile(), "\xEF\xBB\xBF[General]\r\nAngleMode=2\r\n");
    TCalcManager& m = Create();
    EXPECT_EQ(m.AngleMode(), TAngleMode::amGrad);
    EXPECT_TRUE(FErrors.empty());
}

TEST_F(CalcManagerTest, SaveWithoutFileNameFails)
{
    TCalcManager& m = Create();
    m.LoadOptions("");
    try {
        m.SaveOptions();
        ADD_FAILURE() << "saved";
    }
    catch (const EException& e) {
        EXPECT_STREQ(e.what(), "Couldn't save options: filename is empty");
    }
}

TEST_F(CalcManagerTest, HistorySavedWhenSwitchedOn)
{
    TCalcManager& m = Create();
    m.History().SetLoadHistory(true);
    m.SetExpression("2+3");
    m.Evaluate(false);
    FManager.reset();
    EXPECT_EQ(test::ReadAll(HistoryFile()), "2+3\t0\t 5.00000000000000E+0000\r\n");
    Create();
    EXPECT_TRUE(FManager->History().LoadHistory());
    ASSERT_EQ(FManager->History().Count(), 1);
    EXPECT_EQ(FManager->History().Expressions(0), "2+3");
}

TEST_F(CalcManagerTest, ExitSavesMadeBeforehandAreNotRepeated)
{
    TCalcManager& m = Create();
    m.History().SetLoadHistory(true);
    m.SetAngleMode(TAngleMode::amRad);
    m.SetExpression("2+3");
    m.Evaluate(false);
    m.SaveChangedOptions();
    m.SaveHistory();
    EXPECT_FALSE(m.Modified());
    EXPECT_NE(test::ReadAll(OptionsFile()).find("AngleMode=1"), std::string::npos);
    EXPECT_EQ(test::ReadAll(HistoryFile()).rfind("2+3\t", 0), 0u);
    m.SkipExitSaves();
    std::filesystem::remove(OptionsFile());
    std::filesystem::remove(HistoryFile());
    FManager.reset();
    EXPECT_FALSE(std::filesystem::exists(OptionsFile()));
    EXPECT_FALSE(std::filesystem::exists(HistoryFile()));
}

TEST_F(CalcManagerTest, AFailedExitSaveStaysDue)
{
    TCalcManager& m = Create();
    m.SetAngleMode(TAngleMode::amGrad);
    std::filesystem::create_directories(OptionsFile()); // no save replaces a folder
    EXPECT_THROW(m.SaveChangedOptions(), EException);
    EXPECT_TRUE(m.Modified());
    std::filesystem::remove(OptionsFile());
    FManager.reset(); // not given up: the destructor writes them
    EXPECT_NE(test::ReadAll(OptionsFile()).find("AngleMode=2"), std::string::npos);
}

TEST_F(CalcManagerTest, DefinitionFilesLoadAtCreation)
{
    const std::string folder = FFolder.File("Definitions");
    std::filesystem::create_directories(folder);
    test::WriteAll(folder + "/Default.udf", "rate = 7\r\nbad line\r\ndouble(x) = 2*x\r\n");
    SetDefinitionsDir(folder);
    FManager = std::make_unique<TCalcManager>();
    SetDefinitionsDir({});
    Listen();
    FManager->SetExpression("double(rate)");
    EXPECT_EQ(FManager->Results().Value(), 14);
    ASSERT_EQ(ParserDefinitions().GroupCount(), 1);
    EXPECT_EQ(ParserDefinitions().GroupNames(0), "Default");
}

} // namespace
} // namespace calc
