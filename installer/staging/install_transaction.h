// The staged install: the new installation is built beside the old one and switched in by
// renames on its drive at the end. Everything the install changes before the switch (registry
// values, links on the desktop and in the Start menu) is saved first and put back when it
// fails; a run cut off at any instant is finished or undone by the next start of the installer
// or the launcher (RecoverInterruptedInstalls), from the journal in the transaction folder.
//
// At the switch, folder by folder, the user's MWBackup is moved from the old user data folder
// into the new one, the old folder is moved to its "aside" name, and the staged folder is moved
// to its final name. A journal that reached "switch" is finished; one that did not is undone.
#pragma once

#include <string>
#include <vector>

#include "staging/install_journal.h"
#include "staging/registry_snapshot.h"

namespace staging {

// One folder of the installation that the install replaces as a whole.
struct SwitchedFolder {
  std::string final;        // the folder's path on the drive
  bool keepsMWBackup = false;  // the user data folder: the user's MWBackup moves into the new one

  std::string Staged() const { return final + ".~vpnew"; }
  std::string Aside() const { return final + ".~vpold"; }
};

// Where the transaction of a variant lives: drive + the setup folder's name + ".~vpinstall".
std::string TransactionFolder(const std::string& drive, const std::string& setupBaseName);

class CInstallTransaction {
 public:
  CInstallTransaction() = default;
  CInstallTransaction(const CInstallTransaction&) = delete;
  CInstallTransaction& operator=(const CInstallTransaction&) = delete;
  // A transaction neither switched nor rolled back is left as it is, for the next start.
  ~CInstallTransaction();

  // Makes the transaction folder and its journal; false, with nothing changed, when it cannot.
  bool Begin(const std::string& folder, const std::string& drive);
  // Saves the trees before the install changes any of them.
  bool SaveRegistry(const std::vector<RegistryTree>& trees);
  // Saves what `linkPath` holds (or that it is missing) before the install writes or removes it;
  // once per path.
  bool NoteLinkChange(const std::string& linkPath);
  // A folder the install is about to make for its links; undone when empty.
  bool NoteFolderMade(const std::string& folder);
  // Announces the folder and makes its staged folder, empty; false when it cannot.
  bool StageFolder(const SwitchedFolder& folder);
  bool IsStaged(const std::string& final) const;

  // Moves the old folders aside and the staged ones in. False when some move failed: then all
  // are as before the switch, and GetLastError tells why.
  bool Switch();
  // After the switch: removes the old folders and the transaction. False when an old folder
  // could not be removed whole (a later run removes the rest).
  bool Finish();
  // Before the switch: removes the staged folders and puts registry and links back. False when
  // something could not be put back (the journal then stays for a later run).
  bool RollBack();

  const std::string& Folder() const { return m_folder; }

 private:
  bool Record(const Record& record);

  CInstallJournal m_journal;
  std::string m_folder;
  std::vector<SwitchedFolder> m_folders;
  std::vector<std::string> m_notedLinks;
  int m_savedLinks = 0;
};

// Tell the transaction of the install this process runs, if any, before a link changes.
void BeforeLinkChange(const std::string& linkPath);
void BeforeLinkFolderMade(const std::string& folder);

enum class Recovery {
  kNothing,     // no install was cut off on the drive
  kRolledBack,  // one was undone: the previous installation is as it was
  kFinished,    // one was switched in: the new installation is complete
  kBusy,        // an install runs on the drive now
  kFailed,      // one could not be finished or undone (a folder could not be moved)
};
// Finishes or undoes every install cut off on `drive` ("X:\"), then removes staged and aside
// folders no install owns. The worst outcome counts (kFailed, then kBusy).
Recovery RecoverInterruptedInstalls(const std::string& drive);
// The same on every fixed drive, for a program that starts without knowing its drive.
Recovery RecoverInterruptedInstallsOnFixedDrives();

}  // namespace staging
