#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace calc {

class TIniFile;

struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const TRect&) const = default;
};

/// Size in bytes of the stored window placement record.
inline constexpr std::size_t kWindowPlacementSize = 44;

// Show commands and flags with the values the stored record uses.
inline constexpr std::uint32_t swHide = 0;
inline constexpr std::uint32_t swShowNormal = 1;
inline constexpr std::uint32_t swShowMinimized = 2;
inline constexpr std::uint32_t swShowMaximized = 3;
inline constexpr std::uint32_t wpfSetMinPosition = 1;
inline constexpr std::uint32_t wpfRestoreToMaximized = 2;

/// Where a window is and how it is shown, laid out in its stored form as eleven little-endian
/// 32-bit fields: length (44), flags, show command, minimized position, maximized position,
/// normal rectangle.
struct TWindowPlacement {
    std::uint32_t Length = kWindowPlacementSize;
    std::uint32_t Flags = 0;
    std::uint32_t ShowCmd = swShowNormal;
    TPoint MinPosition;
    TPoint MaxPosition;
    TRect NormalPosition;
    bool operator==(const TWindowPlacement&) const = default;
};

[[nodiscard]] std::array<std::uint8_t, kWindowPlacementSize>
PlacementToBytes(const TWindowPlacement& placement) noexcept;
[[nodiscard]] TWindowPlacement
BytesToPlacement(const std::array<std::uint8_t, kWindowPlacementSize>& bytes) noexcept;

/// 88 upper-case hexadecimal digits, two per byte in memory order.
[[nodiscard]] std::string PlacementToText(const TWindowPlacement& placement);
/// Decodes a text of hexadecimal digits; only one that gives exactly 44 bytes is taken.
[[nodiscard]] bool TextToPlacement(std::string_view text, TWindowPlacement& placement);

/// The key of a window's placement: its name with the screen size, "%s(%dx%d)", so that every
/// screen resolution keeps its own placement.
[[nodiscard]] std::string PlacementKey(std::string_view name, int screenWidth, int screenHeight);

void WritePlacement(TIniFile& ini, std::string_view section, std::string_view key,
                    const TWindowPlacement& placement);
/// Answers false and leaves placement alone unless the key holds a valid placement.
[[nodiscard]] bool ReadPlacement(const TIniFile& ini, std::string_view section,
                                 std::string_view key, TWindowPlacement& placement);

} // namespace calc
