#include "installer_app.h"

#include "common/exit_codes.h"
#include "common/instance_checks.h"
#include "common/setup_log.h"
#include "installer_command_line.h"
#include "installer_dlg.h"
#include "staging/install_transaction.h"
#include "unattended/unattended_setup.h"

namespace {

constexpr const char* kSetupRunningText = "Setup is already running.";

}  // namespace

const MessageMap* CInstallerApp::GetMessageMap() const {
  static const MessageMap map{CWinApp::GetMessageMap(), {MapCommand(ID_HELP, &CInstallerApp::OnHelp)}};
  return &map;
}

BOOL CInstallerApp::InitInstance() {
  CInstallerCommandLineInfo commandLine;
  ParseCommandLine(commandLine);
  const SetupOptions& options = commandLine.m_options;
  bool silent = options.silent;
  // The log comes first: nothing is touched when it cannot be written.
  if (silent || options.logGiven) {
    std::string path = options.logPath.empty() ? DefaultSetupLogPath() : options.logPath;
    if (!SetupLog().Open(path)) {
      if (!silent)
        vp::fw::ShowMessageBox(nullptr, "The log " + path + " cannot be written.", nullptr,
                               MB_OK | MB_ICONSTOP);
      m_nExitCode = kExitLogFailure;
      return FALSE;
    }
    SetupLog().Step("command line: " + commandLine.m_strArguments);
  }
  // Two installers at once would fight over the same files: the second one ends.
  switch (ClaimNamedMutex(kSetupMutexName, &m_hSetupMutex)) {
    case NamedObjectCheck::kPresent:
      if (silent) {
        SetupLog().Step(kSetupRunningText);
        m_nExitCode = kExitSetupRunning;
      } else {
        vp::fw::ShowMessageBox(nullptr, kSetupRunningText, nullptr, MB_OK);
      }
      SetupLog().Finish(m_nExitCode);
      return FALSE;
    case NamedObjectCheck::kUnavailable:
      if (silent) {
        SetupLog().Step(kNamedObjectsUnusableText);
        m_nExitCode = kExitFatal;
      } else {
        vp::fw::ShowMessageBox(nullptr, kNamedObjectsUnusableText, nullptr, MB_OK | MB_ICONSTOP);
      }
      SetupLog().Finish(m_nExitCode);
      return FALSE;
    case NamedObjectCheck::kAbsent:
      break;
  }
  // An install cut off earlier is finished or undone before anything else looks at the disk.
  staging::RecoverInterruptedInstallsOnFixedDrives();
  if (silent) {
    CUnattendedSetup setup(options, commandLine.m_strMode, commandLine.m_strVersion,
                           commandLine.m_strSetupDir);
    m_nExitCode = setup.Run();
    SetupLog().Finish(m_nExitCode);
    return FALSE;
  }
  CInstallerDlg dialog(commandLine.m_strMode, commandLine.m_strVersion, commandLine.m_strSetupDir, nullptr);
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  SetupLog().Finish(m_nExitCode);
  return FALSE;
}
