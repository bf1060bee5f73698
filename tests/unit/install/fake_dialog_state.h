// The installer dialog as plain fields, for running the install and uninstall sequences
// without a window; it records what the user would have seen.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "install/dialog_state.h"

struct ShownBox {
  std::string text, caption;
  UINT type;
};

struct FakeDialogState : InstallerDialogState {
  std::string drive;  // a drive root, or a test folder ending in "\" that stands for one
  std::string appType = "VANTPLUS";
  std::string appTypeCombo = "VANTPLUS";  // what combo 1004 shows
  std::string mode = "P";
  std::string setupDir;
  std::string destDir;
  std::string userDataCaption, executableCaption;
  std::map<int, bool> checked{{1006, true}, {1007, true}, {1009, true}, {1010, true}};
  std::vector<std::string> driveEntries;
  int answer = kAnswerYes;  // the answer to a Yes/No question

  std::vector<std::string> statusTexts;  // every text the status line got, in order
  std::vector<ShownBox> boxes;           // every message box, in order
  std::map<int, BOOL> enabled;           // last enabled state per control
  BOOL installed = FALSE, deleteSetupOnExit = FALSE;
  std::optional<UINT> endedWith;  // the exit code when the process would have ended

  std::string GetDrive() const override { return drive; }
  std::string GetAppType() const override { return appType; }
  std::string GetDestDir() const override { return destDir; }
  void SetDestDir(const std::string& folder) override { destDir = folder; }
  std::string GetCheckBoxCaption(int id) const override {
    if (id == kUserDataCheckBox) return userDataCaption;
    return id == kExecutableCheckBox ? executableCaption : "";
  }
  bool IsCheckBoxChecked(int id) const override {
    auto it = checked.find(id);
    return it != checked.end() && it->second;
  }
  void ShowMessage(const std::string& text) override { boxes.push_back({text, "", kBoxOk}); }

  std::string GetMode() const override { return mode; }
  std::string GetSetupDir() const override { return setupDir; }
  std::string ReadApplicationType() override { return appType = appTypeCombo; }
  std::vector<std::string> GetDriveEntries() const override { return driveEntries; }
  void SetStatusText(const std::string& text) override { statusTexts.push_back(text); }
  int AskUser(const std::string& text, const std::string& caption, UINT type) override {
    boxes.push_back({text, caption, type});
    return (type & 0x0F) == kBoxYesNo ? answer : kAnswerOk;
  }
  void EnableControl(int id, BOOL enable) override { enabled[id] = enable; }
  BOOL GetInstalled() const override { return installed; }
  void SetInstalled(BOOL value) override { installed = value; }
  BOOL GetDeleteSetupOnExit() const override { return deleteSetupOnExit; }
  void SetDeleteSetupOnExit(BOOL value) override { deleteSetupOnExit = value; }
  void EndProcess(UINT code) override { endedWith = code; }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const ShownBox& box : boxes) texts.push_back(box.text);
    return texts;
  }
};
