// The sample UI module "VantPlusUI.dll" (and, built with VP_SAMPLE_FO, the FO terminal's
// "VANTFOUI.dll"): the smallest module the launcher can run. Its main window, a modeless dialog,
// says that the terminal is running; Close, Escape or the close box destroy it, which ends the
// launcher's message loop and so the terminal.
#include <cstring>
#include <memory>

#include "framework/dialog_template.h"
#include "framework/framework.h"
#include "terminal_window.h"
#include "vantplus/ui_module.h"

namespace {

#ifndef _WIN32
const vp::fw::DialogTemplate kTerminalWindow{IDD_TERMINAL_WINDOW,
                                             static_cast<DWORD>(TERMINAL_WINDOW_STYLE),
                                             static_cast<DWORD>(TERMINAL_WINDOW_EXSTYLE),
                                             TERMINAL_WINDOW_RECT,
                                             TERMINAL_WINDOW_CAPTION,
                                             TERMINAL_WINDOW_FONT_SIZE,
                                             TERMINAL_WINDOW_FONT_NAME,
                                             {TERMINAL_WINDOW_CONTROLS(VP_DIALOG_TEMPLATE_ROW)}};
const vp::fw::DialogTemplateRegistration kRegistration(&kTerminalWindow);
#endif

const char kModuleName[] = TERMINAL_MODULE_NAME;

std::unique_ptr<CDialog> g_mainWindow;

}  // namespace

VP_UI_MODULE_EXPORT CWnd* __cdecl DLLInitInstance(HINSTANCE, int showCommand, CWnd*) {
  // The window's template is this module's resource, not the launcher's.
  HINSTANCE launcherResources = vp::fw::ResourceInstance();
  vp::fw::SetResourceInstance(GetModuleHandleA(kModuleName));
  g_mainWindow = std::make_unique<CDialog>(IDD_TERMINAL_WINDOW);
  BOOL created = g_mainWindow->Create(IDD_TERMINAL_WINDOW);
  vp::fw::SetResourceInstance(launcherResources);
  if (!created) {
    g_mainWindow.reset();
    return nullptr;
  }
  g_mainWindow->ShowWindow(showCommand == SW_HIDE ? SW_SHOW : showCommand);
  return g_mainWindow.get();
}

VP_UI_MODULE_EXPORT BOOL __cdecl DLLPreTranslateMessage(MSG*) { return FALSE; }

// The window is gone by now (its end ended the loop); the object goes with the module.
VP_UI_MODULE_EXPORT int __cdecl DLLExitInstance() {
  g_mainWindow.reset();
  return 0;
}

// Dumps go beside the module, into the terminal's own folder. When the module's path cannot be
// had the folder stays empty, and the launcher writes into the current folder.
VP_UI_MODULE_EXPORT void __cdecl DLLGetDumpPath(char* folder) {
  char path[VP_DUMP_PATH_SIZE] = {};
  DWORD length = GetModuleFileNameA(GetModuleHandleA(kModuleName), path, sizeof path);
  if (length == 0 || length >= sizeof path) return;
  char* slash = std::strrchr(path, '\\');
  if (!slash) return;
  *slash = '\0';
  std::memcpy(folder, path, static_cast<std::size_t>(slash - path) + 1);
}
