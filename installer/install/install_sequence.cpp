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
#include "staging/install_transaction.h"
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

// Why a step failed, as the user reads it in a message and the log.
std::string ReasonOf(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "the disk is full";
    case ERROR_ACCESS_DENIED: return "access is denied";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "a file is in use";
    default: return "system error " + std::to_string(error);
  }
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
  // An install cut off on this drive is finished or undone first. One that can be neither
  // owns folders of the installation: nothing is installed over them.
  staging::Recovery earlier = staging::RecoverInterruptedInstalls(drive);
  if (earlier == staging::Recovery::kBusy || earlier == staging::Recovery::kFailed) {
    m_state.AskUser("An earlier install on " + drive + " was cut off and cannot be finished yet: "
                        "some of its files are in use. Close the programs that use them and "
                        "install again. Nothing has been installed.",
                    "Error!", MB_OK | MB_ICONSTOP);
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

  std::string drive = m_state.GetDrive();
  std::string driveLetter = drive.substr(0, 1);
  // The new installation is built beside the old one; what changes before the switch is
  // saved first and put back when the install fails.
  staging::CInstallTransaction install;
  if (!install.Begin(staging::TransactionFolder(drive, g_profile.SetupBaseName), drive) ||
      !install.SaveRegistry(RegistryTreesOfInstall()))
    return StopUnprepared(install);
  RemoveOldShortcuts();

  SetupLog().Step("install " + m_state.GetAppType() + " on " + drive + ": database folder " +
                  drive + g_profile.DbFolderName + ", user data folder " + drive +
                  g_profile.DataFolderName + ", setup folder " + drive + g_profile.SetupBaseName);
  CRegistry w;
  std::string earlierFoDrive = ReadEarlierFoRetentionDrive(w);
  WriteVersionAndBackupDrive(w, driveLetter);
  if (!WriteInstalledDrive(w, driveLetter)) {
    install.RollBack();
    return m_state.AskUser("Your settings could not be saved in the registry (HKEY_CURRENT_USER\\" +
                               g_profile.RegistryKeyPath +
                               "\\Application Settings). Nothing has been installed: the previous "
                               "installation is unchanged. Install again once the registry can be "
                               "written.",
                           "Error!", MB_OK | MB_ICONSTOP),
           void();
  }

  // The user's client databases, saved before the copy empties the database folder. When
  // they cannot be saved the install stops here: the live database is the only copy.
  CClientDatabaseBackup backup(m_state);
  const std::string& backupFolder = g_profile.BackupDbFolderName;
  // An uninstall, which has no package at hand, tells the package's sample databases from the
  // user's by this record; it is written before any of them can reach the database folder.
  backup.RecordPackageDatabases();
  backup.RemoveCopyLeftovers(backupFolder);
  if (backup.IsClientBackupDue(backupFolder)) backup.BackupClientDatabase(backupFolder);
  if (backup.Failed()) return StopUnsaved(install, backup.LastError());
  std::string databaseFolder = drive + g_profile.DbFolderNameB;
  if (files::AnythingMatches(databaseFolder + "\\CM*")) {
    backup.BackupUserDatabases("CM", backupFolder);
    if (backup.Failed()) return StopUnsaved(install, backup.LastError());
    WriteCmRetentionDrive(w, driveLetter);
  }
  bool foUsersFound = files::AnythingMatches(databaseFolder + "\\FO*");
  if (foUsersFound) backup.BackupUserDatabases("FO", backupFolder);
  if (backup.Failed()) return StopUnsaved(install, backup.LastError());
  WriteFoRetentionDrive(w, foUsersFound, driveLetter, earlierFoDrive);

  RemoveStoredToolButtons(w);
  w.Close();

  m_state.SetStatusText("Please Wait...");
  m_state.SetDestDir(drive);
  CTreeOperations copy(m_state);
  auto stage = [&](const std::string& folder) { return StagedFolderFor(install, folder); };
  copy.StageTopFolders(stage);
  copy.CopyTree(".");
  SetupLog().Step("copied " + std::to_string(copy.FilesCopied()) + " files (" +
                  std::to_string(copy.BytesCopied()) + " bytes) from the setup package");
  bool placed = PlaceUninstaller(m_state, stage);
  // The setup folder guard ended the process (a state whose EndProcess returns comes back).
  if (!placed && g_profile.SetupBaseName.empty()) return;
  bool terminalNamed = RenameTerminal(install);
  if (copy.IsIncomplete() || !placed || !terminalNamed) {
    DWORD error = copy.IsIncomplete() ? copy.LastError() : GetLastError();
    install.RollBack();
    m_state.SetStatusText("");
    m_state.NoteFailure(error);
    return m_state.AskUser("Installation is not complete: some files of the setup package could "
                           "not be copied to " + drive + " (" + ReasonOf(error) +
                           "). The previous installation is unchanged. " +
                           (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL
                                ? "Free some disk space and install again."
                                : "Close the programs that may use the setup package's files "
                                  "and install again."),
                           "Error!", MB_OK | MB_ICONSTOP),
           void();
  }

  if (m_state.IsCheckBoxChecked(IDC_DESKTOP_SHORTCUT)) CreateDesktopShortcut();
  if (m_state.IsCheckBoxChecked(IDC_START_MENU_SHORTCUT)) CreateStartMenuShortcuts();
  StampMachineVersion();
  // Apps & features lists what installed whole; a failed entry is no failed install.
  WriteAppsEntry(m_state, copy.BytesCopied());

  if (!install.Switch()) {
    DWORD error = GetLastError();
    install.RollBack();
    m_state.SetStatusText("");
    m_state.NoteFailure(error);
    return m_state.AskUser("Installation is not complete: some files could not be replaced. Close "
                           "the programs that use them and install again. The previous "
                           "installation is unchanged.",
                           "Error!", MB_OK | MB_ICONSTOP),
           void();
  }
  SetupLog().Step("the new installation is in place");
  install.Finish();
  m_state.SetStatusText("");
  m_state.ShowMessage("Installation Done!");
}

std::string CInstallSequence::StagedFolderFor(staging::CInstallTransaction& install,
                                              const std::string& folder) {
  // The two install folders and the setup folder are replaced whole; the user data folder
  // only when the user asked for it (otherwise the copy never comes here for it).
  bool database = files::EqualsNoCase(folder, m_state.GetCheckBoxCaption(IDC_DB_PATH));
  bool userData = files::EqualsNoCase(folder, m_state.GetCheckBoxCaption(IDC_DATA_PATH));
  bool setup = files::EqualsNoCase(folder, m_state.GetDrive() + g_profile.SetupBaseName);
  if (!database && !userData && !setup) return folder;
  staging::SwitchedFolder switched{WithNameAsOnDisk(folder), userData};
  if (!install.StageFolder(switched)) return {};
  return switched.Staged();
}

std::vector<staging::RegistryTree> CInstallSequence::RegistryTreesOfInstall() const {
  return {{HKEY_CURRENT_USER, g_profile.RegistryKeyPath},
          {HKEY_LOCAL_MACHINE, g_profile.RegistryKeyPath + "\\Application Settings"},
          {HKEY_CURRENT_USER, std::string(kUninstallKeyPath) + "\\" + AppsEntryKeyName()}};
}

void CInstallSequence::StopUnprepared(staging::CInstallTransaction& install) {
  DWORD error = GetLastError();
  install.RollBack();
  m_state.NoteFailure(error);
  m_state.AskUser("Setup cannot prepare the installation in " + install.Folder() + " (" +
                      ReasonOf(error) + "). Nothing has been installed.",
                  "Error!", MB_OK | MB_ICONSTOP);
}

void CInstallSequence::StopUnsaved(staging::CInstallTransaction& install, DWORD error) {
  install.RollBack();
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

bool CInstallSequence::RenameTerminal(const staging::CInstallTransaction& install) {
  std::string folder = m_state.GetDrive() + g_profile.DbFolderName;
  if (install.IsStaged(folder)) folder = staging::SwitchedFolder{folder}.Staged();
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
