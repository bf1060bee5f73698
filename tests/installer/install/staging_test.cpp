// The staged install's parts: the registry saved and put back exactly, the journal read back
// after a cut-off write, and the recovery of an install that was cut off or still runs.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "folder_entries.h"
#include "platform/win.h"
#include "registry_helpers.h"
#include "staging/install_transaction.h"
#include "staging/text_file.h"
#include "test_support.h"

using vp::test::MakeEntries;
using vp::test::PathExists;
using vp::test::ReadTextFile;

namespace {

const std::string kProduct = "SOFTWARE\\KORAX\\VANTPLUS-TWS";

bool SetValue(const std::string& path, const char* name, DWORD type, const std::string& data) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LONG status = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                               static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

class Staging : public testing::Test {
 protected:
  void SetUp() override {
    ClearProductKeys();
    root = vp::test::TestFolder();
    drive = root + "\\drive\\";
    ASSERT_TRUE(CreateDirectoryA(drive.c_str(), nullptr));
  }
  void TearDown() override { ClearProductKeys(); }

  std::string Saved(const std::vector<staging::RegistryTree>& trees) {
    std::string file = root + "\\saved-" + std::to_string(++saves);
    EXPECT_TRUE(staging::SaveRegistryTrees(trees, file));
    return ReadTextFile(file);
  }

  std::string root, drive;
  int saves = 0;
};

TEST_F(Staging, TheRegistryComesBackWithItsTypesBytesAndKeys) {
  const std::string settings = kProduct + "\\Application Settings";
  const std::string layout = kProduct + "\\User Settings\\Desk\\Main";
  ASSERT_TRUE(SetValue(settings, "InstalledDrive", REG_SZ, std::string("D\0", 2)));
  ASSERT_TRUE(SetValue(settings, "", REG_SZ, std::string("default\0", 8)));
  ASSERT_TRUE(SetValue(settings, "Count", REG_DWORD, std::string("\x07\x00\x00\x00", 4)));
  ASSERT_TRUE(SetValue(layout, "ToolButtons", REG_BINARY, std::string("\x00\x01\x00\xff", 4)));
  ASSERT_TRUE(SetValue(layout, "Lines", REG_MULTI_SZ, std::string("a\0b\0\0", 5)));
  const std::vector<staging::RegistryTree> trees = {
      {HKEY_CURRENT_USER, kProduct}, {HKEY_CURRENT_USER, "SOFTWARE\\KORAX\\NOT-THERE"}};
  std::string before = Saved(trees);
  ASSERT_TRUE(staging::SaveRegistryTrees(trees, root + "\\snapshot"));

  // Every kind of change an install makes, and one it never does.
  ASSERT_TRUE(SetValue(settings, "InstalledDrive", REG_SZ, std::string("E\0", 2)));
  ASSERT_TRUE(SetValue(settings, "Count", REG_SZ, std::string("7\0", 2)));
  ASSERT_TRUE(SetValue(settings, "Version", REG_SZ, std::string("7.0.3\0", 6)));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, layout.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueA(key, "ToolButtons"), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_TRUE(SetValue(kProduct + "\\New\\Deeper", "x", REG_SZ, std::string("y\0", 2)));
  ASSERT_TRUE(SetValue("SOFTWARE\\KORAX\\NOT-THERE", "x", REG_SZ, std::string("y\0", 2)));
  ASSERT_NE(Saved(trees), before);

  EXPECT_TRUE(staging::RestoreRegistryTrees(root + "\\snapshot"));
  EXPECT_EQ(Saved(trees), before);
  EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, "SOFTWARE\\KORAX\\NOT-THERE"));
  EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, kProduct + "\\New"));
  // A damaged snapshot restores nothing rather than something else.
  ASSERT_TRUE(vp::test::WriteTextFile(root + "\\damaged", "value\t00\n"));
  EXPECT_FALSE(staging::RestoreRegistryTrees(root + "\\damaged"));
}

TEST_F(Staging, AJournalRecordCutOffWhileWrittenIsLeftOut) {
  staging::CInstallJournal journal;
  ASSERT_TRUE(journal.Open(root + "\\journal"));
  ASSERT_TRUE(journal.Append({"drive", "D:\\"}));
  ASSERT_TRUE(journal.Append({"folder", "D:\\A B", "1"}));
  journal.Close();
  ASSERT_TRUE(vp::test::WriteTextFile(root + "\\journal",
                                      ReadTextFile(root + "\\journal") + "swit"));
  ASSERT_TRUE(journal.Open(root + "\\journal"));
  EXPECT_EQ(journal.ReadRecords(), (std::vector<staging::Record>{{"drive", "D:\\"},
                                                                 {"folder", "D:\\A B", "1"}}));
}

TEST_F(Staging, ARunningInstallIsLeftAloneAndACutOffOneIsSettled) {
  ASSERT_TRUE(MakeEntries(drive, {"App\\old.exe", "Data\\MWBackup\\mine.txt", "Data\\old.txt"}));
  const staging::SwitchedFolder app{drive + "App"}, data{drive + "Data", true};
  auto stage = [&](staging::CInstallTransaction& install) {
    return install.Begin(staging::TransactionFolder(drive, "Setup"), drive) &&
           install.StageFolder(app) && install.StageFolder(data) &&
           MakeEntries(app.Staged(), {"new.exe"}) &&
           MakeEntries(data.Staged(), {"MWBackup\\package.txt", "new.txt"});
  };
  {
    staging::CInstallTransaction install;
    ASSERT_TRUE(stage(install));
    // While it runs, no other program takes it for a cut-off one.
    EXPECT_EQ(staging::RecoverInterruptedInstalls(drive), staging::Recovery::kBusy);
    EXPECT_TRUE(PathExists(app.Staged() + "\\new.exe"));
    // Cut off before the switch: undone.
  }
  EXPECT_EQ(staging::RecoverInterruptedInstalls(drive), staging::Recovery::kRolledBack);
  EXPECT_EQ(vp::test::Listing(drive),
            (std::set<std::string>{"app\\", "app\\old.exe", "data\\", "data\\mwbackup\\",
                                   "data\\mwbackup\\mine.txt", "data\\old.txt"}));

  {
    staging::CInstallTransaction install;
    ASSERT_TRUE(stage(install));
    ASSERT_TRUE(install.Switch());
    // Cut off after the switch, before the old folders went: finished.
  }
  EXPECT_EQ(staging::RecoverInterruptedInstalls(drive), staging::Recovery::kFinished);
  // The user's MWBackup takes the package's place.
  EXPECT_EQ(vp::test::Listing(drive),
            (std::set<std::string>{"app\\", "app\\new.exe", "data\\", "data\\mwbackup\\",
                                   "data\\mwbackup\\mine.txt", "data\\new.txt"}));
  EXPECT_EQ(staging::RecoverInterruptedInstalls(drive), staging::Recovery::kNothing);
}

}  // namespace
