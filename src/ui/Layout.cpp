#include "ui/Layout.h"

#include "core/IniFile.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>

namespace calc {

namespace {

std::string PlacementKeyFor(QSize screen)
{
    return PlacementKey(kMainWindowName, screen.width(), screen.height());
}

int Scaled(int value, double factor)
{
    const double scaled = std::round(value * factor);
    return static_cast<int>(std::clamp(scaled, double(INT_MIN), double(INT_MAX)));
}

TRect ScaledRect(const TRect& r, double factor)
{
    // Edges rather than sizes, so that neighbouring rectangles stay neighbours.
    return {Scaled(r.Left, factor), Scaled(r.Top, factor), Scaled(r.Right, factor),
            Scaled(r.Bottom, factor)};
}

int DeviceLength(int logical, double ratio)
{
    // Qt rounds the device length to its own pixels, so several device lengths give the same
    // logical one: take the one screens are made of, the one with the most factors of two.
    const int nearest = Scaled(logical, ratio);
    if (!(ratio > 0 && ratio <= 16) || logical <= 0 || nearest > INT_MAX - 16)
        return nearest;
    const int spread = static_cast<int>(std::ceil(ratio));
    int best = nearest;
    int bestZeros = -1;
    for (int length = std::max(nearest - spread, 1); length <= nearest + spread; ++length) {
        if (Scaled(length, 1.0 / ratio) != logical)
            continue;
        const int zeros = std::countr_zero(static_cast<unsigned>(length));
        if (zeros > bestZeros || (zeros == bestZeros && std::abs(length - logical * ratio) <
                                                            std::abs(best - logical * ratio))) {
            best = length;
            bestZeros = zeros;
        }
    }
    return best;
}

} // namespace

TLayoutSettings ReadLayout(const TIniFile& ini, QSize screen, double pixelRatio)
{
    TLayoutSettings layout;
    layout.MenuBar = ini.ReadBool(kLayoutSection, "Menu", layout.MenuBar);
    layout.ToolBar = ini.ReadBool(kLayoutSection, "Toolbar", layout.ToolBar);
    TWindowPlacement placement;
    if (ReadPlacement(ini, kLayoutSection, PlacementKeyFor(screen), placement))
        layout.Placement = placement;
    else if (pixelRatio != 1.0 && pixelRatio > 0) {
        // Older versions stored Qt pixels under the screen's size in Qt pixels.
        const QSize logical(Scaled(screen.width(), 1.0 / pixelRatio),
                            Scaled(screen.height(), 1.0 / pixelRatio));
        if (ReadPlacement(ini, kLayoutSection, PlacementKeyFor(logical), placement)) {
            placement.NormalPosition = ScaledRect(placement.NormalPosition, pixelRatio);
            layout.Placement = placement;
        }
    }
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

TLayoutSettings LoadLayoutFile(const std::string& fileName, QSize screen, double pixelRatio)
{
    TIniFile ini;
    try {
        if (!ini.LoadFromFile(fileName))
            return {};
    }
    catch (const EException&) {
        return {}; // an unreadable file counts as a missing one
    }
    return ReadLayout(ini, screen, pixelRatio);
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
    placement.NormalPosition =
        ScaledRect({normal.left(), normal.top(), normal.left() + normal.width(),
                    normal.top() + normal.height()},
                   PrimaryScreenPixelRatio());
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
    const TRect r = ScaledRect(placement.NormalPosition, 1.0 / PrimaryScreenPixelRatio());
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
    return screen != nullptr ? DeviceScreenSize(screen->size(), screen->devicePixelRatio())
                             : QSize();
}

double PrimaryScreenPixelRatio()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double ratio = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    return ratio > 0 ? ratio : 1.0;
}

QSize DeviceScreenSize(QSize logical, double pixelRatio)
{
    return {DeviceLength(logical.width(), pixelRatio), DeviceLength(logical.height(), pixelRatio)};
}

} // namespace calc
