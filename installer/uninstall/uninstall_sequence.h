// The Uninstall button: after the user's consent removes the selected variant's registry key
// tree under HKEY_CURRENT_USER, its folders on every fixed drive and its shortcuts, then the
// setup folder the installer runs from, hands the deletion of its own program file to the
// command interpreter and ends the process. What could not be deleted is reported instead of
// success.
#pragma once

#include <string>

#include "common/installer_state.h"

// Enables or disables, all alike, the dialog's input controls: everything but the Uninstall
// and Exit buttons.
void EnableControls(InstallerState& state, BOOL enable);

class CUninstallSequence {
 public:
  explicit CUninstallSequence(InstallerState& state) : m_state(state) {}

  // OnUninstall: the whole sequence. Ends the process when the uninstall is done; returns when
  // the user says No or nothing of the variant was found.
  void Run();

  // Deletes the variant's folders on the drive `root` ("X:\") and deals with its setup folder:
  // the one the installer runs from stays (its program is deleted after exit), one that holds
  // "VANTProSetup.exe" loses only the variant's setup program, any other is deleted.
  void RemoveFromDrive(const std::string& root);

 private:
  // Deletes the variant's key tree; false when the key may remain (its delete failed, or the
  // registry cannot be read at all).
  bool RemoveRegistryKey();
  void ShowNothingFound();
  void RemoveShortcuts();
  void RemoveSetupFolderRunFrom();

  InstallerState& m_state;
  bool m_bIncomplete = false;  // something of the variant could not be deleted
};
