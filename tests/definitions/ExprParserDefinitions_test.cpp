#include "definitions/ExprParserDefinitions.h"
#include "support/TestRegistry.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

namespace calc {
namespace {

class ParserDefinitionsTest : public test::TRegistryFixture {
protected:
    Extended Eval(const char* expr)
    {
        EXPECT_TRUE(FParser.TryEvaluate(expr)) << expr << ": " << FParser.GetErrorMessage();
        return FParser.Value();
    }

    /// The message of the failure that adding a definition raises.
    static std::string AddFailure(TDefinitionsGroup& group, std::string_view text)
    {
        try {
            group.AddDefinitionText(text);
        }
        catch (const std::exception& e) {
            return e.what();
        }
        return "no failure";
    }

    TExpressionParser FParser;
};

// ---------------------------------------------------------------------------------------------
// Splitting and argument lists

TEST(SplitDefinition, Forms)
{
    struct Row {
        const char* text;
        bool function;
        const char* name;
        const char* args;
        const char* body;
    };
    const Row rows[] = {
        {"f(x, y) = x*y", true, "f", "x, y", "x*y"},
        {"  pi2 = 2*pi  ", false, "pi2", "", "2*pi"},
        {"g() = 5", true, "g", "", "5"},
        {"f (x) = x", true, "f ", "x", "x"},
        {"a = b = c", false, "a", "", "b = c"},
        {"h(x(y)) = 1", true, "h", "x(y)", "1"},
        {"c =", false, "c", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string name, args, body;
        EXPECT_EQ(SplitDefinition(row.text, name, args, body), row.function);
        EXPECT_EQ(name, row.name);
        EXPECT_EQ(args, row.args);
        EXPECT_EQ(body, row.body);
    }
}

TEST(SplitDefinition, Failures)
{
    const std::pair<const char*, const char*> rows[] = {
        {"= 5", "Empty definition name"},
        {"5", "Empty definition name"},
        {"", "Empty definition name"},
        {"h(x = x", "Expected end of argument definition: \")\""},
        {"h( = x", "Expected end of argument definition: \")\""},
    };
    for (const auto& [text, message] : rows) {
        SCOPED_TRACE(text);
        std::string name, args, body;
        try {
            SplitDefinition(text, name, args, body);
            ADD_FAILURE() << "accepted";
        }
        catch (const EException& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

TEST(FuncData, ArgumentLists)
{
    struct Row {
        const char* text;
        const char* result; // the arguments text afterwards, or the failure message
        bool ok;
    };
    const Row rows[] = {
        {"x, y", "x, y", true},
        {"x,y", "x, y", true},
        {"", "", true},
        {" ,x,, y ", "Invalid argument identifier: \"y \"", false},
        {"x ,y", "Invalid argument identifier: \"x \"", false},
        {"1x", "Invalid argument identifier: \"1x\"", false},
        {"x, x", "x, x", true},
        {"\xA0x", "x", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        TFuncData data("f", "1");
        data.SetArguments("keep");
        try {
            data.SetArguments(row.text);
            EXPECT_TRUE(row.ok);
            EXPECT_EQ(data.GetArgumentsText(), row.result);
        }
        catch (const EException& e) {
            if (row.ok) {
                ADD_FAILURE() << e.what();
            }
            else {
                EXPECT_STREQ(e.what(), row.result);
            }
            EXPECT_EQ(data.GetArgumentsText(), "keep") << "a failure keeps the previous names";
        }
    }
}

TEST(Names, ValidNameRule)
{
    const std::pair<const char*, bool> rows[] = {
        {"x", true},   {"_x1", true},  {"@a", true},   {"Abc_9", true}, {"", false},
        {"1x", false}, {"a b", false}, {"a-b", false}, {"f ", false},   {"\xE9", false},
    };
    for (const auto& [name, valid] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(IsValidName(name), valid);
        if (valid) {
            EXPECT_NO_THROW(CheckName(name));
        }
        else {
            EXPECT_THROW(CheckName(name), EException);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Lookups

TEST_F(ParserDefinitionsTest, NamesIgnoreLetterCase)
{
    for (const char* expr : {"pi", "PI", "Pi"})
        EXPECT_EQ(Eval(expr), kPi);
    EXPECT_EQ(Eval("SIN(90)"), 1);
}

TEST_F(ParserDefinitionsTest, UserConstantHidesBuiltInButFunctionsDoNot)
{
    AddGroup({"Pi = 3", "sin(x) = 0"});
    EXPECT_EQ(Eval("Pi"), 3);
    EXPECT_EQ(Eval("sin(90)"), 1);
}

TEST_F(ParserDefinitionsTest, EarlierGroupWinsForConstants)
{
    AddGroup({"c = 1", "f(x) = 1"}, "First");
    AddGroup({"c = 2", "f(x) = 2"}, "Second");
    EXPECT_EQ(Eval("c"), 1);
    EXPECT_EQ(Eval("f(0)"), 1);
}

TEST_F(ParserDefinitionsTest, LaterDefinitionInOneGroupWins)
{
    AddGroup({"a = 1", "a = 2"});
    EXPECT_EQ(Eval("a"), 2);
}

TEST_F(ParserDefinitionsTest, ConstantsSeeOnlyEarlierDefinitionsFunctionsSeeAll)
{
    TDefinitionsGroup& group = AddGroup({});
    EXPECT_EQ(AddFailure(group, "b = a + 1"), "2: Unknown constant \"a\"");
    group.AddDefinitionText("f(x) = x + a");
    group.AddDefinitionText("a = 1");
    EXPECT_EQ(group.Count(), 2);
    EXPECT_FALSE(FParser.TryEvaluate("b"));
    EXPECT_EQ(Eval("f(1)"), 2);
}

TEST_F(ParserDefinitionsTest, ConstantAndFunctionOfOneNameCoexist)
{
    AddGroup({"f = 10", "f(x) = x * 2"});
    EXPECT_EQ(Eval("f + f(1)"), 12);
}

TEST_F(ParserDefinitionsTest, RepeatedArgumentNameRefersToTheLater)
{
    AddGroup({"f(x, x) = x", "g() = 5"});
    EXPECT_EQ(Eval("f(1, 2)"), 2);
    EXPECT_EQ(Eval("g()"), 5);
    std::unique_ptr<TCustomFuncEvaluator> evaluator;
    ASSERT_TRUE(ParserDefinitions().FindFunction("g", evaluator));
    EXPECT_EQ(evaluator->ArgCount(), 0);
}

TEST_F(ParserDefinitionsTest, ArgumentsHideConstantsAndIgnoreCase)
{
    AddGroup({"x = 100", "f(x) = x*X", "g(y) = x + y"});
    EXPECT_EQ(Eval("f(21)"), 441);
    EXPECT_EQ(Eval("g(1)"), 101);
}

TEST_F(ParserDefinitionsTest, ConstantValueIsFixedWhenDefined)
{
    AddGroup({"r = 2", "pi2 = 2*pi", "area = pi*r^2"});
    EXPECT_EQ(Eval("pi2"), 2 * kPi);
    AddGroup({"r = 3"}, "Later");
    EXPECT_EQ(Eval("area"), kPi * 4);
}

TEST_F(ParserDefinitionsTest, ConstantsUseDefaultSettingsWhateverTheUserHas)
{
    // The user's parser works in radians with the comma as decimal separator.
    FParser.SetAngleMode(TAngleMode::amRad);
    FParser.SetDecimalSeparators(TCharSet(","));
    FParser.SetListSeparator(';');
    TDefinitionsGroup& group = AddGroup({"k = sin(90)", "s(x) = sin(x)", "m(a, b) = Max(a, b)"});
    EXPECT_EQ(Eval("k"), 1);
    EXPECT_EQ(Eval("s(30)"), std::sin(30.0L)) << "function bodies follow the caller's angle mode";
    EXPECT_EQ(Eval("m(1,5; 2)"), 2) << "bodies keep the default separators";
    EXPECT_EQ(AddFailure(group, "c = 1,5"), "1: End of expression expected");
}

TEST_F(ParserDefinitionsTest, FailureInsideABodyShowsBothPositions)
{
    AddGroup({"g(x) = x + y", "h(x) = 1/x"});
    EXPECT_FALSE(FParser.TryEvaluate("g(1)"));
    EXPECT_EQ(FParser.ErrorCode(), ceMessage);
    EXPECT_EQ(FParser.ErrorPos(), 3);
    EXPECT_EQ(FParser.GetErrorMessage(), "3: 5: Unknown constant \"y\"");
    EXPECT_FALSE(FParser.TryEvaluate("1 + h(0)"));
    EXPECT_EQ(FParser.GetErrorMessage(), "7: 3: Division by zero");
}

TEST_F(ParserDefinitionsTest, DefinitionFailures)
{
    TDefinitionsGroup& group = AddGroup({});
    const std::pair<const char*, const char*> rows[] = {
        {"f (x) = x", "Invalid definition name: \"f \""},
        {"h(x = x", "Expected end of argument definition: \")\""},
        {"= 5", "Empty definition name"},
        {"5", "Empty definition name"},
        {"1a = 5", "Invalid definition name: \"1a\""},
        {"f(1x) = 1", "Invalid argument identifier: \"1x\""},
        {"f(x) = x +", "3: Expecting argument"},
        {"c = 1/0", "3: Division by zero"},
        {"c = ln(0)", "Floating point division by zero"},
        {"c = 0^0", "0^0 cannot be calculated)"},
    };
    for (const auto& [text, message] : rows)
        EXPECT_EQ(AddFailure(group, text), message) << text;
    EXPECT_EQ(group.Count(), 0) << "a failing definition adds nothing";
}

TEST_F(ParserDefinitionsTest, FunctionBodiesAreCheckedNotResolved)
{
    TDefinitionsGroup& group = AddGroup({"g(x) = later(x) + unknownConst", "z() = 5"});
    EXPECT_EQ(group.Count(), 2);
    EXPECT_FALSE(FParser.TryEvaluate("g(1)"));
    EXPECT_EQ(FParser.ErrorCode(), ceMessage);
    EXPECT_EQ(Eval("z()"), 5);
    EXPECT_FALSE(FParser.TryEvaluate("if(0, z(), 1)"));
    EXPECT_EQ(FParser.ErrorCode(), ceExpectingArgument);
}

// ---------------------------------------------------------------------------------------------
// Group operations

TEST_F(ParserDefinitionsTest, GroupAccessors)
{
    TDefinitionsGroup& group = AddGroup({"e = 2.71828", "f(x, y) = x*y", "k = 1/3"});
    EXPECT_EQ(&group.Owner(), &ParserDefinitions());
    ASSERT_EQ(group.Count(), 3);
    EXPECT_EQ(group.GetName(1), "f");
    EXPECT_EQ(group.GetText(1), "x*y");
    EXPECT_EQ(group.GetKind(0), TDefinitionKind::dkConst);
    EXPECT_EQ(group.GetKind(1), TDefinitionKind::dkFunc);
    EXPECT_EQ(group.GetArgumentsText(1), "x, y");
    EXPECT_EQ(group.GetDisplayName(0), "e");
    EXPECT_EQ(group.GetDisplayName(1), "f(x, y)");
    EXPECT_EQ(group.GetValueText(0), "2.71828");
    EXPECT_EQ(group.GetValueText(1), "");
    EXPECT_EQ(group.GetValueText(2), "0.333333333333333");
    RegionalSettings().DecimalSeparator = ',';
    EXPECT_EQ(group.GetValueText(0), "2,71828");
}

TEST_F(ParserDefinitionsTest, ExchangeAndDeleteMoveKeysWithRecords)
{
    TDefinitionsGroup& group = AddGroup({"a = 1", "a = 2", "b = 3"});
    EXPECT_EQ(Eval("a"), 2);
    group.ExchangeDefinitions(0, 1);
    EXPECT_EQ(Eval("a"), 1);
    group.DeleteDefinition(1);
    EXPECT_EQ(Eval("a"), 2);
    EXPECT_EQ(group.Count(), 2);
    group.Clear();
    EXPECT_FALSE(FParser.TryEvaluate("b"));
}

TEST_F(ParserDefinitionsTest, ChangeDefinitionKeepsTheKind)
{
    TDefinitionsGroup& group = AddGroup({"c = 1", "f(x) = x"});
    group.ChangeDefinition(0, "d", "5*2", "ignored");
    EXPECT_EQ(group.GetKind(0), TDefinitionKind::dkConst);
    EXPECT_EQ(Eval("d"), 10);
    EXPECT_FALSE(FParser.TryEvaluate("c"));
    group.ChangeDefinition(1, "g", "x+y", "x, y");
    EXPECT_EQ(Eval("g(1, 2)"), 3);
    EXPECT_FALSE(FParser.TryEvaluate("f(1)"));
}

TEST_F(ParserDefinitionsTest, ChangeDefinitionFailureStates)
{
    TDefinitionsGroup& group = AddGroup({"f(x) = x", "c = 1"});
    // A refused change leaves the definition whole, whichever part was bad: the caller shows
    // the error and keeps the old definition in its file.
    EXPECT_THROW(group.ChangeDefinition(0, "h", "2*x", "1x"), EException);
    EXPECT_EQ(group.GetName(0), "f");
    EXPECT_EQ(group.GetText(0), "x");
    EXPECT_EQ(group.GetArgumentsText(0), "x");
    EXPECT_EQ(Eval("f(4)"), 4);
    EXPECT_FALSE(FParser.TryEvaluate("h(4)"));
    EXPECT_THROW(group.ChangeDefinition(1, "1c", "2", ""), EException);
    EXPECT_THROW(group.ChangeDefinition(1, "c", "1/0", ""), ECalcException);
    EXPECT_EQ(group.GetName(1), "c");
    EXPECT_EQ(Eval("c"), 1);
}

TEST_F(ParserDefinitionsTest, ListFunctionsRoundTheirArgumentsToDoubles)
{
    EXPECT_EQ(Eval("Sum(0.1, 0.2)"), static_cast<Extended>(0.1) + static_cast<Extended>(0.2));
}

TEST_F(ParserDefinitionsTest, EvaluatorArgumentStorage)
{
    std::unique_ptr<TCustomFuncEvaluator> evaluator;
    ASSERT_TRUE(ParserDefinitions().FindFunction("Max", evaluator));
    EXPECT_EQ(evaluator->ArgCount(), -1);
    evaluator->SetArgCount(1);
    evaluator->SetArg(0, 4);
    evaluator->SetArgCount(2);
    evaluator->SetArg(1, 9);
    EXPECT_EQ(evaluator->GetArg(0), 4);
    EXPECT_EQ(evaluator->Evaluate(TAngleMode::amDeg), 9);
    EXPECT_FALSE(ParserDefinitions().FindFunction("nosuch", evaluator));
}

TEST_F(ParserDefinitionsTest, GroupsKeepNamesAndFiles)
{
    TDefinitionsGroup& a = ParserDefinitions().AddGroup("Units > Length");
    a.SetFileName("/tmp/Units/Length.udf");
    ParserDefinitions().AddGroup("Units > Length");
    EXPECT_EQ(ParserDefinitions().GroupCount(), 2);
    EXPECT_EQ(ParserDefinitions().GroupNames(0), "Units > Length");
    EXPECT_EQ(ParserDefinitions().Groups(0).FileName(), "/tmp/Units/Length.udf");
    ParserDefinitions().ClearGroups();
    EXPECT_EQ(ParserDefinitions().GroupCount(), 0);
}

TEST_F(ParserDefinitionsTest, ManyDefinitionsInOneGroup)
{
    TDefinitionsGroup& group = AddGroup({});
    for (int i = 0; i < 10000; ++i)
        group.AddDefinitionText("c" + std::to_string(i) + " = " + std::to_string(i) +
                                (i ? " + c" + std::to_string(i - 1) + " * 0" : ""));
    EXPECT_EQ(group.Count(), 10000);
    EXPECT_EQ(Eval("c9999 + c0"), 9999);
}

} // namespace
} // namespace calc

namespace calc {
namespace {

// Lists made of the names (the expression line's completion) are rebuilt only when this count
// moved, so every kind of change must move it.
TEST_F(ParserDefinitionsTest, EveryChangeOfTheNamesMovesTheChangeCount)
{
    TParserDefinitions& defs = ParserDefinitions();
    TDefinitionsGroup& group = defs.AddGroup("g");
    group.AddDefinitionText("a=1");
    group.AddDefinitionText("f(x)=x");
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"add", [&] { group.AddDefinitionText("b=2"); }},
        {"change", [&] { group.ChangeDefinition(0, "c", "3", ""); }},
        {"exchange", [&] { group.ExchangeDefinitions(0, 1); }},
        {"delete", [&] { group.DeleteDefinition(0); }},
        {"clear", [&] { group.Clear(); }},
        {"add group", [&] { (void)defs.AddGroup("h"); }},
        {"delete group", [&] { defs.DeleteGroup(defs.GroupCount() - 1); }},
        {"clear groups", [&] { defs.ClearGroups(); }},
    };
    for (const auto& [name, change] : changes) {
        const std::uint64_t before = defs.ChangeCount();
        change();
        EXPECT_GT(defs.ChangeCount(), before) << name;
    }
}

} // namespace
} // namespace calc
