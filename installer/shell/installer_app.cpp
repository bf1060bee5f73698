#include "installer_app.h"

#include "installer_command_line.h"
#include "installer_dlg.h"
#include "shell/instance_checks.h"

namespace {

constexpr const char* kSetupRunningText = "Setup is already running.";

}  // namespace

const MessageMap* CInstallerApp::GetMessageMap() const {
  static const MessageMap map{CWinApp::GetMessageMap(), {MapCommand(ID_HELP, &CInstallerApp::OnHelp)}};
  return &map;
}

BOOL CInstallerApp::InitInstance() {
  // Two installers at once would fight over the same files: the second one ends.
  switch (ClaimNamedMutex(kSetupMutexName, &m_hSetupMutex)) {
    case NamedObjectCheck::kPresent:
      vp::fw::ShowMessageBox(nullptr, kSetupRunningText, nullptr, MB_OK);
      return FALSE;
    case NamedObjectCheck::kUnavailable:
      vp::fw::ShowMessageBox(nullptr, kNamedObjectsUnusableText, nullptr, MB_OK | MB_ICONSTOP);
      return FALSE;
    case NamedObjectCheck::kAbsent:
      break;
  }
  CInstallerCommandLineInfo commandLine;
  ParseCommandLine(commandLine);
  CInstallerDlg dialog(commandLine.m_strMode, commandLine.m_strVersion, commandLine.m_strSetupDir, nullptr);
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}
