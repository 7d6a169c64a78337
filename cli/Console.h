#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace calc::cli {

/// Collects standard output and writes it in large pieces; Flush writes it out at once.
/// Error lines go to standard error unbuffered, after the pending output when both streams
/// reach the same file, so their order survives "2>&1".
/// When standard output cannot be written, the first failure is reported on standard error
/// and everything after it is dropped; a closed pipe ends the program as SIGPIPE does, even
/// when the signal is ignored, so "| head -1" ends it quietly.
class TConsoleOutput {
public:
    TConsoleOutput();
    ~TConsoleOutput() { Flush(); }
    TConsoleOutput(const TConsoleOutput&) = delete;
    TConsoleOutput& operator=(const TConsoleOutput&) = delete;

    [[nodiscard]] std::string& Buffer() noexcept { return FBuffer; }
    /// Ends one expression's output: written at once on a terminal, else when enough gathered.
    void EndItem();
    void Flush();
    /// Writes one UTF-8 line (a line end is added) to standard error.
    void Error(std::string_view line);
    /// Some output could not be written.
    [[nodiscard]] bool Failed() const noexcept { return FFailed; }

private:
    void WriteFailed(int error);

    std::string FBuffer;
    bool FTerminal;
    bool FSharedWithErrors;
    bool FFailed = false;
};

/// Reads lines from a file descriptor through its own buffer. Before it would wait for more
/// input, OnWait runs (the caller flushes its output), so a program that talks to the
/// calculator line by line through pipes gets each answer before it sends the next question.
class TLineReader {
public:
    explicit TLineReader(int fd) : FFd(fd) {}

    std::function<void()> OnWait;
    /// The next line without its line end (LF, CR LF); false at the end of the input.
    bool ReadLine(std::string& line);
    /// The read failed (not the end of the input); errno-style text in ErrorText.
    [[nodiscard]] bool Failed() const noexcept { return !FErrorText.empty(); }
    [[nodiscard]] const std::string& ErrorText() const noexcept { return FErrorText; }
    /// Bytes looked at while searching for line ends so far.
    [[nodiscard]] std::size_t BytesSearched() const noexcept { return FBytesSearched; }

private:
    bool Fill();
    /// The offset of the first LF in the bytes, or size when there is none.
    std::size_t FindLineEnd(const char* data, std::size_t size) noexcept;

    int FFd;
    std::vector<char> FBuffer;
    std::size_t FStart = 0;
    std::size_t FSearched = 0; ///< bytes after FStart known to hold no line end
    bool FEnd = false;
    std::size_t FBytesSearched = 0;
    std::string FErrorText;
};

} // namespace calc::cli
