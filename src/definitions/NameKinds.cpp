#include "definitions/NameKinds.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <vector>

namespace calc {

TTokenKind TDefinitionsNames::ClassifyName(std::string_view name, bool call) const
{
    std::unique_ptr<TCustomFuncEvaluator> evaluator;
    Extended value = 0;
    if (call) {
        if (!FDefinitions.FindFunction(name, evaluator))
            return TTokenKind::tkUnknownName;
        return dynamic_cast<const TBuiltInFuncEvaluator*>(evaluator.get()) != nullptr
                   ? TTokenKind::tkBuiltInFunction
                   : TTokenKind::tkUserFunction;
    }
    for (int i = 0; i < FDefinitions.GroupCount(); ++i)
        if (FDefinitions.Groups(i).FindConstant(name, value))
            return TTokenKind::tkUserConstant;
    return FDefinitions.FindConstant(name, value) ? TTokenKind::tkBuiltInConstant
                                                  : TTokenKind::tkUnknownName;
}

std::size_t NameDistance(std::string_view a, std::string_view b)
{
    // One row of the edit-distance table at a time.
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t change = AnsiUpper(a[i - 1]) == AnsiUpper(b[j - 1]) ? 0 : 1;
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + change});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string SuggestName(const TParserDefinitions& definitions, std::string_view name, bool call)
{
    // A third of the name may be mistyped, at least one character and at most two.
    const std::size_t limit = std::clamp<std::size_t>((name.size() + 1) / 3, 1, 2);
    std::string best;
    std::size_t bestDistance = limit + 1;
    const auto consider = [&](const std::string& candidate) {
        // Lengths alone may already rule a name out.
        const std::size_t gap = candidate.size() > name.size() ? candidate.size() - name.size()
                                                               : name.size() - candidate.size();
        if (gap > limit || candidate.empty())
            return;
        const std::size_t distance = NameDistance(name, candidate);
        if (distance < bestDistance ||
            (distance == bestDistance && AnsiUpperCase(candidate) < AnsiUpperCase(best))) {
            best = candidate;
            bestDistance = distance;
        }
    };
    if (call)
        for (int i = 0; i < definitions.FunctionCount(); ++i)
            consider(definitions.FunctionNames(i));
    else
        for (int i = 0; i < definitions.ConstantCount(); ++i)
            consider(definitions.ConstantNames(i));
    const TDefinitionKind kind = call ? TDefinitionKind::dkFunc : TDefinitionKind::dkConst;
    for (int g = 0; g < definitions.GroupCount(); ++g) {
        const TDefinitionsGroup& group = definitions.Groups(g);
        for (int i = 0; i < group.Count(); ++i)
            if (group.GetKind(i) == kind)
                consider(group.GetName(i));
    }
    return bestDistance == 0 ? std::string() : best;
}

std::vector<std::string> CompleteNames(const TParserDefinitions& definitions,
                                       std::string_view prefix)
{
    std::vector<std::string> names;
    const auto consider = [&](const std::string& name) {
        if (name.size() >= prefix.size() && AnsiSameText(name.substr(0, prefix.size()), prefix))
            names.push_back(name);
    };
    for (int i = 0; i < definitions.FunctionCount(); ++i)
        consider(definitions.FunctionNames(i));
    for (int i = 0; i < definitions.ConstantCount(); ++i)
        consider(definitions.ConstantNames(i));
    for (int g = 0; g < definitions.GroupCount(); ++g) {
        const TDefinitionsGroup& group = definitions.Groups(g);
        for (int i = 0; i < group.Count(); ++i)
            consider(group.GetName(i));
    }
    const auto upper = [](const std::string& a, const std::string& b) {
        return AnsiUpperCase(a) < AnsiUpperCase(b);
    };
    std::stable_sort(names.begin(), names.end(), upper);
    names.erase(
        std::unique(names.begin(), names.end(),
                    [](const std::string& a, const std::string& b) { return AnsiSameText(a, b); }),
        names.end());
    return names;
}

} // namespace calc
