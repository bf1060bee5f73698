#include "files/client_database_backup.h"

#include <functional>
#include <utility>

#include "files/file_into_place.h"
#include "files/folder_walk.h"
#include "files/tree_operations.h"
#include "common/product_profile.h"

namespace {

constexpr const char* kCommonFiles[] = {
    "\\ComVantPlusDB.dbd",         "\\ldbclientinfo.dat",      "\\ldbclientinfoacc.kb",
    "\\ldbclientinfoaccname.ka",   "\\ldbdebarredcliinfo.dat", "\\ldbdebclientinfoacc.kb",
    "\\ldbdebclientinfoaccname.ka", "\\ldbmiscinfo.dat",       "\\ldbmiscinfo.ka",
};
constexpr const char* kLegacyCopyFolder = "VPLUS_CLIENT_BACKUP";
constexpr const char* kObsoleteBackupFolder = "VP_CLI_BACKUP";
constexpr const char* kLegacyUserDatabase = "\\IdvVantPlusDB.dbd";

// The setup package the installer runs from: the current directory.
constexpr const char* kPackage = ".\\";
constexpr const char* kCommonSubFolder = "\\ComVantPlusDB";
// The record of what the package delivers, in the generations folder of the main backup.
constexpr const char* kRecordName = "\\package-files.txt";

}  // namespace

CClientDatabaseBackup::CClientDatabaseBackup(InstallerState& state, std::string drive)
    : m_state(state), m_drive(std::move(drive)) {}

std::string CClientDatabaseBackup::RecordFolder() const {
  return files::GenerationsFolderOf(Drive(), g_profile.BackupDbFolderName);
}

files::CPackageRecord& CClientDatabaseBackup::Record() const {
  if (!m_record) {
    m_record = std::make_unique<files::CPackageRecord>(RecordFolder() + kRecordName);
    m_record->Load();
  }
  return *m_record;
}

bool CClientDatabaseBackup::IsDelivered(const std::string& live, const std::string& packageCopy,
                                        const std::string& relative) const {
  if (files::PathExists(packageCopy)) return files::SameFileContent(live, packageCopy);
  return Record().Delivers(relative, live);
}

std::string CClientDatabaseBackup::Drive() const {
  return m_drive.empty() ? m_state.GetDrive() : m_drive;
}

void CClientDatabaseBackup::CreateFolder(const std::string& path) const {
  // An uninstall makes no folder ahead: a saved copy makes the folders it needs.
  if (!m_bUninstalling) CreateDirectoryA(path.c_str(), nullptr);
}

void CClientDatabaseBackup::Save(const std::string& store, const std::string& from,
                                 const std::string& packageCopy, const std::string& relative) {
  auto& saved = m_stores[store];
  if (!saved) saved = std::make_unique<files::CSavedCopies>(Drive(), store, m_purpose);
  // A missing source file is nothing to save; one that exists and cannot be saved is.
  if (saved->Save(from, IsDelivered(from, packageCopy, relative), relative) ==
      files::CopyOutcome::kFailed) {
    m_dwLastError = GetLastError();
    m_bFailed = true;
  }
}

BOOL CClientDatabaseBackup::IsLegacyDbLayout() const {
  std::string drive = Drive();
  return !files::PathExists(drive + g_profile.CommonDbSubPath) &&
         files::PathExists(drive + g_profile.DbFolderNameB);
}

bool CClientDatabaseBackup::IsClientBackupDue(const std::string& backupFolder) const {
  std::string drive = Drive();
  std::string saved = drive + backupFolder;
  std::string live = IsLegacyDbLayout() ? drive + g_profile.DbFolderNameB
                                        : drive + g_profile.DbFolderNameB + kCommonSubFolder;
  std::string package = kPackage + g_profile.DbFolderNameB + kCommonSubFolder;
  for (const char* file : kCommonFiles) {
    if (!files::PathExists(live + file) || IsDelivered(live + file, package + file, file))
      continue;
    if (!files::SameFileContent(live + file, saved + file)) return true;
  }
  return false;
}

void CClientDatabaseBackup::BackupClientDatabase(const std::string& backupFolder) {
  std::string drive = Drive();
  m_bLegacyDbLayout = IsLegacyDbLayout();
  std::string source;
  if (files::PathExists(drive + g_profile.CommonDbSubPath)) {
    source = drive + g_profile.DbFolderNameB + kCommonSubFolder;
  } else if (m_bLegacyDbLayout) {
    source = drive + g_profile.DbFolderNameB;
  } else {
    return;  // nothing to back up
  }
  // The package delivers the common files in the current layout only.
  std::string package = kPackage + g_profile.DbFolderNameB + kCommonSubFolder;
  CreateFolder(drive + backupFolder);
  for (const char* file : kCommonFiles) Save(backupFolder, source + file, package + file, file);
  if (m_purpose != files::CSavedCopies::Purpose::kBackup) return;
  if (m_bLegacyDbLayout) {
    CreateFolder(drive + kLegacyCopyFolder);
    for (const char* file : kCommonFiles)
      Save(kLegacyCopyFolder, source + file, package + file, file);
  }
  std::string obsolete = drive + kObsoleteBackupFolder;
  if (files::PathExists(obsolete)) CTreeOperations(m_state).ClearFolderKeepingBackups(obsolete);
}

void CClientDatabaseBackup::KeepLiveDatabases(const std::string& backupFolder) {
  m_bUninstalling = true;
  m_purpose = Record().Empty() ? files::CSavedCopies::Purpose::kKeepAsVersion
                               : files::CSavedCopies::Purpose::kBackup;
  BackupClientDatabase(backupFolder);
  std::string databaseFolder = Drive() + g_profile.DbFolderNameB;
  for (const char* variant : {"CM", "FO"}) {
    if (files::AnythingMatches(databaseFolder + "\\" + variant + "*"))
      BackupUserDatabases(variant, backupFolder);
  }
  // A backup folder that holds nothing goes with the installation (the record stays: it
  // still tells the package's files should a copy of the database folder come back).
  RemoveDirectoryA((Drive() + backupFolder).c_str());
}

void CClientDatabaseBackup::RemoveCopyLeftovers(const std::string& backupFolder) {
  std::string drive = Drive();
  for (const std::string& folder : {backupFolder, std::string(kLegacyCopyFolder)}) {
    files::RemoveCopyLeftovers(drive + folder);
    files::RemoveCopyLeftovers(files::GenerationsFolderOf(drive, folder));
  }
}

bool CClientDatabaseBackup::RecordPackageDatabases() {
  files::CPackageRecord& record = Record();
  record = files::CPackageRecord(RecordFolder() + kRecordName);
  auto add = [&](const std::string& folder, const std::string& place,
                 const std::function<std::string(const std::string&)>& nameInBackup) {
    files::WalkFolder(folder, [&](const files::FolderEntry& entry) {
      if (entry.IsFolder() || entry.IsLink()) return true;
      if (auto fingerprint = files::FingerprintOf(entry.path))
        record.Add(place + "\\" + nameInBackup(entry.name), *fingerprint);
      return true;
    });
  };
  auto same = [](const std::string& name) { return name; };
  std::string databases = kPackage + g_profile.DbFolderNameB;
  add(databases + kCommonSubFolder, "", same);
  // User folders the package may bring, in the current layout (CMUser01 is the user User01).
  files::WalkFolder(databases, [&](const files::FolderEntry& entry) {
    for (const char* variant : {"CM", "FO"}) {
      std::string prefix = std::string(variant) + "User";
      if (!entry.IsFolder() || entry.IsLink() || entry.name.compare(0, 6, prefix) != 0) continue;
      std::string user = entry.name.substr(2);
      add(entry.path, std::string("\\") + variant + "\\" + user, [&](const std::string& name) {
        return files::EqualsNoCase(name, entry.name + ".dbd") ? user + ".dbd" : name;
      });
    }
    return true;
  });
  CreateDirectoryA(RecordFolder().c_str(), nullptr);
  return record.Store();
}

void CClientDatabaseBackup::BackupUserDatabases(const std::string& variant,
                                                const std::string& backupFolder) {
  std::string drive = Drive();
  bool legacy = IsLegacyDbLayout();
  CreateFolder(drive + backupFolder + "\\" + variant);
  BackupUsersOfLayout(variant, backupFolder, legacy);
  // A database folder without its common sub-folder reads as legacy, yet may hold users in
  // the current layout (the sub-folder was lost, or never made): the copy empties the folder,
  // so they are saved too.
  if (legacy) BackupUsersOfLayout(variant, backupFolder, FALSE);
  m_bLegacyDbLayout = legacy;
}

void CClientDatabaseBackup::BackupUsersOfLayout(const std::string& variant,
                                                const std::string& backupFolder, BOOL legacy) {
  std::string drive = Drive();
  m_bLegacyDbLayout = legacy;
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
  std::string drive = Drive();
  if (m_bLegacyDbLayout) {
    std::string relative = "\\" + variant + "\\" + userFolder;
    std::string source = drive + g_profile.DbFolderNameC + relative;
    std::string package = kPackage + g_profile.DbFolderNameC + relative;
    for (const char* file : files) Save(backupFolder, source + file, package + file, relative + file);
    if (m_purpose != files::CSavedCopies::Purpose::kBackup) return;
    for (const char* file : files)
      Save(kLegacyCopyFolder, source + file, package + file, relative + file);
  } else {
    std::string source = drive + g_profile.DbFolderNameC + "\\" + userFolder;
    std::string package = kPackage + g_profile.DbFolderNameC + "\\" + userFolder;
    std::string relative = "\\" + variant + "\\" + m_strUserId;
    for (const char* file : files) Save(backupFolder, source + file, package + file, relative + file);
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
  std::string drive = Drive();
  if (m_bLegacyDbLayout) {
    std::string relative = "\\" + variant + "\\" + userFolder;
    std::string source = drive + g_profile.DbFolderNameC + relative + kLegacyUserDatabase;
    std::string package = kPackage + g_profile.DbFolderNameC + relative + kLegacyUserDatabase;
    Save(backupFolder, source, package, relative + "\\" + userFolder + ".dbd");
    if (m_purpose != files::CSavedCopies::Purpose::kBackup) return;
    Save(kLegacyCopyFolder, source, package, relative + kLegacyUserDatabase);
  } else {
    std::string relative = "\\" + userFolder + "\\" + userFolder + ".dbd";
    Save(backupFolder, drive + g_profile.DbFolderNameC + relative,
         kPackage + g_profile.DbFolderNameC + relative,
         "\\" + variant + "\\" + m_strUserId + "\\" + m_strUserId + ".dbd");
  }
}
