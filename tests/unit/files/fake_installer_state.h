// The dialog state as plain fields, for driving the file operations without a window.
#pragma once

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "files/installer_state.h"

struct FakeInstallerState : InstallerState {
  std::string drive;  // "<test folder>\drive\" stands for the drive root
  std::string appType = "VANTPLUS";
  std::string destDir;
  std::string userDataCaption, executableCaption;
  bool userDataChecked = true;
  std::vector<std::string> messages;

  std::string GetDrive() const override { return drive; }
  std::string GetAppType() const override { return appType; }
  std::string GetDestDir() const override { return destDir; }
  void SetDestDir(const std::string& folder) override { destDir = folder; }
  std::string GetCheckBoxCaption(int id) const override {
    if (id == kUserDataCheckBox) return userDataCaption;
    return id == kExecutableCheckBox ? executableCaption : "";
  }
  bool IsCheckBoxChecked(int id) const override {
    return id == kUserDataCheckBox ? userDataChecked : true;
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

// Creates files (content: their own relative path) and folders (names ending in "\") below
// `root`, with the folders on the way; false when one cannot be made.
bool MakeEntries(const std::string& root, std::initializer_list<std::string> entries);

// Every entry below `root`, relative and in lower case, folders with a trailing "\"; links
// are listed but not entered.
std::set<std::string> Listing(const std::string& root);
