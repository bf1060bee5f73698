#include "installer_app.h"

#include "installer_command_line.h"
#include "installer_dlg.h"

const MessageMap* CInstallerApp::GetMessageMap() const {
  static const MessageMap map{CWinApp::GetMessageMap(), {MapCommand(ID_HELP, &CInstallerApp::OnHelp)}};
  return &map;
}

BOOL CInstallerApp::InitInstance() {
  CInstallerCommandLineInfo commandLine;
  ParseCommandLine(commandLine);
  CInstallerDlg dialog(commandLine.m_strMode, commandLine.m_strVersion, commandLine.m_strSetupDir, nullptr);
  m_pMainWnd = &dialog;
  dialog.DoModal();
  m_pMainWnd = nullptr;
  return FALSE;
}
