#include "engine/EvalStack.h"
#include "engine/ExprParser.h"
#include "support/TestRegistry.h"

#include <string>
#include <thread>

namespace calc {
namespace {

class ExprParserRecursion : public test::TRegistryFixture {
protected:
    TExpressionParser FParser;
};

// Sanitized builds allow less nesting; the full capacity is checked in the normal build.
#ifdef ZEMBRICAL_ASAN
constexpr int kCapacity = 3000;
#else
constexpr int kCapacity = 10000;
#endif

TEST_F(ExprParserRecursion, TenThousandNestedCallsEvaluate)
{
    AddGroup({"s(n) = if(n, n + s(n-1), 0)"});
    const std::string call = "s(" + std::to_string(kCapacity) + ")";
    ASSERT_TRUE(FParser.TryEvaluate(call)) << FParser.GetErrorMessage();
    EXPECT_EQ(FParser.Value(), Extended{kCapacity} * (kCapacity + 1) / 2);
}

TEST_F(ExprParserRecursion, RecursionWithABaseCase)
{
    AddGroup({"f(n) = if(n, n*f(n-1), 1)", "fib(n) = n < 2 ? n : fib(n-1) + fib(n-2)"});
    ASSERT_TRUE(FParser.TryEvaluate("f(5)"));
    EXPECT_EQ(FParser.Value(), 120);
    ASSERT_TRUE(FParser.TryEvaluate("fib(15)"));
    EXPECT_EQ(FParser.Value(), 610);
}

TEST_F(ExprParserRecursion, UnboundedRecursionEndsInCodeOneHundred)
{
    AddGroup({"f(n) = f(n)", "g(n) = 1 + g(n + 1)"});
    for (const char* expr : {"f(1)", "g(0)", "2 * f(3) + 1"}) {
        SCOPED_TRACE(expr);
        EXPECT_FALSE(FParser.TryEvaluate(expr));
        EXPECT_EQ(FParser.ErrorCode(), ceCritical);
        EXPECT_EQ(FParser.ErrorArg(), sStackOverflow);
        // The parser and the process stay sound: the next evaluation works.
        ASSERT_TRUE(FParser.TryEvaluate("1+1"));
        EXPECT_EQ(FParser.Value(), 2);
    }
}

TEST_F(ExprParserRecursion, AbsurdNestingEndsInCodeOneHundred)
{
    const std::size_t depth = 1000000;
    const std::string parens = std::string(depth, '(') + "1";
    const std::string minus = std::string(depth, '-') + "1";
    std::string powers;
    for (std::size_t i = 0; i < depth / 3; ++i)
        powers += "2^(";
    powers += "1";
    for (const std::string* text : {&parens, &minus, static_cast<const std::string*>(&powers)}) {
        EXPECT_FALSE(FParser.TryEvaluate(*text));
        EXPECT_EQ(FParser.ErrorCode(), ceCritical);
        EXPECT_THROW(FParser.Check(*text), ECriticalError);
    }
    ASSERT_TRUE(FParser.TryEvaluate("((((((((((1))))))))))"));
    EXPECT_EQ(FParser.Value(), 1);
}

TEST_F(ExprParserRecursion, DefinitionsFailCleanlyOnRunawayBodies)
{
    TDefinitionsGroup& group = AddGroup({"loop(x) = loop(x)"});
    EXPECT_THROW(group.AddDefinitionText("c = loop(1)"), ECriticalError);
    EXPECT_EQ(group.Count(), 1);
    EXPECT_THROW(CheckText(std::string(200000, '(') + "1"), ECriticalError);
}

TEST_F(ExprParserRecursion, WorksOnAnyThread)
{
    AddGroup({"s(n) = if(n, n + s(n-1), 0)", "f(n) = f(n)"});
    std::thread worker([] {
        TExpressionParser parser;
        EXPECT_TRUE(parser.TryEvaluate("s(" + std::to_string(kCapacity) + ")"));
        EXPECT_EQ(parser.Value(), Extended{kCapacity} * (kCapacity + 1) / 2);
        EXPECT_FALSE(parser.TryEvaluate("f(1)"));
        EXPECT_EQ(parser.ErrorCode(), ceCritical);
    });
    worker.join();
}

TEST(EvalStack, RethrowsOnTheCallersStackAndNests)
{
    int depth = 0;
    auto inner = [&] { ++depth; };
    auto outer = [&] {
        RunOnEvaluationStack(inner); // already on the stack: a direct call
        throw EException("boom");
    };
    EXPECT_THROW(RunOnEvaluationStack(outer), EException);
    EXPECT_EQ(depth, 1);
}

} // namespace
} // namespace calc
