// The installer dialog driven through the POSIX dialog model, as a user would.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <fstream>

#include "driven_front_end.h"
#include "platform/machine.h"
#include "res/installer_dialog.h"
#include "shell/installer_app.h"
#include "shell/installer_dlg.h"
#include "common/product_profile.h"

using vp::test::DrivenFrontEnd;
using vp::ui::DialogWindow;

namespace {

// The application object gives the dialog its icon and its title.
CInstallerApp g_app;

// Gives the emulated machine these drives (Z: always exists) for one test.
class MachineDrives {
 public:
  explicit MachineDrives(const std::string& conf) : root_(vp::machine::Root()) {
    std::ifstream in(root_ + "/drives.conf");
    saved_.assign(std::istreambuf_iterator<char>(in), {});
    std::ofstream(root_ + "/drives.conf") << conf;
    vp::machine::UseRoot(root_);
  }
  ~MachineDrives() {
    std::ofstream(root_ + "/drives.conf") << saved_;
    vp::machine::UseRoot(root_);
  }

 private:
  std::string root_;
  std::string saved_;
};

std::vector<std::string> Items(const DialogWindow& window, int id) { return window.Find(id)->items; }

// Records the Install button instead of running the install.
class ObservedInstallerDlg : public CInstallerDlg {
 public:
  using CInstallerDlg::CInstallerDlg;
  int installs = 0;

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMap map{CInstallerDlg::GetMessageMap(),
                                {MapClicked(IDC_INSTALL, &ObservedInstallerDlg::Count)}};
    return &map;
  }

 private:
  void Count() { ++installs; }
};

}  // namespace

TEST(InstallerDialog, StartsWithTheMainVariantOnTheSecondDriveAndEverythingTicked) {
  DrivenFrontEnd frontEnd;
  CInstallerDlg dialog("P", "7.0.3", "");
  frontEnd.user = [&](DialogWindow& window) {
    EXPECT_EQ(window.text, "VANTPlusTWS Installer 7.0.3");
    EXPECT_EQ(Items(window, IDC_APPLICATION_TYPE), (std::vector<std::string>{"VANTPLUS", "FO", "CM"}));
    EXPECT_EQ(window.Find(IDC_APPLICATION_TYPE)->text, "VANTPLUS");
    EXPECT_EQ(Items(window, IDC_DRIVE), (std::vector<std::string>{"[-C-]", "[-D-]", "[-Z-]"}));
    EXPECT_EQ(window.Find(IDC_DRIVE)->text, "[-D-]");
    EXPECT_EQ(dialog.m_strDrive, "D:\\");
    EXPECT_EQ(dialog.m_strAppType, "VANTPLUS");
    EXPECT_EQ(window.Find(IDC_DB_PATH)->text, "D:\\VANTProDB-TWS");
    EXPECT_EQ(window.Find(IDC_DATA_PATH)->text, "D:\\VANTProData-TWS");
    for (int id : {IDC_DB_PATH, IDC_DATA_PATH, IDC_DESKTOP_SHORTCUT, IDC_START_MENU_SHORTCUT})
      EXPECT_EQ(window.Find(id)->check, BST_CHECKED) << id;
    EXPECT_EQ(g_profile.DbFolderNameB, "VantProDB-TWS");
    EXPECT_NE(dialog.m_hIcon, nullptr);
    EXPECT_EQ(window.bigIcon, dialog.m_hIcon);
    EXPECT_EQ(window.smallIcon, dialog.m_hIcon);
    EXPECT_FALSE(dialog.m_bDeleteSetupOnExit);
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(frontEnd.boxes.size(), 0u);
}

TEST(InstallerDialog, WithoutAVersionTheCaptionKeepsItsTrailingBlank) {
  DrivenFrontEnd frontEnd;
  CInstallerDlg dialog("", "", "");
  std::string caption;
  frontEnd.user = [&](DialogWindow& window) { caption = window.text; };
  dialog.DoModal();
  EXPECT_EQ(caption, "VANTPlusTWS Installer ");
}

TEST(InstallerDialog, PathCaptionsFollowTheDriveAndTheApplicationType) {
  MachineDrives drives("C fixed c\nD fixed d\nE fixed e\n");
  DrivenFrontEnd frontEnd;
  CInstallerDlg dialog("P", "1", "");
  frontEnd.user = [&](DialogWindow& window) {
    ASSERT_EQ(Items(window, IDC_DRIVE), (std::vector<std::string>{"[-C-]", "[-D-]", "[-E-]", "[-Z-]"}));
    window.SelectItem(IDC_DRIVE, 2);
    EXPECT_EQ(dialog.m_strDrive, "E:\\");
    EXPECT_EQ(window.Find(IDC_DB_PATH)->text, "E:\\VANTProDB-TWS");
    window.SelectItem(IDC_APPLICATION_TYPE, 1);
    EXPECT_EQ(dialog.m_strAppType, "FO");
    EXPECT_EQ(window.Find(IDC_DB_PATH)->text, "E:\\VantFODB-TWS");
    EXPECT_EQ(window.Find(IDC_DATA_PATH)->text, "E:\\VANTFOData-TWS");
    EXPECT_EQ(g_profile.TerminalExeName, "\\VANTPlusFOTWS.exe");
    window.SelectItem(IDC_DRIVE, 0);
    EXPECT_EQ(window.Find(IDC_DATA_PATH)->text, "C:\\VANTFOData-TWS");
    window.SelectItem(IDC_APPLICATION_TYPE, 0);
    EXPECT_EQ(window.Find(IDC_DB_PATH)->text, "C:\\VANTProDB-TWS");
    EXPECT_EQ(g_profile.DbFolderNameB, "VantProDB-TWS");
  };
  dialog.DoModal();
}

TEST(InstallerDialog, TheDatabasePathStaysTickedWhileTheOtherBoxesToggle) {
  DrivenFrontEnd frontEnd;
  CInstallerDlg dialog("", "", "");
  frontEnd.user = [&](DialogWindow& window) {
    window.Click(IDC_DB_PATH);
    EXPECT_EQ(window.Find(IDC_DB_PATH)->check, BST_CHECKED);
    for (int id : {IDC_DATA_PATH, IDC_DESKTOP_SHORTCUT, IDC_START_MENU_SHORTCUT}) {
      window.Click(id);
      EXPECT_EQ(dialog.IsDlgButtonChecked(id), static_cast<UINT>(BST_UNCHECKED)) << id;
      window.Click(id);
      EXPECT_EQ(dialog.IsDlgButtonChecked(id), static_cast<UINT>(BST_CHECKED)) << id;
    }
  };
  dialog.DoModal();
}

TEST(InstallerDialog, EnterPressesInstallAndTheCancelCommandClosesTheDialog) {
  DrivenFrontEnd frontEnd;
  ObservedInstallerDlg dialog("", "", "");
  frontEnd.user = [&](DialogWindow& window) {
    window.PressEnter();
    EXPECT_EQ(dialog.installs, 1);
    EXPECT_FALSE(window.ended);
    window.Click(IDC_INSTALL);
    EXPECT_EQ(dialog.installs, 2);
    window.CloseBox();
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  for (auto user : {+[](DialogWindow& w) { w.PressEscape(); }, +[](DialogWindow& w) { w.Click(IDCANCEL); }}) {
    ObservedInstallerDlg again("", "", "");
    frontEnd.user = user;
    EXPECT_EQ(again.DoModal(), IDCANCEL);
    EXPECT_EQ(again.installs, 0);
  }
}

TEST(InstallerDialog, AMachineWithOneFixedDriveGetsItAndNeverTheHostsRoot) {
  {
    MachineDrives drives("C fixed c\n");
    DrivenFrontEnd frontEnd;
    CInstallerDlg dialog("", "", "");
    frontEnd.user = [&](DialogWindow& window) {
      EXPECT_EQ(Items(window, IDC_DRIVE), (std::vector<std::string>{"[-C-]", "[-Z-]"}));
      EXPECT_EQ(window.Find(IDC_DRIVE)->selection, 0);
      EXPECT_EQ(dialog.m_strDrive, "C:\\");
      EXPECT_EQ(window.Find(IDC_DB_PATH)->text, "C:\\VANTProDB-TWS");
    };
    dialog.DoModal();
  }
  // No fixed drive at all: nothing is chosen for the user.
  MachineDrives drives("# no drives of its own: only Z:\n");
  DrivenFrontEnd frontEnd;
  CInstallerDlg dialog("", "", "");
  frontEnd.user = [&](DialogWindow& window) {
    EXPECT_EQ(Items(window, IDC_DRIVE), (std::vector<std::string>{"[-Z-]"}));
    EXPECT_EQ(window.Find(IDC_DRIVE)->selection, -1);
    EXPECT_EQ(dialog.m_strDrive, ":\\");
  };
  dialog.DoModal();
}

TEST(InstallerDialog, TheAboutCommandIsIgnoredAndAMinimisedDialogPaintsItsIcon) {
  DrivenFrontEnd frontEnd;
  CInstallerDlg dialog("", "", "");
  frontEnd.user = [&](DialogWindow& window) {
    window.Paint();
    EXPECT_TRUE(window.canvas.empty());  // a plain dialog
    window.SysCommand(0x0013);  // About, with low bits set: ignored
    EXPECT_FALSE(window.iconic);
    window.SysCommand(SC_MINIMIZE);
    EXPECT_TRUE(window.iconic);
    window.Paint();
    // The 279 x 171 unit dialog is 418 x 277 pixels; the 32-pixel icon is centred in it.
    EXPECT_EQ(window.canvas, (std::vector<std::string>{"EraseIconBackground", "DrawIcon 193 123 128"}));
    EXPECT_EQ(window.Send(WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(dialog.m_hIcon));
    window.SysCommand(SC_RESTORE);
    window.SysCommand(SC_CLOSE);
    EXPECT_TRUE(window.ended);
  };
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

#endif
