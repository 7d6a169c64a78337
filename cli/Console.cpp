#include "Console.h"

#include "CliOptions.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace calc::cli {

namespace {

constexpr std::size_t kOutputChunk = 1 << 16;
constexpr std::size_t kReadChunk = 1 << 16;

bool SameFile(int fd1, int fd2)
{
    struct stat a {};
    struct stat b {};
    return ::fstat(fd1, &a) == 0 && ::fstat(fd2, &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

/// 0, or the errno of the write that failed.
int WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

} // namespace

TConsoleOutput::TConsoleOutput()
    : FTerminal(::isatty(STDOUT_FILENO) != 0),
      FSharedWithErrors(SameFile(STDOUT_FILENO, STDERR_FILENO))
{
    FBuffer.reserve(kOutputChunk + 4096);
}

void TConsoleOutput::EndItem()
{
    if (FTerminal || FBuffer.size() >= kOutputChunk)
        Flush();
}

void TConsoleOutput::Flush()
{
    if (FBuffer.empty())
        return;
    if (FFailed) {
        FBuffer.clear();
        return;
    }
    // Anything printed through stdio (by readline) goes first.
    std::fflush(stdout);
    const int error = WriteAll(STDOUT_FILENO, FBuffer);
    FBuffer.clear();
    if (error != 0)
        WriteFailed(error);
}

void TConsoleOutput::WriteFailed(int error)
{
    FFailed = true;
    if (error == EPIPE) {
        // The reader has gone: end as the signal would have, without a word.
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
        return; // the signal is blocked: the caller ends the run
    }
    Error(std::string(kProgramName) + ": cannot write standard output: " + std::strerror(error));
}

void TConsoleOutput::Error(std::string_view line)
{
    if (FSharedWithErrors)
        Flush();
    std::string text(line);
    text.push_back('\n');
    std::fflush(stderr);
    // Nowhere is left to report a failure on standard error itself.
    static_cast<void>(WriteAll(STDERR_FILENO, text));
}

bool TLineReader::Fill()
{
    if (FStart > 0) {
        FBuffer.erase(FBuffer.begin(), FBuffer.begin() + static_cast<std::ptrdiff_t>(FStart));
        FStart = 0;
    }
    if (OnWait)
        OnWait();
    const std::size_t used = FBuffer.size();
    FBuffer.resize(used + kReadChunk);
    ssize_t n;
    do
        n = ::read(FFd, FBuffer.data() + used, kReadChunk);
    while (n < 0 && errno == EINTR);
    FBuffer.resize(used + static_cast<std::size_t>(n > 0 ? n : 0));
    if (n < 0)
        FErrorText = std::strerror(errno);
    if (n <= 0)
        FEnd = true;
    return n > 0;
}

bool TLineReader::ReadLine(std::string& line)
{
    for (;;) {
        const char* begin = FBuffer.data() + FStart;
        const std::size_t available = FBuffer.size() - FStart;
        // What was searched before held no line end: only the bytes read since are looked at,
        // or a line of many reads would be searched again from its start after each one.
        const std::size_t length =
            FSearched + FindLineEnd(begin + FSearched, available - FSearched);
        if (length < available || (FEnd && available > 0)) {
            FStart += length < available ? length + 1 : length;
            FSearched = 0;
            const bool cr = length > 0 && begin[length - 1] == '\r';
            line.assign(begin, cr ? length - 1 : length);
            return true;
        }
        FSearched = available;
        if (FEnd || !Fill()) {
            if (FBuffer.size() == FStart)
                return false;
        }
    }
}

std::size_t TLineReader::FindLineEnd(const char* data, std::size_t size) noexcept
{
    const void* found = size > 0 ? std::memchr(data, '\n', size) : nullptr;
    const std::size_t offset =
        found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - data) : size;
    FBytesSearched += found != nullptr ? offset + 1 : offset;
    return offset;
}

} // namespace calc::cli
