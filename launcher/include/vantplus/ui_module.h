// The UI module kit: what a UI module ("VantPlusUI.dll") exports for the VantPro launcher.
//
// The launcher loads the module by file name, finds these four functions by their plain,
// undecorated names and calls them with the C calling convention (the caller removes the
// arguments). A module defines them with VP_UI_MODULE_EXPORT, for instance:
//
//   VP_UI_MODULE_EXPORT CWnd* __cdecl DLLInitInstance(HINSTANCE, int, CWnd*);
//
// DLLInitInstance      once, at start-up, with the launcher's instance handle, its show
//                      command and its current main window (none yet). It returns the
//                      module's main window, created with the same shared framework runtime;
//                      the launcher makes it the application's main window, and the terminal
//                      ends when that window is destroyed. Returning null ends the program.
// DLLPreTranslateMessage  for every message the launcher's loop pre-translates, after the
//                      framework's own pre-translation; the result is not looked at and the
//                      message is dispatched all the same.
// DLLExitInstance      once, when the message loop has ended; the module is freed right after.
// DLLGetDumpPath       when the process fails, on the failing thread: fill the zeroed buffer
//                      of VP_DUMP_PATH_SIZE bytes with the folder for the crash dump, without a
//                      trailing backslash and terminated by a zero byte. The launcher adds
//                      "\VPLSCrash_<seconds>.dmp"; a folder for which that does not fit gets
//                      no dump. Keep this function simple: the process is failing.
#pragma once

#include "platform/win.h"

class CWnd;

#if defined(_WIN32)
#  define VP_UI_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#  define VP_UI_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#define VP_DUMP_PATH_SIZE 1040

namespace vp::uimodule {

using InitInstanceProc = CWnd*(__cdecl*)(HINSTANCE launcherInstance, int showCommand,
                                         CWnd* mainWindow);
using PreTranslateMessageProc = BOOL(__cdecl*)(MSG* message);
using ExitInstanceProc = int(__cdecl*)();
using GetDumpPathProc = void(__cdecl*)(char* folder);

inline constexpr const char* kInitInstance = "DLLInitInstance";
inline constexpr const char* kPreTranslateMessage = "DLLPreTranslateMessage";
inline constexpr const char* kExitInstance = "DLLExitInstance";
inline constexpr const char* kGetDumpPath = "DLLGetDumpPath";

}  // namespace vp::uimodule
