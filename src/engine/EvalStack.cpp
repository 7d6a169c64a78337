#include "engine/EvalStack.h"

#include "engine/ExprParserTypes.h"

#include <cstddef>
#include <exception>
#include <new>
#include <pthread.h>
#include <sys/mman.h>

#ifdef ZEMBRICAL_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

// Calls fn(arg) with the stack pointer moved to stackTop. The frame pointer keeps the caller's
// stack reachable, so debuggers and the unwinder see one continuous chain of frames.
extern "C" void zembrical_call_on_stack(void* arg, void (*fn)(void*), void* stackTop);
asm(R"(
    .pushsection .text
    .globl zembrical_call_on_stack
    .type zembrical_call_on_stack, @function
zembrical_call_on_stack:
    .cfi_startproc
    pushq %rbp
    .cfi_def_cfa_offset 16
    .cfi_offset %rbp, -16
    movq %rsp, %rbp
    .cfi_def_cfa_register %rbp
    movq %rdx, %rsp
    callq *%rsi
    movq %rbp, %rsp
    popq %rbp
    .cfi_def_cfa %rsp, 8
    ret
    .cfi_endproc
    .size zembrical_call_on_stack, .-zembrical_call_on_stack
    .popsection
)");

namespace calc {

namespace {

#ifdef ZEMBRICAL_ASAN
// An exception can unwind at most 64 MB of a sanitized stack.
constexpr std::size_t kStackSize = std::size_t{62} << 20;
constexpr std::size_t kMargin = std::size_t{2} << 20;
#else
constexpr std::size_t kStackSize = std::size_t{256} << 20;
constexpr std::size_t kMargin = std::size_t{256} << 10;
#endif
// Memory touched below this much is given back after a deep evaluation.
constexpr std::size_t kKeepResident = std::size_t{8} << 20;
constexpr std::size_t kGuardSize = std::size_t{64} << 10;

struct TEvalStack {
    char* Base = nullptr; // lowest address, a guard area first
    bool Active = false;

    ~TEvalStack()
    {
        if (Base)
            munmap(Base, kStackSize);
    }
    char* Top() const { return Base + kStackSize; }
    bool Allocate()
    {
        void* p = mmap(nullptr, kStackSize, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
        if (p == MAP_FAILED)
            return false;
        Base = static_cast<char*>(p);
        mprotect(Base, kGuardSize, PROT_NONE);
        return true;
    }
};

thread_local TEvalStack tEvalStack;

struct TRunContext {
    void (*Fn)(void*);
    void* Arg;
    std::exception_ptr Error;
#ifdef ZEMBRICAL_ASAN
    const void* OldBottom = nullptr;
    std::size_t OldSize = 0;
#endif
};

void Trampoline(void* p)
{
    auto* ctx = static_cast<TRunContext*>(p);
#ifdef ZEMBRICAL_ASAN
    __sanitizer_finish_switch_fiber(nullptr, &ctx->OldBottom, &ctx->OldSize);
#endif
    // The one place that must hold every failure: nothing may unwind past the stack switch.
    try {
        ctx->Fn(ctx->Arg);
    }
    catch (...) {
        ctx->Error = std::current_exception();
    }
#ifdef ZEMBRICAL_ASAN
    __sanitizer_start_switch_fiber(nullptr, ctx->OldBottom, ctx->OldSize);
#endif
}

std::uintptr_t CurrentThreadStackLimit()
{
    pthread_attr_t attr;
    void* addr = nullptr;
    std::size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
        pthread_attr_getstack(&attr, &addr, &size);
        pthread_attr_destroy(&attr);
    }
    if (!addr || size <= 2 * kMargin)
        return 0;
    return reinterpret_cast<std::uintptr_t>(addr) + kMargin;
}

} // namespace

namespace detail {

thread_local constinit std::uintptr_t tStackLimit = UINTPTR_MAX; // unknown until first checked
thread_local constinit std::uintptr_t tStackLowest = UINTPTR_MAX;

void StackExhausted()
{
    throw ECriticalError(sStackOverflow);
}

void CheckStackSlow(std::uintptr_t sp)
{
    if (tStackLimit == UINTPTR_MAX)
        tStackLimit = CurrentThreadStackLimit();
    if (sp < tStackLimit)
        StackExhausted();
}

} // namespace detail

bool HasStackSpace(std::size_t bytes)
{
    if (detail::tStackLimit == UINTPTR_MAX)
        detail::tStackLimit = CurrentThreadStackLimit();
    const auto sp = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    return sp > detail::tStackLimit && sp - detail::tStackLimit > bytes;
}

void RunOnEvaluationStack(void (*fn)(void*), void* arg)
{
    TEvalStack& stack = tEvalStack;
    if (stack.Active || (!stack.Base && !stack.Allocate())) {
        fn(arg);
        return;
    }
    TRunContext ctx{fn, arg, nullptr};
    const std::uintptr_t savedLimit = detail::tStackLimit;
    const std::uintptr_t savedLowest = detail::tStackLowest;
    detail::tStackLimit = reinterpret_cast<std::uintptr_t>(stack.Base) + kGuardSize + kMargin;
    detail::tStackLowest = UINTPTR_MAX;
    stack.Active = true;
#ifdef ZEMBRICAL_ASAN
    void* fakeStack = nullptr;
    __sanitizer_start_switch_fiber(&fakeStack, stack.Base + kGuardSize, kStackSize - kGuardSize);
#endif
    zembrical_call_on_stack(&ctx, &Trampoline, stack.Top());
#ifdef ZEMBRICAL_ASAN
    __sanitizer_finish_switch_fiber(fakeStack, nullptr, nullptr);
#endif
    stack.Active = false;
    const std::uintptr_t lowest = detail::tStackLowest;
    detail::tStackLimit = savedLimit;
    detail::tStackLowest = savedLowest;

    // Give back what a deep recursion touched; a typical evaluation stays far above it.
    const auto keepFrom = reinterpret_cast<std::uintptr_t>(stack.Top()) - kKeepResident;
    if (lowest < keepFrom) {
        const auto from = reinterpret_cast<std::uintptr_t>(stack.Base) + kGuardSize;
        madvise(reinterpret_cast<void*>(from), keepFrom - from, MADV_DONTNEED);
    }
    if (ctx.Error)
        std::rethrow_exception(ctx.Error);
}

} // namespace calc
