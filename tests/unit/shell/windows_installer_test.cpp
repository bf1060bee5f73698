// The Windows installer program driven from outside through the automation helper, as a user
// would (under Wine with a virtual display in the test runs).
#ifdef _WIN32

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "automation.h"
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

  EXPECT_EQ(ComboItems(dialog, 1004), (std::vector<std::string>{"VANTPLUS", "FO", "CM"}));
  EXPECT_EQ(ControlText(dialog, 1004), "VANTPLUS");
  std::vector<std::string> drives = MachineDriveEntries();
  ASSERT_GE(drives.size(), 2u);
  EXPECT_EQ(ComboItems(dialog, 1001), drives);
  EXPECT_EQ(ControlText(dialog, 1001), drives[1]);
  std::string root = drives[1].substr(2, 1) + ":\\";
  EXPECT_EQ(ControlText(dialog, 1007), root + "VANTProDB-TWS");
  EXPECT_EQ(ControlText(dialog, 1006), root + "VANTProData-TWS");
  for (int id : {1007, 1006, 1009, 1010}) EXPECT_TRUE(IsChecked(dialog, id)) << id;

  ASSERT_TRUE(SelectComboItem(dialog, 1001, "[-C-]"));
  ASSERT_TRUE(SelectComboItem(dialog, 1004, "FO"));
  EXPECT_EQ(ControlText(dialog, 1007), "C:\\VantFODB-TWS");
  EXPECT_EQ(ControlText(dialog, 1006), "C:\\VANTFOData-TWS");
  Click(dialog, 1007);
  EXPECT_TRUE(IsChecked(dialog, 1007));
  Click(dialog, 1006);
  EXPECT_FALSE(IsChecked(dialog, 1006));

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
