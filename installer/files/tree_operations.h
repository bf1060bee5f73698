// The installer's tree operations: copying the setup package's folders of the selected variant
// onto the drive, emptying the install folders first, and deleting trees. All paths are 8-bit
// strings with backslashes. A walk that cannot delete one entry goes on with the others; what
// stays is reported to the caller (IsIncomplete, the deletes' results), and the user sees the
// destination-file message of CopyTree. No walk follows a symbolic link, junction or other
// reparse point: a link found in a tree is removed as a link, its target stays.
#pragma once

#include <functional>
#include <string>

#include "common/installer_state.h"
#include "files/folder_walk.h"

class CTreeOperations {
 public:
  explicit CTreeOperations(InstallerState& state) : m_state(state) {}

  // Copies the variant's folders below `source` (no trailing backslash) to the same places
  // below the state's destination folder, which ends shortened by one folder.
  void CopyTree(const std::string& source);
  // From now on the package's top-level folders go where `stage` says: it gets a folder's path
  // on the drive and returns the folder to copy into (the same path when the folder is not
  // staged; empty when it could not be prepared, which leaves the copy incomplete).
  void StageTopFolders(std::function<std::string(const std::string&)> stage) { m_stage = std::move(stage); }
  // Empties `folder` (ending in a backslash) when it exists and is the executable and
  // database folder or the user data folder named by the check box captions.
  void PrepareDestinationFolder(const std::string& folder);
  // Deletes the tree below `folder`, sparing the user data folder's MWBackup; the user data
  // folder and the two top-level install folders are emptied, not removed. False when some
  // entry below could not be deleted.
  bool ClearFolderKeepingBackups(const std::string& folder);

  // True when some old file stayed or some package file could not be copied since this object
  // was made: the install did not complete.
  bool IsIncomplete() const { return m_bIncomplete; }
  // Why the last package file that could not be copied failed (a system error code).
  DWORD LastError() const { return m_dwLastError; }
  // The package files copied since this object was made, and their bytes.
  unsigned long FilesCopied() const { return m_filesCopied; }
  unsigned long long BytesCopied() const { return m_bytesCopied; }

 private:
  bool PassesVariantFilter(const std::string& path) const;
  void CopyPackageFile(const files::FolderEntry& source);
  // Counts a copied file, or notes why it failed.
  void CountCopy(bool copied, const files::FolderEntry& source);

  InstallerState& m_state;
  std::function<std::string(const std::string&)> m_stage;
  bool m_bIncomplete = false;
  DWORD m_dwLastError = 0;
  unsigned long m_filesCopied = 0;
  unsigned long long m_bytesCopied = 0;
};

// The path with its last name spelled as on the disk (found in any letter case), or as given.
std::string WithNameAsOnDisk(const std::string& path);

// Deletes every file and folder below `folder` and then the folder itself. A file that cannot
// be deleted leaves its folder, and so the folders above it, in place; every other entry goes.
// True when nothing of the tree is left (also when there was none).
bool DeleteTree(const std::string& folder);
