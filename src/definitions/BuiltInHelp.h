#pragma once

#include "definitions/ExprParserDefinitions.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

/// What the user guide says about one built-in function, keyed by the first name it is
/// registered under.
struct TBuiltInHelp {
    std::string_view Name;
    std::string_view Arguments; ///< as the guide shows them: "x", "x, y", "x1, x2, ..."
    std::string_view Description;
};

/// One row per built-in function, in registration order.
[[nodiscard]] std::span<const TBuiltInHelp> BuiltInHelpTable() noexcept;

/// One built-in function as the registry holds it, with its description.
struct TBuiltInDoc {
    std::vector<std::string> Names; ///< the first one and its aliases, as registered
    TBuiltInFuncKind Kind;
    TAngleDependence AngleDependence;
    std::string Arguments;
    std::string Description;
};

/// Every built-in function of the registry, in registration order, with its description.
/// Raises EException when a function has no description, when a description belongs to no
/// function, or when its argument text does not fit the function's kind: the guide must never
/// drift from the code.
[[nodiscard]] std::vector<TBuiltInDoc> DescribeBuiltIns(const TParserDefinitions& definitions);

} // namespace calc
