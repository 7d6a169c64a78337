// Throughput of the console calculator as a whole process: the corpus piped through it with
// its default output, next to a muparser-based line reader doing the same. Then the time per
// MB of one very long input line, read alone and evaluated by the whole program: it stays the
// same from 1 to 100 MB when reading is linear.
#include "BenchCorpus.h"
#include "Console.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

/// Runs a program with a file on standard input and its output thrown away; false when it
/// could not start or died of a signal.
bool RunOnFile(const std::vector<std::string>& command, const char* input)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input, O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& arg : command)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status);
}

/// A folder removed with its contents when the program ends.
struct TBenchFolder {
    std::string Path = "/tmp/zembrical-bench-XXXXXX";
    TBenchFolder()
    {
        if (::mkdtemp(Path.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
    }
    ~TBenchFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(Path, error);
    }
};

/// An empty folder, so that no definition files take part.
const std::string& EmptyDefinitionsFolder()
{
    static const TBenchFolder folder;
    return folder.Path;
}

void RunProcessBenchmark(benchmark::State& state, const std::vector<std::string>& command)
{
    const std::size_t lines = calc::bench::Corpus().size();
    for (auto _ : state)
        if (!RunOnFile(command, calc::bench::CorpusPath().c_str()))
            calc::bench::Fail(state, "the program did not run to its end");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lines));
}

void BM_Process_ZembricalCli(benchmark::State& state)
{
    RunProcessBenchmark(state, {ZEMBRICAL_CLI_PATH, "--no-options", "--angle=rad",
                                "--definitions=" + EmptyDefinitionsFolder()});
}
BENCHMARK(BM_Process_ZembricalCli)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_Process_muparserReader(benchmark::State& state)
{
    RunProcessBenchmark(state, {ZEMBRICAL_MUPARSER_READER_PATH});
}
BENCHMARK(BM_Process_muparserReader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

/// A folder for the long-line files, removed with them when the benchmarks end.
class TLongLineFolder {
public:
    TLongLineFolder()
    {
        char pattern[] = "/tmp/zembrical-bench-lines-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    ~TLongLineFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(FPath, error);
    }
    TLongLineFolder(const TLongLineFolder&) = delete;
    TLongLineFolder& operator=(const TLongLineFolder&) = delete;

    /// A file of one line "1+1+...+1" of about megabytes MB and a line end, made on first use.
    const std::string& File(std::int64_t megabytes)
    {
        std::string& path = FFiles[megabytes];
        if (!path.empty())
            return path;
        path = FPath + "/" + std::to_string(megabytes) + "MB.txt";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr)
            throw std::runtime_error("cannot write " + path);
        const std::string block = [] {
            std::string text;
            for (int i = 0; i < 32768; ++i)
                text += "1+";
            return text;
        }();
        for (std::int64_t i = 0; i < megabytes * 16; ++i)
            std::fwrite(block.data(), 1, block.size(), file);
        std::fputs("1\n", file);
        if (std::fclose(file) != 0)
            throw std::runtime_error("cannot write " + path);
        return path;
    }

private:
    std::string FPath;
    std::map<std::int64_t, std::string> FFiles;
};

TLongLineFolder& LongLines()
{
    static TLongLineFolder folder;
    return folder;
}

/// Seconds per MB of the line, next to the usual bytes per second.
void SetPerMegabyte(benchmark::State& state)
{
    const std::int64_t megabytes = state.range(0);
    state.SetBytesProcessed(state.iterations() * megabytes * 1024 * 1024);
    state.counters["s_per_MB"] =
        benchmark::Counter(static_cast<double>(state.iterations() * megabytes),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_LongLine_Read(benchmark::State& state)
{
    const std::string& path = LongLines().File(state.range(0));
    std::string line;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            calc::bench::Fail(state, "cannot open the long line");
            break;
        }
        calc::cli::TLineReader reader(fd);
        if (!reader.ReadLine(line))
            calc::bench::Fail(state, "no line read");
        benchmark::DoNotOptimize(line.data());
        ::close(fd);
    }
    SetPerMegabyte(state);
}
BENCHMARK(BM_LongLine_Read)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_LongLine_Process(benchmark::State& state)
{
    const std::string& path = LongLines().File(state.range(0));
    const std::vector<std::string> command = {ZEMBRICAL_CLI_PATH, "--porcelain",
                                              "--definitions=" + EmptyDefinitionsFolder()};
    for (auto _ : state)
        if (!RunOnFile(command, path.c_str()))
            calc::bench::Fail(state, "the program did not run to its end");
    SetPerMegabyte(state);
}
BENCHMARK(BM_LongLine_Process)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return calc::bench::RunWithRatio(argc, argv, "Console calculator", "BM_Process_ZembricalCli",
                                     "muparser reader", "BM_Process_muparserReader", 12);
}
