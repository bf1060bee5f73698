#include "vant_plus_app.h"

#include "crash_dump_filter.h"
#include "launch_screen_dlg.h"
#include "staging/install_transaction.h"
#include "vnxt_command_line_info.h"

bool CVantPlusApp::SettleInterruptedInstall() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length < 3 || length >= MAX_PATH || path[1] != ':' || path[2] != '\\') return true;
  switch (staging::RecoverInterruptedInstalls(std::string(path, 3))) {
    case staging::Recovery::kBusy:
      ShowMessage("Setup is changing the installation. Start the terminal again when setup has "
                  "finished.");
      return false;
    case staging::Recovery::kFailed:
      ShowMessage("The last install could not be finished: some of its files are in use. Close "
                  "the programs that use them and start the terminal again, or install again.");
      return false;
    default:
      return true;
  }
}

CVantPlusApp::CVantPlusApp(const CInstanceMutex& instanceMutex) : m_instanceMutex(instanceMutex) {}

BOOL CVantPlusApp::InitInstance() {
  SetUnhandledExceptionFilter(CrashDumpFilter);
  CVNXTCommandLineInfo commandLine;
  ParseCommandLine(commandLine);
  if (m_instanceMutex.m_dwCreationError == ERROR_ALREADY_EXISTS) {
    ShowMessage("APPLICATION ALREADY RUNNING");
    return FALSE;
  }
  // Without its mutex the launcher cannot know whether a terminal of its variant runs, and
  // a second one would share its databases: it does not start.
  if (!m_instanceMutex.m_hMutex) {
    ShowMessage("Cannot check whether the application is already running: the system's named "
                "objects cannot be used.");
    return FALSE;
  }
  if (!SettleInterruptedInstall()) return FALSE;
  if (WantsLaunchScreen(commandLine)) {
    // The user picks the module; a cancel ends the start-up quietly.
    CLaunchScreenDlg launchScreen;
    if (launchScreen.DoModal() != IDOK) return FALSE;
    m_strUIModule = launchScreen.GetSelectedModule();
  } else {
    m_strUIModule = SettleUIModuleName(commandLine);
  }
  if (!LoadUIModule()) return FALSE;
  CWnd* moduleWindow = nullptr;
  if (!StartUIModule(m_hInstance, m_nCmdShow, m_pMainWnd, &moduleWindow)) return FALSE;
  // A null window leaves the application without a main window: the loop then ends at once.
  m_pMainWnd = moduleWindow;
  return TRUE;
}

BOOL CVantPlusApp::PreTranslateMessage(MSG* msg) {
  BOOL handled = CWinApp::PreTranslateMessage(msg);
  ForwardMessage(msg);
  return handled;
}

BOOL CVantPlusApp::OnIdle(LONG count) { return CWinApp::OnIdle(count); }

int CVantPlusApp::ExitInstance() {
  for (HANDLE& slot : m_hResourceSlot) {
#ifdef _WIN32
    if (slot) FreeResource(slot);
#endif
    slot = nullptr;
  }
  StopUIModule();
  return CWinApp::ExitInstance();
}
