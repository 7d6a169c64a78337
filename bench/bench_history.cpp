// Costs of a large history: reading a 100,000-entry file when saving is switched on (as at
// start-up), adding one expression with 100,000 entries present (every Enter), and writing the
// file back (at exit).
#include "core/CalcHistory.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace calc;

constexpr int kEntries = 100000;

std::string Expression(int i)
{
    return "sin(" + std::to_string(i) + ")*cos(" + std::to_string(i % 97) + ")+$" +
           std::to_string(i % 4096);
}

/// A folder removed with its contents when the program ends.
struct TBenchFolder {
    std::string Path;
    TBenchFolder()
    {
        Path = "/tmp/bench-history-XXXXXX";
        if (::mkdtemp(Path.data()) == nullptr)
            std::abort();
    }
    ~TBenchFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(Path, error);
    }
};

/// A history file of kEntries distinct expressions, written once per run.
const std::string& HistoryFile()
{
    static const TBenchFolder folder;
    static const std::string path = [] {
        THistoryManager history(folder.Path + "/History.txt");
        for (int i = kEntries - 1; i >= 0; --i)
            history.Add(Expression(i), i % 11, static_cast<Extended>(i) / 7);
        history.SetLoadHistory(true);
        history.SaveHistory();
        return history.FileName();
    }();
    return path;
}

std::unique_ptr<THistoryManager> LoadedHistory()
{
    auto history = std::make_unique<THistoryManager>(HistoryFile());
    history->SetLoadHistory(true);
    // Keeps the benchmark from rewriting the file when the history is released.
    history->SetFileName({});
    return history;
}

void BM_LoadHistoryFile(benchmark::State& state)
{
    (void)HistoryFile();
    for (auto _ : state) {
        auto history = std::make_unique<THistoryManager>(HistoryFile());
        history->SetLoadHistory(true);
        benchmark::DoNotOptimize(history->Count());
        state.PauseTiming();
        history->SetFileName({});
        history.reset();
        state.ResumeTiming();
    }
    state.counters["entries"] = kEntries;
}
BENCHMARK(BM_LoadHistoryFile)->Unit(benchmark::kMillisecond);

void BM_AddNewExpression(benchmark::State& state)
{
    auto history = LoadedHistory();
    int n = 0;
    for (auto _ : state)
        history->Add("new" + std::to_string(n++), 0, 1);
    state.counters["entries"] = history->Count();
}
BENCHMARK(BM_AddNewExpression)->Unit(benchmark::kMicrosecond);

/// The worst duplicate: the oldest entry comes back to the top. Every one leaves a dead slot,
/// so this also meets the occasional compaction; max_us is the slowest single Add.
void BM_AddOldestAgain(benchmark::State& state)
{
    auto history = LoadedHistory();
    double slowest = 0;
    for (auto _ : state) {
        std::string expression = history->Expressions(history->Count() - 1);
        const auto start = std::chrono::steady_clock::now();
        history->Add(std::move(expression), 0, 1);
        const std::chrono::duration<double, std::micro> took =
            std::chrono::steady_clock::now() - start;
        slowest = std::max(slowest, took.count());
    }
    state.counters["entries"] = history->Count();
    state.counters["max_us"] = slowest;
}
BENCHMARK(BM_AddOldestAgain)->Unit(benchmark::kMicrosecond);

/// Re-entering the newest expression, as repeated Enter does.
void BM_AddNewestAgain(benchmark::State& state)
{
    auto history = LoadedHistory();
    const std::string expression = history->Expressions(0);
    for (auto _ : state)
        history->Add(expression, 0, 1);
    state.counters["entries"] = history->Count();
}
BENCHMARK(BM_AddNewestAgain)->Unit(benchmark::kMicrosecond);

/// Reading one entry by index, as the history view does for every visible row.
void BM_ReadEntryByIndex(benchmark::State& state)
{
    auto history = LoadedHistory();
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(history->Expressions(i));
        i = (i + 7919) % kEntries;
    }
}
BENCHMARK(BM_ReadEntryByIndex)->Unit(benchmark::kNanosecond);

void BM_SaveHistoryText(benchmark::State& state)
{
    auto history = LoadedHistory();
    for (auto _ : state)
        benchmark::DoNotOptimize(history->SaveToText());
}
BENCHMARK(BM_SaveHistoryText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
