// The Windows backend: real dialogs from the test executable's resources, under a display.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <cctype>

#include "framework/app.h"
#include "test_dialog.hpp"

namespace {

std::vector<std::string> Entries(CComboBox* combo) {
  std::vector<std::string> entries;
  for (int i = 0; i < combo->GetCount(); ++i) {
    std::string text;
    combo->GetLBText(i, text);
    entries.push_back(text);
  }
  return entries;
}

}  // namespace

TEST(WindowsDialog, EnterPressesTheDefaultButtonAndEscapeCancels) {
  TestDialog dialog;
  dialog.onInit = [](TestDialog& d) { ::PostMessageA(d.m_hWnd, WM_KEYDOWN, VK_RETURN, 0); };
  dialog.onGo = [](TestDialog& d) { d.EndDialog(IDC_GO); };
  EXPECT_EQ(dialog.DoModal(), IDC_GO);
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "go"}));

  TestDialog second;
  second.onInit = [](TestDialog& d) { ::PostMessageA(d.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0); };
  EXPECT_EQ(second.DoModal(), IDCANCEL);
}

TEST(WindowsDialog, TheCloseBoxGoesThroughTheSystemCommandHandlerToCancel) {
  TestDialog dialog;
  dialog.onInit = [](TestDialog& d) {
    ::PostMessageA(d.m_hWnd, WM_SYSCOMMAND, 0x0010, 0);  // swallowed by the handler
    ::PostMessageA(d.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "syscommand 16", "syscommand 61536"}));
}

TEST(WindowsDialog, ControlsKeepStatesAndTheDriveListingIsSortedInUpperCase) {
  TestDialog dialog;
  std::vector<std::string> drives, plain;
  dialog.onInit = [&](TestDialog& d) {
    auto* sorted = static_cast<CComboBox*>(d.GetDlgItem(IDC_SORTED_COMBO));
    EXPECT_NE(sorted->Dir(DDL_DRIVES, ""), CB_ERR);
    drives = Entries(sorted);
    auto* unsorted = static_cast<CComboBox*>(d.GetDlgItem(IDC_PLAIN_COMBO));
    unsorted->AddString("b");
    unsorted->AddString("a");
    plain = Entries(unsorted);
    // A click on an automatic check box toggles it and tells the handler.
    ::SendMessageA(d.GetDlgItem(IDC_CHECK)->m_hWnd, BM_CLICK, 0, 0);
    d.SetDlgItemText(IDC_STATUS, "Please Wait...");
    EXPECT_EQ(d.GetDlgItemText(IDC_STATUS), "Please Wait...");
    d.GetDlgItem(IDC_GO)->EnableWindow(FALSE);
    EXPECT_FALSE(d.GetDlgItem(IDC_GO)->IsWindowEnabled());
    d.EndDialog(IDOK);
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "check 1"}));
  EXPECT_EQ(plain, (std::vector<std::string>{"b", "a"}));

  std::vector<std::string> expected;
  char buffer[128] = {};
  DWORD length = ::GetLogicalDriveStringsA(sizeof buffer, buffer);
  for (const char* root = buffer; root < buffer + length && *root; root += 4) {
    expected.push_back(std::string("[-") + static_cast<char>(std::toupper(root[0])) + "-]");
  }
  EXPECT_EQ(drives, expected);
  EXPECT_NE(std::find(drives.begin(), drives.end(), "[-C-]"), drives.end());
}

TEST(WindowsDialog, TheApplicationTitleIsTheExecutableNameWithoutExtension) {
  EXPECT_EQ(vp::fw::AppTitle(), "framework_tests");
}

#endif
