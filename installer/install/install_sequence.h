// The Install button: removes old shortcuts, records the drive in the variant's settings,
// saves the user's client databases, copies the variant's folders from the setup package (the
// current directory) onto the drive, puts the uninstaller in place, names the terminal for
// the variant, creates the shortcuts asked for, stamps the settings version and reports
// "Installation Done!". Nothing is asked, nothing is rolled back. It refuses a drive it cannot
// write and a package lying in its own destination before changing anything, stops before the
// copy when the user's databases could not be saved, and reports an incomplete copy as such.
#pragma once

#include <string>

#include "common/installer_state.h"

class CInstallSequence {
 public:
  explicit CInstallSequence(InstallerState& state) : m_state(state) {}

  // OnInstall: every step in order. Returns with the dialog usable again, unless the setup
  // folder guard ended the process.
  void Run();

 private:
  bool CanInstall();
  void StopUnsaved(DWORD error);
  void RemoveOldShortcuts();
  // False when the delivered launcher stayed under its own name.
  bool RenameTerminal();
  void CreateDesktopShortcut();
  void CreateStartMenuShortcuts();

  InstallerState& m_state;
};
