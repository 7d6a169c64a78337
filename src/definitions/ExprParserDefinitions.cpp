#include "definitions/ExprParserDefinitions.h"

#include "engine/EvalInterrupt.h"
#include "results/NumberText.h"

#include <cstring>
#include <utility>

namespace calc {

// ---------------------------------------------------------------------------------------------
// Evaluators

int ArgCountOfKind(TBuiltInFuncKind kind) noexcept
{
    switch (kind) {
    case TBuiltInFuncKind::bfkNoArgs:
        return 0;
    case TBuiltInFuncKind::bfkOneArg:
        return 1;
    case TBuiltInFuncKind::bfkTwoArgs:
        return 2;
    default:
        return -1;
    }
}

TBuiltInFuncEvaluator::TBuiltInFuncEvaluator(const TBuiltInFuncRec& funcRec)
    : TCustomFuncEvaluator(ArgCountOfKind(funcRec.Kind)), FFuncRec(funcRec)
{
}

Extended TBuiltInFuncEvaluator::Evaluate(TAngleMode angleMode)
{
    using enum TAngleMode;
    Extended result = 0;
    switch (FFuncRec.Kind) {
    case TBuiltInFuncKind::bfkNoArgs:
        result = std::get<TFuncNoArgs>(FFuncRec.Func)();
        break;
    case TBuiltInFuncKind::bfkOneArg: {
        Extended a = FArgs[0];
        if (FFuncRec.AngleDependence == TAngleDependence::adArgument) {
            if (angleMode == amDeg)
                a = a * kPiDiv180;
            else if (angleMode == amGrad)
                a = a * kPiDiv200;
        }
        result = std::get<TFuncOneArg>(FFuncRec.Func)(a);
        break;
    }
    case TBuiltInFuncKind::bfkTwoArgs:
        result = std::get<TFuncTwoArgs>(FFuncRec.Func)(FArgs[0], FArgs[1]);
        break;
    default: {
        TDoubleArray values(FArgs.size());
        for (std::size_t i = 0; i < FArgs.size(); ++i)
            values[i] = static_cast<double>(FArgs[i]);
        result = std::get<TFuncList>(FFuncRec.Func)(values);
        break;
    }
    }
    if (FFuncRec.AngleDependence == TAngleDependence::adResult) {
        if (angleMode == amDeg)
            result = result * k180DivPi;
        else if (angleMode == amGrad)
            result = result * k200DivPi;
    }
    return CheckedValue(result);
}

TUserFuncEvaluator::TUserFuncEvaluator(const TFuncData& funcData,
                                       const IParserDefinitions& definitions)
    : TCustomFuncEvaluator(funcData.Arguments().Count()), FFuncData(funcData),
      FDefinitions(definitions)
{
}

Extended TUserFuncEvaluator::Evaluate(TAngleMode angleMode)
{
    // A parser of its own: the caller's scan position and error state must survive the call.
    TFuncExpressionParser parser(*this);
    parser.SetAngleMode(angleMode);
    parser.SetDefinitions(&FDefinitions);
    return parser.Evaluate(FFuncData.Text());
}

Extended TFuncExpressionParser::GetConstantValue(std::string_view name)
{
    const int index = FEvaluator.FuncData().Arguments().IndexOf(name);
    if (index >= 0 && index < static_cast<int>(FEvaluator.Args().size()))
        return FEvaluator.GetArg(index);
    return TExpressionParser::GetConstantValue(name);
}

// ---------------------------------------------------------------------------------------------
// Definition records

std::string TConstData::GetValueText() const
{
    return FloatToTextGeneral(FValue, 15, 0, RegionalSettings().DecimalSeparator);
}

void TFuncData::SetArguments(std::string_view text)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view item = text.substr(start, end - start);
        while (!item.empty() && IsSpaceChar(item.front()))
            item.remove_prefix(1);
        if (!item.empty()) {
            if (!IsValidName(item))
                throw EException(
                    Format("Invalid argument identifier: \"%s\"", std::string(item).c_str()));
            names.emplace_back(item);
        }
        start = end + 1;
    }
    FArguments.Clear();
    for (std::string& name : names)
        FArguments.Add(std::move(name), 0);
}

std::string TFuncData::GetArgumentsText() const
{
    std::string text;
    for (int i = 0; i < FArguments.Count(); ++i) {
        if (i > 0)
            text += ", ";
        text += FArguments.Keys(i);
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// Groups

namespace {

std::string FunctionKey(std::string_view name)
{
    std::string key;
    key.reserve(name.size() + 2);
    key.append(name);
    key += "()";
    return key;
}

} // namespace

void TDefinitionsGroup::AddDefinitionText(std::string_view text)
{
    std::string name;
    std::string args;
    std::string body;
    const bool isFunction = SplitDefinition(text, name, args, body);
    AddDefinition(name, args, isFunction ? TDefinitionKind::dkFunc : TDefinitionKind::dkConst,
                  body);
}

void TDefinitionsGroup::AddDefinition(std::string_view name, std::string_view argumentsText,
                                      TDefinitionKind kind, std::string_view text)
{
    FOwner.NoteChange();
    CheckName(name);
    if (kind == TDefinitionKind::dkFunc) {
        CheckText(text);
        auto data = std::make_unique<TFuncData>(std::string(name), std::string(text));
        data->SetArguments(argumentsText);
        FItems.Add(FunctionKey(name), std::move(data));
    }
    else if (kind == TDefinitionKind::dkConst) {
        const Extended value = EvaluateConstantText(text);
        FItems.Add(std::string(name),
                   std::make_unique<TConstData>(std::string(name), std::string(text), value));
    }
}

void TDefinitionsGroup::ChangeDefinition(int index, std::string_view name, std::string_view text,
                                         std::string_view argumentsText)
{
    TCustomDefinitionData& data = Definitions(index);
    const TDefinitionKind kind = data.GetKind();
    FOwner.NoteChange();
    CheckName(name);
    Extended value = 0;
    if (kind == TDefinitionKind::dkFunc) {
        CheckText(text);
        // Every part is checked before anything changes, so a refused edit leaves the
        // definition as it was (and as its file still holds it).
        TFuncData(std::string(), std::string()).SetArguments(argumentsText);
    }
    else
        value = EvaluateConstantText(text);
    FItems.SetKey(index, kind == TDefinitionKind::dkFunc ? FunctionKey(name) : std::string(name));
    data.SetName(std::string(name));
    data.SetText(std::string(text));
    if (kind == TDefinitionKind::dkConst)
        static_cast<TConstData&>(data).SetValue(value);
    else
        static_cast<TFuncData&>(data).SetArguments(argumentsText);
}

std::string TDefinitionsGroup::GetArgumentsText(int index) const
{
    const TCustomDefinitionData& data = Definitions(index);
    if (data.GetKind() != TDefinitionKind::dkFunc)
        return {};
    return static_cast<const TFuncData&>(data).GetArgumentsText();
}

std::string TDefinitionsGroup::GetDisplayName(int index) const
{
    if (GetKind(index) == TDefinitionKind::dkConst)
        return GetName(index);
    return GetName(index) + "(" + GetArgumentsText(index) + ")";
}

bool TDefinitionsGroup::FindConstant(std::string_view name, Extended& value) const
{
    const int index = FItems.IndexOf(name);
    if (index < 0)
        return false;
    value = static_cast<const TConstData&>(*FItems.Items(index)).Value();
    return true;
}

bool TDefinitionsGroup::FindFunction(std::string_view name,
                                     std::unique_ptr<TCustomFuncEvaluator>& evaluator) const
{
    const int index = FItems.IndexOf(FunctionKey(name));
    if (index < 0)
        return false;
    evaluator = std::make_unique<TUserFuncEvaluator>(
        static_cast<const TFuncData&>(*FItems.Items(index)), FOwner);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Registry

TParserDefinitions::TParserDefinitions() = default;

TParserDefinitions::~TParserDefinitions()
{
    if (DefaultParserDefinitions() == this)
        SetDefaultParserDefinitions(nullptr);
}

void TDefinitionsGroup::DeleteDefinition(int index)
{
    FOwner.NoteChange();
    FItems.Delete(index);
}

void TDefinitionsGroup::ExchangeDefinitions(int index1, int index2)
{
    FOwner.NoteChange();
    FItems.Exchange(index1, index2);
}

void TDefinitionsGroup::Clear() noexcept
{
    FOwner.NoteChange();
    FItems.Clear();
}

void TParserDefinitions::ClearGroups() noexcept
{
    NoteChange();
    FGroups.Clear();
}

void TParserDefinitions::DeleteGroup(int index)
{
    NoteChange();
    FGroups.Delete(index);
}

void TParserDefinitions::RegisterConstant(std::string name, Extended value)
{
    NoteChange();
    unsigned char* block = FConstants.Add(std::move(name));
    std::memcpy(block, &value, 10);
}

void TParserDefinitions::RegisterFunction(TBuiltInFunc func,
                                          std::initializer_list<std::string_view> names,
                                          TBuiltInFuncKind kind, TAngleDependence angleDependence)
{
    NoteChange();
    FFuncRecs.push_back(
        std::make_unique<TBuiltInFuncRec>(TBuiltInFuncRec{func, kind, angleDependence}));
    const TBuiltInFuncRec* rec = FFuncRecs.back().get();
    for (const std::string_view name : names)
        FFunctions.Add(std::string(name), rec);
}

TDefinitionsGroup& TParserDefinitions::AddGroup(std::string name)
{
    NoteChange();
    auto group = std::make_unique<TDefinitionsGroup>(*this);
    TDefinitionsGroup& ref = *group;
    FGroups.Add(std::move(name), std::move(group));
    return ref;
}

bool TParserDefinitions::FindConstant(std::string_view name, Extended& value) const
{
    for (int i = 0; i < FGroups.Count(); ++i)
        if (FGroups.Items(i)->FindConstant(name, value))
            return true;
    const int index = FConstants.IndexOf(name);
    if (index < 0)
        return false;
    value = 0;
    std::memcpy(&value, FConstants.Data(index), 10);
    return true;
}

bool TParserDefinitions::FindFunction(std::string_view name,
                                      std::unique_ptr<TCustomFuncEvaluator>& evaluator) const
{
    const int index = FFunctions.IndexOf(name);
    if (index >= 0) {
        evaluator = std::make_unique<TBuiltInFuncEvaluator>(*FFunctions.Items(index));
        return true;
    }
    for (int i = 0; i < FGroups.Count(); ++i)
        if (FGroups.Items(i)->FindFunction(name, evaluator))
            return true;
    return false;
}

TParserDefinitions& ParserDefinitions()
{
    static TParserDefinitions& definitions = []() -> TParserDefinitions& {
        static TParserDefinitions registry;
        SetDefaultParserDefinitions(&registry);
        return registry;
    }();
    return definitions;
}

// ---------------------------------------------------------------------------------------------
// Definition texts

bool SplitDefinition(std::string_view text, std::string& name, std::string& args, std::string& body)
{
    const std::size_t p = text.find('=');
    if (p == std::string_view::npos || p == 0)
        throw EException("Empty definition name");
    name = Trim(text.substr(0, p));
    body = Trim(text.substr(p + 1));
    const std::size_t paren = name.find('(');
    if (paren == std::string::npos)
        return false;
    args = name.substr(paren + 1);
    if (args.empty() || args.back() != ')')
        throw EException("Expected end of argument definition: \")\"");
    args.pop_back();
    name.resize(paren);
    return true;
}

TExpressionParser& DefaultParser()
{
    static TExpressionParser& parser = []() -> TExpressionParser& {
        static TExpressionParser instance;
        instance.SetDefinitions(&ParserDefinitions());
        return instance;
    }();
    return parser;
}

Extended EvaluateText(std::string_view text)
{
    return DefaultParser().Evaluate(text);
}

Extended EvaluateConstantText(std::string_view text)
{
    TInterruptLimits limits;
    limits.Budget = kConstantBudget;
    const TInterruptScope scope(std::move(limits));
    return EvaluateText(text);
}

void CheckText(std::string_view text)
{
    DefaultParser().Check(text);
}

} // namespace calc
