// The launcher's crash dump writer: the process's unhandled-exception filter. It writes
// "<folder>\VPLSCrash_<seconds>.dmp" through DBGHELP.DLL, the folder named by the UI module,
// and always lets the system's default handling end the process.
#pragma once

#include <cstddef>

#include "platform/win.h"

constexpr std::size_t kDumpPathSize = 1040;

LONG WINAPI CrashDumpFilter(EXCEPTION_POINTERS* pointers);

// The dump's path within kDumpPathSize bytes, terminator included. `folder` is read up to its
// first zero byte or kDumpPathSize bytes, whichever comes first. False when the path does not
// fit, which is never cut to fit.
bool FormatDumpPath(const char* folder, long long seconds, char (&path)[kDumpPathSize]);
