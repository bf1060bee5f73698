// The installer's dialog (template 102): the user picks the drive and the application type,
// ticks the folders to replace and the shortcuts to place, and starts an install or an
// uninstall. The dialog's members are the state the installer's operations share.
#pragma once

#include <string>

#include "framework/framework.h"

class CInstallerDlg : public CDialog {
 public:
  CInstallerDlg(std::string mode, std::string version, std::string setupDir, CWnd* parent = nullptr);
  ~CInstallerDlg() override = default;

  BOOL OnInitDialog() override;

  // True when a terminal of the suite is running (its instance mutex exists), or when the
  // probe cannot be made.
  BOOL IsTerminalRunning();

  void OnDriveChanged();
  void OnApplicationTypeChanged();
  void OnDbPathClicked();

  // The install and uninstall sequences (installer/install, installer/uninstall).
  void OnInstall();
  void OnUninstall();

 protected:
  const MessageMap* GetMessageMap() const override;

  void OnSysCommand(UINT id, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();

 public:
  std::string m_strMode;     // "M:" value: the install flavour "P", "F" or "C"
  std::string m_strVersion;  // "V:" value: ends the dialog caption
  HICON m_hIcon;             // icon resource 128
  std::string m_strDrive;    // installation drive root, "D:\"
  std::string m_strDestDir;  // current destination folder of the tree copy
  std::string m_strAppType;  // application type text as last read from combo 1004
  std::string m_strSetupDir; // the plain command-line argument

  // Uninstall and client database backup state.
  BOOL m_bInstalled = FALSE;
  BOOL m_bDeleteSetupOnExit = FALSE;
};
