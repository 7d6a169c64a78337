#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define ZEMBRICAL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEMBRICAL_ASAN 1
#endif
#endif

namespace calc {

/// Nesting of factors the parsers of one thread allow, user-function bodies included. Ten
/// thousand nested calls of a typical recursive function take about three levels each; a million
/// typed parentheses must end in an error rather than exhaust memory. Sanitized builds have far
/// larger frames, and AddressSanitizer cannot unwind an exception through more than 64 MB of
/// stack, so they allow less.
#ifdef ZEMBRICAL_ASAN
inline constexpr int kMaxNesting = 12000;
#else
inline constexpr int kMaxNesting = 100000;
#endif

/// Runs fn(arg) on this thread's evaluation stack, a large stack allocated on first use, so that
/// deeply nested user functions do not exhaust the caller's stack. Calls fn directly when already
/// on it. Whatever fn throws is rethrown on the caller's stack.
void RunOnEvaluationStack(void (*fn)(void*), void* arg);

template <class F> void RunOnEvaluationStack(F& f)
{
    RunOnEvaluationStack([](void* p) { (*static_cast<F*>(p))(); }, &f);
}

namespace detail {
// Constant-initialized, so that reading them from other files needs no call to an initializer.
extern thread_local constinit std::uintptr_t tStackLimit;
extern thread_local constinit std::uintptr_t tStackLowest;
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

/// True when more than bytes of stack remain before CheckStackSpace would fail.
[[nodiscard]] bool HasStackSpace(std::size_t bytes);

} // namespace calc
