// Saving the user's client databases before a reinstall empties the database folder: the
// common files and each CM or FO user's files go to a backup folder in the drive root. A
// database folder in the legacy layout is backed up in the current layout, and its files are
// also kept verbatim in "VPLUS_CLIENT_BACKUP".
#pragma once

#include <initializer_list>
#include <map>
#include <memory>
#include <string>

#include "files/package_record.h"
#include "files/saved_copies.h"
#include "common/installer_state.h"
#include "platform/win.h"

// Every copy goes through files::CSavedCopies: a live file that holds what the setup package
// delivers (the install placed it) never replaces a saved copy, and a saved copy is kept as a
// generation before it is replaced. What the package delivers is read from the package (the
// current directory) where it is at hand, else from the record the last install left on the
// drive (files::CPackageRecord).
class CClientDatabaseBackup {
 public:
  // Works on the dialog's drive, or on `drive` ("X:") when one is named (an uninstall).
  explicit CClientDatabaseBackup(InstallerState& state, std::string drive = std::string());

  // True when one of the live common files is user data that drive + `backupFolder` does not
  // hold yet (no backup, the user's data changed since, or an earlier backup was cut short).
  bool IsClientBackupDue(const std::string& backupFolder) const;
  // Saves the live client and user databases before an uninstall deletes the database folder.
  // Without a record of what the package delivered, the saved copies stay as they are and the
  // live files that differ from them go to a generation.
  void KeepLiveDatabases(const std::string& backupFolder);
  // Deletes what copies cut short (a killed install) left in the backup folders.
  void RemoveCopyLeftovers(const std::string& backupFolder);
  // Records what the setup package delivers into the database folder, for a later uninstall.
  bool RecordPackageDatabases();
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
  // Why the last file that could not be saved failed (a system error code).
  DWORD LastError() const { return m_dwLastError; }

  // The layout of the database folder as it is on the disk now: legacy when the common
  // database sub-folder is missing but the database folder exists. Decided again by every
  // backup call, never carried over from an earlier step or install.
  BOOL IsLegacyDbLayout() const;

  // The layout the running backup call found (see IsLegacyDbLayout).
  BOOL m_bLegacyDbLayout = FALSE;
  // The user id of the current-layout user folder being handled (CMUser01 gives User01).
  std::string m_strUserId;

 private:
  // Backs up the user folders of `variant` laid out as `legacy` says.
  void BackupUsersOfLayout(const std::string& variant, const std::string& backupFolder,
                           BOOL legacy);
  void BackupUserFiles(const std::string& variant, const std::string& userFolder,
                       const std::string& backupFolder, std::initializer_list<const char*> files);
  // Saves the live `from` as `relative` in drive + `store`; `packageCopy` is the package's file
  // of the same place (relative to the setup package).
  void Save(const std::string& store, const std::string& from, const std::string& packageCopy,
            const std::string& relative);
  void CreateFolder(const std::string& path) const;
  std::string Drive() const;
  // True when `live` holds what the package delivers at the backup's `relative` place.
  bool IsDelivered(const std::string& live, const std::string& packageCopy,
                   const std::string& relative) const;
  files::CPackageRecord& Record() const;
  std::string RecordFolder() const;

  bool m_bFailed = false;
  bool m_bUninstalling = false;  // KeepLiveDatabases runs
  DWORD m_dwLastError = 0;

  InstallerState& m_state;
  std::string m_drive;  // empty: the dialog's drive
  files::CSavedCopies::Purpose m_purpose = files::CSavedCopies::Purpose::kBackup;
  mutable std::unique_ptr<files::CPackageRecord> m_record;  // read on first use
  // One per backup folder, so that one run makes at most one generation of each.
  std::map<std::string, std::unique_ptr<files::CSavedCopies>> m_stores;
};
