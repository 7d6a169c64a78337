// One-shot evaluation speed against muparser, recursion and large definition groups.
#include "BenchCorpus.h"
#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParser.h"
#include "engine/ExprParserFunc.h"
#include "engine/ExprReader.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <muParser.h>
#include <string>

namespace {

using namespace calc;

void EnsureBuiltIns()
{
    static const bool done = [] {
        RegisterBuiltIns(ParserDefinitions());
        return true;
    }();
    (void)done;
}

// Parse and evaluate a fresh expression string each time, as on every keystroke.
void BM_OneShot_Zembrical(benchmark::State& state)
{
    EnsureBuiltIns();
    const auto& corpus = bench::Corpus();
    TExpressionParser parser;
    parser.SetAngleMode(TAngleMode::amRad);
    std::size_t i = 0;
    std::size_t failures = 0;
    for (auto _ : state) {
        failures += !parser.TryEvaluate(corpus[i]);
        benchmark::DoNotOptimize(parser.Value());
        if (++i == corpus.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["failures"] = static_cast<double>(failures);
}
BENCHMARK(BM_OneShot_Zembrical);

void BM_OneShot_muparser(benchmark::State& state)
{
    const auto& corpus = bench::Corpus();
    mu::Parser parser;
    std::size_t i = 0;
    for (auto _ : state) {
        try {
            parser.SetExpr(corpus[i]);
            benchmark::DoNotOptimize(parser.Eval());
        }
        catch (const mu::Parser::exception_type&) {
        }
        if (++i == corpus.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_OneShot_muparser);

// The reading steps alone over the same corpus, per expression: every number literal read as
// the parser reads a plain one, and every position tried against the operator tables.
void BM_ReadNumberLiterals(benchmark::State& state)
{
    const auto& corpus = bench::Corpus();
    const TCharSet separators(".");
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& text = corpus[i];
        for (std::size_t pos = 0; pos < text.size(); ++pos) {
            if (!IsDigit(text[pos]))
                continue;
            const TPlainDecimal literal = ReadPlainDecimal(text, pos, separators);
            benchmark::DoNotOptimize(literal);
            pos += literal.Length;
        }
        if (++i == corpus.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ReadNumberLiterals);

void BM_MatchOperators(benchmark::State& state)
{
    const auto& corpus = bench::Corpus();
    const TOperatorTable* tables[] = {&kUnaryTable, &kPowerTable, &kTermTable, &kSumTable,
                                      &kRelationTable};
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& text = corpus[i];
        for (std::size_t pos = 0; pos < text.size(); ++pos)
            for (const TOperatorTable* table : tables)
                benchmark::DoNotOptimize(table->Match(text, pos));
        if (++i == corpus.size())
            i = 0;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_MatchOperators);

void BM_RecursiveUserFunction(benchmark::State& state)
{
    EnsureBuiltIns();
    ParserDefinitions().ClearGroups();
    ParserDefinitions().AddGroup("Bench").AddDefinitionText("s(n) = if(n, n + s(n-1), 0)");
    TExpressionParser parser;
    for (auto _ : state) {
        if (!parser.TryEvaluate("s(1000)") || parser.Value() != 500500)
            bench::Fail(state, "s(1000) failed");
        benchmark::DoNotOptimize(parser.Value());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 1000);
    ParserDefinitions().ClearGroups();
}
BENCHMARK(BM_RecursiveUserFunction)->Unit(benchmark::kMicrosecond);

void FillLargeGroup(TDefinitionsGroup& group, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        group.AddDefinitionText(i % 2 ? "c" + n + " = " + n + " * 2"
                                      : "f" + n + "(x, y) = x * " + n + " + y");
    }
}

// Loading a group of 10,000 definitions: one lookup-index update per definition, no rebuild.
void BM_LoadLargeGroup(benchmark::State& state)
{
    EnsureBuiltIns();
    for (auto _ : state) {
        ParserDefinitions().ClearGroups();
        FillLargeGroup(ParserDefinitions().AddGroup("Large"), 10000);
    }
    ParserDefinitions().ClearGroups();
}
BENCHMARK(BM_LoadLargeGroup)->Unit(benchmark::kMillisecond);

void BM_LookupInLargeGroup(benchmark::State& state)
{
    EnsureBuiltIns();
    ParserDefinitions().ClearGroups();
    FillLargeGroup(ParserDefinitions().AddGroup("Large"), 10000);
    TExpressionParser parser;
    for (auto _ : state) {
        parser.TryEvaluate("c5001 + f9998(1, 2) + c1");
        benchmark::DoNotOptimize(parser.Value());
    }
    ParserDefinitions().ClearGroups();
}
BENCHMARK(BM_LookupInLargeGroup);

} // namespace

int main(int argc, char** argv)
{
    return calc::bench::RunWithRatio(argc, argv, "One-shot evaluation", "BM_OneShot_Zembrical",
                                     "muparser", "BM_OneShot_muparser", 20);
}
