#include "core/IniFile.h"
#include "core/TextFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <sstream>
#include <streambuf>

namespace calc {
namespace {

using test::ReadAll;
using test::TTempFolder;
using test::WriteAll;

struct IntCase {
    const char* text;
    bool valid;
    int value;
};

const IntCase kIntRows[] = {
    {"0", true, 0},
    {"123", true, 123},
    {"-5", true, -5},
    {"+7", true, 7},
    {"  12", true, 12},
    {"12 ", false, 0},
    {"$FF", true, 255},
    {"$ff", true, 255},
    {"0x1F", true, 31},
    {"0X1f", true, 31},
    {"0x0", true, 0},
    {"-$10", true, -16},
    {"$FFFFFFFF", true, -1},
    {"$0000000000FF", true, 255},
    {"$100000000", false, 0},
    {"2147483647", true, 2147483647},
    {"2147483648", false, 0},
    {"-2147483648", true, -2147483647 - 1},
    {"-2147483649", false, 0},
    {"", false, 0},
    {"-", false, 0},
    {"$", false, 0},
    {"0x", false, 0},
    {"yes", false, 0},
    {"1.5", false, 0},
    {"1e3", false, 0},
    {"$G", false, 0},
    {"\t1", false, 0},
};

TEST(IniFileIntegers, ReadsDecimalAndHexadecimalForms)
{
    for (const IntCase& row : kIntRows) {
        SCOPED_TRACE(row.text);
        int value = 4711;
        EXPECT_EQ(TryStrToInt(row.text, value), row.valid);
        if (row.valid) {
            EXPECT_EQ(value, row.value);
        }
        EXPECT_EQ(StrToIntDef(row.text, -99), row.valid ? row.value : -99);
    }
}

TEST(IniFileIntegers, BadIntegerRaisesConversionErrorWithTheText)
{
    try {
        (void)StrToInt("abc");
        FAIL() << "no error";
    }
    catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

TEST(IniFileRead, NamesIgnoreLetterCase)
{
    TIniFile ini;
    ini.LoadFromText("[general]\r\nautoevaluate=0\r\n");
    EXPECT_FALSE(ini.ReadBool("General", "AutoEvaluate", true));
    EXPECT_TRUE(ini.SectionExists("GENERAL"));
    EXPECT_TRUE(ini.ValueExists("General", "AUTOEVALUATE"));
}

struct BoolCase {
    const char* value;
    bool defaultValue;
    bool expected;
};

const BoolCase kBoolRows[] = {
    {"1", false, true},   {"0", true, false},     {"yes", true, true}, {"yes", false, false},
    {"0x0", true, false}, {"true", false, false}, {"2", false, true},  {"-1", false, true},
    {"", true, true},     {"$0", true, false},
};

TEST(IniFileRead, BooleansReadAsIntegers)
{
    for (const BoolCase& row : kBoolRows) {
        SCOPED_TRACE(row.value);
        TIniFile ini;
        ini.LoadFromText(std::string("[General]\nAutoEvaluate=") + row.value + "\n");
        EXPECT_EQ(ini.ReadBool("General", "AutoEvaluate", row.defaultValue), row.expected);
    }
}

TEST(IniFileRead, MissingKeysAndSectionsGiveTheDefault)
{
    TIniFile ini;
    ini.LoadFromText("[General]\nAngleMode=1\n");
    EXPECT_EQ(ini.ReadInteger("General", "Missing", 7), 7);
    EXPECT_EQ(ini.ReadInteger("Other", "AngleMode", 7), 7);
    EXPECT_EQ(ini.ReadString("General", "Missing", "dflt"), "dflt");
    EXPECT_TRUE(ini.ReadBool("History", "LoadHistory", true));
}

TEST(IniFileRead, IntegerThatDoesNotReadGivesTheDefault)
{
    TIniFile ini;
    ini.LoadFromText("[Results]\nDefault=two\nA=$1F\nB=0x10\nC=99\n");
    EXPECT_EQ(ini.ReadInteger("Results", "Default", -1), -1);
    EXPECT_EQ(ini.ReadInteger("Results", "A", -1), 31);
    EXPECT_EQ(ini.ReadInteger("Results", "B", -1), 16);
    EXPECT_EQ(ini.ReadInteger("Results", "C", -1), 99);
}

struct LineCase {
    const char* name;
    const char* text;
    const char* key;
    const char* expected; // nullptr: the key is missing
};

const LineCase kLineRows[] = {
    {"BlanksAroundEqualsRemoved", "[S]\n  Key  =  value  \n", "Key", "value"},
    {"OnlyFirstEqualsSplits", "[S]\nKey = a = b\n", "Key", "a = b"},
    {"QuotesKept", "[S]\nKey=\"quoted\" \n", "Key", "\"quoted\""},
    {"ControlCharactersStripped", "[S]\n\tKey=v\x01\x1F\n", "Key", "v"},
    {"KeyWithoutEquals", "[S]\nLonely\n", "Lonely", ""},
    {"EmptyValue", "[S]\nListSeparator=\n", "ListSeparator", ""},
    {"CommentIgnored", "[S]\n;Key=1\n", ";Key", nullptr},
    {"IndentedCommentIgnored", "[S]\n   ; Key=1\n", "; Key", nullptr},
    {"LinesBeforeFirstSectionIgnored", "Key=1\n[S]\n", "Key", nullptr},
    {"SectionNameTrimmed", "[ S ]\nKey=1\n", "Key", "1"},
    {"FirstOfTwoKeysCounts", "[S]\nKey=1\nkey=2\n", "Key", "1"},
    {"SectionOpenedTwiceContinues", "[S]\nA=1\n[T]\n[s]\nKey=2\n", "Key", "2"},
    {"LoneCrLineEnds", "[S]\rKey=3\r", "Key", "3"},
    {"CrLfLineEnds", "[S]\r\nKey=4\r\n", "Key", "4"},
    {"NoLineEndAtAll", "[S]\nKey=5", "Key", "5"},
    {"HighCharactersKept", "[S]\nKey=\xB0\xA0x\n", "Key", "\xB0\xA0x"},
    {"BracketWithoutCloseIsAKey", "[S]\n[T\n", "[T", ""},
};

TEST(IniFileRead, LinesParseByTheirForm)
{
    for (const LineCase& row : kLineRows) {
        SCOPED_TRACE(row.name);
        TIniFile ini;
        ini.LoadFromText(row.text);
        EXPECT_EQ(ini.ValueExists("S", row.key), row.expected != nullptr);
        if (row.expected != nullptr) {
            EXPECT_EQ(ini.ReadString("S", row.key, "default"), row.expected);
        }
    }
}

TEST(IniFileRead, LoadingReplacesEverything)
{
    TIniFile ini;
    ini.WriteString("Old", "Key", "1");
    ini.LoadFromText("[New]\nKey=2\n");
    EXPECT_FALSE(ini.SectionExists("Old"));
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"New"});
}

TEST(IniFileCharSet, ReadsEveryCharacterAndWritesThemAscending)
{
    TIniFile ini;
    ini.LoadFromText("[General]\nDecimalSeparator=.,\n");
    const TCharSet set = ini.ReadCharSet("General", "DecimalSeparator", TCharSet("."));
    EXPECT_TRUE(set.Contains('.'));
    EXPECT_TRUE(set.Contains(','));
    EXPECT_FALSE(set.Contains(';'));
    ini.WriteCharSet("General", "DecimalSeparator", set);
    EXPECT_EQ(ini.ReadString("General", "DecimalSeparator", ""), ",.");
}

TEST(IniFileCharSet, EveryMemberOnceInCodeOrder)
{
    EXPECT_EQ(CharSetToText(TCharSet("..,;,\xB0"
                                     "a")),
              ",.;a\xB0");
    EXPECT_EQ(CharSetToText(TCharSet()), "");
}

TEST(IniFileCharSet, MissingKeyGivesTheDefault)
{
    TIniFile ini;
    EXPECT_EQ(ini.ReadCharSet("General", "DecimalSeparator", TCharSet(",")), TCharSet(","));
}

TEST(IniFileWrite, SectionsAndKeysInOrderFirstWritten)
{
    TIniFile ini;
    ini.WriteString("General", "ExpressionFont", "Courier New,10,BI,2,clWindowText,0");
    ini.WriteBool("General", "AutoEvaluate", true);
    ini.WriteInteger("General", "AngleMode", 0);
    ini.WriteCharSet("General", "DecimalSeparator", TCharSet("."));
    ini.WriteString("General", "ListSeparator", ",");
    ini.WriteBool("General", "GradientTheme", false);
    ini.WriteBool("History", "LoadHistory", false);
    ini.WriteString("Results", "0", "0,0,1,0");
    ini.WriteInteger("Results", "Default", 0);
    // Rewriting an earlier key keeps its place.
    ini.WriteInteger("general", "anglemode", 2);
    EXPECT_EQ(ini.SaveToText(), "[General]\r\n"
                                "ExpressionFont=Courier New,10,BI,2,clWindowText,0\r\n"
                                "AutoEvaluate=1\r\n"
                                "AngleMode=2\r\n"
                                "DecimalSeparator=.\r\n"
                                "ListSeparator=,\r\n"
                                "GradientTheme=0\r\n"
                                "\r\n"
                                "[History]\r\n"
                                "LoadHistory=0\r\n"
                                "\r\n"
                                "[Results]\r\n"
                                "0=0,0,1,0\r\n"
                                "Default=0\r\n"
                                "\r\n");
}

TEST(IniFileWrite, NegativeIntegersInDecimal)
{
    TIniFile ini;
    ini.WriteInteger("Results", "Default", -1);
    EXPECT_EQ(ini.ReadString("Results", "Default", ""), "-1");
}

TEST(IniFileWrite, LineBreaksInValuesCannotSplitTheLine)
{
    TIniFile ini;
    ini.WriteString("S", "Key", "a\r\n[Other]\nb");
    TIniFile back;
    back.LoadFromText(ini.SaveToText());
    EXPECT_FALSE(back.SectionExists("Other"));
    EXPECT_EQ(back.ReadString("S", "Key", ""), "a  [Other] b");
}

TEST(IniFileWrite, ParsedTextWritesBackToTheSameContents)
{
    TIniFile ini;
    ini.LoadFromText("junk\n[A]\nx = 1\n;c\ny\n[B]\n[a]\nz=\"q\" = 2\n\n[ C ]\nk=v");
    const std::string text = ini.SaveToText();
    EXPECT_EQ(text, "[A]\r\nx=1\r\ny=\r\nz=\"q\" = 2\r\n\r\n[B]\r\n\r\n[C]\r\nk=v\r\n\r\n");
    TIniFile back;
    back.LoadFromText(text);
    EXPECT_EQ(back.SaveToText(), text);
}

TEST(IniFileEdit, EraseSectionAndDeleteKey)
{
    TIniFile ini;
    ini.LoadFromText("[A]\nx=1\ny=2\nz=3\n[B]\nk=1\n[C]\nm=1\n");
    ini.DeleteKey("a", "Y");
    EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"x", "z"}));
    EXPECT_EQ(ini.ReadString("A", "z", ""), "3");
    ini.EraseSection("b");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(ini.ReadString("C", "m", ""), "1");
    ini.DeleteKey("Missing", "x");
    ini.EraseSection("Missing");
    EXPECT_EQ(ini.ReadSections().size(), 2u);
}

TEST(IniFileStream, ReadsFromTheCurrentPosition)
{
    std::istringstream in("skipped[General]\nAngleMode=2\n");
    in.seekg(7);
    TIniFile ini;
    ini.LoadFromStream(in);
    EXPECT_EQ(ini.ReadInteger("General", "AngleMode", 0), 2);
}

TEST(IniFileStream, WritesAtTheCurrentPosition)
{
    std::ostringstream out;
    out << "before|";
    TIniFile ini;
    ini.WriteInteger("General", "AngleMode", 1);
    ini.SaveToStream(out);
    EXPECT_EQ(out.str(), "before|[General]\r\nAngleMode=1\r\n\r\n");
}

TEST(IniFileStream, SnapshotRestoresEveryValue)
{
    TIniFile ini;
    ini.LoadFromText("[General]\nExpressionFont=Arial,9,,0,clBlack,1\nAngleMode=1\n"
                     "[History]\nLoadHistory=1\n");
    std::stringstream snapshot;
    ini.SaveToStream(snapshot);
    TIniFile restored;
    restored.LoadFromStream(snapshot);
    EXPECT_EQ(restored.SaveToText(), ini.SaveToText());
}

/// A stream buffer that refuses every character, like a full device.
class TRefusingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(IniFileStream, FailingOutputStreamRaisesError)
{
    TRefusingBuffer buffer;
    std::ostream out(&buffer);
    TIniFile ini;
    ini.WriteInteger("General", "AngleMode", 1);
    EXPECT_THROW(ini.SaveToStream(out), EException);
}

TEST(IniFileStream, FailingInputStreamRaisesErrorAndKeepsContents)
{
    std::istream in(nullptr);
    TIniFile ini;
    ini.WriteInteger("General", "AngleMode", 1);
    EXPECT_THROW(ini.LoadFromStream(in), EException);
    EXPECT_EQ(ini.ReadInteger("General", "AngleMode", 0), 1);
}

TEST(IniFileFile, MissingFileGivesEmptyContents)
{
    TTempFolder folder;
    TIniFile ini;
    ini.WriteInteger("General", "AngleMode", 1);
    EXPECT_FALSE(ini.LoadFromFile(folder.File("Options.ini")));
    EXPECT_TRUE(ini.ReadSections().empty());
}

TEST(IniFileFile, SavesAndLoadsTheFile)
{
    TTempFolder folder;
    const std::string name = folder.File("Options.ini");
    TIniFile ini;
    ini.WriteBool("History", "LoadHistory", true);
    ini.SaveToFile(name);
    EXPECT_EQ(ReadAll(name), "[History]\r\nLoadHistory=1\r\n\r\n");
    TIniFile back;
    EXPECT_TRUE(back.LoadFromFile(name));
    EXPECT_TRUE(back.ReadBool("History", "LoadHistory", false));
}

TEST(IniFileFile, SaveIntoReadOnlyFolderAndFileRaisesErrorAndKeepsOldFile)
{
    if (!test::PermissionsApply())
        GTEST_SKIP() << "running as the superuser: permission bits do not stop writes";
    TTempFolder folder;
    const std::string name = folder.File("Options.ini");
    WriteAll(name, "[General]\r\nAngleMode=1\r\n");
    std::filesystem::permissions(name, std::filesystem::perms::owner_read);
    std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::owner_exec);
    TIniFile ini;
    ini.WriteInteger("General", "AngleMode", 2);
    EXPECT_THROW(ini.SaveToFile(name), EException);
    EXPECT_EQ(ReadAll(name), "[General]\r\nAngleMode=1\r\n");
}

TEST(IniFileFile, RefusesAFileOverTheLimit)
{
    TTempFolder folder;
    const std::string name = folder.File("Layout.ini");
    WriteAll(name, "[Layout]\r\nMenu=0\r\n" + std::string(kMaxIniFileSize, ';'));
    TIniFile ini;
    EXPECT_THROW((void)ini.LoadFromFile(name), EException);
}

TEST(IniFileText, ByteOrderMarkKeepsTheFirstSection)
{
    TIniFile ini;
    ini.LoadFromText("\xEF\xBB\xBF[General]\r\nAngleMode=1\r\n");
    EXPECT_EQ(ini.ReadInteger("General", "AngleMode", 0), 1);
}

TEST(IniFileFile, SaveBelowAFileRaisesError)
{
    TTempFolder folder;
    WriteAll(folder.File("plain"), "x");
    TIniFile ini;
    ini.WriteInteger("General", "AngleMode", 2);
    EXPECT_THROW(ini.SaveToFile(folder.File("plain") + "/Options.ini"), EException);
    EXPECT_EQ(ReadAll(folder.File("plain")), "x");
}

} // namespace
} // namespace calc
