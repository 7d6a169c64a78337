#pragma once

#include <atomic>
#include <chrono>
#include <functional>

namespace calc {

/// A request to stop an evaluation. Lock-free, so a signal handler or another thread may
/// raise it.
using TInterruptFlag = std::atomic<bool>;
static_assert(TInterruptFlag::is_always_lock_free);

using TEvalClock = std::chrono::steady_clock;

/// What stops the evaluations of a thread before they end on their own.
struct TInterruptLimits {
    /// Stops once raised; nullptr: no flag.
    const TInterruptFlag* Flag = nullptr;
    /// Stops when this much time has passed since the scope began; zero: no time limit.
    TEvalClock::duration Budget = TEvalClock::duration::zero();
    /// Called about every PollInterval while an evaluation runs, on its thread, e.g. to keep a
    /// window painted and let it raise the flag.
    std::function<void()> Poll;
    TEvalClock::duration PollInterval = std::chrono::milliseconds(50);
};

/// Puts limits on the evaluations of this thread while it lives. Scopes nest: the limits of
/// the outer scopes stay in force as well.
class TInterruptScope {
public:
    explicit TInterruptScope(TInterruptLimits limits);
    ~TInterruptScope();
    TInterruptScope(const TInterruptScope&) = delete;
    TInterruptScope& operator=(const TInterruptScope&) = delete;

private:
    friend void CheckInterruptNow();
    TInterruptLimits FLimits;
    TEvalClock::time_point FDeadline;
    TEvalClock::time_point FNextPoll;
    TInterruptScope* FOuter;
};

/// Raises EInterrupted when a limit of this thread's scopes is reached; runs their polls when
/// due.
void CheckInterruptNow();

namespace detail {
extern thread_local constinit int tInterruptCountdown;
}

/// Calls between two real checks: few enough that a stop request is answered within
/// milliseconds, many enough that reading the clock costs nothing measurable.
inline constexpr int kInterruptCheckInterval = 256;

/// The check the engine makes at every function call and now and then in long loops: a
/// counter only, with the real check every kInterruptCheckInterval calls.
inline void CheckInterrupt()
{
    if (--detail::tInterruptCountdown <= 0) [[unlikely]]
        CheckInterruptNow();
}

} // namespace calc
