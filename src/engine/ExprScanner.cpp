#include "engine/ExprScanner.h"

#include "engine/ExprParser.h"

#include <algorithm>
#include <utility>

namespace calc {

namespace {

enum class TFrameKind { fkTop, fkGroup, fkCall, fkCase, fkAngle };

struct TFrame {
    TFrameKind Kind = TFrameKind::fkTop;
    char Closer = '\0';
    bool Conditional = false; ///< a "?" waits for its ":"
    bool CaseColon = false;   ///< the selector of a case call has ended
};

class TScanner {
public:
    TScanner(std::string_view text, const TScanSettings& settings)
        : FText(text.substr(0, text.find('\0'))), FFull(text), FSettings(settings)
    {
        FParser.SetDecimalSeparators(settings.DecimalSeparators);
        FParser.SetListSeparator(settings.ListSeparator);
        FFrames.push_back({});
    }

    std::vector<TTokenSpan> Run()
    {
        while (FPos < FText.size()) {
            if (IsSpaceChar(FText[FPos]))
                Emit(LengthWhile([](char c) { return IsSpaceChar(c); }), TTokenKind::tkBlank);
            else if (FExpectOperand)
                ReadOperand();
            else
                ReadOperatorPosition();
        }
        if (FFull.size() > FText.size())
            Emit(FFull.size() - FText.size(), TTokenKind::tkComment);
        return std::move(FSpans);
    }

private:
    void Emit(std::size_t length, TTokenKind kind)
    {
        // An unreadable stretch is one span however it was stepped over.
        if (kind == TTokenKind::tkUnreadable && !FSpans.empty() && FSpans.back().Kind == kind)
            FSpans.back().Length += length;
        else
            FSpans.push_back({FPos, length, kind});
        FPos += length;
    }

    template <typename TPred> [[nodiscard]] std::size_t LengthWhile(TPred pred) const
    {
        std::size_t end = FPos;
        while (end < FText.size() && pred(FText[end]))
            ++end;
        return end - FPos;
    }

    [[nodiscard]] std::size_t NameLength() const
    {
        return LengthWhile([](char c) { return IsNameChar(c) || IsDigit(c); });
    }

    [[nodiscard]] bool Matches(const TOperatorTable& table, TOperatorMatch& match) const
    {
        match = table.Match(FText, FPos);
        return match.Index >= 0;
    }

    void ReadOperand();
    void ReadLiteral();
    void ReadName();
    void ReadOperatorPosition();
    bool ReadCloser(char c);

    std::string_view FText;
    std::string_view FFull;
    const TScanSettings& FSettings;
    TExpressionParser FParser;
    std::vector<TTokenSpan> FSpans;
    std::vector<TFrame> FFrames;
    std::size_t FPos = 0;
    bool FExpectOperand = true;
    TFrameKind FPendingCall = TFrameKind::fkGroup; ///< what the next "(" opens
};

void TScanner::ReadOperand()
{
    const char c = FText[FPos];
    TOperatorMatch match;
    if (Matches(kUnaryTable, match)) {
        Emit(match.Length, TTokenKind::tkOperator);
    }
    else if (IsDigit(c) || c == '#' || c == '$' || c == '&' || c == '[') {
        ReadLiteral();
    }
    else if (c == '(' || c == '{') {
        const TFrameKind kind = c == '{' ? TFrameKind::fkAngle : FPendingCall;
        FFrames.push_back({kind, c == '{' ? '}' : ')'});
        FPendingCall = TFrameKind::fkGroup;
        Emit(1, TTokenKind::tkBracket);
    }
    else if (IsNameChar(c)) {
        ReadName();
    }
    else if (!ReadCloser(c)) {
        // Nothing can start an operand here; what follows is read afresh.
        Emit(1, TTokenKind::tkUnreadable);
    }
}

void TScanner::ReadLiteral()
{
    const std::size_t start = FPos;
    TExpressionParser::TLiteralRead read = FParser.ReadLiteral(FText, start);
    if (!read.Valid && FText[start] == '[' && read.End < FText.size() && FText[read.End] == ']')
        ++read.End;
    std::size_t end = std::max(read.End, start + 1);
    // The blanks read after a literal are not part of it.
    while (end > start + 1 && IsSpaceChar(FText[end - 1]))
        --end;
    Emit(end - start, read.Valid ? TTokenKind::tkNumber : TTokenKind::tkUnreadable);
    FExpectOperand = false;
}

void TScanner::ReadName()
{
    const std::size_t length = NameLength();
    const std::string_view name = FText.substr(FPos, length);
    std::size_t next = FPos + length;
    while (next < FText.size() && IsSpaceChar(FText[next]))
        ++next;
    const bool call = next < FText.size() && FText[next] == '(';
    TTokenKind kind = TTokenKind::tkUnknownName;
    if (call && AnsiSameText(name, "case")) {
        kind = TTokenKind::tkBuiltInFunction;
        FPendingCall = TFrameKind::fkCase;
    }
    else if (call && AnsiSameText(name, "if")) {
        kind = TTokenKind::tkBuiltInFunction;
        FPendingCall = TFrameKind::fkCall;
    }
    else {
        if (FSettings.Names != nullptr)
            kind = FSettings.Names->ClassifyName(name, call);
        if (call)
            FPendingCall = TFrameKind::fkCall;
    }
    Emit(length, kind);
    FExpectOperand = call;
}

bool TScanner::ReadCloser(char c)
{
    if (FFrames.size() < 2 || c != FFrames.back().Closer)
        return false;
    FFrames.pop_back();
    Emit(1, TTokenKind::tkBracket);
    FExpectOperand = false;
    return true;
}

void TScanner::ReadOperatorPosition()
{
    const char c = FText[FPos];
    TFrame& frame = FFrames.back();
    TOperatorMatch match;
    // The levels in the order evaluation tries them after an operand.
    if (Matches(kPowerTable, match) || Matches(kTermTable, match) || Matches(kSumTable, match) ||
        Matches(kRelationTable, match)) {
        if (c == '?')
            frame.Conditional = true;
        Emit(match.Length, TTokenKind::tkOperator);
        FExpectOperand = true;
    }
    else if (c == ':' && frame.Conditional) {
        frame.Conditional = false;
        Emit(1, TTokenKind::tkOperator);
        FExpectOperand = true;
    }
    else if (c == ':' && frame.Kind == TFrameKind::fkCase && !frame.CaseColon) {
        frame.CaseColon = true;
        Emit(1, TTokenKind::tkListSeparator);
        FExpectOperand = true;
    }
    else if (c == FSettings.ListSeparator &&
             (frame.Kind == TFrameKind::fkCall || frame.Kind == TFrameKind::fkAngle ||
              (frame.Kind == TFrameKind::fkCase && frame.CaseColon))) {
        Emit(1, TTokenKind::tkListSeparator);
        FExpectOperand = true;
    }
    else if (c == '\'' && FFrames.size() == 1) {
        Emit(FText.size() - FPos, TTokenKind::tkComment);
    }
    else if (ReadCloser(c)) {
    }
    else if (IsNameChar(c) || IsDigit(c)) {
        Emit(NameLength(), TTokenKind::tkUnreadable);
    }
    else {
        // Most likely a mistyped operator or separator: an operand follows.
        Emit(1, TTokenKind::tkUnreadable);
        FExpectOperand = true;
    }
}

} // namespace

std::vector<TTokenSpan> ScanExpression(std::string_view text, const TScanSettings& settings)
{
    return TScanner(text, settings).Run();
}

} // namespace calc
