#include "TextEncoding.h"

#include <gtest/gtest.h>

namespace calc::cli {
namespace {

struct Utf8Row {
    const char* name;
    std::string utf8;
    std::string latin1;
};

const Utf8Row kConvertible[] = {
    {"Ascii", "2+3*4", "2+3*4"},
    {"Empty", "", ""},
    {"DegreeSign",
     "12\xC2\xB0"
     "30",
     "12\xB0"
     "30"},
    {"NoBreakSpace",
     "1\xC2\xA0"
     "234",
     "1\xA0"
     "234"},
    {"LastLatin1Char", "\xC3\xBF", "\xFF"},
    {"FirstTwoByteChar", "\xC2\x80", "\x80"},
    {"UmlautInName",
     "f\xC3\xBC"
     "r",
     "f\xFC"
     "r"},
    {"Tab", "1\t+\t2", "1\t+\t2"},
};

TEST(TextEncodingUtf8ToLatin1, ConvertsEveryCharacterUpToU00FF)
{
    for (const Utf8Row& row : kConvertible) {
        SCOPED_TRACE(row.name);
        const TLatin1Result r = Utf8ToLatin1(row.utf8);
        EXPECT_TRUE(r.Ok);
        EXPECT_EQ(r.Text, row.latin1);
        EXPECT_TRUE(r.ErrorMessage.empty());
    }
}

struct FailRow {
    const char* name;
    std::string utf8;
    std::size_t pos;
    std::string message;
};

const FailRow kFailing[] = {
    {"EuroSign", "1+\xE2\x82\xAC", 2, "Character not supported: U+20AC"},
    {"FirstBeyondLatin1", "\xC4\x80", 0, "Character not supported: U+0100"},
    {"Emoji", "ab\xF0\x9F\x98\x80", 2, "Character not supported: U+1F600"},
    // The position counts characters, not bytes.
    {"AfterTwoByteChars", "\xC3\xA9\xC3\xA9\xE2\x82\xAC", 2, "Character not supported: U+20AC"},
    {"LoneContinuation", "1\x80", 1, "Invalid UTF-8 byte sequence"},
    {"Latin1Byte", "caf\xE9", 3, "Invalid UTF-8 byte sequence"},
    {"TruncatedSequence", "1\xE2\x82", 1, "Invalid UTF-8 byte sequence"},
    {"OverlongSlash", "\xC0\xAF", 0, "Invalid UTF-8 byte sequence"},
    {"OverlongThreeBytes", "\xE0\x80\xAF", 0, "Invalid UTF-8 byte sequence"},
    {"Surrogate", "\xED\xA0\x80", 0, "Invalid UTF-8 byte sequence"},
    {"AboveUnicode", "\xF4\x90\x80\x80", 0, "Invalid UTF-8 byte sequence"},
    {"FiveByteLead", "\xF8\x88\x80\x80\x80", 0, "Invalid UTF-8 byte sequence"},
    {"BrokenContinuation", "\xC3(", 0, "Invalid UTF-8 byte sequence"},
};

TEST(TextEncodingUtf8ToLatin1, StopsAtTheFirstCharacterItCannotHold)
{
    for (const FailRow& row : kFailing) {
        SCOPED_TRACE(row.name);
        const TLatin1Result r = Utf8ToLatin1(row.utf8);
        EXPECT_FALSE(r.Ok);
        EXPECT_EQ(r.ErrorPos, row.pos);
        EXPECT_EQ(r.ErrorMessage, row.message);
    }
}

TEST(TextEncodingDecodeUtf8, GivesLengthAndValueOfBoundaryCodePoints)
{
    struct Row {
        std::string utf8;
        char32_t value;
        std::size_t length;
    };
    const Row rows[] = {
        {"\x7F", 0x7F, 1},
        {"\xDF\xBF", 0x7FF, 2},
        {"\xE0\xA0\x80", 0x800, 3},
        {"\xEF\xBF\xBF", 0xFFFF, 3},
        {"\xF0\x90\x80\x80", 0x10000, 4},
        {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<unsigned>(row.value));
        const TCodePoint cp = DecodeUtf8(row.utf8);
        EXPECT_EQ(cp.Value, row.value);
        EXPECT_EQ(cp.Length, row.length);
    }
    EXPECT_EQ(DecodeUtf8("").Length, 0u);
}

TEST(TextEncodingLatin1ToUtf8, WritesHighCharactersAsTwoBytes)
{
    EXPECT_EQ(Latin1ToUtf8("1\xA0"
                           "234"),
              "1\xC2\xA0"
              "234");
    EXPECT_EQ(Latin1ToUtf8("12\xB0"
                           "30'00\""),
              "12\xC2\xB0"
              "30'00\"");
    EXPECT_EQ(Latin1ToUtf8("\xFF\x80"), "\xC3\xBF\xC2\x80");
    EXPECT_EQ(Latin1ToUtf8("plain"), "plain");
}

TEST(TextEncodingRoundTrip, EveryLatin1CharacterComesBack)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    const TLatin1Result back = Utf8ToLatin1(Latin1ToUtf8(all));
    ASSERT_TRUE(back.Ok);
    EXPECT_EQ(back.Text, all);
}

} // namespace
} // namespace calc::cli
