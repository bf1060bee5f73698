#include "unattended/unattended_setup.h"

#include "common/drive_choice.h"
#include "common/exit_codes.h"
#include "common/instance_checks.h"
#include "common/product_profile.h"
#include "common/setup_log.h"
#include "framework/app.h"
#include "framework/controls.h"
#include "files/folder_walk.h"
#include "install/install_checks.h"
#include "install/install_sequence.h"
#include "res/installer_dialog.h"
#include "uninstall/setup_folder.h"
#include "uninstall/uninstall_sequence.h"

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A deployment tool starts the installer in a folder of its own. The installer's own folder is
// then the setup package it was meant to install from, or the setup folder it uninstalls from;
// a run started in the right folder stays there.
void RunFromOwnFolder(bool uninstall) {
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  std::string own(path, length);
  own = own.substr(0, own.rfind('\\'));
  std::string current;
  ReadCurrentDirectory(&current);
  bool rightPlaceAlready = uninstall ? IsVariantSetupFolder(current) : CurrentFolderIsPackage();
  if (rightPlaceAlready || files::EqualsNoCase(own, current)) return;
  if (uninstall ? !IsVariantSetupFolder(own)
                : !files::PathExists(own + "\\" + g_profile.DbFolderNameB))
    return;
  if (SetCurrentDirectoryA(own.c_str())) SetupLog().Step("runs in its own folder " + own);
}

}  // namespace

std::vector<std::string> MachineDriveEntries() { return vp::fw::DriveListEntries(); }

CUnattendedSetup::CUnattendedSetup(SetupOptions options, std::string mode, std::string version,
                                   std::string setupDir)
    : m_options(std::move(options)),
      m_strMode(std::move(mode)),
      m_strVersion(std::move(version)),
      m_strSetupDir(std::move(setupDir)) {}

UINT CUnattendedSetup::Run() {
  m_strAppType = VariantOf(m_options);
  m_driveEntries = MachineDriveEntries();
  if (m_options.drive.empty()) {
    int index = PreselectedDriveIndex(
        m_driveEntries, [](const std::string& root) { return GetDriveTypeA(root.c_str()); });
    if (index >= 0) m_strDrive = DriveRootOfEntry(m_driveEntries[index]);
  } else {
    for (const std::string& entry : m_driveEntries)
      if (DriveRootOfEntry(entry) == m_options.drive) m_strDrive = m_options.drive;
    if (m_strDrive.empty()) m_options.problems.push_back("/DRIVE: no drive " + m_options.drive);
  }
  // A command line that cannot be taken as a whole changes nothing.
  for (const std::string& problem : m_options.problems)
    SetupLog().Step("invalid command line: " + problem);
  if (!m_options.problems.empty()) return kExitInvalidCommandLine;

  SelectProductProfile(m_strAppType, m_strVersion);
  SetupLog().Step(std::string(m_options.uninstall ? "uninstall" : "install") + " of " +
                  m_strAppType + (m_options.uninstall ? "" : " on " + m_strDrive) + ", mode \"" +
                  m_strMode + "\", version \"" + m_strVersion + "\"");
  RunFromOwnFolder(m_options.uninstall);
  switch (ProbeNamedMutexes({"SWTSULPTNAV", "OFSWTSULPTNAV", "MCSWTSULPTNAV"})) {
    case NamedObjectCheck::kPresent:
      SetupLog().Step("a terminal is running: nothing was changed");
      return kExitTerminalRunning;
    case NamedObjectCheck::kUnavailable:
      SetupLog().Step("the system's named objects cannot be used: nothing was changed");
      return kExitFatal;
    case NamedObjectCheck::kAbsent:
      break;
  }
  if (m_options.uninstall) {
    CUninstallSequence(*this).Run();  // ends the process through EndProcess when it ran through
    return m_exitCode.value_or(kExitNotInstalled);
  }
  SetupLog().Step("shortcuts: desktop " + std::string(m_options.desktopShortcut ? "yes" : "no") +
                  ", Start menu " + (m_options.startMenuShortcut ? "yes" : "no"));
  CInstallSequence(*this).Run();
  if (m_exitCode) return *m_exitCode;
  return m_bSucceeded ? kExitSuccess : kExitFatal;
}

CUnattendedSetup::Answer CUnattendedSetup::AnswerFor(const std::string& text, UINT type) const {
  bool diskFull = m_dwFailure == ERROR_DISK_FULL || m_dwFailure == ERROR_HANDLE_DISK_FULL;
  if ((type & MB_TYPEMASK) == MB_YESNO) {
    // The one question of the dialog is the uninstall's; only /UNINSTALL says Yes to it.
    if (m_options.uninstall && StartsWith(text, "All application related data will be lost!"))
      return {IDYES, std::nullopt};
    return {IDNO, kExitCancelled};
  }
  if (text == "Installation Done!") return {IDOK, std::nullopt};
  if (text == "Application uninstalled successfully!") return {IDOK, kExitSuccess};
  if (StartsWith(text, "Your client databases could not be saved") ||
      StartsWith(text, "Installation is not complete") ||
      StartsWith(text, "Setup cannot prepare the installation"))
    return {IDOK, diskFull ? kExitDiskFull : kExitFatal};
  if (EndsWith(text, " not yet installed!")) return {IDOK, kExitNotInstalled};
  if (StartsWith(text, "All Terminals should be closed")) return {IDOK, kExitTerminalRunning};
  if ((type & MB_ICONMASK) == MB_ICONSTOP) return {IDOK, kExitFatal};
  return {IDOK, std::nullopt};  // information: the run goes on
}

int CUnattendedSetup::AskUser(const std::string& text, const std::string& caption, UINT type) {
  Answer answer = AnswerFor(text, type);
  LogMessageBox(text, caption, answer.button);
  if (text == "Installation Done!") m_bSucceeded = true;
  if (answer.exitCode && !m_exitCode) m_exitCode = answer.exitCode;
  return answer.button;
}

void CUnattendedSetup::SetStatusText(const std::string& text) {
  if (!text.empty()) SetupLog().Step("status: " + text);
}

std::string CUnattendedSetup::GetCheckBoxCaption(int controlId) const {
  // The captions the dialog shows for the drive: the variant's two folders on it.
  if (controlId == IDC_DB_PATH) return m_strDrive + g_profile.DbFolderName;
  if (controlId == IDC_DATA_PATH) return m_strDrive + g_profile.DataFolderName;
  return "";
}

bool CUnattendedSetup::IsCheckBoxChecked(int controlId) const {
  if (controlId == IDC_DESKTOP_SHORTCUT) return m_options.desktopShortcut;
  if (controlId == IDC_START_MENU_SHORTCUT) return m_options.startMenuShortcut;
  return controlId == IDC_DB_PATH || controlId == IDC_DATA_PATH;
}

void CUnattendedSetup::EndProcess(UINT code) {
  UINT exitCode = m_exitCode.value_or(code);
  SetupLog().Finish(exitCode);
  vp::fw::EndProcessNow(exitCode);
}
