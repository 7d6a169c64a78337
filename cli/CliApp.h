#pragma once

#include <string>

namespace calc::cli {

/// Exit statuses of the console calculator.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitOutputFailed = 2;

/// "Options.ini" in the user's settings folder ($XDG_CONFIG_HOME, else ~/.config, followed by
/// "Zembrical Calculator"); unlike the settings folder of the calculator it creates nothing.
/// Empty when no home folder is known.
[[nodiscard]] std::string DefaultOptionsFileName();

/// The whole console calculator: reads the command line, sets up the core, evaluates.
int RunCli(int argc, char** argv);

} // namespace calc::cli
