// Throughput of the console calculator as a whole process: the corpus piped through it with
// its default output, next to a muparser-based line reader doing the same.
#include "BenchCorpus.h"

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

/// Runs a program with the corpus file on standard input and its output thrown away; false
/// when it could not start or died of a signal.
bool RunOnCorpus(const std::vector<std::string>& command)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, calc::bench::CorpusPath().c_str(), O_RDONLY, 0);
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
        if (!RunOnCorpus(command))
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

} // namespace

int main(int argc, char** argv)
{
    return calc::bench::RunWithRatio(argc, argv, "Console calculator", "BM_Process_ZembricalCli",
                                     "muparser reader", "BM_Process_muparserReader");
}
