// What the install and uninstall sequences need of the installer dialog beyond the file
// operations' state: the command-line values, the uninstall flags, the status line, message
// boxes, the drive list and the enabled state of controls. The dialog implements it over its
// members and controls; tests implement it over plain fields. Every value is read at the
// moment a step needs it.
#pragma once

#include <string>
#include <vector>

#include "files/installer_state.h"
#include "platform/win.h"

// Controls the sequences read or change besides the path check boxes.
inline constexpr int kDesktopShortcutCheckBox = 1009;
inline constexpr int kStartMenuShortcutCheckBox = 1010;
inline constexpr int kStatusLine = 1008;
inline constexpr int kUninstallButton = 1003;

// Answers of a message box, with the Windows values.
inline constexpr int kAnswerOk = 1;   // IDOK
inline constexpr int kAnswerYes = 6;  // IDYES
inline constexpr int kAnswerNo = 7;   // IDNO

// Message box styles, with the Windows values.
inline constexpr UINT kBoxOk = 0x00000000;        // MB_OK
inline constexpr UINT kBoxYesNo = 0x00000004;     // MB_YESNO
inline constexpr UINT kIconStop = 0x00000010;     // MB_ICONSTOP
inline constexpr UINT kIconQuestion = 0x00000020; // MB_ICONQUESTION

struct InstallerDialogState : InstallerState {
  // m_strMode: the install flavour "P", "F" or "C" (anything else means none).
  virtual std::string GetMode() const = 0;
  // m_strSetupDir: the plain command-line argument, the folder the installer runs from.
  virtual std::string GetSetupDir() const = 0;

  // Reads the Application Type combo box's current text into m_strAppType and returns it.
  virtual std::string ReadApplicationType() = 0;
  // The entries of the Installation Drive combo box, first to last ("[-C-]" form).
  virtual std::vector<std::string> GetDriveEntries() const = 0;

  // The text of the status line (static 1008).
  virtual void SetStatusText(const std::string& text) = 0;
  // A message box owned by the dialog; an empty caption means the application title. Returns
  // the answer (kAnswerOk, kAnswerYes, kAnswerNo).
  virtual int AskUser(const std::string& text, const std::string& caption, UINT type) = 0;
  // Enables or disables one control of the dialog by id.
  virtual void EnableControl(int controlId, BOOL enable) = 0;

  // m_bInstalled and m_bDeleteSetupOnExit.
  virtual BOOL GetInstalled() const = 0;
  virtual void SetInstalled(BOOL installed) = 0;
  virtual BOOL GetDeleteSetupOnExit() const = 0;
  virtual void SetDeleteSetupOnExit(BOOL deleteOnExit) = 0;

  // Ends the process at once with `code`: nothing of the installer runs afterwards. (A test
  // double may return instead; the sequences then stop where they are.)
  virtual void EndProcess(UINT code) = 0;
};
