#pragma once

#include <benchmark/benchmark.h>

namespace calc::bench {

/// Set by Fail; the program then ends with a failure status.
inline bool& AnyFailed()
{
    static bool failed = false;
    return failed;
}

/// Stops a benchmark with an error that also fails the program, so that a script running the
/// benchmarks notices.
inline void Fail(benchmark::State& state, const char* message)
{
    AnyFailed() = true;
    state.SkipWithError(message);
}

} // namespace calc::bench
