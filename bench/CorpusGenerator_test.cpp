#include "CorpusGenerator.h"
#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprParser.h"
#include "engine/ExprParserFunc.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using namespace calc;
using bench::TCorpusEvaluator;
using bench::TCorpusGenerator;

std::vector<std::string> Draw(std::uint64_t seed, int count)
{
    TCorpusGenerator generator(seed);
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(generator.Expression());
    return lines;
}

/// The deepest parenthesis nesting of a text.
int Depth(std::string_view text)
{
    int depth = 0;
    int deepest = 0;
    for (const char c : text) {
        depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        deepest = std::max(deepest, depth);
    }
    return depth == 0 ? deepest : -1;
}

/// Every name before a "(" is one of the five functions.
bool OnlyTheFiveFunctions(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] < 'a' || text[i] > 'z') {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && text[i] >= 'a' && text[i] <= 'z')
            ++i;
        const std::string_view name = text.substr(start, i - start);
        if (i == text.size() || text[i] != '(' ||
            std::find(bench::kCorpusFunctions.begin(), bench::kCorpusFunctions.end(), name) ==
                bench::kCorpusFunctions.end())
            return false;
    }
    return true;
}

/// Every "/" is followed by a literal that is not zero.
bool DividesOnlyByNonZeroLiterals(std::string_view text)
{
    for (std::size_t i = text.find('/'); i != std::string_view::npos; i = text.find('/', i + 1)) {
        std::size_t end = i + 1;
        while (end < text.size() &&
               (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.'))
            ++end;
        const std::string_view literal = text.substr(i + 1, end - i - 1);
        if (literal.empty() || literal.find_first_not_of("0.") == std::string_view::npos)
            return false;
    }
    return true;
}

TEST(CorpusGenerator, SameSeedSameExpressionsOtherSeedOthers)
{
    const std::vector<std::string> first = Draw(1, 300);
    EXPECT_EQ(Draw(1, 300), first);
    EXPECT_NE(Draw(2, 300), first);
}

TEST(CorpusGenerator, ExpressionsKeepToTheGrammarEveryPeerAccepts)
{
    for (const std::string& text : Draw(7, 3000)) {
        SCOPED_TRACE(text);
        EXPECT_EQ(text.find_first_not_of("0123456789.+-*/()abcdeiopqnrstx"), std::string::npos);
        EXPECT_TRUE(OnlyTheFiveFunctions(text));
        EXPECT_GE(Depth(text), 0);
        EXPECT_LE(Depth(text), bench::kCorpusMaxDepth);
        EXPECT_TRUE(DividesOnlyByNonZeroLiterals(text));
        EXPECT_EQ(text.find("--"), std::string::npos);
        EXPECT_EQ(text.find('^'), std::string::npos);
    }
}

TEST(CorpusGenerator, LengthsMixShortMediumAndLong)
{
    int shortCount = 0;
    int mediumCount = 0;
    int longCount = 0;
    const std::vector<std::string> lines = Draw(3, 5000);
    for (const std::string& text : lines) {
        const std::size_t n = text.size();
        shortCount += n >= 3 && n <= 29;
        mediumCount += n >= 30 && n <= 80;
        longCount += n >= 150 && n <= 300;
    }
    EXPECT_EQ(shortCount + mediumCount + longCount, 5000);
    EXPECT_NEAR(shortCount / 5000.0, 0.2, 0.03);
    EXPECT_NEAR(mediumCount / 5000.0, 0.6, 0.03);
    EXPECT_NEAR(longCount / 5000.0, 0.2, 0.03);
}

// The calculator with 80-bit values must agree with the double the generator computed: the
// comparison with peers only means something when every tool computes the same number.
TEST(CorpusGenerator, CalculatorAgreesWithTheGeneratorsValue)
{
    RegisterBuiltIns(ParserDefinitions());
    TExpressionParser parser;
    parser.SetAngleMode(TAngleMode::amRad);
    for (const std::string& text : Draw(11, 2000)) {
        SCOPED_TRACE(text);
        const std::optional<double> expected = TCorpusEvaluator::Value(text);
        ASSERT_TRUE(expected.has_value());
        EXPECT_LE(std::fabs(*expected), bench::kCorpusValueLimit);
        ASSERT_TRUE(parser.TryEvaluate(text)) << parser.ErrorCode();
        EXPECT_LE(std::fabs(static_cast<double>(parser.Value()) - *expected),
                  1e-9 * std::max(1.0, std::fabs(*expected)));
    }
}

struct TEvaluatorCase {
    const char* text;
    std::optional<double> value;
};

const TEvaluatorCase kEvaluatorRows[] = {
    {"2+3*4", 14},
    {"-2*3", -6},
    {"2+-3", -1},
    {"2-(-3)", 5},
    {"7/2", 3.5},
    {"12.5*2", 25},
    {"abs(1-3)", 2},
    {"sqrt(16)", 4},
    {"7/0", std::nullopt},
    {"sqrt(-1)", std::nullopt},
    {"exp(1000)", std::nullopt},
    {"(1", std::nullopt},
    {"1)", std::nullopt},
    {"2.", std::nullopt},
    {"tan(1)", std::nullopt},
    {"", std::nullopt},
};

TEST(CorpusEvaluator, ValuesOfTheCorpusGrammar)
{
    for (const TEvaluatorCase& row : kEvaluatorRows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(TCorpusEvaluator::Value(row.text), row.value);
    }
}

struct TProcessResult {
    int Status = -1; ///< the exit status; -1 when the program died of a signal
    std::string Err;
};

TProcessResult RunBenchEngine(const std::string& corpus, const test::TTempFolder& folder)
{
    const std::string errFile = folder.File("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<std::string> args = {ZEMBRICAL_BENCH_ENGINE_PATH, "--corpus=" + corpus,
                                     "--benchmark_filter=OneShot", "--benchmark_min_time=0.001"};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    TProcessResult result;
    int status = 0;
    if (rc == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.Status = WEXITSTATUS(status);
    result.Err = test::ReadAll(errFile);
    return result;
}

// Without its corpus a benchmark must say which file it wanted and fail, not abort.
TEST(BenchCorpus, MissingOrEmptyCorpusIsReportedAndFails)
{
    const test::TTempFolder folder;
    const std::string empty = folder.Write("empty.txt", "\n\n");
    for (const std::string& corpus : {folder.File("missing.txt"), empty}) {
        SCOPED_TRACE(corpus);
        const TProcessResult r = RunBenchEngine(corpus, folder);
        EXPECT_EQ(r.Status, 1) << r.Err;
        EXPECT_NE(r.Err.find("corpus " + corpus), std::string::npos) << r.Err;
    }
}

TEST(BenchCorpus, GivenCorpusIsUsed)
{
    const test::TTempFolder folder;
    const TProcessResult r = RunBenchEngine(folder.Write("corpus.txt", "1+2\n3*4\n"), folder);
    EXPECT_EQ(r.Status, 0) << r.Err;
}

} // namespace
