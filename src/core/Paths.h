#pragma once

#include <string>

namespace calc {

/// The folder name under the per-user configuration folder.
inline constexpr const char* kSettingsFolderName = "Zembrical Calculator";

/// The per-user settings folder with a trailing "/": $XDG_CONFIG_HOME/Zembrical Calculator/, or
/// ~/.config/Zembrical Calculator/ when that is unset or not absolute. The folder and its
/// missing parents are created on every call; a failure raises EException.
[[nodiscard]] std::string SettingsDir();

/// Puts the settings folder somewhere else (tests); an empty path returns to the usual one.
void SetSettingsDirOverride(std::string folder);

} // namespace calc
