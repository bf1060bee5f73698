// The application's entry, message loop and process services on Windows.
#include <cstdio>
#include <cstdlib>

#include "framework/app.h"
#include "framework/window.h"

namespace {
int g_quitCode = 0;
HINSTANCE g_resourceInstance = nullptr;
}  // namespace

int CWinApp::ExitInstance() { return g_quitCode; }

int CWinApp::Run() {
  // An application left without a main window has nothing to run: it ends at once.
  if (!m_pMainWnd) ::PostQuitMessage(0);
  MSG msg{};
  LONG idleCount = 0;
  bool idle = true;
  for (;;) {
    while (idle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) idle = false;
    }
    do {
      BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0 || got == -1) {
        g_quitCode = got == 0 ? static_cast<int>(msg.wParam) : -1;
        return ExitInstance();
      }
      if (!PreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
      }
      idle = true;
      idleCount = 0;
    } while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  }
}

namespace vp::fw {

int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT type) {
  std::string title = caption ? std::string(caption) : AppTitle();
  return ::MessageBoxA(owner, text.c_str(), title.c_str(), type);
}

void EndProcessNow(UINT code) {
  std::fflush(nullptr);
  ::ExitProcess(code);
}

void PostQuitMessage(int code) { ::PostQuitMessage(code); }

std::vector<std::string> ProcessArguments() {
  // The C runtime has split the command line already (quoted arguments whole).
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);
  return arguments;
}

int RunApplication(HINSTANCE instance, int showCommand) {
  CWinApp* app = GetApp();
  if (!app) return 1;
  if (!g_resourceInstance) g_resourceInstance = instance;
  app->m_hInstance = instance;
  app->m_nCmdShow = showCommand;
  return app->InitInstance() ? app->Run() : app->ExitInstance();
}

HINSTANCE ResourceInstance() {
  return g_resourceInstance ? g_resourceInstance : ::GetModuleHandleA(nullptr);
}

void SetResourceInstance(HINSTANCE instance) { g_resourceInstance = instance; }

}  // namespace vp::fw
