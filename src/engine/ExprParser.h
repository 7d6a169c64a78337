#pragma once

#include "engine/ExprParserTypes.h"
#include "engine/ExprReader.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace calc {

class IParserDefinitions;

/// Evaluates an expression text in one recursive-descent pass, computing while it parses.
class TExpressionParser {
public:
    TExpressionParser();
    virtual ~TExpressionParser() = default;
    TExpressionParser(const TExpressionParser&) = delete;
    TExpressionParser& operator=(const TExpressionParser&) = delete;

    /// Evaluates and records any failure in the error state; true when ErrorCode is 0.
    bool TryEvaluate(std::string_view text);
    /// Evaluates and lets every failure propagate.
    Extended Evaluate(std::string_view text);
    /// Reads the text in syntax-only mode; failures propagate.
    void Check(std::string_view text);

    [[nodiscard]] std::string GetErrorMessage() const;

    /// A literal read on its own: where reading stopped (after its trailing blanks, or at the
    /// failure) and whether evaluation would take it.
    struct TLiteralRead {
        std::size_t End = 0;
        bool Valid = false;
    };
    /// Reads the number or bracketed date and time at pos exactly as evaluation reads it. The
    /// text must hold no character 0; the error state is left undefined.
    TLiteralRead ReadLiteral(std::string_view text, std::size_t pos);

    [[nodiscard]] Extended Value() const noexcept { return FValue; }
    [[nodiscard]] int ErrorCode() const noexcept { return FErrorCode; }
    [[nodiscard]] int ErrorPos() const noexcept { return static_cast<int>(FPos); }
    [[nodiscard]] const std::string& ErrorArg() const noexcept { return FErrorArg; }

    [[nodiscard]] const TCharSet& DecimalSeparators() const noexcept { return FDecimalSeparators; }
    void SetDecimalSeparators(const TCharSet& value)
    {
        FDecimalSeparators = value;
        FDecimalSeparatorList = value.Text();
        FPlainSeparators = HasPlainSeparators(value);
    }
    [[nodiscard]] char ListSeparator() const noexcept { return FListSeparator; }
    void SetListSeparator(char value) noexcept { FListSeparator = value; }
    [[nodiscard]] TAngleMode AngleMode() const noexcept { return FAngleMode; }
    void SetAngleMode(TAngleMode value) noexcept { FAngleMode = value; }
    /// The registry names resolve against; nullptr stands for the process's default one.
    [[nodiscard]] const IParserDefinitions* Definitions() const noexcept { return FDefinitions; }
    void SetDefinitions(const IParserDefinitions* value) noexcept { FDefinitions = value; }

protected:
    /// Resolves a name used without "(".
    virtual Extended GetConstantValue(std::string_view name);
    [[noreturn]] void RaiseError(int code, std::string_view arg = {});
    /// The registry in force: the parser's own or the process's default; nullptr when neither.
    [[nodiscard]] const IParserDefinitions* ResolvingDefinitions() const noexcept;

private:
    enum class TMode { Evaluate, Check };
    void Run(std::string_view text, TMode mode);
    void TopLevel(TMode mode);

    // Reading steps.
    [[nodiscard]] char Cur() const noexcept { return FPos < FText.size() ? FText[FPos] : '\0'; }
    [[nodiscard]] char At(std::size_t pos) const noexcept
    {
        return pos < FText.size() ? FText[pos] : '\0';
    }
    void SkipSpaces() noexcept;
    void Advance() noexcept;
    void AdvanceRequired();
    std::string_view ReadName();
    Extended ReadNumber();
    Extended ReadGeneralNumber();
    [[nodiscard]] static bool HasPlainSeparators(const TCharSet& separators) noexcept;
    Extended ReadDateTime(bool convert);
    void CloseBracket(char closer);
    /// Whether an operator of the table may start at the scan position. Most operands stand
    /// alone: a level that returns before its loop when none may start keeps the operand in a
    /// register, where the loop, with calls in it, would first store it.
    [[nodiscard]] bool MayStartOperator(const TOperatorTable& table) const noexcept
    {
        return FPos < FText.size() && table.MayStartWith(FText[FPos]);
    }
    /// Reads an operator of the table and the blanks after it; its index, or -1 for none.
    int MatchOperator(const TOperatorTable& table)
    {
        // Most characters start no operator of the level asked for: settled here, inline.
        if (!MayStartOperator(table))
            return -1;
        return ReadOperator(table);
    }
    int ReadOperator(const TOperatorTable& table);

    // Evaluation, one function per precedence level.
    Extended ParseRelation();
    Extended ParseSum();
    Extended ParseTerm();
    Extended ParsePower();
    Extended ParseFactor();
    Extended ParsePrimary();
    Extended ParseAngle();
    Extended ParseCall(std::string_view name);
    Extended ParseCase();
    Extended ParseIf();

    // Syntax-only reading.
    void SkipRelation();
    void SkipSum();
    void SkipTerm();
    void SkipPower();
    void SkipFactor();
    void SkipPrimary();

    void RangeCheck(Extended a, Extended b, std::string_view spelling);
    void RangeCheck(Extended a, std::string_view spelling);
    void ZeroCheck(Extended b);

    std::string_view FText;
    std::size_t FPos = 0;
    Extended FValue = 0;
    int FErrorCode = ceNone;
    std::string FErrorArg;
    TCharSet FDecimalSeparators{"."};
    std::string FDecimalSeparatorList = ".";
    bool FPlainSeparators = true; // no letters, digits or blanks among them
    char FListSeparator = ',';
    TAngleMode FAngleMode = TAngleMode::amDeg;
    const IParserDefinitions* FDefinitions = nullptr;
};

/// x to the power y as the "^" operator computes it.
[[nodiscard]] Extended Power(Extended x, Extended y);
/// The power rule without the 0^0 check.
[[nodiscard]] Extended PowerRule(Extended x, Extended y);

/// Definition names: a name character first, then name characters or digits.
[[nodiscard]] bool IsValidName(std::string_view s) noexcept;
/// Fails with "Invalid definition name" when the name is not valid.
void CheckName(std::string_view s);

} // namespace calc
