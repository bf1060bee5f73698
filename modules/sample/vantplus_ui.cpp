// The sample UI module "VantPlusUI.dll": the smallest module the launcher can run. Its window
// says that the terminal is running and closes on the usual close command (the Close button,
// Escape or the close box), which ends the terminal.
//
// The framework offers modal windows only, so the window runs inside DLLInitInstance, which
// then returns no main window: the launcher's message loop ends at once and the usual
// shut-down follows (DLLExitInstance, the module freed).
#include <cstring>

#include "framework/dialog_template.h"
#include "framework/framework.h"
#include "terminal_window.h"
#include "vantplus/ui_module.h"

namespace {

#ifndef _WIN32
#define VP_TEMPLATE_ROW(id, cls, text, style, x, y, w, h) \
  vp::fw::ControlTemplate{id, cls, text, static_cast<DWORD>(style), x, y, w, h},

const vp::fw::DialogTemplate kTerminalWindow{IDD_TERMINAL_WINDOW,
                                             static_cast<DWORD>(TERMINAL_WINDOW_STYLE),
                                             static_cast<DWORD>(TERMINAL_WINDOW_EXSTYLE),
                                             TERMINAL_WINDOW_RECT,
                                             TERMINAL_WINDOW_CAPTION,
                                             TERMINAL_WINDOW_FONT_SIZE,
                                             TERMINAL_WINDOW_FONT_NAME,
                                             {TERMINAL_WINDOW_CONTROLS(VP_TEMPLATE_ROW)}};
const vp::fw::DialogTemplateRegistration kRegistration(&kTerminalWindow);
#endif

const char kModuleName[] = "VantPlusUI.dll";

}  // namespace

VP_UI_MODULE_EXPORT CWnd* __cdecl DLLInitInstance(HINSTANCE, int, CWnd*) {
  // The window's template is this module's resource, not the launcher's.
  HINSTANCE launcherResources = vp::fw::ResourceInstance();
  vp::fw::SetResourceInstance(GetModuleHandleA(kModuleName));
  CDialog window(IDD_TERMINAL_WINDOW);
  window.DoModal();
  vp::fw::SetResourceInstance(launcherResources);
  return nullptr;
}

VP_UI_MODULE_EXPORT BOOL __cdecl DLLPreTranslateMessage(MSG*) { return FALSE; }

VP_UI_MODULE_EXPORT int __cdecl DLLExitInstance() { return 0; }

// Dumps go beside the module, into the terminal's own folder.
VP_UI_MODULE_EXPORT void __cdecl DLLGetDumpPath(char* folder) {
  char path[VP_DUMP_PATH_SIZE] = {};
  DWORD length = GetModuleFileNameA(GetModuleHandleA(kModuleName), path, sizeof path);
  if (length == 0 || length >= sizeof path) return;  // no folder: the launcher writes nothing
  char* slash = std::strrchr(path, '\\');
  if (!slash) return;
  *slash = '\0';
  std::memcpy(folder, path, static_cast<std::size_t>(slash - path) + 1);
}
