// The minidump writer of our built-in "DBGHELP.DLL". Callers reach MiniDumpWriteDump through
// LoadLibraryA("DBGHELP.DLL") and GetProcAddress, as on Windows; the dump is a standard minidump
// of the Linux flavour (system info, the failing thread with registers and stack, modules from
// the process's mappings, the exception), written without heap allocation, so it also works
// when the process failed inside the allocator.
#pragma once

#include "platform/posix/crash/exceptions.h"
#include "platform/posix/core/types.h"

enum MINIDUMP_TYPE : DWORD {
  MiniDumpNormal = 0x00000000,
  MiniDumpWithDataSegs = 0x00000001,
  MiniDumpWithFullMemory = 0x00000002,
};

struct MINIDUMP_EXCEPTION_INFORMATION {
  DWORD ThreadId;
  PEXCEPTION_POINTERS ExceptionPointers;
  BOOL ClientPointers;
};
using PMINIDUMP_EXCEPTION_INFORMATION = MINIDUMP_EXCEPTION_INFORMATION*;

struct MINIDUMP_USER_STREAM_INFORMATION;
using PMINIDUMP_USER_STREAM_INFORMATION = MINIDUMP_USER_STREAM_INFORMATION*;
struct MINIDUMP_CALLBACK_INFORMATION;
using PMINIDUMP_CALLBACK_INFORMATION = MINIDUMP_CALLBACK_INFORMATION*;

// Writes a minidump of the calling process into `file` (a handle from CreateFileA opened for
// writing). Only the current process can be dumped; user streams and callbacks are not
// supported and are ignored. Without exception information the dump shows the calling thread
// where it made the call. FALSE with the last error set on failure.
BOOL MiniDumpWriteDump(HANDLE process, DWORD processId, HANDLE file, MINIDUMP_TYPE dumpType,
                       PMINIDUMP_EXCEPTION_INFORMATION exceptionParam,
                       PMINIDUMP_USER_STREAM_INFORMATION userStreamParam,
                       PMINIDUMP_CALLBACK_INFORMATION callbackParam);

namespace vp::dbghelp {

// Registers the built-in "DBGHELP.DLL" with the module loader (done once, at start-up).
bool RegisterBuiltinModule();

}  // namespace vp::dbghelp
