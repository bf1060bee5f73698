// Dynamic loading: LoadLibraryA searches the executable's folder first, then the current
// folder, then the folders of PATH; a few names are built-in modules of ours.
#pragma once

#include "platform/posix/core/types.h"

using FARPROC = INT_PTR (*)();

HMODULE LoadLibraryA(LPCSTR name);
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
HMODULE GetModuleHandleA(LPCSTR name);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
