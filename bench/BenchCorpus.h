#pragma once

#include "BenchFail.h"

#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace calc::bench {

/// The corpus file: the one the build generates, or the one given with --corpus=FILE.
inline std::string& CorpusPath()
{
    static std::string path = ZEMBRICAL_BENCH_CORPUS;
    return path;
}

inline std::vector<std::string>& CorpusLines()
{
    static std::vector<std::string> lines;
    return lines;
}

/// The expressions of the speed corpus, one per line; LoadCorpus has read them.
inline const std::vector<std::string>& Corpus()
{
    return CorpusLines();
}

/// Takes --corpus=FILE out of the arguments, before the benchmark library sees them.
inline void TakeCorpusOption(int& argc, char** argv)
{
    constexpr std::string_view kOption = "--corpus=";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.substr(0, kOption.size()) == kOption)
            CorpusPath() = arg.substr(kOption.size());
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
}

/// Reads the corpus; false, after saying why, when it is missing, unreadable or empty.
inline bool LoadCorpus()
{
    std::ifstream in(CorpusPath());
    std::vector<std::string>& lines = CorpusLines();
    lines.clear();
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    if (!in.eof() || lines.empty()) {
        std::fprintf(stderr,
                     "%s: the benchmark corpus %s %s; build the target zembrical_bench_corpus "
                     "or give one with --corpus=FILE\n",
                     program_invocation_short_name, CorpusPath().c_str(),
                     in.eof() ? "holds no expressions" : "cannot be read");
        return false;
    }
    return true;
}

/// Keeps each run's throughput so that a ratio against a peer can be printed after the table.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // Of the repetitions' summaries only the median is a throughput.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            const auto it = run.counters.find("items_per_second");
            if (it != run.counters.end())
                FRates[run.benchmark_name()] = it->second;
        }
    }

    /// The median throughput of repeated runs of the benchmark named prefix, else that of the
    /// first run whose name starts with prefix, or 0.
    [[nodiscard]] double Rate(std::string_view prefix) const
    {
        // Arguments and options come between the name and the suffix:
        // "BM_Process/iterations:5/real_time_median".
        constexpr std::string_view kMedian = "_median";
        for (const auto& [name, rate] : FRates)
            if (name.rfind(prefix, 0) == 0 && name.size() >= prefix.size() + kMedian.size() &&
                name.compare(name.size() - kMedian.size(), kMedian.size(), kMedian) == 0)
                return rate;
        for (const auto& [name, rate] : FRates)
            if (name.rfind(prefix, 0) == 0)
                return rate;
        return 0;
    }

    void PrintRatio(const char* what, const char* ours, const char* peerName, const char* peer,
                    double target) const
    {
        const double a = Rate(ours);
        const double b = Rate(peer);
        if (a > 0 && b > 0)
            std::printf("%s: %.0f expressions/s, %s %.0f/s, ratio %.2fx (target %gx)\n", what, a,
                        peerName, b, a / b, target);
    }

private:
    std::map<std::string, double, std::less<>> FRates;
};

/// Reads the corpus, runs every benchmark, then prints the ratio of ours against the peer.
inline int RunWithRatio(int argc, char** argv, const char* what, const char* ours,
                        const char* peerName, const char* peer, double target)
{
    TakeCorpusOption(argc, argv);
    if (!LoadCorpus())
        return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio(what, ours, peerName, peer, target);
    benchmark::Shutdown();
    return AnyFailed() ? 1 : 0;
}

} // namespace calc::bench
