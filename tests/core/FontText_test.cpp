#include "core/FontText.h"
#include "core/IniFile.h"
#include "engine/ExprParserTypes.h"

#include <gtest/gtest.h>

namespace calc {
namespace {

struct ColorCase {
    const char* name;
    std::uint32_t value;
};

// The fixed colors as 0x00BBGGRR; user-interface colors as 0xFF000000 | the host's color index.
const ColorCase kColorRows[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clScrollBar", 0xFF000000},
    {"clBackground", 0xFF000001},
    {"clActiveCaption", 0xFF000002},
    {"clInactiveCaption", 0xFF000003},
    {"clMenu", 0xFF000004},
    {"clWindow", 0xFF000005},
    {"clWindowFrame", 0xFF000006},
    {"clMenuText", 0xFF000007},
    {"clWindowText", 0xFF000008},
    {"clCaptionText", 0xFF000009},
    {"clActiveBorder", 0xFF00000A},
    {"clInactiveBorder", 0xFF00000B},
    {"clAppWorkSpace", 0xFF00000C},
    {"clHighlight", 0xFF00000D},
    {"clHighlightText", 0xFF00000E},
    {"clBtnFace", 0xFF00000F},
    {"clBtnShadow", 0xFF000010},
    {"clGrayText", 0xFF000011},
    {"clBtnText", 0xFF000012},
    {"clInactiveCaptionText", 0xFF000013},
    {"clBtnHighlight", 0xFF000014},
    {"cl3DDkShadow", 0xFF000015},
    {"cl3DLight", 0xFF000016},
    {"clInfoText", 0xFF000017},
    {"clInfoBk", 0xFF000018},
    {"clHotLight", 0xFF00001A},
    {"clGradientActiveCaption", 0xFF00001B},
    {"clGradientInactiveCaption", 0xFF00001C},
    {"clMenuHighlight", 0xFF00001D},
    {"clMenuBar", 0xFF00001E},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
};

TEST(FontTextColors, EveryStandardNameHasItsValueBothWays)
{
    for (const ColorCase& row : kColorRows) {
        SCOPED_TRACE(row.name);
        const auto color = static_cast<TColor>(row.value);
        EXPECT_EQ(ColorToString(color), row.name);
        EXPECT_EQ(StringToColor(row.name), color);
        EXPECT_EQ(StringToColor(AnsiUpperCase(row.name)), color);
    }
}

TEST(FontTextColors, ColorWithoutNameWrittenAsEightHexDigits)
{
    EXPECT_EQ(ColorToString(0x123456), "$00123456");
    EXPECT_EQ(ColorToString(-1), "$FFFFFFFF");
    EXPECT_EQ(ColorToString(static_cast<TColor>(0xFF000019)), "$FF000019");
}

TEST(FontTextColors, IntegersReadInDecimalOrHexadecimal)
{
    EXPECT_EQ(StringToColor("$00123456"), 0x123456);
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_EQ(StringToColor("$FF00000F"), clBtnFace);
    EXPECT_EQ(StringToColor("-16777201"), clBtnFace);
}

TEST(FontTextColors, UnknownNameRaisesConversionError)
{
    try {
        (void)StringToColor("clBogus");
        FAIL() << "no error";
    }
    catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'clBogus' is not a valid integer value");
    }
}

TEST(FontTextWrite, FieldsInTheirOrder)
{
    TFontData font;
    font.Name = "Courier New";
    font.Size = 10;
    font.Style = {TFontStyle::fsBold, TFontStyle::fsItalic};
    font.Pitch = TFontPitch::fpFixed;
    font.Color = clWindowText;
    font.Charset = 0;
    EXPECT_EQ(FontToText(font), "Courier New,10,BI,2,clWindowText,0");
}

TEST(FontTextWrite, StyleLettersInFixedOrderAndEmptyForNone)
{
    TFontData font;
    font.Name = "Arial";
    font.Size = 8;
    font.Style = {TFontStyle::fsStrikeOut, TFontStyle::fsUnderline, TFontStyle::fsItalic,
                  TFontStyle::fsBold};
    font.Color = 0x123456;
    font.Charset = 238;
    EXPECT_EQ(FontToText(font), "Arial,8,BIUS,0,$00123456,238");
    font.Style = {};
    font.Pitch = TFontPitch::fpVariable;
    EXPECT_EQ(FontToText(font), "Arial,8,,1,$00123456,238");
}

TEST(FontTextRead, FullTextSetsEveryAttribute)
{
    TFontData font;
    TextToFont("Courier New,10,BI,2,clWindowText,0", font);
    EXPECT_EQ(font.Name, "Courier New");
    EXPECT_EQ(font.Size, 10);
    EXPECT_EQ(font.Style, (TFontStyles{TFontStyle::fsBold, TFontStyle::fsItalic}));
    EXPECT_EQ(font.Pitch, TFontPitch::fpFixed);
    EXPECT_EQ(font.Color, clWindowText);
    EXPECT_EQ(font.Charset, 0);
}

TEST(FontTextRead, WrittenTextReadsBackEqual)
{
    TFontData font;
    font.Name = "DejaVu Sans Mono";
    font.Size = 13;
    font.Style = {TFontStyle::fsUnderline};
    font.Pitch = TFontPitch::fpVariable;
    font.Color = 0x00A0B0C0;
    font.Charset = 204;
    TFontData back;
    TextToFont(FontToText(font), back);
    EXPECT_EQ(back, font);
}

TFontData SampleFont()
{
    TFontData font;
    font.Name = "Sample";
    font.Size = 9;
    font.Style = {TFontStyle::fsUnderline};
    font.Pitch = TFontPitch::fpVariable;
    font.Color = clRed;
    font.Charset = 1;
    return font;
}

struct FontCase {
    const char* name;
    const char* text;
    TFontData expected;
};

TFontData With(void (*change)(TFontData&))
{
    TFontData font = SampleFont();
    change(font);
    return font;
}

const FontCase kFontRows[] = {
    {"SemicolonsAndBlanks", " Arial ; 12 ;bi; 2 ; clBlue ; 238 ", With([](TFontData& f) {
         f = {"Arial", 12, {TFontStyle::fsBold, TFontStyle::fsItalic}, TFontPitch::fpFixed,
              clBlue,  238};
     })},
    {"StyleLettersAnywhereAnyCase", "A,9,xsZb", With([](TFontData& f) {
         f.Name = "A";
         f.Style = {TFontStyle::fsBold, TFontStyle::fsStrikeOut};
     })},
    {"EmptyStyleClearsStyles", "A,9,,1", With([](TFontData& f) {
         f.Name = "A";
         f.Style = {};
     })},
    {"MissingFieldsLeftAlone", "Tahoma,11", With([](TFontData& f) {
         f.Name = "Tahoma";
         f.Size = 11;
     })},
    {"NameOnly", "Tahoma", With([](TFontData& f) { f.Name = "Tahoma"; })},
    {"SizeNotAnIntegerKept", "A,big", With([](TFontData& f) { f.Name = "A"; })},
    {"PitchNotAnIntegerKept", "A,9,,fixed", With([](TFontData& f) {
         f.Name = "A";
         f.Style = {};
     })},
    {"PitchOutOfRangeKept", "A,9,,7", With([](TFontData& f) {
         f.Name = "A";
         f.Style = {};
     })},
    {"CharsetNotAnIntegerKept", "A,9,U,1,clRed,ansi", With([](TFontData& f) { f.Name = "A"; })},
    {"CharsetOutOfRangeKept", "A,9,U,1,clRed,256", With([](TFontData& f) { f.Name = "A"; })},
    {"ColorAsDecimal", "A,9,U,1,16711680,1", With([](TFontData& f) {
         f.Name = "A";
         f.Color = clBlue;
     })},
    {"ColorAsHex", "A,9,U,1,$00FFFF00,1", With([](TFontData& f) {
         f.Name = "A";
         f.Color = clAqua;
     })},
    {"EmptyColorLeftAlone", "A,9,U,1,,0", With([](TFontData& f) {
         f.Name = "A";
         f.Charset = 0;
     })},
    {"FieldsAfterTheSixthIgnored", "A,9,U,1,clRed,0,extra,,", With([](TFontData& f) {
         f.Name = "A";
         f.Charset = 0;
     })},
    {"TrailingDelimiterEndsTheLastField", "A,", With([](TFontData& f) { f.Name = "A"; })},
    {"EmptyTextChangesNothing", "", SampleFont()},
    {"HexSize", "A,$10", With([](TFontData& f) {
         f.Name = "A";
         f.Size = 16;
     })},
};

TEST(FontTextRead, FieldsApplyOneByOne)
{
    for (const FontCase& row : kFontRows) {
        SCOPED_TRACE(row.name);
        TFontData font = SampleFont();
        TextToFont(row.text, font);
        EXPECT_EQ(font, row.expected) << FontToText(font);
    }
}

TEST(FontTextRead, BadColorRaisesAfterApplyingEveryOtherField)
{
    TFontData font = SampleFont();
    EXPECT_THROW(TextToFont("Mono,14,B,2,clNoSuchColor,0", font), EConvertError);
    EXPECT_EQ(font.Name, "Mono");
    EXPECT_EQ(font.Size, 14);
    EXPECT_EQ(font.Style, TFontStyles{TFontStyle::fsBold});
    EXPECT_EQ(font.Pitch, TFontPitch::fpFixed);
    EXPECT_EQ(font.Color, clRed);
    EXPECT_EQ(font.Charset, 0) << "a bad color costs no field after it";
}

TEST(FontTextIni, WritesAndReadsAKey)
{
    TIniFile ini;
    TFontData font = SampleFont();
    WriteFont(ini, "General", "ExpressionFont", font);
    EXPECT_EQ(ini.ReadString("General", "ExpressionFont", ""), "Sample,9,U,1,clRed,1");
    TFontData back;
    ReadFont(ini, "general", "expressionfont", back);
    EXPECT_EQ(back, font);
}

TEST(FontTextIni, EmptyOrMissingValueLeavesTheFont)
{
    TIniFile ini;
    ini.LoadFromText("[General]\nExpressionFont=\n");
    TFontData font = SampleFont();
    ReadFont(ini, "General", "ExpressionFont", font);
    ReadFont(ini, "General", "Missing", font);
    EXPECT_EQ(font, SampleFont());
}

} // namespace
} // namespace calc
