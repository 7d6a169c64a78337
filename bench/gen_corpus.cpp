// Writes the speed corpus: gen_corpus [-n COUNT] [--seed SEED] [-o FILE], one expression a line.
// The build runs it once; the same count and seed always give the same file.
#include "CorpusGenerator.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool ParseCount(std::string_view text, unsigned long long& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && ptr == end && !text.empty();
}

int Usage(const char* problem)
{
    std::fprintf(stderr, "gen_corpus: %s\nusage: gen_corpus [-n COUNT] [--seed SEED] [-o FILE]\n",
                 problem);
    return 2;
}

/// Writes beside the target and renames, so that an interrupted run leaves no half corpus.
bool WriteCorpus(const std::string& path, unsigned long long count, unsigned long long seed)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        std::fprintf(stderr, "gen_corpus: cannot create %s: %s\n", temporary.c_str(),
                     std::strerror(errno));
        return false;
    }
    std::FILE* out = ::fdopen(fd, "w");
    if (out == nullptr) {
        ::close(fd);
        std::remove(temporary.c_str());
        return false;
    }
    calc::bench::TCorpusGenerator generator(seed);
    for (unsigned long long i = 0; i < count; ++i) {
        const std::string line = generator.Expression() + "\n";
        std::fwrite(line.data(), 1, line.size(), out);
    }
    bool written = std::fflush(out) == 0 && !std::ferror(out) && ::fsync(fd) == 0;
    written = std::fclose(out) == 0 && written;
    if (!written || ::chmod(temporary.c_str(), 0644) != 0 ||
        std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "gen_corpus: cannot write %s: %s\n", path.c_str(),
                     std::strerror(errno));
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    unsigned long long count = 1000;
    unsigned long long seed = 1;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i + 1 >= argc)
            return Usage(("missing value after " + std::string(arg)).c_str());
        const std::string_view value = argv[++i];
        if (arg == "-n") {
            if (!ParseCount(value, count))
                return Usage("the count must be a whole number");
        }
        else if (arg == "--seed") {
            if (!ParseCount(value, seed))
                return Usage("the seed must be a whole number");
        }
        else if (arg == "-o") {
            output = value;
        }
        else {
            return Usage(("unknown option " + std::string(arg)).c_str());
        }
    }
    if (output.empty() || output == "-") {
        calc::bench::TCorpusGenerator generator(seed);
        for (unsigned long long i = 0; i < count; ++i)
            std::puts(generator.Expression().c_str());
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    return WriteCorpus(output, count, seed) ? 0 : 1;
}
