#include "engine/EvalInterrupt.h"

#include "engine/EvalStack.h"
#include "engine/ExprParserTypes.h"

#include <utility>

namespace calc {

namespace {

thread_local TInterruptScope* tInnermost = nullptr;

/// A poll may paint a window; it is skipped while a deep recursion leaves less stack than that.
constexpr std::size_t kPollStackReserve = std::size_t{2} << 20;

} // namespace

namespace detail {
thread_local constinit int tInterruptCountdown = kInterruptCheckInterval;
}

TInterruptScope::TInterruptScope(TInterruptLimits limits)
    : FLimits(std::move(limits)), FDeadline(TEvalClock::time_point::max()),
      FNextPoll(TEvalClock::time_point::max()), FOuter(tInnermost)
{
    const TEvalClock::time_point now = TEvalClock::now();
    if (FLimits.Budget > TEvalClock::duration::zero())
        FDeadline = now + FLimits.Budget;
    if (FLimits.Poll)
        FNextPoll = now + FLimits.PollInterval;
    tInnermost = this;
    // The first call checks at once: a stop requested before the start is answered at once.
    detail::tInterruptCountdown = 1;
}

TInterruptScope::~TInterruptScope()
{
    tInnermost = FOuter;
}

void CheckInterruptNow()
{
    detail::tInterruptCountdown = kInterruptCheckInterval;
    if (tInnermost == nullptr)
        return;
    const TEvalClock::time_point now = TEvalClock::now();
    for (TInterruptScope* scope = tInnermost; scope != nullptr; scope = scope->FOuter) {
        if (scope->FLimits.Poll && now >= scope->FNextPoll && HasStackSpace(kPollStackReserve)) {
            scope->FNextPoll = now + scope->FLimits.PollInterval;
            scope->FLimits.Poll();
        }
        if ((scope->FLimits.Flag != nullptr && scope->FLimits.Flag->load()) ||
            now >= scope->FDeadline)
            throw EInterrupted(sCalculationInterrupted);
    }
}

} // namespace calc
