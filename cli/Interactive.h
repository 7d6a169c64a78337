#pragma once

namespace calc::cli {

class TConsoleCalculator;
class TConsoleOutput;

/// The prompt loop on a terminal, with line editing and a history that lives only as long as
/// the session. Shows the visible formats (all of them when allFormats) of every result, or a
/// caret under the error position and the message. Answers true when every expression
/// evaluated.
bool RunInteractive(TConsoleCalculator& calculator, TConsoleOutput& output, bool allFormats);

} // namespace calc::cli
