#pragma once

#include "engine/EvalInterrupt.h"
#include "engine/ExprParser.h"
#include "results/CalcResultProvider.h"

#include <string>
#include <string_view>

namespace calc {
class TIniFile;
}

namespace calc::cli {

/// The outcome of one expression. Message is the engine's message (8-bit text).
struct TEvaluation {
    bool Ok = false;
    Extended Value = 0;
    int Code = 0;
    int Pos = 0;
    std::string Message;
};

/// The console calculator's engine and result formats. It reads settings but never writes a
/// file.
class TConsoleCalculator {
public:
    TConsoleCalculator();

    [[nodiscard]] TExpressionParser& Parser() noexcept { return FParser; }
    [[nodiscard]] TResultsManager& Results() noexcept { return FResults; }
    [[nodiscard]] const TResultsManager& Results() const noexcept { return FResults; }

    /// Takes the separators, the angle mode and the result format settings from an options
    /// file, as the calculator does at start-up; keys that are missing keep their defaults.
    void ApplyOptions(const TIniFile& ini);

    /// Evaluates one UTF-8 expression; a character the core cannot hold (above U+00FF, or the
    /// character 0) fails like an engine error with code 99 at that character. Raising
    /// InterruptFlag stops it with code 24.
    [[nodiscard]] TEvaluation Evaluate(std::string_view utf8);

    /// Raised (from a signal handler, say) to stop the evaluation in progress; each evaluation
    /// lowers it when it starts.
    [[nodiscard]] TInterruptFlag& InterruptFlag() noexcept { return FInterrupt; }

private:
    TExpressionParser FParser;
    TInterruptFlag FInterrupt{false};
    TResultsManager FResults;
};

/// The list separator that goes with the host's decimal separator: "," after ".", else ";".
[[nodiscard]] char DefaultListSeparator(char regionalDecimalSeparator) noexcept;

/// Appends the text of the default format and a line end (UTF-8).
void AppendDefaultResult(std::string& out, const TResultsManager& results, Extended value);
/// Appends "Name: text" lines for the formats in display order, all or only the visible ones.
void AppendNamedResults(std::string& out, const TResultsManager& results, Extended value,
                        bool visibleOnly);
/// Appends one tab-separated line: ok, the value, the eleven texts in list order; or error,
/// code, position, message.
void AppendPorcelain(std::string& out, const TResultsManager& results, const TEvaluation& e);
/// The value as "%.21Lg" writes it in the C locale, whatever the process locale is.
[[nodiscard]] std::string FormatValueC(Extended value);
/// The nearest known name for the unknown one of a failed evaluation, as a line to show
/// ("did you mean "sin"?"), or empty when the error is not about a name or none is near.
[[nodiscard]] std::string DidYouMeanLine(const TEvaluation& e, const TExpressionParser& parser);
/// The line under an echoed expression that puts a caret below the error position; indent is
/// the width of what was printed before the expression. Tabs are kept so the caret lines up.
[[nodiscard]] std::string CaretLine(std::string_view latin1Expression, int pos, int indent);

} // namespace calc::cli
