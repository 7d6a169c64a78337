#include "engine/ExprParser.h"
#include "engine/ExprReader.h"

#include <array>
#include <cerrno>
#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <locale.h>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace calc {
namespace {

// ---------------------------------------------------------------------------------------------
// Operators

/// The plain reading of an ordered operator list: every spelling tried in turn.
TOperatorMatch MatchByScan(const TOperatorTable& table, std::string_view text, std::size_t pos)
{
    for (std::size_t i = 0; i < table.Count(); ++i) {
        const std::string_view spelling = table.Spelling(static_cast<int>(i));
        std::size_t k = 0;
        while (k < spelling.size() && pos + k < text.size() &&
               AnsiUpper(text[pos + k]) == spelling[k])
            ++k;
        if (k != spelling.size())
            continue;
        const char c = spelling[0];
        if (spelling.size() == 1 && pos + 1 < text.size() && text[pos + 1] == c &&
            std::string_view("!+-~").find(c) == std::string_view::npos)
            continue;
        return {static_cast<int>(i), spelling.size()};
    }
    return {};
}

TEST(OperatorTable, EveryCharacterLeadsToTheSpellingsInListOrder)
{
    // Every text of up to four characters made of what the spellings use, a letter from none of
    // them and a blank.
    const std::string alphabet = "-+!~^*%/\\&<>=?|:NOTDIVMASHLRXnotdivmashlrxQ ";
    const TOperatorTable* tables[] = {&kUnaryTable, &kPowerTable, &kTermTable, &kSumTable,
                                      &kRelationTable};
    std::string text;
    std::size_t compared = 0;
    for (std::size_t length = 1; length <= 4; ++length) {
        std::vector<std::size_t> digits(length, 0);
        for (;;) {
            text.assign(length, ' ');
            for (std::size_t i = 0; i < length; ++i)
                text[i] = alphabet[digits[i]];
            for (const TOperatorTable* table : tables) {
                const TOperatorMatch expected = MatchByScan(*table, text, 0);
                const TOperatorMatch actual = table->Match(text, 0);
                ASSERT_EQ(actual.Index, expected.Index) << '"' << text << '"';
                ASSERT_EQ(actual.Length, expected.Length) << '"' << text << '"';
                ++compared;
            }
            std::size_t i = 0;
            while (i < length && ++digits[i] == alphabet.size())
                digits[i++] = 0;
            if (i == length)
                break;
        }
    }
    EXPECT_GT(compared, 1000000u);
}

TEST(OperatorTable, MatchesAtAPositionInsideTheText)
{
    const struct {
        const TOperatorTable& table;
        std::string_view text;
        std::size_t pos;
        std::string_view spelling; // empty: none
    } rows[] = {
        {kTermTable, "7 mod 2", 2, "MOD"}, {kTermTable, "7 Mo", 2, ""},
        {kTermTable, "1&&1", 1, "&&"},     {kTermTable, "2**3", 1, ""},
        {kPowerTable, "2**3", 1, "**"},    {kSumTable, "1+%?2", 1, "+%?"},
        {kSumTable, "1++2", 1, "+"},       {kRelationTable, "1<<2", 1, ""},
        {kUnaryTable, "!!1", 0, "!"},      {kUnaryTable, "x", 1, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const TOperatorMatch match = row.table.Match(row.text, row.pos);
        if (row.spelling.empty()) {
            EXPECT_EQ(match.Index, -1);
            continue;
        }
        ASSERT_GE(match.Index, 0);
        EXPECT_EQ(row.table.Spelling(match.Index), row.spelling);
        EXPECT_EQ(match.Length, row.spelling.size());
    }
}

// ---------------------------------------------------------------------------------------------
// Decimal conversion

locale_t CLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

struct TLibraryConversion {
    bool Ok = false;
    Extended Value = 0;
};

/// The C library's conversion of a literal written with "." (an exponent without digits
/// counts as none); an overflow fails.
TLibraryConversion LibraryConversion(std::string text)
{
    const std::size_t e = text.find_first_of("eE");
    if (e != std::string::npos && text.find_first_of("0123456789", e) == std::string::npos)
        text.resize(e);
    errno = 0;
    char* end = nullptr;
    const Extended value = strtold_l(text.c_str(), &end, CLocale());
    std::feclearexcept(FE_ALL_EXCEPT);
    if (end != text.c_str() + text.size() || (errno == ERANGE && std::isinf(value)))
        return {};
    return {true, value};
}

bool SameBits(Extended a, Extended b)
{
    return std::memcmp(&a, &b, 10) == 0;
}

/// Converts by both routes and by the plain reading, and checks them against the library.
void ExpectLibraryConversion(const std::string& literal)
{
    SCOPED_TRACE(literal);
    const TLibraryConversion expected = LibraryConversion(literal);
    Extended value = 0;
    ASSERT_EQ(TryDecimalToFloat(literal, '.', value), expected.Ok);
    if (expected.Ok) {
        EXPECT_TRUE(SameBits(value, expected.Value))
            << std::hexfloat << value << " vs " << expected.Value;
    }
    // With another separator written in.
    std::string comma = literal;
    if (const std::size_t dot = comma.find('.'); dot != std::string::npos)
        comma[dot] = ',';
    Extended commaValue = 0;
    ASSERT_EQ(TryDecimalToFloat(comma, ',', commaValue), expected.Ok);
    if (expected.Ok) {
        EXPECT_TRUE(SameBits(commaValue, expected.Value));
    }
    // Read in an expression: a plain literal unless its exponent has no digits, converted on
    // the way when that is exact.
    const std::size_t e = literal.find_first_of("eE");
    const bool bareExponent =
        e != std::string::npos && literal.find_first_of("0123456789", e) == std::string::npos;
    const TPlainDecimal plain = ReadPlainDecimal(literal + ")", 0, TCharSet("."));
    ASSERT_EQ(plain.Length, bareExponent ? 0 : literal.size());
    EXPECT_EQ(plain.Separator, literal.find('.') == std::string::npos ? '\0' : '.');
    if (plain.HasValue) {
        ASSERT_TRUE(expected.Ok);
        EXPECT_TRUE(SameBits(plain.Value, expected.Value))
            << std::hexfloat << plain.Value << " vs " << expected.Value;
    }
}

TEST(DecimalConversion, BoundariesMatchTheLibraryConversion)
{
    const char* literals[] = {
        // Mantissas around 19 and 20 significant digits and 2^64.
        "9999999999999999999", "99999999999999999999", "1000000000000000000",
        "10000000000000000000", "18446744073709551615", "18446744073709551616",
        "18446744073709551617", "9223372036854775807", "9223372036854775808",
        "1234567890123456789012345678901234567890", "0.00000000000000000001234567890123456789",
        "1234567890123456789.5", "12345678901234567895", "12345678901234567890000001",
        "9999999999999999999.9999999999", "00000000000000000000000000012.5",
        // Powers of ten at the end of the exact table and past it.
        "1e27", "1e28", "1e-27", "1e-28", "9999999999999999999e27", "9999999999999999999e-27",
        "1.5e26", "1.5e28", "0.1e-26", "123e-30",
        // Halfway cases of the 64-bit significand.
        "36893488147419103233", "36893488147419103235", "18446744073709551617e1",
        "9223372036854775807.5", "4611686018427387903.75",
        // Near the largest and smallest values, denormals, underflow and overflow.
        "1.18973149535723176502e4932", "1.18973149535723176505e4932", "1.18973149535723176508e4932",
        "1.2e4932", "1e4933", "3.36210314311209350626e-4932", "3.36210314311209350625e-4932",
        "1e-4940", "3.6451995318824746025e-4951", "3.6451995318824746026e-4951",
        "1.8225997659412373012e-4951", "1e-4951", "1e-4952", "1e-99999", "1e-100001", "1e100001",
        "0e100001", "0.000e-5", "0",
        // Exponent forms.
        "2E5", "2e+5", "2e-5", "2e", "2e+", "2e-", "1.e3", "1.",
        // Ordinary values.
        "0.1", "0.3", "12.29", "7e-1", "3.14159265358979323846264338327950288"};
    for (const char* literal : literals)
        ExpectLibraryConversion(literal);
}

/// A random decimal literal, biased toward the edges of the exact shortcut and of the range.
std::string RandomLiteral(std::mt19937_64& random)
{
    const auto pick = [&random](int n) {
        return static_cast<int>(random() % static_cast<unsigned>(n));
    };
    const auto digits = [&](int count) {
        std::string s;
        for (int i = 0; i < count; ++i)
            s.push_back(static_cast<char>('0' + (pick(4) == 0 ? 9 * pick(2) : pick(10))));
        return s;
    };
    std::string literal = digits(1 + pick(pick(2) ? 22 : 6));
    if (pick(2)) {
        literal += '.';
        literal += digits(pick(pick(2) ? 24 : 5));
    }
    if (pick(3) == 0) {
        literal += pick(2) ? 'e' : 'E';
        const int sign = pick(3);
        if (sign == 1)
            literal += '+';
        if (sign == 2)
            literal += '-';
        const int exponentRanges[] = {30, 60, 5000, 100000};
        int exponent = pick(exponentRanges[pick(4)]);
        if (pick(4) == 0)
            exponent = 4920 + pick(40);
        literal += std::to_string(exponent);
    }
    return literal;
}

TEST(DecimalConversion, RandomLiteralsMatchTheLibraryConversion)
{
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 200000; ++i) {
        ExpectLibraryConversion(RandomLiteral(random));
        if (::testing::Test::HasFailure())
            break;
    }
}

// ---------------------------------------------------------------------------------------------
// Plain decimal literals

TEST(PlainDecimal, LiteralsTheGeneralRulesWouldReadOtherwiseAreNotPlain)
{
    const struct {
        std::string_view text;
        std::size_t length; // 0: not plain
    } rows[] = {
        {"12", 2},
        {"12+3", 2},
        {"12 + 3", 2},
        {"1.5e+3)", 6},
        {"1.", 2},
        {"1.e5", 4},
        {"0.5", 3},
        {"05", 2},
        {"7 ", 1},
        {"1,5", 1},
        {"0x1F", 0},
        {"0 x1F", 0},
        {"1 2", 0},
        {"12 .5", 0},
        {"1.5 e3", 0},
        {"1e", 0},
        {"1e)", 0},
        {"1e+", 0},
        {"1e+ 5", 0},
        {"1ea", 0},
        {"1h", 0},
        {"101b", 0},
        {"1e5h", 0},
        {"12AF", 0},
        {"5 or 3", 0},
        {"1.5e3 4", 0},
        {"1e5 3", 0},
        {".5", 0},
        {"x1", 0},
        {"1_", 0},
        {"1@", 0},
        {"2\xA0"
         "3",
         0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ReadPlainDecimal(row.text, 0, TCharSet(".")).Length, row.length);
    }
    // A letter as a decimal separator leaves every literal to the general rules.
    EXPECT_EQ(ReadPlainDecimal("1e5", 0, TCharSet("e")).Length, 0u);
}

TEST(PlainDecimal, DigitRunsEndAtEveryNonDigit)
{
    // Digit runs shorter and longer than eight characters, ended by every other character.
    const std::string runs[] = {"1",   "1234567",    "12345678",       "123456789012",
                                "0.5", "12.3456789", "1234567.8912345"};
    for (int c = 1; c < 256; ++c) {
        const char end = static_cast<char>(c);
        if (IsDigit(end) || end == '.' || end == 'e' || end == 'E')
            continue; // these carry the literal on
        for (const std::string& run : runs) {
            const std::string text = run + end + "987654321";
            SCOPED_TRACE(testing::Message() << run << " then " << c);
            const TPlainDecimal plain = ReadPlainDecimal(text, 0, TCharSet("."));
            // Letters and blanks after digits leave them to the general rules.
            if (IsNameChar(end) || IsSpaceChar(end)) {
                EXPECT_EQ(plain.Length, 0u);
                continue;
            }
            ASSERT_EQ(plain.Length, run.size());
            ASSERT_TRUE(plain.HasValue);
            EXPECT_TRUE(SameBits(plain.Value, LibraryConversion(run).Value));
        }
    }
}

TEST(PlainDecimal, ShortLiteralsAreReadFromEightCharacters)
{
    const struct {
        std::string_view text;
        std::size_t length; // 0: left to the longer reading
    } rows[] = {
        {"7", 1},        {"7)", 1},         {"1234567", 7},  {"1234567+", 7},  {"123456.7", 8},
        {"1234567.", 8}, {"0.000001*2", 8}, {"12 + 3", 2},   {"12.5   ", 4},   {"1,5", 1},
        {"0", 1},        {"0.0", 3},        {"12345678", 0}, {"123456.78", 0}, {"1234567.8", 0},
        {"1.5e3", 0},    {"1.5E3", 0},      {"1 2", 0},      {"1.2.3", 0},     {"12a", 0},
        {".5", 0},       {"1 .5", 0},       {"x", 0},        {"", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        std::size_t length = 99;
        const Extended value = ReadShortDecimal(row.text, 0, TCharSet("."), length);
        ASSERT_EQ(length, row.length);
        if (length == 0)
            continue;
        EXPECT_TRUE(
            SameBits(value, LibraryConversion(std::string(row.text.substr(0, length))).Value));
        const TPlainDecimal plain = ReadPlainDecimal(row.text, 0, TCharSet("."));
        EXPECT_EQ(plain.Length, length);
        EXPECT_EQ(plain.Separator,
                  row.text.substr(0, length).find('.') == std::string_view::npos ? '\0' : '.');
    }
    // Past the end of the text there is no separator, even where character 0 is one.
    const TCharSet zeroAndDot(std::string_view("\0.", 2));
    std::size_t length = 99;
    (void)ReadShortDecimal("12", 0, zeroAndDot, length);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(ReadPlainDecimal("12", 0, zeroAndDot).Length, 2u);
}

/// Texts read once as plain literals and once by the general rules (which a letter decimal
/// separator forces) give the same value, error, position and argument.
TEST(PlainDecimal, ReadsAsTheGeneralRulesDo)
{
    TExpressionParser plain;
    TExpressionParser general;
    general.SetDecimalSeparators(TCharSet(".Z"));
    ASSERT_TRUE(plain.TryEvaluate("1"));
    std::mt19937_64 random(7);
    const std::string_view alphabet = "0123456789.eE+- )*xbho";
    for (int i = 0; i < 300000; ++i) {
        std::string text(1 + random() % 12, ' ');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        if (!IsDigit(text[0]))
            text[0] = '1';
        SCOPED_TRACE(text);
        const bool plainOk = plain.TryEvaluate(text);
        ASSERT_EQ(general.TryEvaluate(text), plainOk);
        ASSERT_EQ(general.ErrorCode(), plain.ErrorCode());
        ASSERT_EQ(general.ErrorPos(), plain.ErrorPos());
        ASSERT_EQ(general.ErrorArg(), plain.ErrorArg());
        ASSERT_TRUE(SameBits(general.Value(), plain.Value()));
    }
}

// ---------------------------------------------------------------------------------------------
// Floating-point status

/// A value the compiler cannot see through.
Extended Opaque(Extended x)
{
    asm volatile("" : "+m"(x));
    return x;
}

std::string FaultOf(const std::function<Extended()>& operation)
{
    try {
        (void)operation();
    }
    catch (const EMathError& e) {
        return e.what();
    }
    return {};
}

TEST(FPUStatus, AFaultIsRaisedAtTheOperationThatCausedIt)
{
    // Each first operation raises one fault and the second another; the check after the first
    // must report the first.
    const Extended big = Opaque(1e4000L);
    const Extended zero = Opaque(0);
    const Extended one = Opaque(1);
    const struct {
        const char* name;
        std::function<Extended()> operations;
        std::string_view fault;
    } rows[] = {
        {"overflow, then invalid",
         [&] {
             const Extended a = CheckedValue(big * big);
             return CheckedValue(a - a);
         },
         sFPOverflow},
        {"division by zero, then invalid",
         [&] {
             const Extended a = CheckedValue(one / zero);
             return CheckedValue(a * zero);
         },
         sFPDivisionByZero},
        {"invalid, then overflow",
         [&] {
             const Extended a = CheckedValue(zero / zero);
             return CheckedValue(big * big + a);
         },
         sInvalidFPOperation},
        {"overflow, then an independent invalid",
         [&] {
             const Extended a = CheckedValue(big * big);
             const Extended b = CheckedValue(zero / zero);
             return a + b;
         },
         sFPOverflow},
        {"none, then overflow",
         [&] {
             const Extended a = CheckedValue(one + one);
             return CheckedValue(big * big * a);
         },
         sFPOverflow},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ClearFPUStatus();
        EXPECT_EQ(FaultOf(row.operations), row.fault);
        EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT & ~FE_INEXACT), 0) << "flags left after it";
    }
}

TEST(FPUStatus, FlagsOfBothUnitsAreReadAndCleared)
{
    // The library raises some flags through the SSE unit and others through the x87 unit.
    const struct {
        int flags;
        std::string_view fault; // empty: silent
    } rows[] = {
        {FE_INVALID, sInvalidFPOperation},
        {FE_DIVBYZERO, sFPDivisionByZero},
        {FE_OVERFLOW, sFPOverflow},
        {FE_INVALID | FE_OVERFLOW, sInvalidFPOperation},
        {FE_DIVBYZERO | FE_OVERFLOW, sFPDivisionByZero},
        {FE_UNDERFLOW | FE_INEXACT, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.flags);
        ClearFPUStatus();
        std::feraiseexcept(row.flags);
        EXPECT_EQ(FaultOf([] { return CheckedValue(Opaque(1)); }), row.fault);
        std::feraiseexcept(row.flags);
        ClearFPUStatus();
        EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
    }
}

} // namespace
} // namespace calc
