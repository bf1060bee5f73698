// The installer's dialog (template 102): the user picks the drive and the application type,
// ticks the folders to replace and the shortcuts to place, and starts an install or an
// uninstall. The dialog's members are the state the installer's operations share: they reach
// them, and the window, through InstallerState.
#pragma once

#include <string>
#include <vector>

#include "framework/framework.h"
#include "common/installer_state.h"

class CInstallerDlg : public CDialog, public InstallerStateMembers {
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

  // InstallerState over the members below and the dialog's controls.
  std::string GetDrive() const override { return m_strDrive; }
  std::string GetAppType() const override { return m_strAppType; }
  std::string ReadApplicationType() override;
  std::string GetMode() const override { return m_strMode; }
  std::string GetSetupDir() const override { return m_strSetupDir; }
  std::string GetVersion() const override { return m_strVersion; }
  std::vector<std::string> GetDriveEntries() const override;
  std::string GetCheckBoxCaption(int controlId) const override { return GetDlgItemText(controlId); }
  bool IsCheckBoxChecked(int controlId) const override;
  void SetStatusText(const std::string& text) override;
  void EnableControl(int controlId, BOOL enable) override;
  int AskUser(const std::string& text, const std::string& caption, UINT type) override;
  void EndProcess(UINT code) override;

 public:
  std::string m_strMode;     // "M:" value: the install flavour "P", "F" or "C"
  std::string m_strVersion;  // "V:" value: ends the dialog caption
  HICON m_hIcon;             // icon resource 128
  std::string m_strDrive;    // installation drive root, "D:\"
  std::string m_strAppType;  // application type text as last read from combo IDC_APPLICATION_TYPE
  std::string m_strSetupDir; // the plain command-line argument
  // m_strDestDir, m_bInstalled and m_bDeleteSetupOnExit: InstallerStateMembers.
};
