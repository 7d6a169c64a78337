#pragma once

#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprScanner.h"

#include <string>
#include <string_view>
#include <vector>

namespace calc {

/// Names as the registry resolves them: a call finds a built-in function before a user one, a
/// constant finds a user definition before a built-in one.
class TDefinitionsNames final : public INameClassifier {
public:
    explicit TDefinitionsNames(const TParserDefinitions& definitions) : FDefinitions(definitions) {}
    [[nodiscard]] TTokenKind ClassifyName(std::string_view name, bool call) const override;

private:
    const TParserDefinitions& FDefinitions;
};

/// The changes of one character (insert, delete, replace) that turn a into b, without regard to
/// letter case.
[[nodiscard]] std::size_t NameDistance(std::string_view a, std::string_view b);

/// The known name nearest to an unknown one, of functions when call is true and of constants
/// otherwise (built-in and user ones); empty when none is near enough to be a likely slip. Of
/// names equally near, the first in alphabetical order.
[[nodiscard]] std::string SuggestName(const TParserDefinitions& definitions, std::string_view name,
                                      bool call);

/// The known names that start with prefix, without regard to case: built-in and user functions
/// and constants, each spelling once, in alphabetical order.
[[nodiscard]] std::vector<std::string> CompleteNames(const TParserDefinitions& definitions,
                                                     std::string_view prefix);

} // namespace calc
