// The installer's tree operations: copying the setup package's folders of the selected variant
// onto the drive, emptying the install folders first, and deleting trees. All paths are 8-bit
// strings with backslashes; no operation reports a result, failures are silent except the
// destination-file message of CopyTree. No walk follows a symbolic link, junction or other
// reparse point: a link found in a tree is removed as a link, its target stays.
#pragma once

#include <string>

#include "files/installer_state.h"

class CTreeOperations {
 public:
  explicit CTreeOperations(InstallerState& state) : m_state(state) {}

  // Copies the variant's folders below `source` (no trailing backslash) to the same places
  // below the state's destination folder, which ends shortened by one folder.
  void CopyTree(const std::string& source);
  // Empties `folder` (ending in a backslash) when it exists and is the executable and
  // database folder or the user data folder named by the check box captions.
  void PrepareDestinationFolder(const std::string& folder);
  // Deletes the tree below `folder`, sparing the user data folder's MWBackup; the user data
  // folder and the two top-level install folders are emptied, not removed.
  void ClearFolderKeepingBackups(const std::string& folder);

 private:
  bool PassesVariantFilter(const std::string& path) const;
  void CopyPackageFile(const std::string& source, const std::string& name);

  InstallerState& m_state;
};

// Deletes every file and folder below `folder` and then the folder itself. A file that cannot
// be deleted leaves its folder, and so the folders above it, in place.
void DeleteTree(const std::string& folder);
