#include "engine/ExprParser.h"

#include "engine/DateTimeText.h"
#include "engine/EvalInterrupt.h"
#include "engine/EvalStack.h"
#include "engine/ExprParserRegistry.h"

#include <array>
#include <cfenv>
#include <cmath>
#include <new>

namespace calc {

namespace {

enum TTermOp {
    toPercentMul,
    toPercentDiv,
    toMul,
    toDiv,
    toBackslash,
    toDiv2,
    toRem,
    toMod,
    toAnd,
    toAnd2,
    toLogAnd,
    toShl,
    toShl2,
    toShl3,
    toShr,
    toShr2,
    toShr3
};
enum TSumOp {
    soAddPct2,
    soSubPct2,
    soAddPct,
    soSubPct,
    soAdd,
    soSub,
    soLogOr,
    soOr,
    soOr2,
    soXor,
    soXor2
};
enum TRelOp { roLE, roGE, roEQ, roEQ2, roNE, roNE2, roLT, roGT, roCond };

constexpr std::string_view kDigitsAll = "0123456789ABCDEF";
constexpr std::string_view kDigitsBin = "01";
constexpr std::string_view kDigitsOct = "01234567";
constexpr std::string_view kDigitsRoman = "CDILMVX";

thread_local int tNesting = 0;

class TNestingGuard {
public:
    TNestingGuard()
    {
        if (tNesting >= kMaxNesting)
            throw ECriticalError(sStackOverflow);
        CheckStackSpace();
        ++tNesting;
    }
    ~TNestingGuard() { --tNesting; }
    TNestingGuard(const TNestingGuard&) = delete;
    TNestingGuard& operator=(const TNestingGuard&) = delete;
};

[[nodiscard]] bool IsNonZero(Extended x) noexcept
{
    return !IsZeroValue(x);
}

[[nodiscard]] Extended FromBool(bool b) noexcept
{
    return b ? 1 : 0;
}

[[nodiscard]] Extended FromInt(std::int64_t v) noexcept
{
    return static_cast<Extended>(v);
}

[[nodiscard]] std::uint64_t Bits(Extended x) noexcept
{
    return static_cast<std::uint64_t>(TruncInt64(x));
}

[[nodiscard]] Extended FromBits(std::uint64_t v) noexcept
{
    return static_cast<Extended>(static_cast<std::int64_t>(v));
}

[[nodiscard]] Extended ShiftLeft(Extended a, Extended b) noexcept
{
    const unsigned k = static_cast<unsigned>(Bits(b) & 0xFF);
    if (k < 64)
        return FromBits(Bits(a) << k);
    if (k < 128)
        return 0;
    return FromBits(Bits(a) << (k % 32));
}

[[nodiscard]] Extended ShiftRight(Extended a, Extended b) noexcept
{
    const unsigned k = static_cast<unsigned>(Bits(b) & 0xFF);
    if (k < 64)
        return FromBits(Bits(a) >> k);
    if (k < 128)
        return 0;
    return FromBits(Bits(a) >> (k % 32));
}

/// Integer quotient truncated toward zero; -2^63 div -1 gives the exact 2^63.
[[nodiscard]] Extended IntDiv(Extended a, Extended b)
{
    const std::int64_t x = TruncInt64(a);
    const std::int64_t y = TruncInt64(b);
    if (y == 0)
        throw EMathError(sIntDivisionByZero);
    if (y == -1)
        return -static_cast<Extended>(x);
    return FromInt(x / y);
}

[[nodiscard]] Extended IntRem(Extended a, Extended b)
{
    const std::int64_t x = TruncInt64(a);
    const std::int64_t y = TruncInt64(b);
    if (y == 0)
        throw EMathError(sIntDivisionByZero);
    if (y == -1)
        return 0;
    return FromInt(x % y);
}

/// Reads base-2 or base-8 digits from the last to the first, in 64-bit two's complement.
Extended BaseToInt(const std::string& text, int base)
{
    std::uint64_t value = 0;
    std::uint64_t weight = 1;
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
        const int digit = static_cast<unsigned char>(*it) - '0';
        if (digit < 0 || digit >= base)
            throw EConvertError(
                Format("Invalid characters in number %s (base: %d)", text.c_str(), base));
        value += static_cast<std::uint64_t>(digit) * weight;
        weight *= static_cast<std::uint64_t>(base);
    }
    return FromBits(value);
}

Extended HexToInt(const std::string& text)
{
    std::uint64_t value = 0;
    int significant = 0;
    for (const char c : text) {
        const char u = AnsiUpper(c);
        const int digit = u <= '9' ? u - '0' : u - 'A' + 10;
        if (significant == 0 && digit == 0)
            continue;
        if (significant == 16)
            break; // the digit would overflow 64 bits: it and the rest are ignored
        value = value * 16 + static_cast<std::uint64_t>(digit);
        ++significant;
    }
    return FromBits(value);
}

int RomanValue(char c) noexcept
{
    switch (AnsiUpper(c)) {
    case 'I':
        return 1;
    case 'V':
        return 5;
    case 'X':
        return 10;
    case 'L':
        return 50;
    case 'C':
        return 100;
    case 'D':
        return 500;
    case 'M':
        return 1000;
    default:
        return 0;
    }
}

Extended RomanToInt(const std::string& text)
{
    std::int64_t value = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int current = RomanValue(text[i]);
        if (i + 1 < text.size() && RomanValue(text[i + 1]) > current) {
            value += RomanValue(text[i + 1]) - current;
            ++i;
        }
        else {
            value += current;
        }
    }
    return FromInt(value);
}

} // namespace

TExpressionParser::TExpressionParser() = default;

// ---------------------------------------------------------------------------------------------
// Public operations

bool TExpressionParser::TryEvaluate(std::string_view text)
{
    try {
        Run(text, TMode::Evaluate);
    }
    catch (const ECalcException& e) {
        if (FErrorCode == ceNone) {
            // Raised by another parser: the body of a user function.
            FErrorCode = ceMessage;
            FErrorArg = e.what();
        }
    }
    catch (const ECriticalError& e) {
        FErrorCode = ceCritical;
        FErrorArg = e.what();
    }
    catch (const EInterrupted&) {
        FErrorCode = ceInterrupted;
        FErrorArg.clear();
    }
    catch (const std::bad_alloc&) {
        FErrorCode = ceCritical;
        FErrorArg = sOutOfMemory;
    }
    catch (const std::exception& e) {
        FErrorCode = ceMessage;
        FErrorArg = e.what();
    }
    return FErrorCode == ceNone;
}

Extended TExpressionParser::Evaluate(std::string_view text)
{
    Run(text, TMode::Evaluate);
    return FValue;
}

void TExpressionParser::Check(std::string_view text)
{
    Run(text, TMode::Check);
}

std::string TExpressionParser::GetErrorMessage() const
{
    const int pos = ErrorPos();
    if (FErrorArg.empty())
        return Format("%d: %s", pos, std::string(ErrorText(FErrorCode)).c_str());
    if (FErrorCode == ceMessage)
        return Format("%d: %s", pos, FErrorArg.c_str());
    return Format("%d: %s \"%s\"", pos, std::string(ErrorText(FErrorCode)).c_str(),
                  FErrorArg.c_str());
}

TExpressionParser::TLiteralRead TExpressionParser::ReadLiteral(std::string_view text,
                                                               std::size_t pos)
{
    FText = text;
    FPos = pos;
    TLiteralRead read;
    try {
        if (Cur() == '[')
            (void)ReadDateTime(true);
        else
            (void)ReadNumber();
        read.Valid = true;
    }
    catch (const EException&) {
        read.Valid = false;
    }
    read.End = FPos;
    return read;
}

const IParserDefinitions* TExpressionParser::ResolvingDefinitions() const noexcept
{
    return FDefinitions != nullptr ? FDefinitions : DefaultParserDefinitions();
}

Extended TExpressionParser::GetConstantValue(std::string_view name)
{
    Extended value = 0;
    const IParserDefinitions* definitions = ResolvingDefinitions();
    if (definitions == nullptr || !definitions->FindConstant(name, value))
        RaiseError(ceUnknownConstant, name);
    return value;
}

void TExpressionParser::RaiseError(int code, std::string_view arg)
{
    FErrorCode = code;
    FErrorArg.assign(arg);
    throw ECalcException(GetErrorMessage());
}

void TExpressionParser::Run(std::string_view text, TMode mode)
{
    // Whatever follows the first character 0 is never read.
    FText = text.substr(0, text.find('\0'));
    FPos = 0;
    FValue = 0;
    FErrorCode = ceNone;
    FErrorArg.clear();
    ClearFPUStatus();
    auto body = [this, mode] { TopLevel(mode); };
    RunOnEvaluationStack(body);
}

void TExpressionParser::TopLevel(TMode mode)
{
    SkipSpaces();
    if (mode == TMode::Evaluate)
        FValue = ParseRelation();
    else
        SkipRelation();
    // An apostrophe after a complete expression starts a comment.
    if (Cur() != '\0' && Cur() != '\'')
        RaiseError(ceEndExpected);
    if (IsZeroValue(FValue))
        FValue = 0;
}

// ---------------------------------------------------------------------------------------------
// Reading steps

void TExpressionParser::SkipSpaces() noexcept
{
    while (FPos < FText.size() && IsSpaceChar(FText[FPos]))
        ++FPos;
}

void TExpressionParser::Advance() noexcept
{
    if (FPos < FText.size())
        ++FPos;
    SkipSpaces();
}

void TExpressionParser::AdvanceRequired()
{
    Advance();
    if (Cur() == '\0')
        RaiseError(ceExpectingArgument);
}

std::string_view TExpressionParser::ReadName()
{
    const std::size_t start = FPos;
    while (FPos < FText.size() && (IsNameChar(FText[FPos]) || IsDigit(FText[FPos])))
        ++FPos;
    const std::string_view name = FText.substr(start, FPos - start);
    SkipSpaces();
    return name;
}

int TExpressionParser::ReadOperator(const TOperatorTable& table)
{
    const TOperatorMatch match = table.Match(FText, FPos);
    if (match.Index >= 0) {
        FPos += match.Length;
        SkipSpaces();
    }
    return match.Index;
}

void TExpressionParser::CloseBracket(char closer)
{
    if (Cur() == closer)
        Advance();
    else if (Cur() != '\0')
        RaiseError(ceExpected, std::string_view(&closer, 1));
}

bool TExpressionParser::HasPlainSeparators(const TCharSet& separators) noexcept
{
    for (int c = 0; c < 256; ++c) {
        const auto ch = static_cast<char>(c);
        if (separators.Contains(ch) &&
            (ch == '\0' || IsNameChar(ch) || IsDigit(ch) || IsSpaceChar(ch)))
            return false;
    }
    return true;
}

Extended TExpressionParser::ReadNumber()
{
    // Most literals are short plain decimals, read and converted straight from the text.
    if (FPlainSeparators) {
        std::size_t length = 0;
        const Extended value = ReadShortDecimal(FText, FPos, FDecimalSeparators, length);
        if (length != 0) {
            FPos += length;
            SkipSpaces();
            return value;
        }
    }
    const TPlainDecimal plain =
        FPlainSeparators ? ReadPlainDecimal(FText, FPos, FDecimalSeparators) : TPlainDecimal{};
    if (plain.Length == 0)
        return ReadGeneralNumber();
    const std::string_view text = FText.substr(FPos, plain.Length);
    FPos += plain.Length;
    SkipSpaces();
    Extended value = plain.Value;
    if (!plain.HasValue && !TryDecimalToFloat(text, plain.Separator, value))
        RaiseError(ceNumberFormat, text);
    return value;
}

Extended TExpressionParser::ReadGeneralNumber()
{
    enum class TKind { Undecided, Decimal, Hex, Bin, Oct, Roman };
    TKind kind = TKind::Undecided;
    std::string text;
    std::size_t last = std::string_view::npos; // position of the last character collected

    // Prefix.
    const char first = Cur();
    if (first == '#' || first == '$') {
        kind = TKind::Hex;
        Advance();
    }
    else if (first == '&') {
        Advance();
        switch (AnsiUpper(Cur())) {
        case 'B':
            kind = TKind::Bin;
            break;
        case 'H':
            kind = TKind::Hex;
            break;
        case 'O':
            kind = TKind::Oct;
            break;
        case 'R':
            kind = TKind::Roman;
            break;
        default:
            RaiseError(ceNumberFormat);
        }
        Advance();
    }
    else if (first == '0') {
        const std::size_t zeroPos = FPos;
        Advance();
        switch (AnsiUpper(Cur())) {
        case 'B':
            kind = TKind::Bin;
            Advance();
            break;
        case 'O':
            kind = TKind::Oct;
            Advance();
            break;
        case 'R':
            kind = TKind::Roman;
            Advance();
            break;
        case 'X':
            kind = TKind::Hex;
            Advance();
            break;
        default:
            text = "0";
            last = zeroPos;
        }
    }

    // Digits, with single blanks allowed between groups.
    const std::string_view digitSet = kind == TKind::Bin     ? kDigitsBin
                                      : kind == TKind::Oct   ? kDigitsOct
                                      : kind == TKind::Roman ? kDigitsRoman
                                                             : kDigitsAll;
    const auto inSet = [digitSet](char c) {
        return c != '\0' && digitSet.find(AnsiUpper(c)) != std::string_view::npos;
    };
    bool spaced = false;
    while (inSet(Cur())) {
        if (spaced) {
            const char next = At(FPos + 1);
            const char n = AnsiUpper(next);
            if (!(inSet(next) || n == 'H' || n == 'O' || IsSpaceChar(next) || next == '\0'))
                break;
        }
        text.push_back(Cur());
        last = FPos;
        spaced = IsSpaceChar(At(FPos + 1));
        Advance();
    }

    // An undecided kind is settled by a suffix; H and O count only right after the digits, so
    // that "5 or 3" reads as an OR.
    if (kind == TKind::Undecided) {
        if (!text.empty() && AnsiUpper(text.back()) == 'B') {
            kind = TKind::Bin;
            text.pop_back();
        }
        else {
            const bool adjacent = last != std::string_view::npos && FPos == last + 1;
            const char u = AnsiUpper(Cur());
            if (adjacent && u == 'H') {
                kind = TKind::Hex;
                Advance();
            }
            else if (adjacent && u == 'O') {
                kind = TKind::Oct;
                Advance();
            }
            else {
                kind = TKind::Decimal;
            }
        }
    }

    switch (kind) {
    case TKind::Hex:
        return HexToInt(text);
    case TKind::Bin:
        if (text.size() > 64)
            RaiseError(ceNumberTooLong, text);
        return BaseToInt(text, 2);
    case TKind::Oct:
        if (text.size() > 21)
            RaiseError(ceNumberTooLong, text);
        return BaseToInt(text, 8);
    case TKind::Roman:
        return RomanToInt(text);
    default:
        break;
    }

    // Decimal part and exponent.
    if (FDecimalSeparators.Contains(Cur()) && Cur() != '\0') {
        text.push_back(Cur());
        Advance();
        while (IsDigit(Cur())) {
            text.push_back(Cur());
            Advance();
        }
    }
    if ((AnsiUpper(text.back()) == 'E' && Cur() != '\0') || AnsiUpper(Cur()) == 'E') {
        text.push_back(Cur());
        Advance();
        if (Cur() == '+' || Cur() == '-') {
            text.push_back(Cur());
            Advance();
        }
        while (IsDigit(Cur())) {
            text.push_back(Cur());
            Advance();
        }
    }
    for (const char separator : FDecimalSeparatorList) {
        Extended value = 0;
        if (TryDecimalToFloat(text, separator, value))
            return value;
    }
    if (FDecimalSeparatorList.empty()) {
        Extended value = 0;
        if (TryDecimalToFloat(text, '\0', value))
            return value;
    }
    RaiseError(ceNumberFormat, text);
}

Extended TExpressionParser::ReadDateTime(bool convert)
{
    Advance();
    std::string text;
    while (Cur() != ']' && Cur() != '\0') {
        text.push_back(Cur());
        Advance();
    }
    Extended value = 0;
    if (convert && !TryStrToDateTime(text, RegionalSettings(), value))
        throw EConvertError(Format("'%s' is not a valid date and time", text.c_str()));
    CloseBracket(']');
    return value;
}

// ---------------------------------------------------------------------------------------------
// Operator checks

void TExpressionParser::ZeroCheck(Extended b)
{
    if (IsZeroValue(b))
        RaiseError(ceDivisionByZero);
}

void TExpressionParser::RangeCheck(Extended a, std::string_view spelling)
{
    if (!IsInt64Range(a))
        RaiseError(ceOperatorArgument, spelling);
}

void TExpressionParser::RangeCheck(Extended a, Extended b, std::string_view spelling)
{
    if (!IsInt64Range(a) || !IsInt64Range(b))
        RaiseError(ceOperatorArgument, spelling);
}

// ---------------------------------------------------------------------------------------------
// Evaluation

// relation = sum { relation-operator sum }, with "?" as the conditional
Extended TExpressionParser::ParseRelation()
{
    Extended v = ParseSum();
    if (!MayStartOperator(kRelationTable))
        return v;
    for (int op; (op = MatchOperator(kRelationTable)) >= 0;) {
        if (op == roCond) {
            if (IsNonZero(v)) {
                v = ParseSum();
                if (Cur() == ':') {
                    Advance();
                    SkipRelation();
                }
            }
            else {
                SkipRelation();
                if (Cur() == ':') {
                    Advance();
                    v = ParseSum();
                }
                else {
                    v = 0;
                }
            }
            continue;
        }
        const Extended b = ParseSum();
        switch (op) {
        case roLE:
            v = FromBool(v <= b);
            break;
        case roGE:
            v = FromBool(v >= b);
            break;
        case roEQ:
        case roEQ2:
            v = FromBool(SameValueTol(v, b));
            break;
        case roNE:
        case roNE2:
            v = FromBool(v != b);
            break;
        case roLT:
            v = FromBool(v < b);
            break;
        default:
            v = FromBool(v > b);
            break;
        }
    }
    return v;
}

// sum = term { sum-operator term }
Extended TExpressionParser::ParseSum()
{
    Extended a = ParseTerm();
    if (!MayStartOperator(kSumTable))
        return a;
    for (int op; (op = MatchOperator(kSumTable)) >= 0;) {
        const Extended b = ParseTerm();
        const std::string_view spelling = kSumOps[static_cast<std::size_t>(op)];
        switch (op) {
        case soAddPct2:
            ZeroCheck(b);
            a = (a + b) / b * 100;
            break;
        case soSubPct2:
            ZeroCheck(b);
            a = (a - b) / b * 100;
            break;
        case soAddPct:
            a = a * b / 100 + a;
            break;
        case soSubPct:
            a = a - a * b / 100;
            break;
        case soAdd:
            a = a + b;
            break;
        case soSub:
            a = a - b;
            break;
        case soLogOr:
            RangeCheck(a, b, spelling);
            a = FromBool(IsNonZero(a) || IsNonZero(b));
            break;
        case soOr:
        case soOr2:
            RangeCheck(a, b, spelling);
            a = FromBits(Bits(a) | Bits(b));
            break;
        default:
            RangeCheck(a, b, spelling);
            a = FromBits(Bits(a) ^ Bits(b));
            break;
        }
        a = CheckedValue(a);
    }
    return a;
}

// term = power { term-operator power }
Extended TExpressionParser::ParseTerm()
{
    Extended a = ParsePower();
    if (!MayStartOperator(kTermTable))
        return a;
    for (int op; (op = MatchOperator(kTermTable)) >= 0;) {
        const Extended b = ParsePower();
        const std::string_view spelling = kTermOps[static_cast<std::size_t>(op)];
        switch (op) {
        case toPercentMul:
            a = a * (b / 100);
            break;
        case toPercentDiv:
            ZeroCheck(b);
            a = (a / b) * 100;
            break;
        case toMul:
            a = a * b;
            break;
        case toDiv:
            ZeroCheck(b);
            a = a / b;
            break;
        case toBackslash:
        case toDiv2:
            ZeroCheck(b);
            RangeCheck(a, b, spelling);
            a = IntDiv(a, b);
            break;
        case toRem:
        case toMod:
            ZeroCheck(b);
            RangeCheck(a, b, spelling);
            a = IntRem(a, b);
            break;
        case toAnd:
        case toAnd2:
            RangeCheck(a, b, spelling);
            a = FromBits(Bits(a) & Bits(b));
            break;
        case toLogAnd:
            RangeCheck(a, b, spelling);
            a = FromBool(IsNonZero(a) && IsNonZero(b));
            break;
        case toShl:
        case toShl2:
        case toShl3:
            RangeCheck(a, b, spelling);
            a = ShiftLeft(a, b);
            break;
        default:
            RangeCheck(a, b, spelling);
            a = ShiftRight(a, b);
            break;
        }
        a = CheckedValue(a);
    }
    return a;
}

// power = factor { ("^" | "**") factor }
Extended TExpressionParser::ParsePower()
{
    Extended a = ParseFactor();
    if (!MayStartOperator(kPowerTable))
        return a;
    while (MatchOperator(kPowerTable) >= 0) {
        const Extended b = ParseFactor();
        a = Power(a, b);
    }
    return a;
}

// factor = unary-operator factor | primary
Extended TExpressionParser::ParseFactor()
{
    const TNestingGuard guard;
    const int op = MatchOperator(kUnaryTable);
    if (op < 0)
        return ParsePrimary();
    const Extended x = ParseFactor();
    switch (op) {
    case 0:
        return -x;
    case 1:
        return x;
    case 2:
        RangeCheck(x, kUnaryOps[2]);
        return FromBool(TruncInt64(x) == 0);
    default:
        RangeCheck(x, kUnaryOps[static_cast<std::size_t>(op)]);
        return FromBits(~Bits(x));
    }
}

// primary = number | date | angle | "(" relation ")" | name | call | case | if
Extended TExpressionParser::ParsePrimary()
{
    const char c = Cur();
    if (IsDigit(c) || c == '#' || c == '$' || c == '&')
        return ReadNumber();
    if (c == '[')
        return ReadDateTime(true);
    if (c == '{')
        return ParseAngle();
    if (c == '(') {
        Advance();
        const Extended v = ParseRelation();
        CloseBracket(')');
        return v;
    }
    if (c != '\0' && IsNameChar(c)) {
        const std::string_view name = ReadName();
        if (Cur() != '(')
            return GetConstantValue(name);
        if (AnsiSameText(name, "case"))
            return ParseCase();
        if (AnsiSameText(name, "if"))
            return ParseIf();
        return ParseCall(name);
    }
    RaiseError(ceExpectingArgument);
}

// angle = "{" degrees [ list-separator minutes [ list-separator seconds ] ] "}"
Extended TExpressionParser::ParseAngle()
{
    Advance();
    const Extended d = ParseRelation();
    Extended m = 0;
    Extended s = 0;
    if (Cur() == FListSeparator && Cur() != '\0') {
        Advance();
        m = ParseRelation();
        if (Cur() == FListSeparator) {
            Advance();
            s = ParseRelation();
        }
    }
    const Extended value = CheckedValue((m / 60 + d) + s / 3600);
    CloseBracket('}');
    return value;
}

// call = name "(" [ relation { list-separator relation } ] ")"
Extended TExpressionParser::ParseCall(std::string_view name)
{
    // Every call may start a recursion without end in sight: the place to notice a stop.
    CheckInterrupt();
    std::unique_ptr<TCustomFuncEvaluator> evaluator;
    const IParserDefinitions* definitions = ResolvingDefinitions();
    if (definitions == nullptr || !definitions->FindFunction(name, evaluator))
        RaiseError(ceUnknownFunction, name);
    const int count = evaluator->ArgCount();
    if (count == 0) {
        Advance();
    }
    else if (count > 0) {
        for (int i = 0; i < count; ++i) {
            if (i > 0 && Cur() != FListSeparator)
                RaiseError(ceInsufficientArguments);
            AdvanceRequired();
            evaluator->SetArg(i, ParseRelation());
        }
    }
    else {
        int i = 0;
        do {
            AdvanceRequired();
            const Extended v = ParseRelation();
            evaluator->SetArgCount(i + 1);
            evaluator->SetArg(i, v);
            ++i;
        } while (Cur() == FListSeparator);
    }
    const Extended value = evaluator->Evaluate(FAngleMode);
    evaluator.reset();
    CloseBracket(')');
    return value;
}

// case = "case" "(" selector ":" branch { list-separator branch } ")"
Extended TExpressionParser::ParseCase()
{
    AdvanceRequired();
    const Extended selector = ParseRelation();
    if (Cur() != ':')
        RaiseError(ceExpected, ":");
    const auto k = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(CheckedTrunc(selector))));
    Extended result = 0;
    std::int64_t i = 0;
    do {
        AdvanceRequired();
        if (i == k)
            result = ParseRelation();
        else
            SkipRelation();
        ++i;
    } while (Cur() == FListSeparator);
    CloseBracket(')');
    return result;
}

// if = "if" "(" condition list-separator then [ list-separator else ] ")"
Extended TExpressionParser::ParseIf()
{
    AdvanceRequired();
    const Extended condition = ParseRelation();
    Extended result = 0;
    // An exact test: 1e-20 counts as true here, unlike "?".
    if (condition == 0) {
        AdvanceRequired();
        SkipRelation();
        if (Cur() == FListSeparator) {
            AdvanceRequired();
            result = ParseRelation();
        }
    }
    else {
        AdvanceRequired();
        result = ParseRelation();
        if (Cur() == FListSeparator) {
            AdvanceRequired();
            SkipRelation();
        }
    }
    CloseBracket(')');
    return result;
}

// ---------------------------------------------------------------------------------------------
// Syntax-only reading: the same grammar, nothing computed and no name looked up

void TExpressionParser::SkipRelation()
{
    SkipSum();
    for (int op; (op = MatchOperator(kRelationTable)) >= 0;) {
        if (op == roCond) {
            SkipRelation();
            if (Cur() == ':') {
                Advance();
                SkipRelation();
            }
        }
        else {
            SkipSum();
        }
    }
}

void TExpressionParser::SkipSum()
{
    SkipTerm();
    while (MatchOperator(kSumTable) >= 0)
        SkipTerm();
}

void TExpressionParser::SkipTerm()
{
    SkipPower();
    while (MatchOperator(kTermTable) >= 0)
        SkipPower();
}

void TExpressionParser::SkipPower()
{
    SkipFactor();
    while (MatchOperator(kPowerTable) >= 0)
        SkipFactor();
}

void TExpressionParser::SkipFactor()
{
    const TNestingGuard guard;
    if (MatchOperator(kUnaryTable) >= 0)
        SkipFactor();
    else
        SkipPrimary();
}

void TExpressionParser::SkipPrimary()
{
    const char c = Cur();
    if (IsDigit(c) || c == '#' || c == '$' || c == '&') {
        (void)ReadNumber();
        return;
    }
    if (c == '[') {
        (void)ReadDateTime(false);
        return;
    }
    if (c == '{') {
        Advance();
        SkipRelation();
        if (Cur() == FListSeparator) {
            Advance();
            SkipRelation();
            if (Cur() == FListSeparator) {
                Advance();
                SkipRelation();
            }
        }
        CloseBracket('}');
        return;
    }
    if (c == '(') {
        Advance();
        SkipRelation();
        CloseBracket(')');
        return;
    }
    if (c != '\0' && IsNameChar(c)) {
        const std::string_view name = ReadName();
        if (Cur() != '(')
            return;
        if (AnsiSameText(name, "case")) {
            AdvanceRequired();
            SkipRelation();
            if (Cur() != ':')
                RaiseError(ceExpected, ":");
        }
        do {
            AdvanceRequired();
            SkipRelation();
        } while (Cur() == FListSeparator);
        CloseBracket(')');
        return;
    }
    RaiseError(ceExpectingArgument);
}

// ---------------------------------------------------------------------------------------------
// Power and names

namespace {

/// powl flags an overflow for some large results that are finite (3e1643^2, even 1e4932^1);
/// rounding to nearest turns a real overflow into infinity, so only that is one.
Extended Pow(Extended x, Extended y)
{
    Extended result = std::pow(x, y);
    if (std::isfinite(result) && (detail::ReadFPUFaults(result) & FE_OVERFLOW) != 0)
        std::feclearexcept(FE_OVERFLOW);
    return result;
}

} // namespace

Extended PowerRule(Extended x, Extended y)
{
    Extended result;
    if (std::fabs(y) <= 2147483647.0L && y == std::nearbyint(y)) {
        // powl rounds x^|y| better than repeated squaring, but not x^-|y|: the reciprocal of the
        // positive power is the nearest value wherever that power is exact (10^-2 is 1/100). A
        // zero base with a negative exponent raises the division-by-zero fault.
        result = Pow(x, std::fabs(y));
        if (y < 0) {
            if (x != 0 && std::fpclassify(result) != FP_NORMAL && std::isfinite(result)) {
                // x^|y| underflowed: its reciprocal would be inexact or a false division by
                // zero, while x^y itself is huge.
                result = Pow(x, y);
            }
            else {
                result = 1 / result;
            }
        }
    }
    else if (x == 0) {
        result = 0;
    }
    else if (x < 0) {
        throw EMathError(sInvalidFPOperation);
    }
    else {
        result = Pow(x, y);
    }
    return CheckedValue(result);
}

Extended Power(Extended x, Extended y)
{
    if (IsZeroValue(x) && IsZeroValue(y))
        throw EException(sZeroPowerZero);
    return PowerRule(x, y);
}

bool IsValidName(std::string_view s) noexcept
{
    if (s.empty() || !IsNameChar(s[0]))
        return false;
    for (const char c : s.substr(1))
        if (!IsNameChar(c) && !IsDigit(c))
            return false;
    return true;
}

void CheckName(std::string_view s)
{
    if (!IsValidName(s))
        throw EException(Format("Invalid definition name: \"%s\"", std::string(s).c_str()));
}

} // namespace calc
