// A program that fails on purpose, for the crash-dump tests. Its filter writes
// "VPLSCrash_<seconds>.dmp" into the folder given on the command line through DBGHELP.DLL's
// MiniDumpWriteDump, then lets the failure take its course.
// Usage: crash_victim <null-write|abort|heap|thread|no-filter|execute-handler> <folder>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#include "platform/win.h"

namespace {

std::string g_folder;
LONG g_verdict = EXCEPTION_CONTINUE_SEARCH;

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                          PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION,
                                          PMINIDUMP_CALLBACK_INFORMATION);

LONG WINAPI WriteDumpFilter(EXCEPTION_POINTERS* pointers) {
  HMODULE dbghelp = LoadLibraryA("dbghelp.DLL");
  if (!dbghelp) return g_verdict;
  auto write = reinterpret_cast<MiniDumpWriteDumpFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
  char path[1040];
  std::snprintf(path, sizeof path, "%s\\VPLSCrash_%lld.dmp", g_folder.c_str(),
                static_cast<long long>(std::time(nullptr)));
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (write && file != INVALID_HANDLE_VALUE) {
    MINIDUMP_EXCEPTION_INFORMATION info{GetCurrentThreadId(), pointers, FALSE};
    write(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &info, nullptr,
          nullptr);
    CloseHandle(file);
  }
  FreeLibrary(dbghelp);
  return g_verdict;
}

}  // namespace

// Hidden from the optimiser, which would otherwise drop a write it can prove undefined.
template <class T>
T* Opaque(T* pointer) {
  __asm__ volatile("" : "+r"(pointer));
  return pointer;
}

// The frame a debugger must name when it opens the dump.
__attribute__((noinline, no_sanitize_undefined)) void CrashByNullWrite(int value) {
  volatile int* nowhere = Opaque<volatile int>(nullptr);
  *nowhere = value;
}

// Writes over a freed block's link to the next free block, then allocates until the
// allocator follows the broken link: the failure happens inside malloc.
char* volatile g_freedBlock = nullptr;

__attribute__((noinline)) void CorruptHeapThenAllocate() {
  char* first = Opaque(static_cast<char*>(std::malloc(40)));
  char* second = Opaque(static_cast<char*>(std::malloc(40)));
  g_freedBlock = second;
  std::free(first);
  std::free(second);  // now the head of the free list, linking to `first`
  std::memset(g_freedBlock, 0x41, 16);
  for (int i = 0; i < 4; ++i) Opaque(std::malloc(40));
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string mode = argv[1];
  g_folder = argv[2];
  if (mode == "execute-handler") g_verdict = EXCEPTION_EXECUTE_HANDLER;
  if (mode != "no-filter") SetUnhandledExceptionFilter(WriteDumpFilter);
  if (mode == "abort") std::abort();
  if (mode == "heap") CorruptHeapThenAllocate();
  if (mode == "thread") {
    std::thread worker([] {
#ifndef _WIN32
      vp::exceptions::PrepareThread();
#endif
      CrashByNullWrite(7);
    });
    worker.join();
  }
  CrashByNullWrite(42);
  return 0;
}
