#include "engine/ExprParser.h"
#include "engine/ExprParserRegistry.h"
#include "support/TestRegistry.h"

#include <map>
#include <memory>
#include <string>

namespace calc {
namespace {

/// A registry of the test's own: the engine needs nothing but the interface.
class TMapDefinitions final : public IParserDefinitions {
public:
    bool FindConstant(std::string_view name, Extended& value) const override
    {
        const auto it = FConstants.find(std::string(name));
        if (it == FConstants.end())
            return false;
        value = it->second;
        return true;
    }
    bool FindFunction(std::string_view name,
                      std::unique_ptr<TCustomFuncEvaluator>& evaluator) const override
    {
        if (name != "twice")
            return false;
        evaluator = std::make_unique<TTwice>();
        return true;
    }
    std::map<std::string, Extended> FConstants;

private:
    class TTwice final : public TCustomFuncEvaluator {
    public:
        TTwice() : TCustomFuncEvaluator(1) {}
        Extended Evaluate(TAngleMode) override { return 2 * GetArg(0); }
    };
};

TEST(ExprParserRegistry, ParserResolvesNamesThroughTheGivenRegistry)
{
    TMapDefinitions definitions;
    definitions.FConstants["answer"] = 21;
    TExpressionParser parser;
    parser.SetDefinitions(&definitions);
    ASSERT_TRUE(parser.TryEvaluate("twice(answer) + 1")) << parser.GetErrorMessage();
    EXPECT_EQ(parser.Value(), 43);
    // Nothing else is known to it, not even the process registry's built-ins.
    EXPECT_FALSE(parser.TryEvaluate("pi"));
    EXPECT_EQ(parser.ErrorCode(), ceUnknownConstant);
    EXPECT_FALSE(parser.TryEvaluate("sin(0)"));
    EXPECT_EQ(parser.ErrorCode(), ceUnknownFunction);
}

class ExprParserRegistryProcess : public test::TRegistryFixture {};

TEST_F(ExprParserRegistryProcess, ParsersWithoutARegistryUseTheProcessRegistry)
{
    EXPECT_EQ(DefaultParserDefinitions(), &ParserDefinitions());
    AddGroup({"k = 5", "h(x) = x * k"});
    TExpressionParser parser;
    ASSERT_TRUE(parser.TryEvaluate("h(2) + pi - pi")) << parser.GetErrorMessage();
    EXPECT_EQ(parser.Value(), 10);
}

TEST_F(ExprParserRegistryProcess, FunctionBodiesResolveInTheRegistryThatHoldsThem)
{
    TParserDefinitions local;
    local.RegisterConstant("c", 3);
    TDefinitionsGroup& group = local.AddGroup("Local");
    group.AddDefinitionText("u(x) = x + c");
    AddGroup({"c = 100"}); // the process registry's c must not be seen by the body
    TExpressionParser parser;
    parser.SetDefinitions(&local);
    ASSERT_TRUE(parser.TryEvaluate("u(1)")) << parser.GetErrorMessage();
    EXPECT_EQ(parser.Value(), 4);
}

} // namespace
} // namespace calc
