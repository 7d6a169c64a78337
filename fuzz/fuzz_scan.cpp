// Arbitrary bytes as an expression to colour: the spans must cover every byte exactly once,
// in order, whatever the text and the separators.
#include "engine/ExprScanner.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

using namespace calc;

/// Names starting with a capital are known: functions when called, constants otherwise.
class TFuzzNames final : public INameClassifier {
public:
    TTokenKind ClassifyName(std::string_view name, bool call) const override
    {
        if (name[0] < 'A' || name[0] > 'Z')
            return TTokenKind::tkUnknownName;
        return call ? TTokenKind::tkUserFunction : TTokenKind::tkUserConstant;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the separators, the rest is the expression.
    const std::uint8_t mode = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    static const TFuzzNames names;
    TScanSettings settings;
    settings.Names = &names;
    if (mode & 1) {
        settings.DecimalSeparators = TCharSet(".,");
        settings.ListSeparator = ';';
    }
    if (mode & 2)
        settings.ListSeparator = static_cast<char>(mode >> 2);
    const std::vector<TTokenSpan> spans = ScanExpression(text, settings);
    std::size_t next = 0;
    for (const TTokenSpan& span : spans) {
        if (span.Start != next || span.Length == 0)
            std::abort();
        next += span.Length;
    }
    if (next != text.size())
        std::abort();
    return 0;
}
