// The ticker: a UI module with a real main window. A modeless dialog from the module's own
// resources counts the seconds on a timer; its Refresh button, or F5 anywhere in the window
// (a key the module takes in DLLPreTranslateMessage, before the focused control gets it),
// starts the count again; Close, Escape or the close box end the terminal.
#include <cstring>
#include <string>

#include "framework/framework.h"
#include "vantplus/ui_module.h"
#include "ticker_window.h"
#ifndef _WIN32
#include "framework/dialog_template.h"
#endif

namespace {

#ifndef _WIN32
// Linux has no resource section: the module registers its dialog template when it is loaded.
const vp::fw::DialogTemplate kTickerWindow{IDD_TICKER_WINDOW,
                                           static_cast<DWORD>(TICKER_WINDOW_STYLE),
                                           static_cast<DWORD>(TICKER_WINDOW_EXSTYLE),
                                           TICKER_WINDOW_RECT,
                                           TICKER_WINDOW_CAPTION,
                                           TICKER_WINDOW_FONT_SIZE,
                                           TICKER_WINDOW_FONT_NAME,
                                           {TICKER_WINDOW_CONTROLS(VP_DIALOG_TEMPLATE_ROW)}};
const vp::fw::DialogTemplateRegistration kRegistration(&kTickerWindow);
#endif

constexpr UINT_PTR kTickTimer = 1;

class CTickerWindow : public CDialog {
 public:
  CTickerWindow() : CDialog(IDD_TICKER_WINDOW) {}

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetTimer(kTickTimer, 1000);
    return TRUE;
  }

  // Starts the count again; `how` says what asked for it.
  void Refresh(const char* how) {
    m_ticks = 0;
    SetDlgItemText(IDC_TICKS, "Ticks: 0");
    SetDlgItemText(IDC_STATUS, std::string("Refreshed by ") + how);
  }

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMap map{CDialog::GetMessageMap(),
                                {MapTimer(&CTickerWindow::OnTimer),
                                 MapClicked(IDC_REFRESH, &CTickerWindow::OnRefresh)}};
    return &map;
  }

 private:
  void OnTimer(UINT_PTR id) {
    if (id != kTickTimer) return;
    ++m_ticks;
    SetDlgItemText(IDC_TICKS, "Ticks: " + std::to_string(m_ticks));
  }
  void OnRefresh() { Refresh("the button"); }

  int m_ticks = 0;
};

CTickerWindow* g_window = nullptr;
// Filled at start-up, so that DLLGetDumpPath only copies it.
char g_dumpFolder[VP_DUMP_PATH_SIZE] = {};

// The module's folder (the terminal's), where its crash dumps go.
void RememberDumpFolder() {
  char path[VP_DUMP_PATH_SIZE] = {};
  DWORD length = GetModuleFileNameA(GetModuleHandleA(VP_UI_MODULE_FILE_NAME), path, sizeof path);
  if (length == 0 || length >= sizeof path) return;
  if (char* slash = std::strrchr(path, '\\')) {
    *slash = '\0';
    std::memcpy(g_dumpFolder, path, static_cast<std::size_t>(slash - path) + 1);
  }
}

// The message's window is the main window or one of its controls.
bool InMainWindow(HWND window) {
  if (!g_window || !window) return false;
  if (window == g_window->m_hWnd) return true;
  CWnd* parent = CWnd::FromHandle(window)->GetParent();
  return parent && parent->m_hWnd == g_window->m_hWnd;
}

}  // namespace

VP_UI_MODULE_EXPORT CWnd* __cdecl DLLInitInstance(HINSTANCE, int showCommand, CWnd*) {
  RememberDumpFolder();
  // The window's template is this module's resource, not the launcher's.
  HINSTANCE launcherResources = vp::fw::ResourceInstance();
  vp::fw::SetResourceInstance(GetModuleHandleA(VP_UI_MODULE_FILE_NAME));
  g_window = new CTickerWindow;
  BOOL created = g_window->Create(IDD_TICKER_WINDOW);
  vp::fw::SetResourceInstance(launcherResources);
  if (!created) {
    delete g_window;
    g_window = nullptr;
    return nullptr;  // no main window: the launcher ends
  }
  g_window->ShowWindow(showCommand == SW_HIDE ? SW_SHOW : showCommand);
  return g_window;
}

VP_UI_MODULE_EXPORT BOOL __cdecl DLLPreTranslateMessage(MSG* message) {
  if (message->message == WM_KEYDOWN && message->wParam == VK_F5 && InMainWindow(message->hwnd)) {
    g_window->Refresh("F5");
    return TRUE;
  }
  return FALSE;
}

// The window is gone by now (its end ended the message loop); its object goes here, while the
// module's code is still loaded.
VP_UI_MODULE_EXPORT int __cdecl DLLExitInstance() {
  delete g_window;
  g_window = nullptr;
  return 0;
}

// The process is failing: copy what start-up prepared, call nothing.
VP_UI_MODULE_EXPORT void __cdecl DLLGetDumpPath(char* folder) {
  std::memcpy(folder, g_dumpFolder, sizeof g_dumpFolder);
}
