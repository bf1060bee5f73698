// A UI module for the launcher's tests, named "VantPlusUI.dll" like the real one. It writes
// each call it receives to the file that VP_PROBE_LOG names, and behaves as its build and the
// environment ask:
//   VP_PROBE_DUMP_FOLDER  what DLLGetDumpPath returns ("<fill>" fills the whole buffer with
//                         no terminator);
//   VP_PROBE_CRASH=init   DLLInitInstance fails with an access violation;
//   VP_PROBE_BLOCK=<path> DLLInitInstance waits until that file exists;
//   VP_PROBE_DUMP_DELAY   milliseconds DLLGetDumpPath takes (to see calls overlap or not);
//   VP_PROBE_WINDOW=<n>   DLLInitInstance returns a hidden main window that posts itself n
//                         messages WM_APP+1..n on creation, logs each as it arrives
//                         ("received <i>") and destroys itself after the last; the
//                         pre-translation of those messages is logged as
//                         "DLLPreTranslateMessage <i>".
// Builds leave out exports with VP_PROBE_NO_<EXPORT> to stand for incomplete modules.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <string>
#include <thread>

#include "framework/framework.h"
#include "vantplus/ui_module.h"

namespace {

void Log(const char* line) {
  const char* path = std::getenv("VP_PROBE_LOG");
  if (!path) return;
  if (FILE* log = std::fopen(path, "a")) {
    std::fprintf(log, "%s\n", line);
    std::fclose(log);
  }
}

[[maybe_unused]] bool Wanted(const char* variable, const char* value) {
  const char* set = std::getenv(variable);
  return set && std::strcmp(set, value) == 0;
}

[[maybe_unused]] bool FileExists(const char* path) {
  if (FILE* f = std::fopen(path, "r")) {
    std::fclose(f);
    return true;
  }
  return false;
}

// The main window of VP_PROBE_WINDOW.
class CProbeWindow : public CWnd {
 public:
  explicit CProbeWindow(int posts) : m_posts(posts) {}

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE) {
      for (int i = 1; i <= m_posts; ++i) PostMessage(WM_APP + static_cast<UINT>(i));
      return 0;
    }
    if (message > WM_APP && message <= WM_APP + static_cast<UINT>(m_posts)) {
      Log(("received " + std::to_string(message - WM_APP)).c_str());
      if (message == WM_APP + static_cast<UINT>(m_posts)) DestroyWindow();
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }

 private:
  int m_posts;
};

[[maybe_unused]] CProbeWindow* g_window = nullptr;

}  // namespace

// The frame a debugger must name in the dump of a failing start-up.
extern "C" __attribute__((noinline, no_sanitize_undefined)) void CrashInModuleInit() {
  volatile int* nowhere = nullptr;
  __asm__ volatile("" : "+r"(nowhere));
  *nowhere = 1;
}

#ifndef VP_PROBE_NO_INIT
VP_UI_MODULE_EXPORT CWnd* __cdecl DLLInitInstance(HINSTANCE, int, CWnd*) {
  Log("DLLInitInstance");
  if (Wanted("VP_PROBE_CRASH", "init")) CrashInModuleInit();
  if (const char* gate = std::getenv("VP_PROBE_BLOCK")) {
    while (!FileExists(gate)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (const char* posts = std::getenv("VP_PROBE_WINDOW")) {
    g_window = new CProbeWindow(std::atoi(posts));
    RECT where{10, 10, 210, 110};
    if (g_window->CreateEx(0, "Probe", WS_OVERLAPPED | WS_CAPTION, where, nullptr)) return g_window;
    delete g_window;
    g_window = nullptr;
  }
  return nullptr;  // no main window: the launcher's loop ends at once
}
#endif

#ifndef VP_PROBE_NO_PRETRANSLATE
VP_UI_MODULE_EXPORT BOOL __cdecl DLLPreTranslateMessage(MSG* msg) {
  if (msg && msg->message > WM_APP && msg->message < WM_APP + 1000)
    Log(("DLLPreTranslateMessage " + std::to_string(msg->message - WM_APP)).c_str());
  else
    Log("DLLPreTranslateMessage");
  return FALSE;
}
#endif

#ifndef VP_PROBE_NO_EXIT
VP_UI_MODULE_EXPORT int __cdecl DLLExitInstance() {
  Log("DLLExitInstance");
  delete g_window;
  g_window = nullptr;
  return 0;
}
#endif

#ifndef VP_PROBE_NO_DUMP_PATH
VP_UI_MODULE_EXPORT void __cdecl DLLGetDumpPath(char* folder) {
  Log("DLLGetDumpPath begins");
  if (const char* delay = std::getenv("VP_PROBE_DUMP_DELAY"))
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(delay)));
  Log("DLLGetDumpPath ends");
  const char* wanted = std::getenv("VP_PROBE_DUMP_FOLDER");
  if (!wanted) return;
  if (std::strcmp(wanted, "<fill>") == 0) {
    std::memset(folder, 'x', VP_DUMP_PATH_SIZE);
    return;
  }
  std::snprintf(folder, VP_DUMP_PATH_SIZE, "%s", wanted);
}
#endif
