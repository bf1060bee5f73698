// The UI module binding: the launcher's hold on "VantPlusUI.dll" and its four exports. The
// application object is the host; the crash filter finds it as the current host.
#pragma once

#include <string>

#include "platform/win.h"
#include "platform/win.h"

class CWnd;

class CUIModuleHost {
 public:
  CUIModuleHost();
  virtual ~CUIModuleHost();
  CUIModuleHost(const CUIModuleHost&) = delete;
  CUIModuleHost& operator=(const CUIModuleHost&) = delete;

  // The host of this process (the application object), or null.
  static CUIModuleHost* Current();

  // Loads m_strUIModule by its bare file name; reports "Unable to load DLL: <name>" and
  // returns false when it cannot be loaded.
  bool LoadUIModule();
  // Calls DLLInitInstance and hands back its window. Reports a missing export and returns
  // false; the module then stays loaded until StopUIModule.
  bool StartUIModule(HINSTANCE launcherInstance, int showCommand, CWnd* mainWindow,
                     CWnd** moduleWindow);
  // Hands a message to DLLPreTranslateMessage. A missing export is reported once per process.
  void ForwardMessage(MSG* message);
  // Calls DLLExitInstance (reporting it when missing) and frees the module.
  void StopUIModule();
  // On the failing thread, with the crash lock held: asks DLLGetDumpPath for the dump folder.
  // False when no module is loaded or it lacks the export.
  bool AskDumpFolder(char* folder);

  // Shows one of the launcher's messages (OK button only).
  virtual void ShowMessage(const std::string& text);
  // The same from the crash filter, on the failing thread: owned by no window, so that it never
  // waits for the user-interface thread, which may be the one that failed or hold a lock.
  virtual void ShowCrashMessage(const std::string& text);

  HMODULE m_hUIModule = nullptr;
  DWORD m_bUIModuleLoaded = 0;
  std::string m_strUIModule;

 private:
  FARPROC Export(const char* name) const;
  void ReportMissing(const char* kind, const char* name);
};
