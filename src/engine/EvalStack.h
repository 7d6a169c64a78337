#pragma once

#include <cstdint>
#include <utility>

namespace calc {

/// Runs fn(arg) on this thread's evaluation stack, a large stack allocated on first use, so that
/// deeply nested user functions do not exhaust the caller's stack. Calls fn directly when already
/// on it. Whatever fn throws is rethrown on the caller's stack.
void RunOnEvaluationStack(void (*fn)(void*), void* arg);

template <class F> void RunOnEvaluationStack(F& f)
{
    RunOnEvaluationStack([](void* p) { (*static_cast<F*>(p))(); }, &f);
}

namespace detail {
extern thread_local std::uintptr_t tStackLimit;
extern thread_local std::uintptr_t tStackLowest;
[[noreturn]] void StackExhausted();
void CheckStackSlow(std::uintptr_t sp);
} // namespace detail

/// Raises ECriticalError when the current stack is nearly exhausted, before it overflows.
inline void CheckStackSpace()
{
    const auto sp = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (sp < detail::tStackLowest) {
        detail::tStackLowest = sp;
        if (sp < detail::tStackLimit)
            detail::CheckStackSlow(sp);
    }
}

} // namespace calc
