#include "definitions/BuiltInHelp.h"
#include "engine/ExprParserFunc.h"
#include "engine/ExprParserTypes.h"

#include <gtest/gtest.h>

namespace calc {
namespace {

Extended Zero()
{
    return 0;
}

TEST(DescribeBuiltIns, EveryFunctionOfTheRegistryHasItsDescription)
{
    TParserDefinitions definitions;
    RegisterBuiltIns(definitions);
    const std::vector<TBuiltInDoc> docs = DescribeBuiltIns(definitions);
    ASSERT_EQ(docs.size(), 68u);
    std::size_t names = 0;
    for (const TBuiltInDoc& doc : docs) {
        names += doc.Names.size();
        EXPECT_FALSE(doc.Description.empty()) << doc.Names.front();
    }
    EXPECT_EQ(names, 102u);
}

struct TDocCase {
    const char* name;
    std::vector<std::string> names;
    TAngleDependence angle;
    std::string_view arguments;
};

const TDocCase kDocs[] = {
    {"Abs", {"Abs"}, TAngleDependence::adNone, "x"},
    {"Cotan", {"cotan", "cot", "ctg", "ctan"}, TAngleDependence::adArgument, "x"},
    {"ArcTan", {"ArcTan", "arctg"}, TAngleDependence::adResult, "x"},
    {"Log", {"Log", "LogN"}, TAngleDependence::adNone, "x, y"},
    {"Random", {"Random"}, TAngleDependence::adNone, ""},
    {"Max", {"MaxValue", "Max"}, TAngleDependence::adNone, "x1, x2, ..."},
};

class DescribeBuiltInsRow : public ::testing::TestWithParam<TDocCase> {};

TEST_P(DescribeBuiltInsRow, AliasesAngleModeAndArgumentsComeFromTheRegistry)
{
    TParserDefinitions definitions;
    RegisterBuiltIns(definitions);
    for (const TBuiltInDoc& doc : DescribeBuiltIns(definitions)) {
        if (doc.Names.front() != GetParam().names.front())
            continue;
        EXPECT_EQ(doc.Names, GetParam().names);
        EXPECT_EQ(doc.AngleDependence, GetParam().angle);
        EXPECT_EQ(doc.Arguments, GetParam().arguments);
        return;
    }
    FAIL() << "not listed";
}

INSTANTIATE_TEST_SUITE_P(Rows, DescribeBuiltInsRow, ::testing::ValuesIn(kDocs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DescribeBuiltIns, AFunctionWithoutDescriptionFails)
{
    TParserDefinitions definitions;
    RegisterBuiltIns(definitions);
    definitions.RegisterFunction(&Zero, {"Undocumented"}, TBuiltInFuncKind::bfkNoArgs,
                                 TAngleDependence::adNone);
    EXPECT_THROW((void)DescribeBuiltIns(definitions), EException);
}

TEST(DescribeBuiltIns, ADescriptionWithoutFunctionFails)
{
    TParserDefinitions definitions;
    definitions.RegisterFunction(&builtin::Abs, {"Abs"}, TBuiltInFuncKind::bfkOneArg,
                                 TAngleDependence::adNone);
    EXPECT_THROW((void)DescribeBuiltIns(definitions), EException);
}

} // namespace
} // namespace calc
