// An install's and an uninstall's registry steps, run over a user's hive that holds other
// programs' keys and values in several scripts: afterwards the hive file is what it was, byte
// for byte. A hive damaged so that the product's key cannot be reached ends the uninstall
// without a report of success.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "fake_installer_state.h"
#include "registry/hive_store.h"
#include "install/settings_steps.h"
#include "platform/machine.h"
#include "host_files.h"
#include "platform/win.h"
#include "registry/registry.h"
#include "common/product_profile.h"
#include "uninstall/uninstall_sequence.h"

namespace {

using vp::test::ReadHost;
using vp::test::WriteHost;

std::string HivePath() { return vp::machine::RegistryFolder() + "/HKEY_CURRENT_USER.reg"; }

// The file as the store writes it, from UTF-8 text.
std::string Canonical(const std::string& text) {
  auto tree = vp::registry::ParseHive("\xff\xfe" + vp::registry::WideFromName(text), "HKEY_CURRENT_USER");
  return tree ? vp::registry::SerializeHive(*tree, "HKEY_CURRENT_USER") : std::string();
}

const char* const kOtherPrograms =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\App]\r\n"
    "\"Ключ\"=\"first\"\r\n\"Цвет\"=\"second\"\r\n\"Name\"=\"日本語\"\r\n"
    "\"Emoji 😀\"=\"😀 ünïcödé\"\r\n\"Expand\"=hex(2):25,00,14,04,25,00,00,00\r\n"
    "[HKEY_CURRENT_USER\\Software\\Данные]\r\n@=\"значение\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Привет\\日本\\😀]\r\n"
    "[HKEY_CURRENT_USER\\Software\\KORAX\\VANTPLUSFO-TWS\\Application Settings]\r\n\"InstalledDrive\"=\"D\"\r\n";

class RegistryRoundTrip : public testing::Test {
 protected:
  void SetUp() override { SelectProductProfile("VANTPLUS", "7.0.3"); }
  void TearDown() override {
    for (const char* suffix : {"", ".log"}) unlink((HivePath() + suffix).c_str());
  }
};

TEST_F(RegistryRoundTrip, InstallAndUninstallLeaveEveryOtherKeyByteForByte) {
  const std::string original = Canonical(kOtherPrograms);
  ASSERT_FALSE(original.empty());
  WriteHost(HivePath(), original);

  // The install's registry steps, in the order the install runs them.
  CRegistry w;
  std::string earlierFo = ReadEarlierFoRetentionDrive(w);
  WriteInstalledDrive(w, "D");
  WriteVersionAndBackupDrive(w, "D");
  WriteCmRetentionDrive(w, "D");
  WriteFoRetentionDrive(w, false, "D", earlierFo);
  w.Close();
  RemoveStoredToolButtons(w);
  w.Close();
  CRegistry check;
  EXPECT_EQ(check.ReadString(HKEY_CURRENT_USER, g_profile.RegistryKeyPath.c_str(), "Application Settings",
                             "InstalledDrive", nullptr),
            "D");
  check.Close();
  ASSERT_EQ(vp::registry::StoreOf(vp::registry::Hive::CurrentUser).Fold(), ERROR_SUCCESS);
  std::string installed = vp::registry::HiveText(ReadHost(HivePath()));
  EXPECT_NE(installed.find("\"Name\"=\"日本語\""), std::string::npos);
  EXPECT_NE(installed.find("[HKEY_CURRENT_USER\\Software\\KORAX\\VANTPLUS-TWS\\Application Settings]"),
            std::string::npos);

  FakeInstallerState state;
  CUninstallSequence(state).Run();
  EXPECT_EQ(state.BoxTexts().back(), "Application uninstalled successfully!");
  ASSERT_EQ(vp::registry::StoreOf(vp::registry::Hive::CurrentUser).Fold(), ERROR_SUCCESS);
  EXPECT_EQ(ReadHost(HivePath()), original);
}

TEST_F(RegistryRoundTrip, AnUninstallOverADamagedHiveReportsNoSuccess) {
  // 20,000 levels under the product's key, and a key name longer than the registry allows.
  std::string deep = "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_CURRENT_USER\\Software\\KORAX\\VANTPLUS-TWS";
  for (int i = 0; i < 20000; ++i) deep += "\\d";
  const std::string hives[] = {
      "\xff\xfe" + vp::registry::WideFromName(deep + "]\r\n"),
      "\xff\xfe" + vp::registry::WideFromName("Windows Registry Editor Version 5.00\r\n\r\n"
                                              "[HKEY_CURRENT_USER\\Software\\KORAX\\VANTPLUS-TWS\\" +
                                              std::string(300, 'n') + "]\r\n")};
  for (const std::string& hive : hives) {
    WriteHost(HivePath(), hive);
    FakeInstallerState state;
    CUninstallSequence(state).Run();
    std::vector<std::string> texts = state.BoxTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "The application's registry settings could not be removed. The uninstall is not complete.");
    EXPECT_FALSE(state.endedWith.has_value());
    EXPECT_EQ(ReadHost(HivePath()), hive);
  }
}

}  // namespace
