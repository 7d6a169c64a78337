#include "ui/Layout.h"

#include "core/IniFile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace calc {

namespace {

std::string PlacementKeyFor(QSize screen)
{
    return PlacementKey(kMainWindowName, screen.width(), screen.height());
}

} // namespace

TLayoutSettings ReadLayout(const TIniFile& ini, QSize screen)
{
    TLayoutSettings layout;
    layout.MenuBar = ini.ReadBool(kLayoutSection, "Menu", layout.MenuBar);
    layout.ToolBar = ini.ReadBool(kLayoutSection, "Toolbar", layout.ToolBar);
    TWindowPlacement placement;
    if (ReadPlacement(ini, kLayoutSection, PlacementKeyFor(screen), placement))
        layout.Placement = placement;
    layout.ToolsHeight = ini.ReadInteger(kLayoutSection, "ToolsHeight", layout.ToolsHeight);
    layout.ToolIndex = ini.ReadInteger(kLayoutSection, "ToolIndex", layout.ToolIndex);
    layout.StayOnTop = ini.ReadBool(kLayoutSection, "StayOnTop", layout.StayOnTop);
    return layout;
}

void WriteLayout(TIniFile& ini, const TLayoutSettings& layout, QSize screen)
{
    if (layout.Placement)
        WritePlacement(ini, kLayoutSection, PlacementKeyFor(screen), *layout.Placement);
    ini.WriteBool(kLayoutSection, "Menu", layout.MenuBar);
    ini.WriteBool(kLayoutSection, "Toolbar", layout.ToolBar);
    ini.WriteInteger(kLayoutSection, "ToolsHeight", layout.ToolsHeight);
    ini.WriteInteger(kLayoutSection, "ToolIndex", layout.ToolIndex);
    ini.WriteBool(kLayoutSection, "StayOnTop", layout.StayOnTop);
}

TLayoutSettings LoadLayoutFile(const std::string& fileName, QSize screen)
{
    TIniFile ini;
    try {
        if (!ini.LoadFromFile(fileName))
            return {};
    }
    catch (const EException&) {
        return {}; // an unreadable file counts as a missing one
    }
    return ReadLayout(ini, screen);
}

void SaveLayoutFile(const std::string& fileName, const TLayoutSettings& layout, QSize screen)
{
    // Other screen sizes' placements live in the same file; a file that cannot be read fails
    // the save rather than being replaced by this session's layout alone.
    TIniFile ini;
    (void)ini.LoadFromFile(fileName);
    WriteLayout(ini, layout, screen);
    ini.SaveToFile(fileName);
}

TWindowPlacement PlacementOfWindow(const QWidget& window)
{
    TWindowPlacement placement;
    const QRect normal =
        window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    placement.NormalPosition = {normal.left(), normal.top(), normal.left() + normal.width(),
                                normal.top() + normal.height()};
    placement.MinPosition = {-1, -1};
    placement.MaxPosition = {-1, -1};
    const Qt::WindowStates state = window.windowState();
    if (state & Qt::WindowMinimized) {
        placement.ShowCmd = swShowMinimized;
        if (state & Qt::WindowMaximized)
            placement.Flags |= wpfRestoreToMaximized;
    }
    else if (state & Qt::WindowMaximized)
        placement.ShowCmd = swShowMaximized;
    else
        placement.ShowCmd = swShowNormal;
    return placement;
}

void ApplyPlacement(QWidget& window, const TWindowPlacement& placement)
{
    const TRect& r = placement.NormalPosition;
    const QRect normal(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    if (normal.width() > 0 && normal.height() > 0) {
        bool onScreen = false;
        for (const QScreen* screen : QGuiApplication::screens())
            onScreen = onScreen || screen->availableGeometry().intersects(normal);
        if (onScreen)
            window.setGeometry(normal);
        else
            window.resize(normal.size());
    }
    const bool maximized =
        placement.ShowCmd == swShowMaximized ||
        (placement.ShowCmd == swShowMinimized && (placement.Flags & wpfRestoreToMaximized) != 0);
    window.setWindowState(maximized ? Qt::WindowMaximized : Qt::WindowNoState);
}

QSize PrimaryScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->size() : QSize();
}

} // namespace calc
