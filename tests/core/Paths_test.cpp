#include "core/Paths.h"
#include "engine/ExprParserTypes.h"
#include "support/EnvironmentVariable.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace calc {
namespace {

namespace fs = std::filesystem;
using test::TTempFolder;

using test::TEnvironmentVariable;

class SettingsDirTest : public ::testing::Test {
protected:
    void TearDown() override { SetSettingsDirOverride({}); }
    TTempFolder FFolder;
};

TEST_F(SettingsDirTest, ConfigHomeFolderIsUsedAndCreated)
{
    const std::string config = (FFolder / "a/b");
    TEnvironmentVariable xdg("XDG_CONFIG_HOME", config.c_str());
    EXPECT_EQ(SettingsDir(), config + "/Zembrical Calculator/");
    EXPECT_TRUE(fs::is_directory(config + "/Zembrical Calculator"));
}

TEST_F(SettingsDirTest, HomeConfigFolderWhenConfigHomeIsUnset)
{
    const std::string home = FFolder.Path();
    TEnvironmentVariable homeVar("HOME", home.c_str());
    TEnvironmentVariable xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(SettingsDir(), home + "/.config/Zembrical Calculator/");
    EXPECT_TRUE(fs::is_directory(home + "/.config/Zembrical Calculator"));
}

TEST_F(SettingsDirTest, RelativeConfigHomeIsIgnored)
{
    const std::string home = FFolder.Path();
    TEnvironmentVariable homeVar("HOME", home.c_str());
    TEnvironmentVariable xdg("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(SettingsDir(), home + "/.config/Zembrical Calculator/");
}

TEST_F(SettingsDirTest, FolderIsCreatedAgainWhenRemoved)
{
    const std::string folder = (FFolder / "settings");
    SetSettingsDirOverride(folder);
    EXPECT_EQ(SettingsDir(), folder + "/");
    fs::remove(folder);
    EXPECT_EQ(SettingsDir(), folder + "/");
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(SettingsDirTest, OverrideWithTrailingDelimiterKeepsOne)
{
    const std::string folder = (FFolder / "s") + "/";
    SetSettingsDirOverride(folder);
    EXPECT_EQ(SettingsDir(), folder);
}

TEST_F(SettingsDirTest, FileInTheWayRaisesError)
{
    const std::string plain = (FFolder / "plain");
    test::WriteAll(plain, "x");
    SetSettingsDirOverride(plain + "/settings");
    EXPECT_THROW((void)SettingsDir(), EException);
    SetSettingsDirOverride(plain);
    EXPECT_THROW((void)SettingsDir(), EException);
}

} // namespace
} // namespace calc
