// Saving the user's client databases before a reinstall empties the database folder: the
// common files and each CM or FO user's files go to a backup folder in the drive root. A
// database folder in the legacy layout is backed up in the current layout, and its files are
// also kept verbatim in "VPLUS_CLIENT_BACKUP".
#pragma once

#include <initializer_list>
#include <string>

#include "shell/installer_state.h"
#include "platform/win.h"

class CClientDatabaseBackup {
 public:
  explicit CClientDatabaseBackup(InstallerState& state) : m_state(state) {}

  // True when drive + `backupFolder` lacks the client database, or when one of the live common
  // files differs from its saved copy (the user's data changed since, or an earlier backup was
  // cut short): the backup is then made again.
  bool IsClientBackupDue(const std::string& backupFolder) const;
  // Copies the common files into drive + `backupFolder`.
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

  // True when some file of the user's databases exists but could not be saved.
  bool Failed() const { return m_bFailed; }

  // The layout of the database folder as it is on the disk now: legacy when the common
  // database sub-folder is missing but the database folder exists. Decided again by every
  // backup call, never carried over from an earlier step or install.
  BOOL IsLegacyDbLayout() const;

  // The layout the running backup call found (see IsLegacyDbLayout).
  BOOL m_bLegacyDbLayout = FALSE;
  // The user id of the current-layout user folder being handled (CMUser01 gives User01).
  std::string m_strUserId;

 private:
  void BackupUserFiles(const std::string& variant, const std::string& userFolder,
                       const std::string& backupFolder, std::initializer_list<const char*> files);
  void Copy(const std::string& from, const std::string& to);

  bool m_bFailed = false;

  InstallerState& m_state;
};
