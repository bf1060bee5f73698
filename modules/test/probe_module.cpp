// A UI module for the launcher's tests, named "VantPlusUI.dll" like the real one. It writes
// each call it receives to the file that VP_PROBE_LOG names, and behaves as its build and the
// environment ask:
//   VP_PROBE_DUMP_FOLDER  what DLLGetDumpPath returns ("<fill>" fills the whole buffer with
//                         no terminator);
//   VP_PROBE_CRASH=init   DLLInitInstance fails with an access violation;
//   VP_PROBE_BLOCK=<path> DLLInitInstance waits until that file exists;
//   VP_PROBE_DUMP_DELAY   milliseconds DLLGetDumpPath takes (to see calls overlap or not).
// Builds leave out exports with VP_PROBE_NO_<EXPORT> to stand for incomplete modules.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <string>
#include <thread>

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
  return nullptr;  // no main window: the launcher's loop ends at once
}
#endif

#ifndef VP_PROBE_NO_PRETRANSLATE
VP_UI_MODULE_EXPORT BOOL __cdecl DLLPreTranslateMessage(MSG*) {
  Log("DLLPreTranslateMessage");
  return FALSE;
}
#endif

#ifndef VP_PROBE_NO_EXIT
VP_UI_MODULE_EXPORT int __cdecl DLLExitInstance() {
  Log("DLLExitInstance");
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
