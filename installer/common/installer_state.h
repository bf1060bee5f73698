// The installer dialog as its operations see it: the install and uninstall sequences, the tree
// operations and the client database backup depend on this and on nothing else of the dialog.
// CInstallerDlg implements it over its members and controls; tests implement it over plain
// fields (tests/support/fake_installer_state.h). Every value is read at the moment a step needs
// it, never cached: the user may have changed the drive or the application type since.
#pragma once

#include <string>
#include <vector>

#include "platform/win.h"

struct InstallerState {
  virtual ~InstallerState() = default;

  // --- What a step reads when it runs --------------------------------------------------------

  // m_strDrive: the installation drive root, "X:\" with the letter in upper case.
  virtual std::string GetDrive() const = 0;
  // m_strAppType: the application type text ("VANTPLUS", "FO", "CM") as last read.
  virtual std::string GetAppType() const = 0;
  // Reads the Application Type combo box's current text into m_strAppType and returns it.
  virtual std::string ReadApplicationType() = 0;
  // m_strMode: the install flavour "P", "F" or "C" (anything else means none).
  virtual std::string GetMode() const = 0;
  // m_strSetupDir: the plain command-line argument, the folder the installer runs from.
  virtual std::string GetSetupDir() const = 0;
  // m_strVersion: the "V:" value (empty when none was given).
  virtual std::string GetVersion() const = 0;
  // The entries of the Installation Drive combo box, first to last ("[-C-]" form).
  virtual std::vector<std::string> GetDriveEntries() const = 0;
  // Caption and check state (checked means the state 1) of a check box; the captions of
  // IDC_DB_PATH and IDC_DATA_PATH hold full paths and are read as data.
  virtual std::string GetCheckBoxCaption(int controlId) const = 0;
  virtual bool IsCheckBoxChecked(int controlId) const = 0;

  // --- The dialog's members a step keeps between its parts -----------------------------------

  // m_strDestDir: the tree copy's current destination folder, ending in a backslash.
  virtual std::string GetDestDir() const = 0;
  virtual void SetDestDir(const std::string& folder) = 0;
  // m_bInstalled and m_bDeleteSetupOnExit.
  virtual BOOL GetInstalled() const = 0;
  virtual void SetInstalled(BOOL installed) = 0;
  virtual BOOL GetDeleteSetupOnExit() const = 0;
  virtual void SetDeleteSetupOnExit(BOOL deleteOnExit) = 0;

  // --- What a step does to the window --------------------------------------------------------

  // The text of the status line (IDC_STATUS).
  virtual void SetStatusText(const std::string& text) = 0;
  // Enables or disables one control of the dialog by id.
  virtual void EnableControl(int controlId, BOOL enable) = 0;
  // A message box owned by the dialog, `type` made of MB_* flags; an empty caption means the
  // application title. Returns when the user has closed it, with the answer (IDOK, IDYES, ...).
  virtual int AskUser(const std::string& text, const std::string& caption, UINT type) = 0;
  // An OK box without icon under the application title.
  void ShowMessage(const std::string& text) { AskUser(text, "", MB_OK); }
  // The system error behind the failure a step is about to report (for example
  // ERROR_DISK_FULL), told before the message; the dialog has no use for it, an unattended
  // run turns it into its exit code.
  virtual void NoteFailure(DWORD /*error*/) {}
  // Ends the process at once with `code`: nothing of the installer runs afterwards. (A test
  // double may return instead; the sequences then stop where they are.)
  virtual void EndProcess(UINT code) = 0;
};

// The members a step keeps between its parts, held as plain fields: the dialog and the
// unattended driver keep them alike.
struct InstallerStateMembers : InstallerState {
  std::string GetDestDir() const override { return m_strDestDir; }
  void SetDestDir(const std::string& folder) override { m_strDestDir = folder; }
  BOOL GetInstalled() const override { return m_bInstalled; }
  void SetInstalled(BOOL installed) override { m_bInstalled = installed; }
  BOOL GetDeleteSetupOnExit() const override { return m_bDeleteSetupOnExit; }
  void SetDeleteSetupOnExit(BOOL deleteOnExit) override { m_bDeleteSetupOnExit = deleteOnExit; }

  std::string m_strDestDir;  // current destination folder of the tree copy
  BOOL m_bInstalled = FALSE;
  BOOL m_bDeleteSetupOnExit = FALSE;
};
