#pragma once

#include <map>
#include <string>
#include <vector>

namespace calc::test {

/// What a finished process left behind.
struct TProcessResult {
    std::string Out;
    std::string Err;
    int Status = -1; ///< exit status, or -1 when it did not exit normally
};

/// Runs a program with the arguments, feeds it input on standard input and collects both
/// outputs. The environment is exactly env. A process still running after the timeout is
/// killed (Status -1).
TProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                          const std::string& input, const std::map<std::string, std::string>& env,
                          int timeoutSeconds = 60);

/// A process that runs with pipes on its standard streams, for a conversation line by line.
class TChildProcess {
public:
    TChildProcess(const std::string& program, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env);
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    void Write(const std::string& text);
    /// One line from standard output without its end; empty when none came in time.
    std::string ReadLine(int timeoutMs);
    /// Closes standard input and waits for the exit status.
    int Finish();

private:
    int FPid = -1;
    int FIn = -1;
    int FOut = -1;
    std::string FPending;
};

/// The keystroke of RunOnTerminal that sends the interrupt signal, as Ctrl-C on a terminal.
inline constexpr const char* kCtrlC = "\x03";

/// A process on a pseudo-terminal, for the interactive prompt. Keystrokes are written one
/// after the other, with a pause for the output after each.
TProcessResult RunOnTerminal(const std::string& program, const std::vector<std::string>& args,
                             const std::vector<std::string>& keystrokes,
                             const std::map<std::string, std::string>& env);

} // namespace calc::test
