#include "core/CalcCore.h"
#include "core/OptionsSnapshot.h"
#include "core/Paths.h"
#include "support/TempFolder.h"
#include "support/TestRegistry.h"

#include <functional>
#include <memory>
#include <string>

namespace calc {
namespace {

/// A manager in a temporary settings folder, started from an options file.
class OptionsSnapshotTest : public test::TRegistryFixture {
protected:
    void SetUp() override
    {
        TRegistryFixture::SetUp();
        SetSettingsDirOverride(FFolder.File("settings/"));
    }
    void TearDown() override
    {
        FManager.reset();
        SetSettingsDirOverride({});
        TRegistryFixture::TearDown();
    }
    TCalcManager& Create(std::string_view options)
    {
        TCalcManagerSetup setup;
        setup.LoadDefinitions = false;
        setup.OptionsFileName = FFolder.Write("Options.ini", options);
        setup.HistoryFileName = FFolder.File("History.txt");
        FManager = std::make_unique<TCalcManager>(setup);
        return *FManager;
    }

    test::TTempFolder FFolder;
    std::unique_ptr<TCalcManager> FManager;
};

struct TChangeCase {
    const char* Name;
    std::function<void(TCalcManager&)> Change;
};

const TChangeCase kChanges[] = {
    {"GradientTheme", [](TCalcManager& m) { m.SetGradientTheme(!m.GradientTheme()); }},
    {"Font",
     [](TCalcManager& m) {
         TFontData font = m.Font();
         font.Size += 3;
         m.SetFont(font);
     }},
    {"Separators",
     [](TCalcManager& m) {
         m.SetDecimalSeparators(TCharSet(","));
         m.SetListSeparator(';');
     }},
    {"FormatHidden", [](TCalcManager& m) { m.Results().Items(5).SetVisible(false); }},
    {"RightAlign", [](TCalcManager& m) { m.Results().SetRightAlign(true); }},
};

TEST_F(OptionsSnapshotTest, RestoreBringsBackEveryOptionAndTheModifiedMark)
{
    for (const bool changedBefore : {false, true}) {
        for (const TChangeCase& row : kChanges) {
            SCOPED_TRACE(std::string(row.Name) + (changedBefore ? " after a change" : ""));
            TCalcManager& manager = Create("[General]\r\nGradientTheme=1\r\n");
            if (changedBefore)
                manager.SetAngleMode(TAngleMode::amRad);
            ASSERT_EQ(manager.Modified(), changedBefore);
            const std::string before = manager.SaveOptionsToText();
            TOptionsSnapshot snapshot(manager);
            row.Change(manager);
            ASSERT_NE(manager.SaveOptionsToText(), before);
            snapshot.Restore();
            EXPECT_EQ(manager.SaveOptionsToText(), before);
            // A change made before the snapshot is still to be saved.
            EXPECT_EQ(manager.Modified(), changedBefore);
            FManager.reset();
        }
    }
}

} // namespace
} // namespace calc
