#include "engine/ExprParser.h"
#include "engine/ExprParserRegistry.h"
#include "engine/ExprScanner.h"

#include <cctype>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace calc {
namespace {

/// A few names of each kind, looked up without regard to case.
class TTestNames final : public INameClassifier {
public:
    TTokenKind ClassifyName(std::string_view name, bool call) const override
    {
        const auto it = FKinds.find(AnsiUpperCase(name) + (call ? "()" : ""));
        return it == FKinds.end() ? TTokenKind::tkUnknownName : it->second;
    }

private:
    std::map<std::string, TTokenKind> FKinds{
        {"SIN()", TTokenKind::tkBuiltInFunction}, {"MAX()", TTokenKind::tkBuiltInFunction},
        {"PI", TTokenKind::tkBuiltInConstant},    {"F()", TTokenKind::tkUserFunction},
        {"K", TTokenKind::tkUserConstant},        {"ORANGE", TTokenKind::tkUserConstant}};
};

char KindLetter(TTokenKind kind)
{
    switch (kind) {
    case TTokenKind::tkBlank:
        return '_';
    case TTokenKind::tkNumber:
        return 'N';
    case TTokenKind::tkOperator:
        return 'O';
    case TTokenKind::tkBuiltInFunction:
        return 'F';
    case TTokenKind::tkBuiltInConstant:
        return 'C';
    case TTokenKind::tkUserFunction:
        return 'f';
    case TTokenKind::tkUserConstant:
        return 'c';
    case TTokenKind::tkUnknownName:
        return 'U';
    case TTokenKind::tkBracket:
        return 'B';
    case TTokenKind::tkListSeparator:
        return 'L';
    case TTokenKind::tkComment:
        return '#';
    case TTokenKind::tkUnreadable:
        return 'X';
    }
    return '?';
}

/// The spans as one letter per byte, after checking that they cover the text exactly.
std::string Letters(std::string_view text, const TScanSettings& settings)
{
    const std::vector<TTokenSpan> spans = ScanExpression(text, settings);
    std::string letters;
    for (const TTokenSpan& span : spans) {
        EXPECT_EQ(span.Start, letters.size()) << text;
        EXPECT_GT(span.Length, 0u) << text;
        letters.append(span.Length, KindLetter(span.Kind));
    }
    EXPECT_EQ(letters.size(), text.size()) << text;
    return letters;
}

struct TScanCase {
    std::string_view Text;
    std::string_view Letters;
};

class ExprScannerTest : public ::testing::Test {
protected:
    TTestNames FNames;
    TScanSettings FSettings{TCharSet("."), ',', &FNames};
};

TEST_F(ExprScannerTest, ReadsEveryLiteralFormAsEvaluationDoes)
{
    // Each text is one literal that evaluates; the scanner sees one number.
    const std::vector<std::string_view> literals{"0",
                                                 "42",
                                                 "3.25",
                                                 "1e",
                                                 "5.",
                                                 "1e10",
                                                 "1.5E-3",
                                                 "2e+7",
                                                 "1 000",
                                                 "12 345.5",
                                                 "#FF",
                                                 "$ff",
                                                 "&HFF",
                                                 "&hff",
                                                 "0xFF",
                                                 "0x1f",
                                                 "0FFh",
                                                 "&B101",
                                                 "0b101",
                                                 "101b",
                                                 "&O17",
                                                 "0o17",
                                                 "17o",
                                                 "&RXIV",
                                                 "0rMCM",
                                                 "&rxiv",
                                                 "[1/2/2020]",
                                                 "[12:30]",
                                                 "123456789012345678901234567890",
                                                 "1 2 3h"};
    for (const std::string_view literal : literals) {
        EXPECT_EQ(Letters(literal, FSettings), std::string(literal.size(), 'N')) << literal;
        TExpressionParser parser;
        EXPECT_TRUE(parser.TryEvaluate(literal)) << literal;
    }
}

TEST_F(ExprScannerTest, MarksLiteralsEvaluationRejects)
{
    const std::string longBinary = "&B" + std::string(65, '1');
    const std::string longBinaryLetters(longBinary.size(), 'X');
    const std::vector<TScanCase> cases{
        {"&Q1", "XXX"},
        {longBinary, longBinaryLetters},
        {"[not a date]", "XXXXXXXXXXXX"},
    };
    for (const TScanCase& c : cases) {
        EXPECT_EQ(Letters(c.Text, FSettings), c.Letters) << c.Text;
        TExpressionParser parser;
        EXPECT_FALSE(parser.TryEvaluate(c.Text)) << c.Text;
    }
}

TEST_F(ExprScannerTest, ReadsEveryOperator)
{
    // Every spelling of every level between two operands, in the position evaluation reads it.
    std::vector<std::string_view> binary;
    for (const TOperatorTable* table : {&kPowerTable, &kTermTable, &kSumTable, &kRelationTable})
        for (std::size_t i = 0; i < table->Count(); ++i)
            binary.push_back(table->Spelling(static_cast<int>(i)));
    for (const std::string_view op : binary) {
        std::string lower(op);
        for (char& ch : lower)
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        for (const std::string& spelling : {std::string(op), lower}) {
            const std::string text = "6 " + spelling + " 3";
            EXPECT_EQ(Letters(text, FSettings), "N_" + std::string(op.size(), 'O') + "_N") << text;
        }
    }
    for (const std::string_view op : kUnaryOps) {
        const std::string text = std::string(op) + " 3";
        EXPECT_EQ(Letters(text, FSettings), std::string(op.size(), 'O') + "_N") << text;
    }
}

TEST_F(ExprScannerTest, FollowsTheGrammar)
{
    const std::vector<TScanCase> cases{
        // A word operator after an operand; a lone letter there is not readable.
        {"5 or 3", "N_OO_N"},
        {"17 o", "NN_X"},
        {"17 o + 1", "NN_X_O_N"},
        {"5 orange", "N_OOUUUU"},
        {"orange", "cccccc"},
        {"not k", "OOO_c"},
        {"5 and 3 xor 1", "N_OOO_N_OOO_N"},
        {"2 shl 1 mod 3 div 2", "N_OOO_N_OOO_N_OOO_N"},
        {"--5", "OON"},
        {"1 +% 20", "N_OO_NN"},
        // Names by what they stand for.
        {"sin(pi)", "FFFBCCB"},
        {"SIN (K)", "FFF_BcB"},
        {"f(1, 2)", "fBNL_NB"},
        {"max(1,k)+zz", "FFFBNLcBOUU"},
        {"foo(1)", "UUUBNB"},
        {"sin", "UUU"},
        {"if(1, 2, 3)", "FFBNL_NL_NB"},
        {"case(1: 2, 3)", "FFFFBNL_NL_NB"},
        // Brackets pair; separators only where a call or an angle takes them.
        {"(1, 2)", "BNX_NB"},
        {"{10, 30, 0}", "BNNL_NNL_NB"},
        {"(1))", "BNBX"},
        {"(1]", "BNX"},
        {"1 ? 2 : 3", "N_O_N_O_N"},
        {"1 : 2", "N_X_N"},
        // Comments only after a complete expression outside brackets.
        {"1 + 2 ' three", "N_O_N_#######"},
        {"(1 ' x)", "BN_X_UB"},
        {"' x", "X_U"},
        {"", ""},
        {"  ", "__"},
        {"@@@", "UUU"},
        {".5", "XN"},
        {"2..3", "NNXN"},
        {"FFh", "UUU"},
        {"1 + * 2", "N_O_X_N"},
        {std::string_view("1+\0zz", 5), "NO###"},
    };
    for (const TScanCase& c : cases)
        EXPECT_EQ(Letters(c.Text, FSettings), c.Letters) << c.Text;
}

TEST_F(ExprScannerTest, UsesTheSeparatorsInForce)
{
    FSettings.DecimalSeparators = TCharSet(".,");
    FSettings.ListSeparator = ';';
    const std::vector<TScanCase> cases{
        {"max(1,5; 2)", "FFFBNNNL_NB"},
        // A blank may follow the decimal separator in a literal.
        {"max(1, 2)", "FFFBNNNNB"},
        {"{1;2}", "BNLNB"},
    };
    for (const TScanCase& c : cases)
        EXPECT_EQ(Letters(c.Text, FSettings), c.Letters) << c.Text;
    FSettings.DecimalSeparators = TCharSet(".");
    FSettings.ListSeparator = ',';
    EXPECT_EQ(Letters("max(1,5; 2)", FSettings), "FFFBNLNX_NB");
}

TEST_F(ExprScannerTest, KeepsOperatorsApartFromEachOther)
{
    const std::vector<TTokenSpan> spans = ScanExpression("--5", FSettings);
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[0], (TTokenSpan{0, 1, TTokenKind::tkOperator}));
    EXPECT_EQ(spans[1], (TTokenSpan{1, 1, TTokenKind::tkOperator}));
}

TEST_F(ExprScannerTest, CoversAnyBytes)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> common(0, 40);
    const std::string_view alphabet = "0123456789.,;:+-*/^%&|!~<>=?()[]{}'#$ abhoxrEeORNDT";
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int size = round % 40;
        for (int i = 0; i < size; ++i) {
            const int k = common(random);
            text.push_back(k < static_cast<int>(alphabet.size()) && k < 40
                               ? alphabet[static_cast<std::size_t>(k)]
                               : static_cast<char>(byte(random)));
        }
        (void)Letters(text, FSettings);
    }
}

} // namespace
} // namespace calc
