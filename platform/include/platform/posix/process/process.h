// Process and environment services.
#pragma once

#include "platform/posix/core/types.h"

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value);
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR buffer, DWORD size);

// Ends the process at once with the given code: no static destructors, no atexit handlers.
[[noreturn]] void ExitProcess(UINT code);
DWORD GetCurrentProcessId();
DWORD GetCurrentThreadId();
DWORD GetTickCount();
void Sleep(DWORD milliseconds);
LPSTR GetCommandLineA();

#define NORMAL_PRIORITY_CLASS 0x00000020
#define IDLE_PRIORITY_CLASS 0x00000040
#define HIGH_PRIORITY_CLASS 0x00000080
#define REALTIME_PRIORITY_CLASS 0x00000100
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_TIME_CRITICAL 15

HANDLE GetCurrentProcess();
HANDLE GetCurrentThread();
BOOL SetPriorityClass(HANDLE process, DWORD priorityClass);
DWORD GetPriorityClass(HANDLE process);
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
