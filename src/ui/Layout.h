#pragma once

#include "core/WindowPlacement.h"

#include <QSize>
#include <optional>
#include <string>

class QWidget;

namespace calc {

class TIniFile;

inline constexpr const char* kLayoutFileName = "Layout.ini";
/// The section of the main window's keys: its class name.
inline constexpr const char* kLayoutSection = "TfrmCalculator";
/// The window's component name, which starts its placement key.
inline constexpr const char* kMainWindowName = "frmCalculator";

/// What "Layout.ini" remembers of the main window.
struct TLayoutSettings {
    bool MenuBar = false;
    bool ToolBar = true;
    int ToolsHeight = 203;
    int ToolIndex = -1;
    bool StayOnTop = false;
    /// The placement stored for the present screen size, when there is a valid one.
    std::optional<TWindowPlacement> Placement;

    bool operator==(const TLayoutSettings&) const = default;
};

/// The settings of the file's text; missing and malformed values give the defaults. screen is
/// in device pixels; pixelRatio (device pixels per Qt pixel) also finds a placement that older
/// versions stored in Qt pixels under the screen's size in Qt pixels.
[[nodiscard]] TLayoutSettings ReadLayout(const TIniFile& ini, QSize screen,
                                         double pixelRatio = 1.0);
/// Writes the keys in their order: placement, "Menu", "Toolbar", "ToolsHeight", "ToolIndex",
/// "StayOnTop". The placements of other screen sizes stay.
void WriteLayout(TIniFile& ini, const TLayoutSettings& layout, QSize screen);

/// The settings of the file; a missing or unreadable file gives the defaults.
[[nodiscard]] TLayoutSettings LoadLayoutFile(const std::string& fileName, QSize screen,
                                             double pixelRatio = 1.0);
/// Rewrites the file with the settings, keeping what else it holds; failures raise EException.
void SaveLayoutFile(const std::string& fileName, const TLayoutSettings& layout, QSize screen);

// Placements are stored in device pixels, so that one saved at one scale factor puts the window
// at the same place on the screen at another.

/// The window's normal position and size and whether it is maximised or minimised.
[[nodiscard]] TWindowPlacement PlacementOfWindow(const QWidget& window);
/// Puts the window where the placement says. A window never starts minimised, and a normal
/// rectangle that no screen shows keeps the size but lets the window system place it.
void ApplyPlacement(QWidget& window, const TWindowPlacement& placement);

/// The primary screen's size in device pixels.
[[nodiscard]] QSize PrimaryScreenSize();
/// Device pixels per Qt pixel on the primary screen.
[[nodiscard]] double PrimaryScreenPixelRatio();
/// The size in device pixels of a screen that Qt reports as logical at the given ratio.
[[nodiscard]] QSize DeviceScreenSize(QSize logical, double pixelRatio);

} // namespace calc
