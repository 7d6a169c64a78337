#pragma once

// The small reading steps of expressions, usable on their own: an operator or a plain decimal
// literal at a position, and the conversion of decimal text.

#include "engine/ExprParserTypes.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace calc {

/// A set of 8-bit characters.
class TCharSet {
public:
    TCharSet() = default;
    TCharSet(std::string_view chars) { Include(chars); }
    void Include(char c) noexcept { FBits.set(static_cast<unsigned char>(c)); }
    void Include(std::string_view chars) noexcept
    {
        for (const char c : chars)
            Include(c);
    }
    void Exclude(char c) noexcept { FBits.reset(static_cast<unsigned char>(c)); }
    [[nodiscard]] bool Contains(char c) const noexcept
    {
        return FBits.test(static_cast<unsigned char>(c));
    }
    [[nodiscard]] bool Empty() const noexcept { return FBits.none(); }
    /// Every member once, in ascending character code order.
    [[nodiscard]] std::string Text() const;
    bool operator==(const TCharSet&) const = default;

private:
    std::bitset<256> FBits;
};

/// An operator read from a text: its index in its table and its length.
struct TOperatorMatch {
    int Index = -1; ///< -1: no operator of the table starts there
    std::size_t Length = 0;
};

/// An ordered list of operator spellings in upper case. The order decides between spellings
/// that share a beginning, so each character leads straight to the spellings that start with
/// it, still in list order.
class TOperatorTable {
public:
    template <std::size_t N>
    consteval explicit TOperatorTable(const std::array<std::string_view, N>& spellings)
        : FSpellings(spellings.data()), FCount(N)
    {
        for (std::size_t i = 0; i < N; ++i) {
            const auto c = static_cast<unsigned char>(spellings[i][0]);
            AddStarting(c, i);
            if (c >= 'A' && c <= 'Z')
                AddStarting(c + 32u, i);
        }
    }

    [[nodiscard]] std::size_t Count() const noexcept { return FCount; }
    [[nodiscard]] std::string_view Spelling(int index) const noexcept
    {
        return FSpellings[static_cast<std::size_t>(index)];
    }

    /// Whether some spelling starts with the character, in either letter case.
    [[nodiscard]] bool MayStartWith(char c) const noexcept
    {
        return FStartingCount[static_cast<unsigned char>(c)] != 0;
    }

    /// The first spelling in list order that the text spells at pos, in either letter case. A
    /// one-character operator followed by the same character is not that operator ("**" is no
    /// "*"), except for the signs, "!" and "~", which may repeat.
    [[nodiscard]] TOperatorMatch Match(std::string_view text, std::size_t pos) const noexcept
    {
        if (pos >= text.size())
            return {};
        const auto first = static_cast<unsigned char>(text[pos]);
        for (std::size_t k = 0; k < FStartingCount[first]; ++k) {
            const std::uint8_t index = FStarting[first][k];
            const std::string_view spelling = FSpellings[index];
            if (!SpelledAt(text, pos, spelling))
                continue;
            if (spelling.size() == 1 && IsDoubled(text, pos))
                continue;
            return {index, spelling.size()};
        }
        return {};
    }

private:
    static constexpr std::size_t kMaxStarting = 4;

    consteval void AddStarting(unsigned c, std::size_t index)
    {
        if (FStartingCount[c] == kMaxStarting)
            throw "too many operators start with the same character";
        FStarting[c][FStartingCount[c]++] = static_cast<std::uint8_t>(index);
    }
    // The first character is known to match.
    [[nodiscard]] static bool SpelledAt(std::string_view text, std::size_t pos,
                                        std::string_view spelling) noexcept
    {
        if (spelling.size() > text.size() - pos)
            return false;
        for (std::size_t k = 1; k < spelling.size(); ++k)
            if (AnsiUpper(text[pos + k]) != spelling[k])
                return false;
        return true;
    }
    [[nodiscard]] static bool IsDoubled(std::string_view text, std::size_t pos) noexcept
    {
        const char c = text[pos];
        return pos + 1 < text.size() && text[pos + 1] == c && c != '!' && c != '+' && c != '-' &&
               c != '~';
    }

    const std::string_view* FSpellings;
    std::size_t FCount;
    std::array<std::array<std::uint8_t, kMaxStarting>, 256> FStarting{};
    std::array<std::uint8_t, 256> FStartingCount{};
};

// The operators of each precedence level, in the order that decides shared prefixes.
inline constexpr std::array<std::string_view, 5> kUnaryOps{"-", "+", "!", "~", "NOT"};
inline constexpr std::array<std::string_view, 2> kPowerOps{"^", "**"};
inline constexpr std::array<std::string_view, 17> kTermOps{"%*",  "%/",  "*",  "/",   "\\", "DIV",
                                                           "%",   "MOD", "&",  "AND", "&&", "<<",
                                                           "SHL", "LSH", ">>", "SHR", "RSH"};
inline constexpr std::array<std::string_view, 11> kSumOps{"+%?", "-%?", "+%", "-%", "+",  "-",
                                                          "||",  "|",   "OR", "^^", "XOR"};
inline constexpr std::array<std::string_view, 9> kRelationOps{
    "<=", ">=", "==", "=", "!=", "<>", "<", ">", "?"};

inline constexpr TOperatorTable kUnaryTable{kUnaryOps};
inline constexpr TOperatorTable kPowerTable{kPowerOps};
inline constexpr TOperatorTable kTermTable{kTermOps};
inline constexpr TOperatorTable kSumTable{kSumOps};
inline constexpr TOperatorTable kRelationTable{kRelationOps};

/// A decimal literal that the general rules of number reading would read exactly as written.
struct TPlainDecimal {
    std::size_t Length = 0; ///< 0: not a plain literal
    char Separator = '\0';  ///< the decimal separator in it, '\0' for none
    bool HasValue = false;  ///< Value holds its value; else TryDecimalToFloat converts it
    Extended Value = 0;
};

/// The plain decimal literal at pos: digits, optionally a decimal separator and digits,
/// optionally E, a sign and digits, written without blanks, and followed (after any blanks) by
/// nothing that would still belong to a number: no letter, digit or decimal separator. Prefixed,
/// suffixed and spaced literals are not plain. The separators must hold no letters, digits or
/// blanks. The value comes with it when the digits convert exactly on the way.
[[nodiscard]] TPlainDecimal ReadPlainDecimal(std::string_view text, std::size_t pos,
                                             const TCharSet& separators) noexcept;

/// The value of the plain decimal literal at pos, as ReadPlainDecimal reads it, when all of it
/// lies within the eight characters from pos: at most seven digits, at most one separator and
/// no exponent. length is its length, or 0 for literals left to ReadPlainDecimal. The value
/// comes back in a register, where most literals are wanted.
[[nodiscard]] Extended ReadShortDecimal(std::string_view text, std::size_t pos,
                                        const TCharSet& separators, std::size_t& length) noexcept;

/// Converts a decimal literal with the given decimal separator: digits, optionally the
/// separator and digits, optionally E with an optional sign and optional digits. Overflow
/// fails; underflow gives the tiny or zero value. The result is correctly rounded.
[[nodiscard]] bool TryDecimalToFloat(std::string_view text, char separator, Extended& value);

} // namespace calc
