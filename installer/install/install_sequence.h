// The Install button: removes old shortcuts, records the drive in the variant's settings,
// saves the user's client databases, copies the variant's folders from the setup package (the
// current directory) onto the drive, puts the uninstaller in place, names the terminal for
// the variant, creates the shortcuts asked for, stamps the settings version and reports
// "Installation Done!". The new installation is staged beside the old one and switched in at
// the end; an install that fails before the switch puts back what it changed (settings, links)
// and leaves the previous installation as it was. It refuses a drive it cannot write and a
// package lying in its own destination before changing anything.
#pragma once

#include <string>
#include <vector>

#include "common/installer_state.h"
#include "staging/install_transaction.h"

class CInstallSequence {
 public:
  explicit CInstallSequence(InstallerState& state) : m_state(state) {}

  // OnInstall: every step in order. Returns with the dialog usable again, unless the setup
  // folder guard ended the process.
  void Run();

 private:
  bool CanInstall();
  // The folder the copy fills for `folder` on the drive: its staged folder when the install
  // replaces it whole, else itself; empty when it could not be staged.
  std::string StagedFolderFor(staging::CInstallTransaction& install, const std::string& folder);
  // The registry trees the install may change, saved before it changes any.
  std::vector<staging::RegistryTree> RegistryTreesOfInstall() const;
  void StopUnprepared(staging::CInstallTransaction& install);
  void StopUnsaved(staging::CInstallTransaction& install, DWORD error);
  void RemoveOldShortcuts();
  // False when the delivered launcher stayed under its own name.
  bool RenameTerminal(const staging::CInstallTransaction& install);
  void CreateDesktopShortcut();
  void CreateStartMenuShortcuts();

  InstallerState& m_state;
};
