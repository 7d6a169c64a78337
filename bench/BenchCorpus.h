#pragma once

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace calc::bench {

/// The expressions of the shared speed corpus, one per line.
inline const std::vector<std::string>& Corpus()
{
    static const std::vector<std::string> lines = [] {
        std::ifstream in(ZEMBRICAL_BENCH_CORPUS);
        if (!in)
            throw std::runtime_error("cannot read the corpus " ZEMBRICAL_BENCH_CORPUS);
        std::vector<std::string> result;
        for (std::string line; std::getline(in, line);)
            if (!line.empty())
                result.push_back(line);
        return result;
    }();
    return lines;
}

/// Keeps each run's throughput so that a ratio against a peer can be printed after the table.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("items_per_second");
            if (it != run.counters.end())
                FRates[run.benchmark_name()] = it->second;
        }
    }

    /// The throughput of the first run whose name starts with prefix, or 0.
    [[nodiscard]] double Rate(std::string_view prefix) const
    {
        for (const auto& [name, rate] : FRates)
            if (name.rfind(prefix, 0) == 0)
                return rate;
        return 0;
    }

    void PrintRatio(const char* what, const char* ours, const char* peerName,
                    const char* peer) const
    {
        const double a = Rate(ours);
        const double b = Rate(peer);
        if (a > 0 && b > 0)
            std::printf("%s: %.0f expressions/s, %s %.0f/s, ratio %.2fx (target 5x)\n", what, a,
                        peerName, b, a / b);
    }

private:
    std::map<std::string, double, std::less<>> FRates;
};

/// Runs every benchmark, then prints the ratio of ours against the peer.
inline int RunWithRatio(int argc, char** argv, const char* what, const char* ours,
                        const char* peerName, const char* peer)
{
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio(what, ours, peerName, peer);
    benchmark::Shutdown();
    return 0;
}

} // namespace calc::bench
