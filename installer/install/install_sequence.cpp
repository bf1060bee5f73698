#include "install/install_sequence.h"

#include <cctype>

#include "common/setup_log.h"
#include "files/client_database_backup.h"
#include "files/folder_walk.h"
#include "files/tree_operations.h"
#include "install/apps_entry.h"
#include "install/install_checks.h"
#include "install/settings_steps.h"
#include "install/shortcuts.h"
#include "platform/win.h"
#include "registry/registry.h"
#include "res/installer_dialog.h"
#include "common/product_profile.h"
#include "uninstall/setup_folder.h"

namespace {

constexpr const char* kShortcutFolders[] = {"Desktop", "Start Menu", "Start Menu\\Programs"};

// What the install flavour puts in its shortcuts: the terminal link's name (without the
// programs sub-folder), the launcher's argument and the help file.
struct FlavourLinks {
  std::string terminalLink;
  const char* arguments;
  const char* helpFile;
};

bool LinksOfMode(const std::string& mode, FlavourLinks* links) {
  if (mode == "F") *links = {"VANT-FO", "\\LVantFOUI", "\\VantFOHelp.chm"};
  else if (mode == "P") *links = {g_profile.TerminalName, "\\LVantPlusUI", "\\VantPlusHelp.chm"};
  else if (mode == "C") *links = {"VANTCM TWS", "\\LVantCMUI", "\\VantCMHelp.chm"};
  else return false;
  return true;
}

std::string TerminalTarget(const std::string& drive) {
  return drive + g_profile.DbFolderName + g_profile.TerminalExeName;
}

}  // namespace

bool CInstallSequence::CanInstall() {
  std::string drive = m_state.GetDrive();
  // No entry selected (a machine without a fixed drive): there is no drive to install to.
  if (drive.size() < 3 || !std::isalpha(static_cast<unsigned char>(drive[0]))) {
    m_state.AskUser("Please choose an installation drive.", "Error!", MB_OK | MB_ICONSTOP);
    return false;
  }
  if (!IsDriveWritable(drive)) {
    m_state.AskUser("Cannot write to drive " + drive + ". Nothing has been installed.", "Error!",
                    MB_OK | MB_ICONSTOP);
    return false;
  }
  if (!CurrentFolderIsPackage()) {
    std::string here;
    ReadCurrentDirectory(&here);
    m_state.AskUser("There is no setup package in " + here + " (its folder " +
                        g_profile.DbFolderNameB +
                        " is missing). Nothing has been installed. Start the installer from the "
                        "unpacked setup package.",
                    "Error!", MB_OK | MB_ICONSTOP);
    return false;
  }
  if (PackageLiesInDestination(drive)) {
    m_state.AskUser("The setup package lies in the installation folders on " + drive +
                        ". Unpack it into another folder and install from there.",
                    "Error!", MB_OK | MB_ICONSTOP);
    return false;
  }
  return true;
}

void CInstallSequence::Run() {
  // Refused before anything is changed or recorded.
  if (!CanInstall()) return;
  // This build copies no settings from HKLM to HKCU: the gate never answers yes (see
  // IsSettingsMigrationDue), so the install goes on with its own steps either way.
  IsSettingsMigrationDue();
  RemoveOldShortcuts();

  std::string drive = m_state.GetDrive();
  std::string driveLetter = drive.substr(0, 1);
  SetupLog().Step("install " + m_state.GetAppType() + " on " + drive + ": database folder " +
                  drive + g_profile.DbFolderName + ", user data folder " + drive +
                  g_profile.DataFolderName + ", setup folder " + drive + g_profile.SetupBaseName);
  CRegistry w;
  std::string earlierFoDrive = ReadEarlierFoRetentionDrive(w);
  WriteVersionAndBackupDrive(w, driveLetter);
  bool settingsSaved = WriteInstalledDrive(w, driveLetter);

  // The user's client databases, saved before the copy empties the database folder. When
  // they cannot be saved the install stops here: the live database is the only copy.
  CClientDatabaseBackup backup(m_state);
  const std::string& backupFolder = g_profile.BackupDbFolderName;
  // An uninstall, which has no package at hand, tells the package's sample databases from the
  // user's by this record; it is written before any of them can reach the database folder.
  backup.RecordPackageDatabases();
  backup.RemoveCopyLeftovers(backupFolder);
  if (backup.IsClientBackupDue(backupFolder)) backup.BackupClientDatabase(backupFolder);
  if (backup.Failed()) return StopUnsaved(backup.LastError());
  std::string databaseFolder = drive + g_profile.DbFolderNameB;
  if (files::AnythingMatches(databaseFolder + "\\CM*")) {
    backup.BackupUserDatabases("CM", backupFolder);
    if (backup.Failed()) return StopUnsaved(backup.LastError());
    WriteCmRetentionDrive(w, driveLetter);
  }
  bool foUsersFound = files::AnythingMatches(databaseFolder + "\\FO*");
  if (foUsersFound) backup.BackupUserDatabases("FO", backupFolder);
  if (backup.Failed()) return StopUnsaved(backup.LastError());
  WriteFoRetentionDrive(w, foUsersFound, driveLetter, earlierFoDrive);

  RemoveStoredToolButtons(w);

  m_state.SetStatusText("Please Wait...");
  m_state.SetDestDir(drive);
  CTreeOperations copy(m_state);
  copy.CopyTree(".");
  SetupLog().Step("copied " + std::to_string(copy.FilesCopied()) + " files (" +
                  std::to_string(copy.BytesCopied()) + " bytes) from the setup package");
  if (!PlaceUninstaller(m_state)) return;
  bool terminalNamed = RenameTerminal();

  if (m_state.IsCheckBoxChecked(IDC_DESKTOP_SHORTCUT)) CreateDesktopShortcut();
  if (m_state.IsCheckBoxChecked(IDC_START_MENU_SHORTCUT)) CreateStartMenuShortcuts();

  StampMachineVersion();
  m_state.SetStatusText("");
  if (copy.IsIncomplete() || !terminalNamed) {
    if (copy.IsIncomplete()) m_state.NoteFailure(copy.LastError());
    m_state.AskUser("Installation is not complete: some files could not be replaced. Close the "
                    "programs that use them and install again.",
                    "Error!", MB_OK | MB_ICONSTOP);
  } else if (!settingsSaved) {
    m_state.AskUser("Your settings could not be saved in the registry (HKEY_CURRENT_USER\\" +
                        g_profile.RegistryKeyPath +
                        "\\Application Settings). The files are installed; install again once "
                        "the registry can be written.",
                    "Error!", MB_OK | MB_ICONSTOP);
  } else {
    // Apps & features lists what installed whole; a failed entry is no failed install.
    WriteAppsEntry(m_state, copy.BytesCopied());
    m_state.ShowMessage("Installation Done!");
  }
  w.Close();
}

void CInstallSequence::StopUnsaved(DWORD error) {
  m_state.NoteFailure(error);
  m_state.AskUser("Your client databases could not be saved to " + m_state.GetDrive() +
                      g_profile.BackupDbFolderName +
                      ". Nothing has been replaced. Free some disk space and install again.",
                  "Error!", MB_OK | MB_ICONSTOP);
}

void CInstallSequence::RemoveOldShortcuts() {
  std::string programFolder = std::string("Start Menu\\Programs\\") + g_profile.ProgramFolderName;
  auto removeEverywhere = [&](const std::string& name) {
    for (const char* folder : kShortcutFolders) RemoveShortcut(folder, name, 1);
    RemoveShortcut(programFolder, name, 1);
  };
  removeEverywhere("\\VANTPro TWS");
  std::string mode = m_state.GetMode();
  if (mode == "P" || mode == "F") {
    removeEverywhere("\\" + g_profile.TerminalName);
    removeEverywhere("\\VANT-FO");
  } else if (mode == "C") {
    RemoveShortcut("Start Menu\\Programs", "\\VANTCM TWS", 1);
  }
}

bool CInstallSequence::RenameTerminal() {
  std::string folder = m_state.GetDrive() + g_profile.DbFolderName;
  std::string delivered = folder + "\\VantPro.exe", terminal = folder + g_profile.TerminalExeName;
  // MoveFileA does not replace an existing file; a failure leaves the delivered name.
  if (MoveFileA(delivered.c_str(), terminal.c_str())) {
    SetupLog().Step("the launcher is named " + terminal);
    return true;
  }
  // The launcher still under its delivered name and none under the terminal's: the shortcuts
  // would point at nothing. (A package without a launcher has neither.)
  return files::PathExists(terminal) || !files::PathExists(delivered);
}

void CInstallSequence::CreateDesktopShortcut() {
  m_state.SetStatusText("Creating Shortcuts...");
  FlavourLinks links;
  if (!LinksOfMode(m_state.GetMode(), &links)) return;
  CreateShortcut(TerminalTarget(m_state.GetDrive()), links.arguments, links.terminalLink,
                 kShortcutDesktop);
}

void CInstallSequence::CreateStartMenuShortcuts() {
  m_state.SetStatusText("Creating Shortcuts...");
  FlavourLinks links;
  if (!LinksOfMode(m_state.GetMode(), &links)) return;
  std::string drive = m_state.GetDrive();
  const std::string& folder = g_profile.ProgramFolderName;
  CreateShortcut(TerminalTarget(drive), links.arguments, folder + "\\" + links.terminalLink,
                 kShortcutPrograms);
  CreateShortcut(drive + g_profile.DbFolderName + links.helpFile, "", folder + "\\Help",
                 kShortcutPrograms);
  CreateShortcut(drive + g_profile.SetupBaseName + g_profile.SetupExeName, "",
                 folder + "\\Install-UnInstall", kShortcutPrograms);
}
