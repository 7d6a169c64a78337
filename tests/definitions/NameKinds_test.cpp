#include "definitions/NameKinds.h"
#include "support/TestRegistry.h"

#include <algorithm>
#include <vector>

namespace calc {
namespace {

class NameKindsTest : public test::TRegistryFixture {};

TEST_F(NameKindsTest, ResolvesNamesAsTheRegistryDoes)
{
    // A user constant hides the built-in one; a built-in function hides a user one.
    AddGroup({"k = 2", "pi = 3", "sq(x) = x*x", "sin(x) = 0"});
    const TDefinitionsNames names(ParserDefinitions());
    struct Row {
        std::string_view Name;
        bool Call;
        TTokenKind Kind;
    };
    const std::vector<Row> rows{
        {"K", false, TTokenKind::tkUserConstant},     {"pi", false, TTokenKind::tkUserConstant},
        {"sq", true, TTokenKind::tkUserFunction},     {"SIN", true, TTokenKind::tkBuiltInFunction},
        {"max", true, TTokenKind::tkBuiltInFunction}, {"sq", false, TTokenKind::tkUnknownName},
        {"k", true, TTokenKind::tkUnknownName},       {"nothing", false, TTokenKind::tkUnknownName},
    };
    for (const Row& row : rows)
        EXPECT_EQ(names.ClassifyName(row.Name, row.Call), row.Kind) << row.Name;
    ParserDefinitions().ClearGroups();
    EXPECT_EQ(names.ClassifyName("pi", false), TTokenKind::tkBuiltInConstant);
}

TEST(NameDistance, CountsSingleCharacterChanges)
{
    struct Row {
        std::string_view A;
        std::string_view B;
        std::size_t Distance;
    };
    const std::vector<Row> rows{
        {"sin", "sin", 0},        {"SIN", "sin", 0},
        {"sine", "sin", 1},       {"sn", "sin", 1},
        {"son", "sin", 1},        {"nis", "sin", 2},
        {"", "abc", 3},           {"abc", "", 3},
        {"kitten", "sitting", 3}, {"\xE9t\xE9", "\xC9T\xC9", 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(NameDistance(row.A, row.B), row.Distance) << row.A << " " << row.B;
        EXPECT_EQ(NameDistance(row.B, row.A), row.Distance) << row.B << " " << row.A;
    }
}

TEST_F(NameKindsTest, SuggestsTheNearestNameOfTheSameKind)
{
    AddGroup({"speed = 2", "square(x) = x*x"});
    struct Row {
        std::string_view Name;
        bool Call;
        std::string_view Suggestion;
    };
    const std::vector<Row> rows{
        {"sine", true, "sin"},     {"SQRTT", true, "sqrt"}, {"squar", true, "square"},
        {"spede", false, "speed"}, {"po", false, "Pi"},     {"sine", false, ""},
        {"speed", true, ""},       {"x", false, ""},        {"completely", true, ""},
    };
    for (const Row& row : rows) {
        const std::string suggestion = SuggestName(ParserDefinitions(), row.Name, row.Call);
        EXPECT_TRUE(AnsiSameText(suggestion, row.Suggestion)) << row.Name << " -> " << suggestion;
    }
}

TEST_F(NameKindsTest, CompletesEveryKindOfNameOnce)
{
    AddGroup({"sinus = 2", "SINe(x) = x", "speed = 3"});
    struct Row {
        std::string_view Prefix;
        std::vector<std::string> Names;
    };
    const std::vector<Row> rows{
        {"sinu", {"sinus"}}, {"SINE", {"SINe"}}, {"spe", {"speed"}}, {"pI", {"Pi"}}, {"zzz", {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(CompleteNames(ParserDefinitions(), row.Prefix), row.Names) << row.Prefix;
    // Built-ins and user names together, sorted without regard to case.
    const std::vector<std::string> sin = CompleteNames(ParserDefinitions(), "SIN");
    ASSERT_GE(sin.size(), 4u);
    EXPECT_TRUE(AnsiSameText(sin[0], "sin"));
    EXPECT_TRUE(std::is_sorted(sin.begin(), sin.end(), [](const auto& a, const auto& b) {
        return AnsiUpperCase(a) < AnsiUpperCase(b);
    }));
    EXPECT_NE(std::find(sin.begin(), sin.end(), "sinus"), sin.end());
    EXPECT_NE(std::find(sin.begin(), sin.end(), "SINe"), sin.end());
}

} // namespace
} // namespace calc
