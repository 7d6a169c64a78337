#pragma once

#include <QIcon>
#include <QString>

namespace calc {

/// The name the desktop knows the program by: its desktop entry, AppStream id and icon name.
inline constexpr const char* kDesktopId = "org.zembrical.Calculator";

/// Names the application for the desktop: the display name in titles, a name without blanks
/// for WM_CLASS (which must match the desktop entry's StartupWMClass), the desktop entry for
/// Wayland and the taskbar, and the window icon.
void SetUpApplicationIdentity();

/// The program's icon: the installed one from the icon theme, else the one built in.
[[nodiscard]] QIcon ApplicationIcon();

} // namespace calc
