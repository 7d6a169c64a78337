#include "definitions/NameKinds.h"
#include "support/TestRegistry.h"

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

} // namespace
} // namespace calc
