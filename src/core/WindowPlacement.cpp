#include "core/WindowPlacement.h"

#include "core/IniFile.h"
#include "engine/ExprParserTypes.h"

namespace calc {

namespace {

using TFields = std::array<std::uint32_t, kWindowPlacementSize / 4>;

TFields ToFields(const TWindowPlacement& p) noexcept
{
    const auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
    return {p.Length,
            p.Flags,
            p.ShowCmd,
            u(p.MinPosition.X),
            u(p.MinPosition.Y),
            u(p.MaxPosition.X),
            u(p.MaxPosition.Y),
            u(p.NormalPosition.Left),
            u(p.NormalPosition.Top),
            u(p.NormalPosition.Right),
            u(p.NormalPosition.Bottom)};
}

} // namespace

std::array<std::uint8_t, kWindowPlacementSize>
PlacementToBytes(const TWindowPlacement& placement) noexcept
{
    std::array<std::uint8_t, kWindowPlacementSize> bytes{};
    const TFields fields = ToFields(placement);
    for (std::size_t i = 0; i < fields.size(); ++i)
        for (std::size_t b = 0; b < 4; ++b)
            bytes[i * 4 + b] = static_cast<std::uint8_t>(fields[i] >> (8 * b));
    return bytes;
}

TWindowPlacement
BytesToPlacement(const std::array<std::uint8_t, kWindowPlacementSize>& bytes) noexcept
{
    TFields f{};
    for (std::size_t i = 0; i < f.size(); ++i)
        for (std::size_t b = 0; b < 4; ++b)
            f[i] |= static_cast<std::uint32_t>(bytes[i * 4 + b]) << (8 * b);
    const auto s = [](std::uint32_t v) { return static_cast<std::int32_t>(v); };
    TWindowPlacement p;
    p.Length = f[0];
    p.Flags = f[1];
    p.ShowCmd = f[2];
    p.MinPosition = {s(f[3]), s(f[4])};
    p.MaxPosition = {s(f[5]), s(f[6])};
    p.NormalPosition = {s(f[7]), s(f[8]), s(f[9]), s(f[10])};
    return p;
}

std::string PlacementToText(const TWindowPlacement& placement)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(kWindowPlacementSize * 2);
    for (const std::uint8_t byte : PlacementToBytes(placement)) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

bool TextToPlacement(std::string_view text, TWindowPlacement& placement)
{
    if (text.size() != kWindowPlacementSize * 2)
        return false;
    std::array<std::uint8_t, kWindowPlacementSize> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = HexDigitValue(text[2 * i]);
        const int low = HexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    placement = BytesToPlacement(bytes);
    return true;
}

std::string PlacementKey(std::string_view name, int screenWidth, int screenHeight)
{
    return Format("%.*s(%dx%d)", static_cast<int>(name.size()), name.data(), screenWidth,
                  screenHeight);
}

void WritePlacement(TIniFile& ini, std::string_view section, std::string_view key,
                    const TWindowPlacement& placement)
{
    ini.WriteString(section, key, PlacementToText(placement));
}

bool ReadPlacement(const TIniFile& ini, std::string_view section, std::string_view key,
                   TWindowPlacement& placement)
{
    return TextToPlacement(ini.ReadString(section, key, ""), placement);
}

} // namespace calc
