#pragma once

// One reading of an expression for display: every byte of the text in exactly one span, each
// with the part it plays, decided by the same reading rules evaluation uses.

#include "engine/ExprReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace calc {

enum class TTokenKind : std::uint8_t {
    tkBlank,
    tkNumber, ///< every literal form, dates and times in brackets included
    tkOperator,
    tkBuiltInFunction,
    tkBuiltInConstant,
    tkUserFunction,
    tkUserConstant,
    tkUnknownName,
    tkBracket,
    tkListSeparator,
    tkComment, ///< also whatever follows a character 0, which evaluation never reads
    tkUnreadable
};

struct TTokenSpan {
    std::size_t Start = 0;
    std::size_t Length = 0;
    TTokenKind Kind = TTokenKind::tkBlank;
    bool operator==(const TTokenSpan&) const = default;
};

/// Tells what a name stands for: one of the function kinds when called (call is true), one of
/// the constant kinds otherwise, or tkUnknownName.
class INameClassifier {
public:
    virtual ~INameClassifier() = default;
    [[nodiscard]] virtual TTokenKind ClassifyName(std::string_view name, bool call) const = 0;

protected:
    INameClassifier() = default;
    INameClassifier(const INameClassifier&) = default;
    INameClassifier& operator=(const INameClassifier&) = default;
};

struct TScanSettings {
    TCharSet DecimalSeparators{"."};
    char ListSeparator = ',';
    /// nullptr: every name is unknown, except the call forms of "case" and "if".
    const INameClassifier* Names = nullptr;
};

/// The spans of the text in order; they cover it without gap or overlap. Never fails.
[[nodiscard]] std::vector<TTokenSpan> ScanExpression(std::string_view text,
                                                     const TScanSettings& settings);

} // namespace calc
