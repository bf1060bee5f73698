#include "files/client_database_backup.h"

#include "files/file_into_place.h"
#include "files/folder_walk.h"
#include "files/tree_operations.h"
#include "shell/product_profile.h"

namespace {

constexpr const char* kCommonFiles[] = {
    "\\ComVantPlusDB.dbd",         "\\ldbclientinfo.dat",      "\\ldbclientinfoacc.kb",
    "\\ldbclientinfoaccname.ka",   "\\ldbdebarredcliinfo.dat", "\\ldbdebclientinfoacc.kb",
    "\\ldbdebclientinfoaccname.ka", "\\ldbmiscinfo.dat",       "\\ldbmiscinfo.ka",
};
constexpr const char* kLegacyCopyFolder = "VPLUS_CLIENT_BACKUP";
constexpr const char* kObsoleteBackupFolder = "VP_CLI_BACKUP";
constexpr const char* kLegacyUserDatabase = "\\IdvVantPlusDB.dbd";

void CreateFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

}  // namespace

void CClientDatabaseBackup::Copy(const std::string& from, const std::string& to) {
  // A missing source file is nothing to save; one that exists and cannot be saved is.
  if (files::CopyIntoPlace(from, to) == files::CopyOutcome::kFailed) m_bFailed = true;
}

BOOL CClientDatabaseBackup::IsLegacyDbLayout() const {
  std::string drive = m_state.GetDrive();
  return !files::PathExists(drive + g_profile.CommonDbSubPath) &&
         files::PathExists(drive + g_profile.DbFolderNameB);
}

bool CClientDatabaseBackup::IsClientBackupDue(const std::string& backupFolder) const {
  std::string drive = m_state.GetDrive();
  std::string saved = drive + backupFolder;
  if (!files::PathExists(saved + kCommonFiles[0])) return true;
  std::string live = IsLegacyDbLayout() ? drive + g_profile.DbFolderNameB
                                        : drive + g_profile.DbFolderNameB + "\\ComVantPlusDB";
  for (const char* file : kCommonFiles) {
    if (files::PathExists(live + file) && !files::SameFileContent(live + file, saved + file))
      return true;
  }
  return false;
}

void CClientDatabaseBackup::BackupClientDatabase(const std::string& backupFolder) {
  std::string drive = m_state.GetDrive();
  m_bLegacyDbLayout = IsLegacyDbLayout();
  std::string source;
  if (files::PathExists(drive + g_profile.CommonDbSubPath)) {
    source = drive + g_profile.DbFolderNameB + "\\ComVantPlusDB";
  } else if (m_bLegacyDbLayout) {
    source = drive + g_profile.DbFolderNameB;
  } else {
    return;  // nothing to back up
  }
  std::string target = drive + backupFolder;
  CreateFolder(target);
  for (const char* file : kCommonFiles) Copy(source + file, target + file);
  if (m_bLegacyDbLayout) {
    std::string verbatim = drive + kLegacyCopyFolder;
    CreateFolder(verbatim);
    for (const char* file : kCommonFiles) Copy(source + file, verbatim + file);
  }
  std::string obsolete = drive + kObsoleteBackupFolder;
  if (files::PathExists(obsolete)) CTreeOperations(m_state).ClearFolderKeepingBackups(obsolete);
}

void CClientDatabaseBackup::BackupUserDatabases(const std::string& variant,
                                                const std::string& backupFolder) {
  std::string drive = m_state.GetDrive();
  m_bLegacyDbLayout = IsLegacyDbLayout();
  CreateFolder(drive + backupFolder + "\\" + variant);
  std::string root = drive + g_profile.DbFolderNameB;
  if (m_bLegacyDbLayout) root += "\\" + variant;
  if (!files::PathExists(root)) return;
  // There are users to save: the backup folder is made when an earlier one was lost.
  CreateFolder(drive + backupFolder);
  CreateFolder(drive + backupFolder + "\\" + variant);
  const std::string prefix = m_bLegacyDbLayout ? "User" : variant + "User";
  files::WalkFolder(root, [&](const files::FolderEntry& entry) {
    // Only real user folders: a link is not followed out of the database folder.
    if (!entry.IsFolder() || entry.IsLink()) return true;
    const std::string& user = entry.name;
    if (user.compare(0, prefix.size(), prefix) != 0) return true;
    if (m_bLegacyDbLayout) {
      CreateFolder(drive + backupFolder + "\\" + variant + "\\" + user);
      CreateFolder(drive + kLegacyCopyFolder);  // when the client backup did not run
      CreateFolder(drive + kLegacyCopyFolder + "\\" + variant);
      CreateFolder(drive + kLegacyCopyFolder + "\\" + variant + "\\" + user);
    } else {
      m_strUserId = user.substr(2);
      CreateFolder(drive + backupFolder + "\\" + variant + "\\" + m_strUserId);
    }
    BackupUserFileSetOrdDef(variant, user, backupFolder);
    BackupUserFileSetShortDesc(variant, user, backupFolder);
    BackupUserFileSetPortf(variant, user, backupFolder);
    BackupUserFileSetTransactionCost(variant, user, backupFolder);
    BackupUserFileSetUnconfOrdInfo(variant, user, backupFolder);
    BackupUserFileSetUserDatabase(variant, user, backupFolder);
    return true;
  });
}

void CClientDatabaseBackup::BackupUserFiles(const std::string& variant,
                                            const std::string& userFolder,
                                            const std::string& backupFolder,
                                            std::initializer_list<const char*> files) {
  std::string drive = m_state.GetDrive();
  if (m_bLegacyDbLayout) {
    std::string source = drive + g_profile.DbFolderNameC + "\\" + variant + "\\" + userFolder;
    std::string target = drive + backupFolder + "\\" + variant + "\\" + userFolder;
    for (const char* file : files) Copy(source + file, target + file);
    std::string verbatim = drive + kLegacyCopyFolder + "\\" + variant + "\\" + userFolder;
    for (const char* file : files) Copy(source + file, verbatim + file);
  } else {
    std::string source = drive + g_profile.DbFolderNameC + "\\" + userFolder;
    std::string target = drive + backupFolder + "\\" + variant + "\\" + m_strUserId;
    for (const char* file : files) Copy(source + file, target + file);
  }
}

void CClientDatabaseBackup::BackupUserFileSetOrdDef(const std::string& variant,
                                                    const std::string& userFolder,
                                                    const std::string& backupFolder) {
  BackupUserFiles(variant, userFolder, backupFolder, {"\\ldborddef.dat"});
}

void CClientDatabaseBackup::BackupUserFileSetShortDesc(const std::string& variant,
                                                       const std::string& userFolder,
                                                       const std::string& backupFolder) {
  BackupUserFiles(variant, userFolder, backupFolder,
                  {"\\ldbshortdesc.dat", "\\ldbshortdesc.ka", "\\ldbshortdesc.kb",
                   "\\ldbshortdesc.kc"});
}

void CClientDatabaseBackup::BackupUserFileSetPortf(const std::string& variant,
                                                   const std::string& userFolder,
                                                   const std::string& backupFolder) {
  BackupUserFiles(variant, userFolder, backupFolder,
                  {"\\ldbportf.dat", "\\ldbportf.kp", "\\ldbportf.kq", "\\ldbportf.kr"});
}

void CClientDatabaseBackup::BackupUserFileSetTransactionCost(const std::string& variant,
                                                             const std::string& userFolder,
                                                             const std::string& backupFolder) {
  BackupUserFiles(variant, userFolder, backupFolder,
                  {"\\ldbtransactioncost.dat", "\\ldbtransactioncostcm.dat"});
}

void CClientDatabaseBackup::BackupUserFileSetUnconfOrdInfo(const std::string& variant,
                                                           const std::string& userFolder,
                                                           const std::string& backupFolder) {
  BackupUserFiles(variant, userFolder, backupFolder,
                  {"\\ldbunconfordinfo.dat", "\\ldbunconfordinfo.ka", "\\ldbunconfordinfo.kb",
                   "\\ldbunconfordinfo.kc"});
}

void CClientDatabaseBackup::BackupUserFileSetUserDatabase(const std::string& variant,
                                                          const std::string& userFolder,
                                                          const std::string& backupFolder) {
  std::string drive = m_state.GetDrive();
  if (m_bLegacyDbLayout) {
    std::string source =
        drive + g_profile.DbFolderNameC + "\\" + variant + "\\" + userFolder + kLegacyUserDatabase;
    Copy(source,
         drive + backupFolder + "\\" + variant + "\\" + userFolder + "\\" + userFolder + ".dbd");
    Copy(source, drive + kLegacyCopyFolder + "\\" + variant + "\\" + userFolder +
                     kLegacyUserDatabase);
  } else {
    Copy(drive + g_profile.DbFolderNameC + "\\" + userFolder + "\\" + userFolder + ".dbd",
         drive + backupFolder + "\\" + variant + "\\" + m_strUserId + "\\" + m_strUserId + ".dbd");
  }
}
