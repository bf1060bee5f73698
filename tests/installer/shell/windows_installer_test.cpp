// The Windows installer program driven from outside through the automation helper, as a user
// would (under Wine with a virtual display in the test runs).
#ifdef _WIN32

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "automation.h"
#include "res/installer_dialog.h"
#include "test_support.h"

namespace {

using namespace vp::automation;

class InstallerProcess {
 public:
  explicit InstallerProcess(const std::string& arguments) {
    std::string command = "\"" + vp::test::ExecutableFolder() + "VANTPlusTWSSetup.exe\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_);
  }
  ~InstallerProcess() {
    if (!started_) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
  bool started() const { return started_; }
  DWORD id() const { return info_.dwProcessId; }
  // The exit code once the program ended within the time, else STILL_ACTIVE.
  DWORD WaitForExit(DWORD timeoutMs) {
    WaitForSingleObject(info_.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

std::vector<std::string> MachineDriveEntries() {
  std::vector<std::string> entries;
  char buffer[128] = {};
  DWORD length = GetLogicalDriveStringsA(sizeof buffer, buffer);
  for (const char* root = buffer; root < buffer + length && *root; root += 4) {
    entries.push_back(std::string("[-") + static_cast<char>(std::toupper(root[0])) + "-]");
  }
  return entries;
}

}  // namespace

TEST(InstallerWindow, StartsWithTheSpecifiedStateAndFollowsTheUsersChoices) {
  InstallerProcess installer("M:P V:7.0.3");
  ASSERT_TRUE(installer.started());
  HWND dialog = WaitForWindow("VANTPlusTWS Installer 7.0.3", 30000);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WindowText(dialog), "VANTPlusTWS Installer 7.0.3");
  EXPECT_TRUE(Screenshot(dialog, vp::test::ExecutableFolder() + "installer-dialog.bmp"));

  EXPECT_EQ(ComboItems(dialog, IDC_APPLICATION_TYPE), (std::vector<std::string>{"VANTPLUS", "FO", "CM"}));
  EXPECT_EQ(ControlText(dialog, IDC_APPLICATION_TYPE), "VANTPLUS");
  std::vector<std::string> drives = MachineDriveEntries();
  ASSERT_GE(drives.size(), 2u);
  EXPECT_EQ(ComboItems(dialog, IDC_DRIVE), drives);
  EXPECT_EQ(ControlText(dialog, IDC_DRIVE), drives[1]);
  std::string root = drives[1].substr(2, 1) + ":\\";
  EXPECT_EQ(ControlText(dialog, IDC_DB_PATH), root + "VANTProDB-TWS");
  EXPECT_EQ(ControlText(dialog, IDC_DATA_PATH), root + "VANTProData-TWS");
  for (int id : {IDC_DB_PATH, IDC_DATA_PATH, IDC_DESKTOP_SHORTCUT, IDC_START_MENU_SHORTCUT})
    EXPECT_TRUE(IsChecked(dialog, id)) << id;

  ASSERT_TRUE(SelectComboItem(dialog, IDC_DRIVE, "[-C-]"));
  ASSERT_TRUE(SelectComboItem(dialog, IDC_APPLICATION_TYPE, "FO"));
  EXPECT_EQ(ControlText(dialog, IDC_DB_PATH), "C:\\VantFODB-TWS");
  EXPECT_EQ(ControlText(dialog, IDC_DATA_PATH), "C:\\VANTFOData-TWS");
  Click(dialog, IDC_DB_PATH);
  EXPECT_TRUE(IsChecked(dialog, IDC_DB_PATH));
  Click(dialog, IDC_DATA_PATH);
  EXPECT_FALSE(IsChecked(dialog, IDC_DATA_PATH));

  Click(dialog, 2);
  EXPECT_EQ(installer.WaitForExit(20000), 0u);
}

TEST(InstallerWindow, ARunningTerminalEndsTheProgramBeforeTheDialogShows) {
  HANDLE terminal = CreateMutexA(nullptr, FALSE, "OFSWTSULPTNAV");
  ASSERT_NE(terminal, nullptr);
  InstallerProcess installer("M:P V:7.0.3");
  ASSERT_TRUE(installer.started());
  HWND box = WaitForMessageBox("All Terminals should be closed during Installation/UnInstallation....!!", 30000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(WindowText(box), "VANTPlusTWSSetup");
  // The dialog exists (it owns the box) but was never shown.
  HWND dialog = GetWindow(box, GW_OWNER);
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_TRUE(PressButton(box, "OK"));
  EXPECT_EQ(installer.WaitForExit(20000), 0u);
  CloseHandle(terminal);
}

#endif
