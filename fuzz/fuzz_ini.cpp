// Reads arbitrary bytes as a settings file, reads every key in every form the program uses
// (text, integer, boolean, character set, font, window placement), and checks that writing the
// file back reaches a fixed point after one round.
#include "core/FontText.h"
#include "core/IniFile.h"
#include "core/WindowPlacement.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace calc;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

void ReadEveryForm(const TIniFile& ini, const std::string& section, const std::string& key)
{
    const std::string value = ini.ReadString(section, key, "");
    Check(ini.ValueExists(section, key));

    const int number = ini.ReadInteger(section, key, 12345);
    int parsed = 0;
    if (TryStrToInt(value, parsed)) {
        Check(number == parsed);
        Check(StrToInt(std::to_string(parsed)) == parsed);
    }
    else {
        Check(number == 12345);
    }
    Check(ini.ReadBool(section, key, true) == (number != 0));

    const TCharSet set = ini.ReadCharSet(section, key, TCharSet());
    const std::string setText = CharSetToText(set);
    for (const char c : value)
        Check(set.Contains(c) && setText.find(c) != std::string::npos);
    Check(TCharSet(setText) == set);

    TFontData font;
    try {
        ReadFont(ini, section, key, font);
        // A name without delimiters or edge blanks survives a round trip.
        const std::string_view name = font.Name;
        if (name.find_first_of(",;") == std::string_view::npos && Trim(name) == name) {
            TFontData back;
            TextToFont(FontToText(font), back);
            Check(back == font);
        }
    }
    catch (const EConvertError&) {
        // A bad color is reported to the user as a load error.
    }

    TWindowPlacement placement;
    if (ReadPlacement(ini, section, key, placement)) {
        std::string upper = value;
        for (char& c : upper)
            c = Upper(c);
        Check(PlacementToText(placement) == upper);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TIniFile ini;
    ini.LoadFromText(text);
    for (const std::string& section : ini.ReadSections())
        for (const std::string& key : ini.ReadSection(section))
            ReadEveryForm(ini, section, key);

    const std::string once = ini.SaveToText();
    TIniFile again;
    again.LoadFromText(once);
    Check(again.SaveToText() == once);
    return 0;
}
