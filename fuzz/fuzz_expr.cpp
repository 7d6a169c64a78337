// Arbitrary bytes as an expression: evaluation and syntax checking must never crash or hang.
#include "definitions/ExprParserDefinitions.h"
#include "engine/EvalInterrupt.h"
#include "engine/ExprParser.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string_view>
#include <utility>

namespace {

using namespace calc;

bool Setup()
{
    RegisterBuiltIns(ParserDefinitions());
    TDefinitionsGroup& group = ParserDefinitions().AddGroup("Fuzz");
    for (const char* line :
         {"e = 2.718281828459045", "c = 299792458", "f(x) = x*2 + 1", "g(x, y) = if(x > y, x, y)",
          "s(n) = if(n, n + s(n-1), 0)", "loop(x) = loop(x)", "z() = 5", "h(x) = g(x, f(x)) / c"})
        group.AddDefinitionText(line);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = Setup();
    (void)ready;
    if (size == 0)
        return 0;
    // The first byte picks the parser settings, the rest is the expression.
    const std::uint8_t mode = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    TExpressionParser parser;
    parser.SetAngleMode(static_cast<TAngleMode>(mode % 3));
    if (mode & 4) {
        parser.SetDecimalSeparators(TCharSet(".,"));
        parser.SetListSeparator(';');
    }
    {
        // A valid but slow expression ends as it ends while the user types, not as a hang.
        TInterruptLimits limits;
        limits.Budget = std::chrono::seconds(2);
        const TInterruptScope scope(std::move(limits));
        parser.TryEvaluate(text);
    }
    (void)parser.GetErrorMessage();
    try {
        parser.Check(text);
    }
    catch (const std::exception&) {
    }
    return 0;
}
