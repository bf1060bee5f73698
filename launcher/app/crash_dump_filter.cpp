#include "crash_dump_filter.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "crash_lock.h"
#include "ui_module_host.h"

namespace {

using MiniDumpWriteDumpProc = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                            PMINIDUMP_EXCEPTION_INFORMATION,
                                            PMINIDUMP_USER_STREAM_INFORMATION,
                                            PMINIDUMP_CALLBACK_INFORMATION);

void UseCurrentFolder(char (&folder)[kDumpPathSize]) {
  std::memset(folder, 0, sizeof folder);
  std::memcpy(folder, ".\\", 2);
}

// The module's folder, or the current folder after telling the user the export is missing.
// An empty folder from the module means the current folder too: "\VPLSCrash_..." would be the
// root of the current drive.
void ChooseDumpFolder(char (&folder)[kDumpPathSize]) {
  CUIModuleHost* host = CUIModuleHost::Current();
  if (host && host->AskDumpFolder(folder)) {
    if (folder[0] == '\0') UseCurrentFolder(folder);
    return;
  }
  if (host) host->ShowCrashMessage("Unable to load FUNCTION: DLLGetDumpPath");
  UseCurrentFolder(folder);
}

void WriteDump(MiniDumpWriteDumpProc writeDump, const char* path, EXCEPTION_POINTERS* pointers) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  MINIDUMP_EXCEPTION_INFORMATION exception{};
  exception.ThreadId = GetCurrentThreadId();
  exception.ExceptionPointers = pointers;
  exception.ClientPointers = FALSE;
  BOOL written = writeDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &exception,
                          nullptr, nullptr);
  CloseHandle(file);
  // A dump cut short (a full disk) would pass for a good one under its name: it goes.
  if (!written) DeleteFileA(path);
}

}  // namespace

bool FormatDumpPath(const char* folder, long long seconds, char (&path)[kDumpPathSize]) {
  // The module may fill the whole buffer and leave no terminator: read no further than it.
  const void* end = std::memchr(folder, '\0', kDumpPathSize);
  if (!end) return false;
  int length = std::snprintf(path, kDumpPathSize, "%s\\%s_%lld.dmp", folder, "VPLSCrash", seconds);
  if (length < 0 || static_cast<std::size_t>(length) >= kDumpPathSize) {
    path[0] = '\0';
    return false;
  }
  return true;
}

LONG WINAPI CrashDumpFilter(EXCEPTION_POINTERS* pointers) {
  if (!pointers) return EXCEPTION_CONTINUE_SEARCH;
  // A failure inside this filter on the same thread goes straight to the default handling.
  if (!CCrashLock::Enter()) return EXCEPTION_CONTINUE_SEARCH;
  if (HMODULE dbghelp = LoadLibraryA("DBGHELP.DLL")) {
    auto writeDump = reinterpret_cast<MiniDumpWriteDumpProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
    if (writeDump) {
      char folder[kDumpPathSize] = {};
      ChooseDumpFolder(folder);
      char path[kDumpPathSize];
      if (FormatDumpPath(folder, static_cast<long long>(std::time(nullptr)), path))
        WriteDump(writeDump, path, pointers);
    }
    FreeLibrary(dbghelp);
  }
  CCrashLock::Leave();
  return EXCEPTION_CONTINUE_SEARCH;
}
