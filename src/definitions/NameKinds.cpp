#include "definitions/NameKinds.h"

#include <memory>

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

} // namespace calc
