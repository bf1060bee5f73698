// The installer dialog as plain fields, for running the installer's operations without a
// window: the tests set what a step reads and look at what it did to the dialog.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/win.h"
#include "res/installer_dialog.h"
#include "common/installer_state.h"
#include "common/product_profile.h"

struct ShownBox {
  std::string text, caption;
  UINT type;
};

struct FakeInstallerState : InstallerState {
  // What a step reads.
  std::string drive;  // a drive root, or a test folder ending in "\" that stands for one
  std::string appType = "VANTPLUS";
  std::string appTypeCombo = "VANTPLUS";  // what the Application Type combo box shows
  std::string mode = "P";
  std::string setupDir;
  std::string version;
  std::vector<std::string> driveEntries;
  std::string userDataCaption, executableCaption;  // IDC_DATA_PATH, IDC_DB_PATH

  // The dialog as it stands for the selected variant on `root` (a drive root, or a test folder
  // ending in "\"): that drive, and the two path captions the variant's profile gives.
  void ShowSelectedVariantOn(const std::string& root) {
    drive = root;
    executableCaption = root + g_profile.DbFolderName;
    userDataCaption = root + g_profile.DataFolderName;
  }
  std::map<int, bool> checked{{IDC_DATA_PATH, true},
                              {IDC_DB_PATH, true},
                              {IDC_DESKTOP_SHORTCUT, true},
                              {IDC_START_MENU_SHORTCUT, true}};
  int answer = IDYES;  // the user's answer to a Yes/No question

  // The members a step keeps.
  std::string destDir;
  BOOL installed = FALSE, deleteSetupOnExit = FALSE;

  // What the user would have seen.
  std::vector<std::string> statusTexts;  // every text the status line got, in order
  std::vector<ShownBox> boxes;           // every message box, in order
  std::map<int, BOOL> enabled;           // last enabled state per control
  std::optional<UINT> endedWith;         // the exit code when the process would have ended
  std::vector<DWORD> failures;           // the errors noted before failure messages

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const ShownBox& box : boxes) texts.push_back(box.text);
    return texts;
  }

  std::string GetDrive() const override { return drive; }
  std::string GetAppType() const override { return appType; }
  std::string ReadApplicationType() override { return appType = appTypeCombo; }
  std::string GetMode() const override { return mode; }
  std::string GetSetupDir() const override { return setupDir; }
  std::string GetVersion() const override { return version; }
  void NoteFailure(DWORD error) override { failures.push_back(error); }
  std::vector<std::string> GetDriveEntries() const override { return driveEntries; }
  std::string GetCheckBoxCaption(int id) const override {
    if (id == IDC_DATA_PATH) return userDataCaption;
    return id == IDC_DB_PATH ? executableCaption : "";
  }
  bool IsCheckBoxChecked(int id) const override {
    auto it = checked.find(id);
    return it != checked.end() && it->second;
  }

  std::string GetDestDir() const override { return destDir; }
  void SetDestDir(const std::string& folder) override { destDir = folder; }
  BOOL GetInstalled() const override { return installed; }
  void SetInstalled(BOOL value) override { installed = value; }
  BOOL GetDeleteSetupOnExit() const override { return deleteSetupOnExit; }
  void SetDeleteSetupOnExit(BOOL value) override { deleteSetupOnExit = value; }

  void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
  void EnableControl(int id, BOOL enable) override { enabled[id] = enable; }
  int AskUser(const std::string& text, const std::string& caption, UINT type) override {
    boxes.push_back({text, caption, type});
    return (type & MB_TYPEMASK) == MB_YESNO ? answer : IDOK;
  }
  void EndProcess(UINT code) override { endedWith = code; }
};
