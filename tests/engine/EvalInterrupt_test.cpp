#include "engine/EvalInterrupt.h"
#include "engine/ExprParser.h"
#include "support/TestRegistry.h"

#include <chrono>
#include <string>
#include <thread>

namespace calc {
namespace {

using namespace std::chrono_literals;

/// Two calls per level: f(n) makes 2^(n+1) calls, so f(40) would run for hours.
constexpr std::string_view kSlowFunction = "f(n) = if(n <= 0, 1, f(n-1) + f(n-1))";
/// Generous: a loaded machine running sanitized code still stops far below it.
constexpr auto kPromptly = 5s;

class EvalInterrupt : public test::TRegistryFixture {
protected:
    void SetUp() override
    {
        TRegistryFixture::SetUp();
        AddGroup({kSlowFunction, "g(n) = 1 + f(n)", "r(n) = r(n)"});
    }

    /// Evaluates and answers how long it took.
    TEvalClock::duration TimedEvaluate(std::string_view text)
    {
        const auto start = TEvalClock::now();
        (void)FParser.TryEvaluate(text);
        return TEvalClock::now() - start;
    }

    void ExpectInterrupted(int pos)
    {
        EXPECT_EQ(FParser.ErrorCode(), ceInterrupted) << FParser.GetErrorMessage();
        EXPECT_EQ(FParser.ErrorPos(), pos);
        EXPECT_EQ(FParser.GetErrorMessage(), std::to_string(pos) + ": Calculation interrupted");
    }

    TExpressionParser FParser;
};

TEST_F(EvalInterrupt, FlagRaisedFromAnotherThreadStopsTheEvaluation)
{
    TInterruptFlag flag{false};
    TInterruptLimits limits;
    limits.Flag = &flag;
    const TInterruptScope scope(std::move(limits));
    std::thread canceller([&flag] {
        std::this_thread::sleep_for(200ms);
        flag.store(true);
    });
    const auto took = TimedEvaluate("2 * f(40)");
    canceller.join();
    ExpectInterrupted(8); // the outer scan stands at the ")" of the call
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, kPromptly);
}

TEST_F(EvalInterrupt, DeadlineStopsTheEvaluation)
{
    TInterruptLimits limits;
    limits.Budget = 300ms;
    const TInterruptScope scope(std::move(limits));
    const auto took = TimedEvaluate("f(40)");
    ExpectInterrupted(4);
    EXPECT_GE(took, 300ms);
    EXPECT_LT(took, kPromptly);
}

TEST_F(EvalInterrupt, InterruptionInsideNestedCallsKeepsItsOwnCode)
{
    // Not code 99 with the inner parser's message: the stop is the outer evaluation's.
    TInterruptLimits limits;
    limits.Budget = 100ms;
    const TInterruptScope scope(std::move(limits));
    (void)TimedEvaluate("1 + g(40)");
    ExpectInterrupted(8);
    EXPECT_TRUE(FParser.ErrorArg().empty());
}

TEST_F(EvalInterrupt, PollRunsDuringTheEvaluationAndMayRaiseTheFlag)
{
    TInterruptFlag flag{false};
    int polls = 0;
    TInterruptLimits limits;
    limits.Flag = &flag;
    limits.PollInterval = 10ms;
    limits.Poll = [&] {
        if (++polls == 5)
            flag.store(true); // as Esc does in the window
    };
    const TInterruptScope scope(std::move(limits));
    const auto took = TimedEvaluate("f(40)");
    ExpectInterrupted(4);
    EXPECT_EQ(polls, 5);
    EXPECT_GE(took, 40ms);
    EXPECT_LT(took, kPromptly);
}

TEST_F(EvalInterrupt, OuterLimitsStayInForceInsideAnInnerScope)
{
    TInterruptFlag flag{true};
    TInterruptLimits outer;
    outer.Flag = &flag;
    const TInterruptScope outerScope(std::move(outer));
    TInterruptLimits inner;
    inner.Budget = 1h;
    const TInterruptScope innerScope(std::move(inner));
    (void)TimedEvaluate("f(40)");
    ExpectInterrupted(1); // a flag raised before the start stops the first call
}

TEST_F(EvalInterrupt, LimitsEndWithTheirScope)
{
    TInterruptFlag flag{true};
    {
        TInterruptLimits limits;
        limits.Flag = &flag;
        const TInterruptScope scope(std::move(limits));
        EXPECT_FALSE(FParser.TryEvaluate("f(3)"));
        ExpectInterrupted(1);
    }
    ASSERT_TRUE(FParser.TryEvaluate("f(10)")) << FParser.GetErrorMessage();
    EXPECT_EQ(FParser.Value(), 1024);
}

TEST_F(EvalInterrupt, UnboundedRecursionStillEndsInCodeOneHundred)
{
    TInterruptLimits limits;
    limits.Budget = 1h;
    const TInterruptScope scope(std::move(limits));
    EXPECT_FALSE(FParser.TryEvaluate("r(1)"));
    EXPECT_EQ(FParser.ErrorCode(), ceCritical);
}

TEST_F(EvalInterrupt, EvaluateLetsTheInterruptionPropagate)
{
    TInterruptFlag flag{true};
    TInterruptLimits limits;
    limits.Flag = &flag;
    const TInterruptScope scope(std::move(limits));
    EXPECT_THROW((void)FParser.Evaluate("f(2)"), EInterrupted);
}

} // namespace
} // namespace calc
