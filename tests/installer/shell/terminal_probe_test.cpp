// The running-terminal probe against the terminals' instance mutexes (both backends).
#include <gtest/gtest.h>

#include "platform/win.h"
#include "shell/installer_dlg.h"

TEST(TerminalProbe, EachTerminalsMutexCountsAndTheProbeKeepsNoneOfThem) {
  CInstallerDlg dialog("", "", "");
  EXPECT_FALSE(dialog.IsTerminalRunning());
  for (const char* name : {"SWTSULPTNAV", "OFSWTSULPTNAV", "MCSWTSULPTNAV"}) {
    HANDLE terminal = CreateMutexA(nullptr, FALSE, name);
    ASSERT_NE(terminal, nullptr) << name;
    EXPECT_TRUE(dialog.IsTerminalRunning()) << name;
    CloseHandle(terminal);
    // The probe released what it created: nothing is left behind.
    EXPECT_FALSE(dialog.IsTerminalRunning()) << name;
  }
}

TEST(TerminalProbe, ANameNoTerminalCreatesDoesNotCount) {
  CInstallerDlg dialog("", "", "");
  HANDLE other = CreateMutexA(nullptr, FALSE, "SULPTNAVSWT");
  ASSERT_NE(other, nullptr);
  EXPECT_FALSE(dialog.IsTerminalRunning());
  CloseHandle(other);
}
