#pragma once

#include <string>

namespace calc {

/// The folder name under the per-user configuration folder.
inline constexpr const char* kSettingsFolderName = "Zembrical Calculator";
/// The options file in the settings folder.
inline constexpr const char* kOptionsFileName = "Options.ini";

/// The per-user settings folder with a trailing "/": $XDG_CONFIG_HOME/Zembrical Calculator/, or
/// ~/.config/Zembrical Calculator/ when that is unset or not absolute. The folder and its
/// missing parents are created on every call; a failure raises EException.
[[nodiscard]] std::string SettingsDir();

/// The settings folder's path with a trailing "/", without creating anything (for readers that
/// must leave no trace); raises EException when no home folder is known.
[[nodiscard]] std::string SettingsDirName();

/// Puts the settings folder somewhere else (tests); an empty path returns to the usual one.
void SetSettingsDirOverride(std::string folder);

} // namespace calc
