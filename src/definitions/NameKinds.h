#pragma once

#include "definitions/ExprParserDefinitions.h"
#include "engine/ExprScanner.h"

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

} // namespace calc
