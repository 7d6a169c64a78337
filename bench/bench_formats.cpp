// Time to produce the text of one value in all eleven result formats, as the results view does
// after every evaluation. The fraction format's search is the worst case: a value whose
// fraction is not found walks every denominator.
#include "results/CalcResultRepresentations.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

using namespace calc;

struct TBenchValue {
    const char* name;
    Extended value;
};

constexpr TBenchValue kValues[] = {
    {"integer_255", 255}, {"negative_decimal", -1234.5L}, {"one_third", 1.0L / 3},
    {"huge_1E20", 1e20L}, {"pi_fraction_not_found", kPi}, {"fraction_not_found", 0.1234567891234L},
};

/// Every format with its options on, so grouping and the custom digits are part of the work.
void SetUpFormats(TResultsManager& manager)
{
    AddStandardResultFormats(manager);
    for (int i = 0; i < manager.Count(); ++i) {
        TResultProvider& format = manager.Items(i);
        format.SetChecked(true);
        format.SetDigits(format.DigitsMax() > 0 ? 4 : 0);
    }
}

void BM_AllElevenFormats(benchmark::State& state)
{
    TResultsManager manager;
    SetUpFormats(manager);
    const Extended value = kValues[state.range(0)].value;
    std::size_t length = 0;
    for (auto _ : state) {
        for (TResultProvider& format : manager) {
            std::string text = format.FormatValue(value);
            length += text.size();
            benchmark::DoNotOptimize(text);
        }
    }
    state.SetLabel(kValues[state.range(0)].name);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    benchmark::DoNotOptimize(length);
}
BENCHMARK(BM_AllElevenFormats)
    ->DenseRange(0, std::size(kValues) - 1)
    ->Unit(benchmark::kMicrosecond);

void BM_FindFractionNotFound(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(FindFraction(kPi - 3));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_FindFractionNotFound)->Unit(benchmark::kMicrosecond);

void BM_FindFractionHalf(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(FindFraction(0.5L));
}
BENCHMARK(BM_FindFractionHalf);

} // namespace

BENCHMARK_MAIN();
