#include "results/CalcResultProvider.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace calc {
namespace {

using enum TResultChange;

/// A format that writes its name and the value, so tests can tell formats apart.
class TFakeFormat final : public TResultProvider {
public:
    explicit TFakeFormat(std::string name, std::string prefix = {})
        : FName(std::move(name)), FPrefix(std::move(prefix))
    {
    }
    std::string GetName() const override { return FName; }
    std::string GetPrefix() const override { return FPrefix; }
    std::string FormatValue(Extended value) const override
    {
        return FName + ":" + std::to_string(static_cast<long long>(value));
    }

private:
    std::string FName;
    std::string FPrefix;
};

/// A manager with formats "A", "B", "C", "D" (list indexes 0..3) and a recorded change log.
class ResultsManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"A", "B", "C", "D"})
            FManager.Add(std::make_unique<TFakeFormat>(name), true);
        FManager.OnChange = [this](TResultsManager& sender, TResultChange kind) {
            EXPECT_EQ(&sender, &FManager);
            FChanges.push_back(kind);
        };
    }

    TResultProvider& Format(int index) { return FManager.Items(index); }

    std::string DisplayOrder(bool visibleOnly)
    {
        std::string names;
        for (TResultProvider& format :
             visibleOnly ? FManager.VisibleResults() : FManager.AllResults())
            names += format.GetName();
        return names;
    }

    TResultsManager FManager;
    std::vector<TResultChange> FChanges;
};

TEST(ResultsManagerCreate, StartsEmptyWithValueZeroAndNoDefault)
{
    const TResultsManager manager;
    EXPECT_EQ(manager.Count(), 0);
    EXPECT_EQ(manager.Value(), 0);
    EXPECT_EQ(manager.Default(), nullptr);
    EXPECT_EQ(manager.DefaultIndex(), 0);
    EXPECT_FALSE(manager.RightAlign());
    EXPECT_EQ(manager.AllResults().begin(), std::default_sentinel);
}

TEST(ResultsManagerCreate, NewFormatHasZeroSettingsAndNoOwner)
{
    const TFakeFormat format("X");
    EXPECT_EQ(format.Owner(), nullptr);
    EXPECT_EQ(format.Digits(), 0);
    EXPECT_EQ(format.DigitsMin(), 0);
    EXPECT_EQ(format.DigitsMax(), 0);
    EXPECT_FALSE(format.Checked());
    EXPECT_FALSE(format.Visible());
    EXPECT_FALSE(format.IsDefault());
    EXPECT_TRUE(format.GetOptions().IsEmpty());
    EXPECT_EQ(format.GetOptionCaption(TResultOptionKind::okCheck), "");
}

TEST_F(ResultsManagerTest, AddSetsOwnerOrderAndVisibilityWithoutReport)
{
    TResultsManager manager;
    int reports = 0;
    manager.OnChange = [&reports](TResultsManager&, TResultChange) { ++reports; };
    manager.Add(std::make_unique<TFakeFormat>("X"), false);
    TResultProvider& added = manager.Add(std::make_unique<TFakeFormat>("Y"), true);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(manager.Count(), 2);
    EXPECT_EQ(&added, &manager.Items(1));
    EXPECT_EQ(added.Owner(), &manager);
    EXPECT_EQ(manager.Items(0).Order(), 0);
    EXPECT_EQ(added.Order(), 1);
    EXPECT_FALSE(manager.Items(0).Visible());
    EXPECT_TRUE(added.Visible());
}

TEST_F(ResultsManagerTest, AddRefusesNoFormat)
{
    EXPECT_THROW(FManager.Add(nullptr, true), EException);
    EXPECT_EQ(FManager.Count(), 4);
}

TEST_F(ResultsManagerTest, ItemsOutsideTheListFail)
{
    EXPECT_THROW((void)FManager.Items(-1), EException);
    EXPECT_THROW((void)FManager.Items(4), EException);
    EXPECT_EQ(FManager.Items(3).GetName(), "D");
}

struct SetterCase {
    const char* name;
    std::function<void(TResultProvider&)> change;
    TResultChange kind;
};

class ResultProviderSetters : public ResultsManagerTest,
                              public ::testing::WithParamInterface<SetterCase> {};

TEST_P(ResultProviderSetters, ReportsAChangeOnceAndTheSameValueNever)
{
    GetParam().change(Format(1));
    EXPECT_EQ(FChanges, std::vector<TResultChange>{GetParam().kind});
    GetParam().change(Format(1));
    EXPECT_EQ(FChanges.size(), 1u) << "storing the same value again must not report";
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ResultProviderSetters,
    ::testing::Values(
        SetterCase{"Digits", [](TResultProvider& f) { f.SetDigits(5); }, rcFormat},
        SetterCase{"Checked", [](TResultProvider& f) { f.SetChecked(true); }, rcFormat},
        SetterCase{"Order", [](TResultProvider& f) { f.SetOrder(9); }, rcList},
        SetterCase{"Visible", [](TResultProvider& f) { f.SetVisible(false); }, rcList}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResultsManagerTest, SettingTheCurrentValuesReportsNothing)
{
    Format(0).SetDigits(0);
    Format(0).SetChecked(false);
    Format(0).SetOrder(0);
    Format(0).SetVisible(true);
    FManager.SetRightAlign(false);
    EXPECT_TRUE(FChanges.empty());
}

TEST_F(ResultsManagerTest, ValueReportsEveryTimeEvenWhenEqual)
{
    FManager.SetValue(7);
    FManager.SetValue(7);
    EXPECT_EQ(FManager.Value(), 7);
    EXPECT_EQ(FChanges, (std::vector<TResultChange>{rcValue, rcValue}));
}

TEST_F(ResultsManagerTest, RightAlignReportsOnlyAChange)
{
    FManager.SetRightAlign(true);
    FManager.SetRightAlign(true);
    FManager.SetRightAlign(false);
    EXPECT_FALSE(FManager.RightAlign());
    EXPECT_EQ(FChanges, (std::vector<TResultChange>{rcRightAlign, rcRightAlign}));
}

TEST_F(ResultsManagerTest, CurrentTextIsTheOwnersValue)
{
    FManager.SetValue(42);
    EXPECT_EQ(Format(2).Text(), "C:42");
}

TEST_F(ResultsManagerTest, IsDefaultTrueMakesTheDefaultAndReportsEachTime)
{
    Format(2).SetIsDefault(true);
    EXPECT_TRUE(Format(2).IsDefault());
    EXPECT_EQ(FManager.Default(), &Format(2));
    EXPECT_EQ(FManager.DefaultIndex(), 2);
    Format(2).SetIsDefault(true);
    EXPECT_EQ(FChanges, (std::vector<TResultChange>{rcDefault, rcDefault}));
    Format(3).SetIsDefault(true);
    EXPECT_FALSE(Format(2).IsDefault());
    EXPECT_EQ(FManager.DefaultIndex(), 3);
}

TEST_F(ResultsManagerTest, IsDefaultFalseOnAnotherFormatKeepsTheDefaultButReports)
{
    Format(1).SetIsDefault(true);
    FChanges.clear();
    Format(3).SetIsDefault(false);
    EXPECT_EQ(FManager.Default(), &Format(1));
    EXPECT_EQ(FChanges, std::vector<TResultChange>{rcDefault});
}

TEST_F(ResultsManagerTest, IsDefaultFalseOnTheDefaultClearsIt)
{
    Format(1).SetIsDefault(true);
    Format(1).SetIsDefault(false);
    EXPECT_EQ(FManager.Default(), nullptr);
    EXPECT_FALSE(Format(1).IsDefault());
    EXPECT_EQ(FManager.DefaultIndex(), 0);
}

TEST_F(ResultsManagerTest, DefaultIndexWithoutDefaultIsZero)
{
    EXPECT_EQ(FManager.DefaultIndex(), 0);
    EXPECT_FALSE(Format(0).IsDefault()) << "index 0 only stands in; format 0 is not the default";
}

TEST_F(ResultsManagerTest, DefaultIndexWriteSetsOrClearsWithoutReport)
{
    struct Row {
        int index;
        int expectedIndex;
        bool hasDefault;
    };
    const Row rows[] = {{3, 3, true},  {-1, 0, false}, {0, 0, true},
                        {4, 0, false}, {2, 2, true},   {100, 0, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.index);
        FManager.SetDefaultIndex(row.index);
        EXPECT_EQ(FManager.DefaultIndex(), row.expectedIndex);
        EXPECT_EQ(FManager.Default() != nullptr, row.hasDefault);
    }
    EXPECT_TRUE(FChanges.empty());
}

TEST_F(ResultsManagerTest, BatchReportsOnlyOneListChangeAtItsEnd)
{
    FManager.BeginUpdate();
    Format(0).SetDigits(3);
    Format(1).SetVisible(false);
    Format(2).SetIsDefault(true);
    FManager.SetValue(5);
    FManager.SetRightAlign(true);
    EXPECT_TRUE(FChanges.empty());
    FManager.EndUpdate();
    EXPECT_EQ(FChanges, std::vector<TResultChange>{rcList});
    EXPECT_EQ(Format(0).Digits(), 3) << "the changes themselves happen inside the batch";
    EXPECT_EQ(FManager.Value(), 5);
}

TEST_F(ResultsManagerTest, NestedBatchesReportOnceAtTheOutermostEnd)
{
    FManager.BeginUpdate();
    FManager.BeginUpdate();
    Format(0).SetOrder(8);
    FManager.EndUpdate();
    EXPECT_TRUE(FChanges.empty());
    FManager.SetValue(1);
    FManager.EndUpdate();
    EXPECT_EQ(FChanges, std::vector<TResultChange>{rcList});
    FManager.SetValue(2);
    EXPECT_EQ(FChanges, (std::vector<TResultChange>{rcList, rcValue}));
}

TEST_F(ResultsManagerTest, UnmatchedEndUpdateDoesNotSilenceLaterReports)
{
    FManager.EndUpdate();
    EXPECT_TRUE(FChanges.empty());
    FManager.BeginUpdate();
    FManager.EndUpdate();
    FManager.SetValue(1);
    EXPECT_EQ(FChanges, (std::vector<TResultChange>{rcList, rcValue}));
}

TEST_F(ResultsManagerTest, ChangesWithoutListenerAreFine)
{
    FManager.OnChange = nullptr;
    FManager.SetValue(3);
    Format(0).SetIsDefault(true);
    FManager.BeginUpdate();
    FManager.EndUpdate();
    EXPECT_EQ(FManager.DefaultIndex(), 0);
    EXPECT_TRUE(Format(0).IsDefault());
}

TEST_F(ResultsManagerTest, SettingsTextReadsDigitsCheckedVisibleOrder)
{
    Format(3).SetOrder(5);
    EXPECT_EQ(Format(3).SettingsText(), "0,0,1,5");
    Format(3).SetDigits(12);
    Format(3).SetChecked(true);
    Format(3).SetVisible(false);
    Format(3).SetOrder(-2);
    EXPECT_EQ(Format(3).SettingsText(), "12,1,0,-2");
}

struct SettingsCase {
    const char* name;
    const char* text;
    int digits;
    bool checked;
    bool visible;
    int order;
};

// Every row starts from Digits 4, Checked true, Visible true, Order 6.
const SettingsCase kSettingsRows[] = {
    {"AllFourWithMixedDelimiters", "3;True; 0 ,7,99", 3, true, false, 7},
    {"NotNumbersLeaveLaterFields", "x,y", 0, false, true, 6},
    {"EmptyChangesNothing", "", 4, true, true, 6},
    {"OnlyDigits", "2", 2, true, true, 6},
    {"NegativeDigitsKept", "-4,0,0,1", -4, false, false, 1},
    {"DigitsBeyondRangeNotClamped", "99,1,1,0", 99, true, true, 0},
    {"BooleansInAnyCase", "1,fALSE,tRuE,3", 1, false, true, 3},
    {"NonZeroNumberIsTrue", "1,2.5,-1,3", 1, true, true, 3},
    {"ZeroWrittenAsDecimalIsFalse", "1,0.0,0e5,3", 1, false, false, 3},
    {"OtherWordsAreFalse", "1,yes,on,3", 1, false, false, 3},
    {"ControlCharactersTrimmed", "\t5\t,\r1\n, 1 ,\t9", 5, true, true, 9},
    {"EmptyTokensReadAsZero", ",,,", 0, false, false, 6},
    {"EmptyFourthToken", "1,1,1,", 1, true, true, 6},
    {"OrderNotANumber", "1,1,1,z", 1, true, true, 0},
    {"IntegerWithPlusSign", "+7,1,1,+2", 7, true, true, 2},
    {"IntegerTooLargeIsZero", "99999999999,1,1,1", 0, true, true, 1},
    {"DecimalDigitsNotAnInteger", "2.5,1,1,1", 0, true, true, 1},
    {"NanIsNotANumber", "1,nan,inf,1", 1, false, false, 1},
};

class ResultProviderSettingsText : public ResultsManagerTest,
                                   public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(ResultProviderSettingsText, WritesFieldsWithoutReport)
{
    TResultProvider& format = Format(0);
    format.SetDigits(4);
    format.SetChecked(true);
    format.SetOrder(6);
    FChanges.clear();
    const SettingsCase& row = GetParam();
    format.SetSettingsText(row.text);
    EXPECT_EQ(format.Digits(), row.digits);
    EXPECT_EQ(format.Checked(), row.checked);
    EXPECT_EQ(format.Visible(), row.visible);
    EXPECT_EQ(format.Order(), row.order);
    EXPECT_TRUE(FChanges.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, ResultProviderSettingsText, ::testing::ValuesIn(kSettingsRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResultsManagerTest, SettingsTextRoundTrips)
{
    Format(0).SetDigits(17);
    Format(0).SetChecked(true);
    Format(0).SetVisible(false);
    Format(0).SetOrder(3);
    Format(1).SetSettingsText(Format(0).SettingsText());
    EXPECT_EQ(Format(1).SettingsText(), "17,1,0,3");
}

TEST_F(ResultsManagerTest, EnumerationFollowsOrderNotListIndex)
{
    Format(0).SetOrder(3);
    Format(1).SetOrder(1);
    Format(2).SetOrder(0);
    Format(3).SetOrder(2);
    EXPECT_EQ(DisplayOrder(false), "CBDA");
    std::string names;
    for (TResultProvider& format : FManager)
        names += format.GetName();
    EXPECT_EQ(names, "CBDA");
}

TEST_F(ResultsManagerTest, EqualOrdersKeepListOrder)
{
    Format(3).SetOrder(0);
    Format(2).SetOrder(0);
    EXPECT_EQ(DisplayOrder(false), "ACDB");
}

TEST_F(ResultsManagerTest, VisibleResultsSkipHiddenFormats)
{
    Format(0).SetOrder(10);
    Format(1).SetVisible(false);
    Format(3).SetVisible(false);
    EXPECT_EQ(DisplayOrder(true), "CA");
    EXPECT_EQ(DisplayOrder(false), "BCDA");
}

TEST_F(ResultsManagerTest, AllHiddenVisibleEnumerationYieldsNothing)
{
    for (int i = 0; i < FManager.Count(); ++i)
        Format(i).SetVisible(false);
    EXPECT_EQ(DisplayOrder(true), "");
    TResultsEnumerator enumerator = FManager.VisibleResults().GetEnumerator();
    EXPECT_FALSE(enumerator.MoveNext());
    EXPECT_FALSE(enumerator.MoveNext()) << "a finished enumerator stays finished";
}

TEST_F(ResultsManagerTest, EnumeratorIsASnapshotOfTheOrder)
{
    TResultsEnumerator enumerator = FManager.GetEnumerator();
    Format(0).SetOrder(99);
    ASSERT_TRUE(enumerator.MoveNext());
    EXPECT_EQ(enumerator.Current().GetName(), "A");
    std::string names = "A";
    while (enumerator.MoveNext())
        names += enumerator.Current().GetName();
    EXPECT_EQ(names, "ABCD");
    EXPECT_EQ(DisplayOrder(false), "BCDA");
}

TEST_F(ResultsManagerTest, CurrentOutsideTheWalkFails)
{
    TResultsEnumerator enumerator = FManager.GetEnumerator();
    EXPECT_THROW((void)enumerator.Current(), EException);
    while (enumerator.MoveNext()) {
    }
    EXPECT_THROW((void)enumerator.Current(), EException);
}

TEST_F(ResultsManagerTest, ResultTextPutsThePrefixInFront)
{
    FManager.Add(std::make_unique<TFakeFormat>("P", "&P "), true);
    EXPECT_EQ(FManager.GetResultText(4, true, 12), "&P P:12");
    EXPECT_EQ(FManager.GetResultText(4, false, 12), "P:12");
    EXPECT_EQ(FManager.GetResultText(0, true, 12), "A:12");
    EXPECT_THROW((void)FManager.GetResultText(5, false, 1), EException);
}

TEST(ResultOptions, KindsUseBitZeroAndOne)
{
    using enum TResultOptionKind;
    EXPECT_EQ(TResultOptions{}.Bits(), 0);
    EXPECT_EQ(TResultOptions{okCheck}.Bits(), 1);
    EXPECT_EQ(TResultOptions{okNumber}.Bits(), 2);
    EXPECT_EQ((TResultOptions{okCheck, okNumber}.Bits()), 3);
    EXPECT_TRUE(TResultOptions{okNumber}.Contains(okNumber));
    EXPECT_FALSE(TResultOptions{okNumber}.Contains(okCheck));
    EXPECT_TRUE(TResultOptions{}.IsEmpty());
}

} // namespace
} // namespace calc
