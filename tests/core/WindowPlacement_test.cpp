#include "core/IniFile.h"
#include "core/WindowPlacement.h"

#include <cctype>
#include <gtest/gtest.h>

namespace calc {
namespace {

TWindowPlacement SamplePlacement()
{
    TWindowPlacement p;
    p.Flags = wpfRestoreToMaximized;
    p.ShowCmd = swShowMaximized;
    p.MinPosition = {-1, -1};
    p.MaxPosition = {-8, -8};
    p.NormalPosition = {100, 200, 900, 700};
    return p;
}

// Eleven little-endian 32-bit fields: 44, 2, 3, -1, -1, -8, -8, 100, 200, 900, 700.
constexpr const char* kSampleText = "2C000000"
                                    "02000000"
                                    "03000000"
                                    "FFFFFFFF"
                                    "FFFFFFFF"
                                    "F8FFFFFF"
                                    "F8FFFFFF"
                                    "64000000"
                                    "C8000000"
                                    "84030000"
                                    "BC020000";

TEST(WindowPlacementText, EightyEightUpperCaseDigitsInMemoryOrder)
{
    EXPECT_EQ(PlacementToText(SamplePlacement()), kSampleText);
}

TEST(WindowPlacementText, NewRecordCarriesItsLength)
{
    EXPECT_EQ(PlacementToText(TWindowPlacement{}).substr(0, 8), "2C000000");
}

TEST(WindowPlacementText, ReadsBackTheSamePlacement)
{
    TWindowPlacement p;
    ASSERT_TRUE(TextToPlacement(kSampleText, p));
    EXPECT_EQ(p, SamplePlacement());
}

TEST(WindowPlacementText, LowerCaseDigitsAccepted)
{
    std::string text = kSampleText;
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    TWindowPlacement p;
    ASSERT_TRUE(TextToPlacement(text, p));
    EXPECT_EQ(p, SamplePlacement());
}

TEST(WindowPlacementText, OnlyExactlyFortyFourBytesAreTaken)
{
    const std::string good = kSampleText;
    const std::string rows[] = {
        "",          good.substr(0, 86),       good.substr(0, 87),   good + "0",
        good + "00", good.substr(0, 87) + "G", " " + good.substr(1), std::string(88, '-'),
    };
    for (const std::string& text : rows) {
        SCOPED_TRACE(text);
        TWindowPlacement p;
        p.ShowCmd = 77;
        EXPECT_FALSE(TextToPlacement(text, p));
        EXPECT_EQ(p.ShowCmd, 77u);
    }
}

TEST(WindowPlacementKey, NameWithScreenSize)
{
    EXPECT_EQ(PlacementKey("frmCalculator", 1920, 1080), "frmCalculator(1920x1080)");
    EXPECT_EQ(PlacementKey("", 800, 600), "(800x600)");
}

TEST(WindowPlacementIni, WrittenPlacementReadsBack)
{
    TIniFile ini;
    const std::string key = PlacementKey("frmCalculator", 1280, 1024);
    WritePlacement(ini, "TfrmCalculator", key, SamplePlacement());
    EXPECT_EQ(ini.ReadString("TfrmCalculator", key, ""), kSampleText);
    TWindowPlacement p;
    ASSERT_TRUE(ReadPlacement(ini, "tfrmcalculator", key, p));
    EXPECT_EQ(p, SamplePlacement());
}

TEST(WindowPlacementIni, MissingOrWrongValueIsIgnored)
{
    TIniFile ini;
    ini.LoadFromText("[TfrmCalculator]\nfrmCalculator(800x600)=2C000000\n");
    TWindowPlacement p = SamplePlacement();
    EXPECT_FALSE(ReadPlacement(ini, "TfrmCalculator", "frmCalculator(800x600)", p));
    EXPECT_FALSE(ReadPlacement(ini, "TfrmCalculator", "frmCalculator(1024x768)", p));
    EXPECT_EQ(p, SamplePlacement());
}

} // namespace
} // namespace calc
