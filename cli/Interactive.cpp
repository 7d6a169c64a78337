#include "Interactive.h"

#include "Console.h"
#include "ConsoleCalculator.h"
#include "TextEncoding.h"
#include "definitions/NameKinds.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <readline/history.h>
#include <readline/readline.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace calc::cli {

namespace {

constexpr const char* kPrompt = "> ";
constexpr int kPromptWidth = 2;

volatile std::sig_atomic_t gInterrupted = 0;
/// The running calculator's stop request; set before the handler is installed.
TInterruptFlag* gEvaluationInterrupt = nullptr;

void OnInterrupt(int)
{
    gInterrupted = 1;
    // While an expression evaluates, Ctrl-C stops it and the prompt comes back.
    if (gEvaluationInterrupt != nullptr)
        gEvaluationInterrupt->store(true);
}

/// Ctrl-C abandons the line being typed and starts a fresh one, as shells do.
int OnSignalEvent()
{
    if (gInterrupted == 0)
        return 0;
    gInterrupted = 0;
    std::fputs("^C", rl_outstream);
    rl_replace_line("", 0);
    rl_point = 0;
    rl_mark = 0;
    rl_crlf();
    rl_on_new_line();
    rl_redisplay();
    return 0;
}

/// Every character that cannot be part of a name ends the word Tab completes.
const char* WordBreaks()
{
    static const std::string breaks = [] {
        std::string text;
        for (int c = 1; c < 256; ++c)
            if (!IsNameChar(static_cast<char>(c)) && !IsDigit(static_cast<char>(c)))
                text.push_back(static_cast<char>(c));
        return text;
    }();
    return breaks.c_str();
}

/// Hands readline the known names that start with the word, one per call.
char* NextName(const char* word, int state)
{
    static std::vector<std::string> names;
    static std::size_t next = 0;
    if (state == 0) {
        names = CompleteNames(ParserDefinitions(), Utf8ToLatin1(word).Text);
        next = 0;
    }
    if (next >= names.size())
        return nullptr;
    const std::string text = Latin1ToUtf8(names[next++]);
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy != nullptr)
        std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

char** CompleteName(const char* word, int, int)
{
    // Names only: never the file names readline offers by default.
    rl_attempted_completion_over = 1;
    rl_completion_append_character = '\0';
    return rl_completion_matches(word, NextName);
}

/// Installs the session's terminal behaviour and restores the previous one on exit.
class TReadlineSession {
public:
    explicit TReadlineSession(TInterruptFlag& evaluationInterrupt)
    {
        gEvaluationInterrupt = &evaluationInterrupt;
        rl_readline_name = "zembrical-cli";
        // Tab completes the names of functions and constants.
        rl_attempted_completion_function = CompleteName;
        rl_completer_word_break_characters = const_cast<char*>(WordBreaks());
        // With the results going to a file the prompt and echo stay on the terminal.
        if (::isatty(STDOUT_FILENO) == 0)
            rl_outstream = stderr;
        rl_catch_signals = 0;
        rl_signal_event_hook = OnSignalEvent;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no restart: the read must return so the hook runs
        ::sigaction(SIGINT, &action, &FPrevious);
        using_history();
    }
    ~TReadlineSession()
    {
        ::sigaction(SIGINT, &FPrevious, nullptr);
        gEvaluationInterrupt = nullptr;
        clear_history();
    }
    TReadlineSession(const TReadlineSession&) = delete;
    TReadlineSession& operator=(const TReadlineSession&) = delete;

private:
    struct sigaction FPrevious {};
};

bool IsQuitCommand(std::string_view line)
{
    const std::string_view word = Trim(line);
    return AnsiSameText(word, "quit") || AnsiSameText(word, "exit");
}

} // namespace

bool RunInteractive(TConsoleCalculator& calculator, TConsoleOutput& output, bool allFormats)
{
    TReadlineSession session(calculator.InterruptFlag());
    output.Error(Format("Zembrical Calculator %s. Type an expression; \"quit\" or Ctrl-D leaves.",
                        ZEMBRICAL_VERSION));
    bool allOk = true;
    for (;;) {
        const std::unique_ptr<char, decltype(&std::free)> input(readline(kPrompt), &std::free);
        if (input == nullptr) {
            // Ctrl-D: end the prompt line so the shell's prompt starts on its own.
            std::fputs("\n", rl_outstream);
            break;
        }
        const std::string_view line(input.get());
        if (Trim(line).empty())
            continue;
        add_history(input.get());
        if (IsQuitCommand(line))
            break;
        const TEvaluation e = calculator.Evaluate(line);
        gInterrupted = 0; // a Ctrl-C that stopped the evaluation is answered
        if (e.Ok) {
            AppendNamedResults(output.Buffer(), calculator.Results(), e.Value, !allFormats);
            output.Flush();
            continue;
        }
        allOk = false;
        if (e.Code == ceInterrupted) {
            // The terminal has echoed ^C on its own line; a caret would point at no mistake.
            output.Error("");
        }
        else {
            const TLatin1Result echoed = Utf8ToLatin1(line);
            output.Error(CaretLine(echoed.Text, e.Pos, kPromptWidth));
        }
        output.Error("error: " + Latin1ToUtf8(e.Message));
        if (const std::string hint = DidYouMeanLine(e, calculator.Parser()); !hint.empty())
            output.Error(Latin1ToUtf8(hint));
    }
    output.Flush();
    return allOk;
}

} // namespace calc::cli
