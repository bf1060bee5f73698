// Starting programs through the shell, and the shell and process calls that go with it.
// This layer starts one kind of program: the command interpreter named by "COMSPEC" (or any
// "cmd.exe") with "/c del <file>" and an optional "> nul", the way a program deletes its own
// file after it has ended. A detached helper process of ours stands for the interpreter: it
// waits until the process that asked has ended and then deletes the file. Every other request
// fails with ERROR_FILE_NOT_FOUND.
#pragma once

#include "platform/posix/core/errors.h"
#include "platform/posix/core/types.h"

struct HWND__;
using HWND = HWND__*;
struct HKEY__;

#define SW_HIDE 0

#define SEE_MASK_DEFAULT 0x00000000
#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_FLAG_NO_UI 0x00000400

// Values of hInstApp: greater than 32 on success.
#define SE_ERR_FNF 2
#define SE_ERR_ACCESSDENIED 5

struct SHELLEXECUTEINFOA {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCSTR lpVerb;
  LPCSTR lpFile;
  LPCSTR lpParameters;
  LPCSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  void* lpIDList;
  LPCSTR lpClass;
  HKEY__* hkeyClass;
  DWORD dwHotKey;
  HANDLE hIcon;
  HANDLE hProcess;
};
using LPSHELLEXECUTEINFOA = SHELLEXECUTEINFOA*;

// Starts the request. With SEE_MASK_NOCLOSEPROCESS, hProcess receives a handle of the started
// process (close it with CloseHandle), else it is null. False with the error code set when
// nothing was started.
BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info);

// Dynamic priority boosts are not modelled: accepted for the current process and for process
// handles that ShellExecuteExA gave out.
BOOL SetProcessPriorityBoost(HANDLE process, BOOL disableBoost);

// Shell change notifications: nothing on this layer watches the shell's view of folders.
#define SHCNE_DELETE 0x00000004L
#define SHCNE_RMDIR 0x00000010L
#define SHCNF_PATHA 0x0001
#define SHCNF_PATH SHCNF_PATHA
void SHChangeNotify(LONG eventId, UINT flags, LPCVOID item1, LPCVOID item2);
