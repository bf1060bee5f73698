// The registry steps of an install, one by one: the stored tool-button layouts, the machine-wide
// version stamp and the settings migration gate.
#include <gtest/gtest.h>

#include <string>

#include "install/settings_steps.h"
#include "registry_helpers.h"
#include "common/product_profile.h"
#include "test_support.h"

namespace {

const std::string kKey = "SOFTWARE\\KORAX\\VANTPLUS-TWS";
const std::string kUserSettings = kKey + "\\User Settings";
const std::string kMachineSettings = kKey + "\\Application Settings";

class SettingsSteps : public testing::Test {
 protected:
  void SetUp() override {
    SelectProductProfile("VANTPLUS", "7.0.3");
    SetAdministrator(true);
    ClearProductKeys();
    SetAdministrator(false);
  }
  void TearDown() override {
    SetAdministrator(true);
    ClearProductKeys();
    SetAdministrator(false);
  }
};

TEST_F(SettingsSteps, ToolButtonsGoOnlyExactlyTwoLevelsBelowUserSettings) {
  for (const char* path : {"\\Trader", "\\Trader\\Desk1", "\\Trader\\Desk2", "\\Trader\\Desk1\\Deep",
                           "\\Admin\\Main"})
    ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, kUserSettings + path, "ToolButtons", "layout"));
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, kUserSettings + "\\Trader\\Desk1", "Colours", "dark"));
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, kUserSettings, "ToolButtons", "top"));

  CRegistry w;
  RemoveStoredToolButtons(w);

  for (const char* path : {"\\Trader\\Desk1", "\\Trader\\Desk2", "\\Admin\\Main"})
    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kUserSettings + path, "ToolButtons"), "<missing>") << path;
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kUserSettings + "\\Trader", "ToolButtons"), "layout");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kUserSettings + "\\Trader\\Desk1\\Deep", "ToolButtons"), "layout");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kUserSettings, "ToolButtons"), "top");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kUserSettings + "\\Trader\\Desk1", "Colours"), "dark");
  // The keys themselves stay.
  EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, kUserSettings + "\\Trader\\Desk2"));
}

TEST_F(SettingsSteps, ToolButtonsOfAnotherVariantStayAndAMissingKeyIsNoError) {
  const std::string foSettings = "SOFTWARE\\KORAX\\VANTPLUSFO-TWS\\User Settings\\Trader\\Desk";
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, foSettings, "ToolButtons", "fo"));
  CRegistry w;
  RemoveStoredToolButtons(w);  // the VANTPLUS key does not exist
  DeleteValueInSubKeys("Nobody", "ToolButtons");
  EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kKey));
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, foSettings, "ToolButtons"), "fo");
}

TEST_F(SettingsSteps, MachineStampNeedsAnExistingKeyItMayWrite) {
  StampMachineVersion();  // no key: nothing is created
  EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, kMachineSettings));

  SetAdministrator(true);
  if (!StoreValue(HKEY_LOCAL_MACHINE, kMachineSettings, "Version", "6.2.0"))
    GTEST_SKIP() << "this user may not write HKEY_LOCAL_MACHINE";
  StampMachineVersion();
  EXPECT_EQ(StoredValue(HKEY_LOCAL_MACHINE, kMachineSettings, "Version"), "7.0.3");

#ifndef _WIN32
  // Without administrative rights the key opens for reading only, and the stamp changes nothing.
  ASSERT_TRUE(StoreValue(HKEY_LOCAL_MACHINE, kMachineSettings, "Version", "6.2.0"));
  SetAdministrator(false);
  StampMachineVersion();
  EXPECT_EQ(StoredValue(HKEY_LOCAL_MACHINE, kMachineSettings, "Version"), "6.2.0");
#endif
}

TEST_F(SettingsSteps, VersionTextsReadAsTheNumberOfTheirDigits) {
  EXPECT_EQ(StripNonDigits("7.0.3"), "703");
  EXPECT_EQ(StripNonDigits("v7.0-beta2"), "702");
  EXPECT_EQ(StripNonDigits("none"), "");
  EXPECT_EQ(VersionNumber("7.0.0"), 700u);
  EXPECT_EQ(VersionNumber(""), 0u);
  EXPECT_EQ(VersionNumber("release"), 0u);
  // Far too many digits saturate instead of wrapping round to a small number.
  EXPECT_EQ(VersionNumber("99999999999999999999.1"), 0xFFFFFFFFu);
  EXPECT_EQ(VersionNumber("4294967295"), 0xFFFFFFFFu);
}

TEST_F(SettingsSteps, MigrationGateStaysClosedForThisInstaller) {
  SetAdministrator(true);
  bool machineWritable = StoreValue(HKEY_LOCAL_MACHINE, kMachineSettings, "Version", "6.0.0");
  // The migration belongs to 7.0.0 and this installer is 7.0.3: never due, whatever is stamped.
  EXPECT_FALSE(IsSettingsMigrationDue());
  if (!machineWritable) GTEST_SKIP() << "this user may not write HKEY_LOCAL_MACHINE";

  // With matching versions the gate asks the machine-wide stamp.
  EXPECT_TRUE(IsSettingsMigrationDue("7.0.3", "7.0.3"));
  ASSERT_TRUE(StoreValue(HKEY_LOCAL_MACHINE, kMachineSettings, "Version", "7.0.3"));
  EXPECT_FALSE(IsSettingsMigrationDue("7.0.3", "7.0.3"));
  ASSERT_TRUE(StoreValue(HKEY_LOCAL_MACHINE, kMachineSettings, "Version", "7.1.0"));
  EXPECT_FALSE(IsSettingsMigrationDue("7.0.3", "7.0.3"));
  // Asking changes nothing.
  EXPECT_EQ(StoredValue(HKEY_LOCAL_MACHINE, kMachineSettings, "Version"), "7.1.0");
  EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kKey));
}

}  // namespace
