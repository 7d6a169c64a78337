#pragma once

#include "engine/ExprParserTypes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calc::cli {

inline constexpr std::string_view kProgramName = "zembrical-cli";

/// Where the options file comes from.
enum class TOptionsSource { osDefault, osFile, osNone };

/// What the command line asks for. Texts handed to the core are already ISO-8859-1;
/// expressions stay UTF-8 so that each one reports its own conversion failure.
struct TCliOptions {
    std::optional<TAngleMode> AngleMode;
    std::optional<std::string> DecimalSeparators;
    std::optional<char> ListSeparator;
    std::optional<std::string> DefinitionsDir;
    std::vector<std::string> Definitions;
    TOptionsSource OptionsSource = TOptionsSource::osDefault;
    std::string OptionsFile;
    bool All = false;
    bool Porcelain = false;
    bool Help = false;
    bool Version = false;
    std::vector<std::string> Expressions;
};

/// The command line read, or the reason it cannot be (Error not empty).
struct TCliParseResult {
    TCliOptions Options;
    std::string Error;
};

/// Reads the arguments after the program name. Options may stand anywhere; "--" ends them, and
/// an argument such as "-5+2" or "-(1)" that does not start with "-" and a letter is an
/// expression.
[[nodiscard]] TCliParseResult ParseCommandLine(const std::vector<std::string_view>& args);

/// The text of --help.
[[nodiscard]] std::string UsageText();

} // namespace calc::cli
