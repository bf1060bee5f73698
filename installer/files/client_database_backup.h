// Saving the user's client databases before a reinstall empties the database folder: the
// common files and each CM or FO user's files go to a backup folder in the drive root. A
// database folder in the legacy layout is backed up in the current layout, and its files are
// also kept verbatim in "VPLUS_CLIENT_BACKUP".
#pragma once

#include <initializer_list>
#include <string>

#include "files/installer_state.h"
#include "platform/win.h"

class CClientDatabaseBackup {
 public:
  explicit CClientDatabaseBackup(InstallerState& state) : m_state(state) {}

  // Copies the common files into drive + `backupFolder` and decides the layout.
  void BackupClientDatabase(const std::string& backupFolder);
  // Backs up every user folder of `variant` ("CM" or "FO").
  void BackupUserDatabases(const std::string& variant, const std::string& backupFolder);

  // One per file set of a user folder, called in this order for each user; `userFolder` is
  // the folder's name as found on disk.
  void BackupUserFileSetOrdDef(const std::string& variant, const std::string& userFolder,
                               const std::string& backupFolder);
  void BackupUserFileSetShortDesc(const std::string& variant, const std::string& userFolder,
                                  const std::string& backupFolder);
  void BackupUserFileSetPortf(const std::string& variant, const std::string& userFolder,
                              const std::string& backupFolder);
  void BackupUserFileSetTransactionCost(const std::string& variant,
                                        const std::string& userFolder,
                                        const std::string& backupFolder);
  void BackupUserFileSetUnconfOrdInfo(const std::string& variant, const std::string& userFolder,
                                      const std::string& backupFolder);
  void BackupUserFileSetUserDatabase(const std::string& variant, const std::string& userFolder,
                                     const std::string& backupFolder);

  // True when the database folder found by the last BackupClientDatabase was in the legacy
  // layout. Starts false: an install that skips BackupClientDatabase (a backup exists
  // already) before any other ran backs its users up in the current layout.
  BOOL m_bLegacyDbLayout = FALSE;
  // The user id of the current-layout user folder being handled (CMUser01 gives User01).
  std::string m_strUserId;

 private:
  void BackupUserFiles(const std::string& variant, const std::string& userFolder,
                       const std::string& backupFolder, std::initializer_list<const char*> files);

  InstallerState& m_state;
};
