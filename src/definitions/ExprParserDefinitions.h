#pragma once

#include "definitions/ExtStringList.h"
#include "engine/ExprParser.h"
#include "engine/ExprParserRegistry.h"

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace calc {

enum class TDefinitionKind { dkConst = 0, dkFunc = 1 };

enum class TBuiltInFuncKind : std::uint8_t {
    bfkNoArgs = 0,
    bfkOneArg = 1,
    bfkTwoArgs = 2,
    bfkList
};
enum class TAngleDependence : std::uint8_t { adNone = 0, adArgument = 1, adResult = 2 };

using TDoubleArray = std::vector<double>;
using TFuncNoArgs = Extended (*)();
using TFuncOneArg = Extended (*)(Extended);
using TFuncTwoArgs = Extended (*)(Extended, Extended);
using TFuncList = Extended (*)(const TDoubleArray&);
using TBuiltInFunc = std::variant<TFuncNoArgs, TFuncOneArg, TFuncTwoArgs, TFuncList>;

/// One built-in routine, shared by all its names.
struct TBuiltInFuncRec {
    TBuiltInFunc Func;
    TBuiltInFuncKind Kind;
    TAngleDependence AngleDependence;
};

/// The argument count an evaluator of a built-in expects: 0, 1, 2, or -1 for one or more.
[[nodiscard]] int ArgCountOfKind(TBuiltInFuncKind kind) noexcept;

class TBuiltInFuncEvaluator final : public TCustomFuncEvaluator {
public:
    explicit TBuiltInFuncEvaluator(const TBuiltInFuncRec& funcRec);
    Extended Evaluate(TAngleMode angleMode) override;
    [[nodiscard]] const TBuiltInFuncRec& FuncRec() const noexcept { return FFuncRec; }

private:
    const TBuiltInFuncRec& FFuncRec;
};

class TCustomDefinitionData {
public:
    TCustomDefinitionData(std::string name, std::string text)
        : FName(std::move(name)), FText(std::move(text))
    {
    }
    virtual ~TCustomDefinitionData() = default;
    [[nodiscard]] virtual std::string GetValueText() const = 0;
    [[nodiscard]] virtual TDefinitionKind GetKind() const noexcept = 0;

    [[nodiscard]] const std::string& Name() const noexcept { return FName; }
    void SetName(std::string name) { FName = std::move(name); }
    [[nodiscard]] const std::string& Text() const noexcept { return FText; }
    void SetText(std::string text) { FText = std::move(text); }

private:
    std::string FName;
    std::string FText;
};

class TConstData final : public TCustomDefinitionData {
public:
    TConstData(std::string name, std::string text, Extended value)
        : TCustomDefinitionData(std::move(name), std::move(text)), FValue(value)
    {
    }
    [[nodiscard]] std::string GetValueText() const override;
    [[nodiscard]] TDefinitionKind GetKind() const noexcept override
    {
        return TDefinitionKind::dkConst;
    }
    [[nodiscard]] Extended Value() const noexcept { return FValue; }
    void SetValue(Extended value) noexcept { FValue = value; }

private:
    Extended FValue;
};

class TFuncData final : public TCustomDefinitionData {
public:
    using TCustomDefinitionData::TCustomDefinitionData;
    [[nodiscard]] std::string GetValueText() const override { return {}; }
    [[nodiscard]] TDefinitionKind GetKind() const noexcept override
    {
        return TDefinitionKind::dkFunc;
    }
    /// Replaces the formal argument names; on failure the previous names stay.
    void SetArguments(std::string_view text);
    /// The names joined by ", ".
    [[nodiscard]] std::string GetArgumentsText() const;
    [[nodiscard]] const TFastStringList<int>& Arguments() const noexcept { return FArguments; }

private:
    TFastStringList<int> FArguments; // item unused: the position is the argument's index
};

class TUserFuncEvaluator final : public TCustomFuncEvaluator {
public:
    /// The body's names resolve against definitions, the registry that holds the function.
    TUserFuncEvaluator(const TFuncData& funcData, const IParserDefinitions& definitions);
    Extended Evaluate(TAngleMode angleMode) override;
    [[nodiscard]] const TFuncData& FuncData() const noexcept { return FFuncData; }

private:
    const TFuncData& FFuncData;
    const IParserDefinitions& FDefinitions;
};

class TParserDefinitions;

/// The definitions of one file.
class TDefinitionsGroup {
public:
    explicit TDefinitionsGroup(TParserDefinitions& owner) : FOwner(owner) {}

    [[nodiscard]] TParserDefinitions& Owner() const noexcept { return FOwner; }
    [[nodiscard]] const std::string& FileName() const noexcept { return FFileName; }
    void SetFileName(std::string fileName) { FFileName = std::move(fileName); }

    void AddDefinitionText(std::string_view text);
    void AddDefinition(std::string_view name, std::string_view argumentsText, TDefinitionKind kind,
                       std::string_view text);
    /// Checks name, body and arguments first: a refused change leaves the definition as it was.
    void ChangeDefinition(int index, std::string_view name, std::string_view text,
                          std::string_view argumentsText);
    void DeleteDefinition(int index);
    void ExchangeDefinitions(int index1, int index2);
    void Clear() noexcept;

    [[nodiscard]] int Count() const noexcept { return FItems.Count(); }
    [[nodiscard]] TCustomDefinitionData& Definitions(int index) const
    {
        return *FItems.Items(index);
    }
    [[nodiscard]] const std::string& GetName(int index) const { return Definitions(index).Name(); }
    [[nodiscard]] const std::string& GetText(int index) const { return Definitions(index).Text(); }
    [[nodiscard]] TDefinitionKind GetKind(int index) const { return Definitions(index).GetKind(); }
    [[nodiscard]] std::string GetValueText(int index) const
    {
        return Definitions(index).GetValueText();
    }
    [[nodiscard]] std::string GetArgumentsText(int index) const;
    [[nodiscard]] std::string GetDisplayName(int index) const;

    bool FindConstant(std::string_view name, Extended& value) const;
    bool FindFunction(std::string_view name,
                      std::unique_ptr<TCustomFuncEvaluator>& evaluator) const;

private:
    TParserDefinitions& FOwner;
    TObjectStringList<TCustomDefinitionData> FItems;
    std::string FFileName;
};

/// The registry every name of an expression is resolved against.
class TParserDefinitions final : public IParserDefinitions {
public:
    TParserDefinitions();
    ~TParserDefinitions() override;
    TParserDefinitions(const TParserDefinitions&) = delete;
    TParserDefinitions& operator=(const TParserDefinitions&) = delete;

    void RegisterConstant(std::string name, Extended value);
    void RegisterFunction(TBuiltInFunc func, std::initializer_list<std::string_view> names,
                          TBuiltInFuncKind kind, TAngleDependence angleDependence);

    TDefinitionsGroup& AddGroup(std::string name);
    void ClearGroups() noexcept;
    /// Destroys the group at index with its definitions.
    void DeleteGroup(int index);

    /// Grows with every change of the names or definitions held, so that a list made of them
    /// (the expression line's completion) knows when it is out of date.
    [[nodiscard]] std::uint64_t ChangeCount() const noexcept { return FChangeCount; }
    void NoteChange() noexcept { ++FChangeCount; }
    [[nodiscard]] int GroupCount() const noexcept { return FGroups.Count(); }
    [[nodiscard]] TDefinitionsGroup& Groups(int index) const { return *FGroups.Items(index); }
    [[nodiscard]] const std::string& GroupNames(int index) const { return FGroups.Keys(index); }

    bool FindConstant(std::string_view name, Extended& value) const override;
    bool FindFunction(std::string_view name,
                      std::unique_ptr<TCustomFuncEvaluator>& evaluator) const override;

    [[nodiscard]] int ConstantCount() const noexcept { return FConstants.Count(); }
    [[nodiscard]] const std::string& ConstantNames(int index) const
    {
        return FConstants.Keys(index);
    }
    [[nodiscard]] int FunctionCount() const noexcept { return FFunctions.Count(); }
    [[nodiscard]] const std::string& FunctionNames(int index) const
    {
        return FFunctions.Keys(index);
    }
    [[nodiscard]] const TBuiltInFuncRec& FunctionRecs(int index) const
    {
        return *FFunctions.Items(index);
    }

private:
    // Declared so that destruction releases the groups first and the built-in records last,
    // after the name list that points at them.
    std::vector<std::unique_ptr<TBuiltInFuncRec>> FFuncRecs;
    TFastStringList<const TBuiltInFuncRec*> FFunctions;
    TDataStringList FConstants{10};
    TObjectStringList<TDefinitionsGroup> FGroups;
    std::uint64_t FChangeCount = 0;
};

/// The one registry of the process; parsers without a registry of their own resolve names
/// against it.
[[nodiscard]] TParserDefinitions& ParserDefinitions();

/// Registers the constant Pi and every built-in function under all its names.
void RegisterBuiltIns(TParserDefinitions& defs);

/// Parses a user-function body: formal argument names resolve to the call's values.
class TFuncExpressionParser final : public TExpressionParser {
public:
    explicit TFuncExpressionParser(const TUserFuncEvaluator& evaluator) : FEvaluator(evaluator) {}

protected:
    Extended GetConstantValue(std::string_view name) override;

private:
    const TUserFuncEvaluator& FEvaluator;
};

/// Splits "name=body" or "name(args)=body"; true for a function.
bool SplitDefinition(std::string_view text, std::string& name, std::string& args,
                     std::string& body);
/// Evaluates with the module-wide default parser; failures propagate.
Extended EvaluateText(std::string_view text);
/// The longest a constant's value may take to compute: definitions load at every start, so one
/// that cannot be computed in time fails like any bad definition instead of hanging the start.
inline constexpr std::chrono::milliseconds kConstantBudget{2000};
/// EvaluateText within kConstantBudget; a slower body fails with EInterrupted.
Extended EvaluateConstantText(std::string_view text);
/// Checks the syntax with the module-wide default parser; failures propagate.
void CheckText(std::string_view text);
/// The module-wide default parser, with the constructor's settings.
[[nodiscard]] TExpressionParser& DefaultParser();

} // namespace calc
