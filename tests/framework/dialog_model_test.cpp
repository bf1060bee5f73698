// The POSIX dialog model: modal life, user actions and their notifications, controls.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <fstream>

#include "driven_front_end.h"
#include "framework/ui_model.h"
#include "platform/machine.h"
#include "test_dialog.hpp"

using vp::test::DrivenFrontEnd;
using vp::ui::DialogWindow;

TEST(DialogModel, OnInitDialogRunsBeforeTheDialogIsShownAndTheCancelCommandEndsIt) {
  DrivenFrontEnd frontEnd;
  TestDialog dialog;
  bool shownAtInit = true;
  dialog.onInit = [&](TestDialog& d) { shownAtInit = vp::ui::DialogFromHandle(d.m_hWnd)->shown; };
  frontEnd.user = [&](DialogWindow& window) {
    EXPECT_EQ(dialog.events, std::vector<std::string>{"init"});
    window.PressEscape();
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_FALSE(shownAtInit);
  EXPECT_EQ(dialog.m_hWnd, nullptr);
}

namespace {

// Binds two buttons through data exchange, as dialogs with control members do.
class BindingDialog : public TestDialog {
 public:
  CButton go;
  CButton other;
  int exchanges = 0;

 protected:
  void DoDataExchange(CDataExchange* exchange) override {
    ++exchanges;
    DDX_Control(exchange, IDC_GO, go);
    DDX_Control(exchange, IDC_OTHER, other);
  }
};

}  // namespace

TEST(DialogModel, DataExchangeBindsControlsOnceAndTheFirstTabStopGetsTheFocus) {
  DrivenFrontEnd frontEnd;
  BindingDialog dialog;
  frontEnd.user = [&](DialogWindow& window) {
    EXPECT_TRUE(dialog.UpdateData(FALSE));  // bound already: nothing changes
    window.PressEscape();
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.exchanges, 2);
  EXPECT_EQ(dialog.go.m_hWnd, nullptr);

  BindingDialog again;
  frontEnd.user = [&](DialogWindow& window) {
    EXPECT_EQ(again.GetDlgItem(IDC_GO), &again.go);
    EXPECT_EQ(again.GetDlgItem(IDC_OTHER), &again.other);
    EXPECT_EQ(vp::ui::Focus(), vp::ui::ToHandle(window.Find(IDC_SORTED_COMBO)));
    window.PressEscape();
  };
  EXPECT_EQ(again.DoModal(), IDCANCEL);
}

TEST(DialogModel, TheExitButtonAndTheCloseBoxAreTheCancelCommandToo) {
  DrivenFrontEnd frontEnd;
  {
    TestDialog dialog;
    frontEnd.user = [](DialogWindow& window) { EXPECT_TRUE(window.Click(IDCANCEL)); };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  }
  {
    TestDialog dialog;
    frontEnd.user = [](DialogWindow& window) { window.CloseBox(); };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.events.back(), "syscommand " + std::to_string(SC_CLOSE));
  }
}

TEST(DialogModel, AHandlerThatTakesASystemCommandStopsTheDefaultProcessing) {
  DrivenFrontEnd frontEnd;
  TestDialog dialog;
  frontEnd.user = [](DialogWindow& window) {
    window.SysCommand(0x0010);
    EXPECT_FALSE(window.ended);
    window.SysCommand(SC_MINIMIZE);
    EXPECT_TRUE(window.iconic);
    window.Click(IDCANCEL);
  };
  dialog.DoModal();
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "syscommand 16", "syscommand 61472"}));
}

TEST(DialogModel, EndDialogDuringOnInitDialogNeverShowsTheDialog) {
  DrivenFrontEnd frontEnd;
  TestDialog dialog;
  dialog.onInit = [](TestDialog& d) { d.EndDialog(42); };
  EXPECT_EQ(dialog.DoModal(), 42);
  EXPECT_EQ(frontEnd.shownDialogs, 0);
}

TEST(DialogModel, EnterPressesTheFocusedPushButtonElseTheDefaultButton) {
  DrivenFrontEnd frontEnd;
  TestDialog dialog;
  frontEnd.user = [&](DialogWindow& window) {
    window.PressEnter();                  // focus on nothing in particular
    window.PressEnter(IDC_OTHER);         // a focused push button takes Enter
    window.PressEnter(IDC_SORTED_COMBO);  // a combo box does not
    dialog.GetDlgItem(IDC_GO)->EnableWindow(FALSE);
    window.PressEnter();  // a disabled default button ignores Enter
    window.PressEscape();
  };
  dialog.DoModal();
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "go", "other", "go"}));
}

TEST(DialogModel, AutomaticCheckBoxesToggleBeforeTheHandlerRunsAndDisabledControlsIgnoreClicks) {
  DrivenFrontEnd frontEnd;
  TestDialog dialog;
  frontEnd.user = [&](DialogWindow& window) {
    EXPECT_TRUE(window.Click(IDC_CHECK));
    EXPECT_TRUE(window.Click(IDC_CHECK));
    CWnd* check = dialog.GetDlgItem(IDC_CHECK);
    EXPECT_FALSE(check->EnableWindow(FALSE));  // it was enabled
    EXPECT_FALSE(window.Click(IDC_CHECK));
    EXPECT_EQ(dialog.IsDlgButtonChecked(IDC_CHECK), 0u);
    EXPECT_TRUE(check->EnableWindow(TRUE));  // it was disabled
    dialog.CheckDlgButton(IDC_CHECK, BST_CHECKED);  // no notification
    EXPECT_FALSE(window.Click(IDC_STATUS));         // a static text is no button
    EXPECT_FALSE(window.Click(999));
    window.PressEscape();
  };
  dialog.DoModal();
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "check 1", "check 0"}));
}

TEST(DialogModel, ComboBoxesSortAndUpperCaseByStyleAndNotifyOnlyTheUsersChoice) {
  DrivenFrontEnd frontEnd;
  TestDialog dialog;
  dialog.onInit = [](TestDialog& d) {
    auto* sorted = static_cast<CComboBox*>(d.GetDlgItem(IDC_SORTED_COMBO));
    auto* plain = static_cast<CComboBox*>(d.GetDlgItem(IDC_PLAIN_COMBO));
    for (const char* entry : {"vantplus", "fo", "CM"}) {
      sorted->AddString(entry);
      plain->AddString(entry);
    }
    EXPECT_EQ(sorted->SetCurSel(2), 2);
    EXPECT_EQ(plain->SetCurSel(7), CB_ERR);
  };
  frontEnd.user = [&](DialogWindow& window) {
    auto* sorted = static_cast<CComboBox*>(dialog.GetDlgItem(IDC_SORTED_COMBO));
    auto* plain = static_cast<CComboBox*>(dialog.GetDlgItem(IDC_PLAIN_COMBO));
    std::vector<std::string> sortedEntries, plainEntries;
    for (int i = 0; i < sorted->GetCount(); ++i) {
      std::string text;
      sorted->GetLBText(i, text);
      sortedEntries.push_back(text);
      plain->GetLBText(i, text);
      plainEntries.push_back(text);
    }
    EXPECT_EQ(sortedEntries, (std::vector<std::string>{"CM", "FO", "VANTPLUS"}));
    EXPECT_EQ(plainEntries, (std::vector<std::string>{"vantplus", "fo", "CM"}));
    EXPECT_EQ(sorted->GetWindowText(), "VANTPLUS");
    EXPECT_EQ(plain->GetCurSel(), -1);
    EXPECT_TRUE(window.SelectItem(IDC_SORTED_COMBO, 1));
    EXPECT_FALSE(window.SelectItem(IDC_SORTED_COMBO, 3));
    window.PressEscape();
  };
  dialog.DoModal();
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "selected FO"}));
}

TEST(DialogModel, TheDriveListingGivesEveryDriveOfTheMachineSortedInUpperCase) {
  // A machine with drives in no particular order and of several types (Z: always exists).
  std::string root = vp::machine::Root();
  std::string saved;
  {
    std::ifstream in(root + "/drives.conf");
    saved.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::ofstream(root + "/drives.conf") << "F removable f\nD fixed d\nC fixed c\nE cdrom e\n";
  vp::machine::UseRoot(root);

  DrivenFrontEnd frontEnd;
  TestDialog dialog;
  std::vector<std::string> entries;
  int last = 0;
  dialog.onInit = [&](TestDialog& d) {
    auto* drives = static_cast<CComboBox*>(d.GetDlgItem(IDC_SORTED_COMBO));
    last = drives->Dir(DDL_DRIVES, "");
    EXPECT_EQ(drives->Dir(DDL_DRIVES, "*.*"), CB_ERR);
    for (int i = 0; i < drives->GetCount(); ++i) {
      std::string text;
      drives->GetLBText(i, text);
      entries.push_back(text);
    }
    d.EndDialog(IDOK);
  };
  dialog.DoModal();
  std::ofstream(root + "/drives.conf") << saved;
  vp::machine::UseRoot(root);

  EXPECT_EQ(entries, (std::vector<std::string>{"[-C-]", "[-D-]", "[-E-]", "[-F-]", "[-Z-]"}));
  EXPECT_EQ(last, 4);  // Z: came last and sorts last
}

TEST(MessageBoxes, TheDefaultCaptionIsTheExecutableNameWithoutExtension) {
  DrivenFrontEnd frontEnd;
  frontEnd.answers = {IDNO};
  EXPECT_EQ(vp::fw::AppMessageBox("Delete?", MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(vp::fw::AppMessageBox("Stopped", MB_OK | MB_ICONSTOP, "Own caption"), IDOK);
  ASSERT_EQ(frontEnd.boxes.size(), 2u);
  EXPECT_EQ(frontEnd.boxes[0].caption, "framework_tests");
  EXPECT_EQ(frontEnd.boxes[0].text, "Delete?");
  EXPECT_EQ(vp::ui::MessageBoxButtons(frontEnd.boxes[0].type),
            (std::vector<std::pair<std::string, int>>{{"Yes", IDYES}, {"No", IDNO}}));
  EXPECT_EQ(vp::ui::MessageBoxIconName(frontEnd.boxes[0].type), "question");
  EXPECT_EQ(frontEnd.boxes[1].caption, "Own caption");
  EXPECT_EQ(vp::ui::MessageBoxIconName(frontEnd.boxes[1].type), "stop");
}

TEST(MessageBoxes, ADialogsMessageBoxIsOwnedByTheDialog) {
  DrivenFrontEnd frontEnd;
  TestDialog dialog;
  const DialogWindow* owner = nullptr;
  dialog.onInit = [&](TestDialog& d) {
    d.MessageBox("Before the dialog shows");
    ASSERT_EQ(frontEnd.boxes.size(), 1u);
    owner = frontEnd.boxes[0].owner;
    EXPECT_EQ(owner, vp::ui::DialogFromHandle(d.m_hWnd));
    EXPECT_FALSE(owner->shown);
    d.EndDialog(IDOK);
  };
  dialog.DoModal();
  EXPECT_NE(owner, nullptr);
}

TEST(Mnemonics, MarksAreRemovedAndTheLetterFound) {
  EXPECT_EQ(vp::ui::WithoutMnemonic("E&xit"), "Exit");
  EXPECT_EQ(vp::ui::WithoutMnemonic("Save && &Quit"), "Save & Quit");
  EXPECT_EQ(vp::ui::MnemonicOf("Save && &quit"), 'Q');
  EXPECT_EQ(vp::ui::MnemonicOf("No && mark"), 0);
}

#endif
