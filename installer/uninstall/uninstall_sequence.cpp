#include "uninstall/uninstall_sequence.h"

#include "common/setup_log.h"
#include "files/client_database_backup.h"
#include "files/folder_identity.h"
#include "files/folder_walk.h"
#include "files/tree_operations.h"
#include "install/apps_entry.h"
#include "install/shortcuts.h"
#include "platform/win.h"
#include "registry/registry.h"
#include "res/installer_dialog.h"
#include "staging/install_transaction.h"
#include "common/drive_choice.h"
#include "common/product_profile.h"
#include "uninstall/self_delete.h"
#include "uninstall/setup_folder.h"

namespace {

// The input controls: everything but the Uninstall and Exit buttons (IDC_STATIC reaches the
// heading text).
constexpr int kInputControls[] = {IDC_DRIVE,           IDC_STATIC,  IDC_DB_PATH_LABEL,
                                  IDC_DATA_PATH_LABEL, IDC_DB_PATH, IDC_DATA_PATH,
                                  IDC_DESKTOP_SHORTCUT, IDC_START_MENU_SHORTCUT,
                                  IDC_INSTALL,         IDC_APPLICATION_TYPE};

constexpr const char* kDesktop = "Desktop";
constexpr const char* kStartMenu = "Start Menu";
constexpr const char* kPrograms = "Start Menu\\Programs";
constexpr const char* kRegistryKeyLeft =
    "The application's registry settings could not be removed. The uninstall is not complete.";

void RemoveLinkEverywhere(const std::string& name) {
  for (const char* folder : {kDesktop, kStartMenu, kPrograms}) RemoveShortcut(folder, name, 1);
}

}  // namespace

void EnableControls(InstallerState& state, BOOL enable) {
  for (int id : kInputControls) state.EnableControl(id, enable);
}

void CUninstallSequence::Run() {
  m_state.SetInstalled(TRUE);
  EnableControls(m_state, FALSE);
  if (m_state.AskUser("All application related data will be lost! Please take backup. Do you "
                      "wish to continue?",
                      "UnInstaller", MB_YESNO | MB_ICONQUESTION) != IDYES) {
    EnableControls(m_state, TRUE);
    return;
  }
  bool registryKeyRemoved = RemoveRegistryKey();
  for (const std::string& entry : m_state.GetDriveEntries()) {
    std::string root = DriveRootOfEntry(entry);
    if (GetDriveTypeA(root.c_str()) != DRIVE_FIXED) continue;
    // An install cut off there is settled first, so that no staged or old folder stays.
    staging::RecoverInterruptedInstalls(root);
    RemoveFromDrive(root);
  }
  if (!registryKeyRemoved) {
    // Not a success: the uninstaller stays, so the user can try again.
    if (m_state.GetInstalled()) RemoveShortcuts();
    m_state.AskUser(kRegistryKeyLeft, "UnInstaller", MB_OK | MB_ICONSTOP);
    EnableControls(m_state, TRUE);
    return;
  }
  if (!m_state.GetInstalled()) {
    ShowNothingFound();
    EnableControls(m_state, TRUE);
    return;
  }
  RemoveShortcuts();
  // Apps & features lists the product until the last of it is gone.
  if (!m_bIncomplete && !RemoveAppsEntry()) m_bIncomplete = true;
  if (m_bIncomplete) {
    m_state.AskUser("Some files could not be removed. Close the programs that use them and "
                    "uninstall again.",
                    "UnInstaller", MB_OK | MB_ICONSTOP);
  } else {
    m_state.AskUser("Application uninstalled successfully!", "UnInstaller", MB_OK);
  }
  EnableControls(m_state, TRUE);
  m_state.EnableControl(IDC_UNINSTALL, FALSE);
  RemoveSetupFolderRunFrom();
  if (m_state.GetDeleteSetupOnExit())
    DeleteFileAfterExit(m_state.GetSetupDir() + g_profile.SetupExeName);
  m_state.EndProcess(0);
}

bool CUninstallSequence::RemoveRegistryKey() {
  CRegistry korax;
  korax.Open(HKEY_CURRENT_USER, "SOFTWARE", "KORAX", FALSE);
  const char* product = g_profile.RegistryProductName.c_str();
  if (!korax.SubKeyExists(product)) {
    m_state.SetInstalled(FALSE);
    // Every user's registry has SOFTWARE: when even that cannot be opened, the registry
    // cannot be read (a damaged hive) and the variant's key may well be in it.
    return CRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE");
  }
  BOOL removed = korax.DeleteKey(product);
  korax.Close();
  SetupLog().Step("registry HKCU\\SOFTWARE\\KORAX\\" + g_profile.RegistryProductName +
                  (removed ? " removed" : " could not be removed"));
  return removed;
}

void CUninstallSequence::RemoveFromDrive(const std::string& root) {
  // The user's data outlives the program: the client databases are saved as an install saves
  // them, and the backups stay.
  if (!g_profile.DbFolderName.empty() && files::PathExists(root + g_profile.DbFolderName)) {
    CClientDatabaseBackup keep(m_state, root);
    keep.KeepLiveDatabases(g_profile.BackupDbFolderName);
    if (keep.Failed()) {
      // Deleting now would lose the only copy of what the user changed since the last backup.
      m_state.SetInstalled(TRUE);
      m_bIncomplete = true;
      return;
    }
  }
  for (const std::string& name : {g_profile.DataFolderName, g_profile.DbFolderName}) {
    // An empty name would make the drive root itself the folder to delete.
    if (name.empty() || !files::PathExists(root + name)) continue;
    m_state.SetInstalled(TRUE);
    bool removed = DeleteTree(root + name);
    SetupLog().Step("folder " + root + name + (removed ? " removed" : " could not be removed whole"));
    if (!removed) m_bIncomplete = true;
  }
  if (g_profile.SetupBaseName.empty()) return;
  std::string setup = root + g_profile.SetupBaseName;
  if (!files::PathExists(setup)) return;
  // By identity: a second drive letter on the same folder is still the folder run from.
  if (files::EqualsNoCase(setup, m_state.GetSetupDir()) ||
      files::IsSameFolder(setup, m_state.GetSetupDir())) {
    m_state.SetDeleteSetupOnExit(TRUE);  // the installer runs from it
  } else if (files::PathExists(setup + "\\VANTProSetup.exe")) {
    std::string program = setup + g_profile.SetupExeName;
    if (!DeleteFileA(program.c_str()) && files::PathExists(program)) m_bIncomplete = true;
  } else if (!DeleteTree(setup)) {
    m_bIncomplete = true;
  }
}

void CUninstallSequence::ShowNothingFound() {
  std::string mode = m_state.GetMode();
  std::string appType = m_state.ReadApplicationType();
  if (mode == "F") {
    m_state.AskUser("VANTProFO not yet installed!", "VANTProFO UnInstaller", MB_OK | MB_ICONSTOP);
    return;
  }
  if (mode != "P") return;
  const char* product = appType == "VANTPLUS" ? "VANTPlusTWS"
                        : appType == "FO"     ? "VANTPlusFOTWS"
                        : appType == "CM"     ? "VANTPlusCMTWS"
                                              : nullptr;
  if (product)
    m_state.AskUser(std::string(product) + " not yet installed!", "VANTPlusTWS UnInstaller",
                    MB_OK | MB_ICONSTOP);
}

void CUninstallSequence::RemoveShortcuts() {
  RemoveLinkEverywhere("\\VANTPro TWS");
  std::string mode = m_state.GetMode();
  std::string programFolder = std::string(kPrograms) + "\\" + g_profile.ProgramFolderName;
  std::string terminal = "\\" + g_profile.TerminalName;
  if (mode == "F" || mode == "P") {
    RemoveLinkEverywhere(terminal);
    RemoveLinkEverywhere("\\VANT-FO");
    for (const std::string& name :
         {std::string("\\VANTPro TWS"), terminal, std::string("\\VANT-FO"), std::string("\\Help"),
          std::string("\\Install-UnInstall")})
      RemoveShortcut(programFolder, name, 1);
  } else if (mode == "C") {
    RemoveLinkEverywhere("\\VANTCM TWS");
    for (const char* name : {"\\VANTPro TWS", "\\VANTCM TWS", "\\Help", "\\Install-UnInstall"})
      RemoveShortcut(programFolder, name, 1);
  } else {
    return;
  }
  RemoveShortcut(kPrograms, "\\" + g_profile.ProgramFolderName, 0);
}

void CUninstallSequence::RemoveSetupFolderRunFrom() {
  // Only the variant's setup folder is the installer's own to delete; started from anywhere
  // else (a download folder, a drive root) the current directory holds someone else's data.
  std::string current;
  if (!ReadCurrentDirectory(&current) || !IsVariantSetupFolder(current)) return;
  DeleteTree(".");
}
