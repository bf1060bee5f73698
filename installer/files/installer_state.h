// The dialog state that the file operations read and write while they run. The installer
// dialog implements it over its members and controls; tests implement it over plain fields.
// Every getter is asked at the moment an operation needs the value, never cached.
#pragma once

#include <string>

// Check boxes whose captions hold full paths and are read as data.
inline constexpr int kUserDataCheckBox = 1006;    // user data and images folder
inline constexpr int kExecutableCheckBox = 1007;  // executable and database folder

struct InstallerState {
  virtual ~InstallerState() = default;

  // m_strDrive: the installation drive root, "X:\" with the letter in upper case.
  virtual std::string GetDrive() const = 0;
  // m_strAppType: the Application Type text ("VANTPLUS", "FO", "CM").
  virtual std::string GetAppType() const = 0;
  // m_strDestDir: the tree copy's current destination folder, ending in a backslash.
  virtual std::string GetDestDir() const = 0;
  virtual void SetDestDir(const std::string& folder) = 0;

  // Caption and check state (checked means the state 1) of check box 1006 or 1007.
  virtual std::string GetCheckBoxCaption(int controlId) const = 0;
  virtual bool IsCheckBoxChecked(int controlId) const = 0;

  // A message box with the dialog as owner, an OK button, no icon and the application title
  // as caption; returns when the user has closed it.
  virtual void ShowMessage(const std::string& text) = 0;
};
