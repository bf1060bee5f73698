// The application object and the process-wide services of the framework: the application's
// title, message boxes, ending the process, the program entry.
#pragma once

#include <string>

#include "framework/cmd_target.h"
#include "framework/command_line.h"

class CWnd;

class CWinApp : public CCmdTarget {
 public:
  // The one application object registers itself; `appName` null means the title is the
  // executable's file name without its extension.
  explicit CWinApp(const char* appName = nullptr);
  ~CWinApp() override;

  // Return false to end the program without running the message loop.
  virtual BOOL InitInstance();
  // The program's exit code.
  virtual int ExitInstance();
  // The message loop: PreTranslateMessage, dispatch, OnIdle while no message waits; ends at
  // WM_QUIT with ExitInstance's result.
  virtual int Run();
  // The main window's PreTranslateMessage by default.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // Idle work; return true to be called again before waiting for the next message.
  virtual BOOL OnIdle(LONG count);

  void ParseCommandLine(CCommandLineInfo& info);
  HICON LoadIcon(UINT resourceId) const;

  const MessageMap* GetMessageMap() const override;

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  int m_nCmdShow = 1;
  std::string m_strAppName;  // set only when the application object is given a name

 protected:
  // The standard help command (ID_HELP); the programs carry no help file, so it shows nothing.
  void OnHelp();
};

#define ID_HELP 0xE146

namespace vp::fw {

CWinApp* GetApp();

// The application title: the executable's file name without its extension, unless the
// application object was given a name.
std::string AppTitle();

// A message box; a null caption means the application title. Returns IDOK, IDYES, ...
int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT type);
// The same, owned by the application's main window.
int AppMessageBox(const std::string& text, UINT type = MB_OK, const char* caption = nullptr);

// Ends the process at once with this code: no destructors, no further clean-up (the terminal
// front end still gives the terminal back).
[[noreturn]] void EndProcessNow(UINT code);

// Ends the message loop of Run with this code.
void PostQuitMessage(int code);

// The program entry: records the instance and arguments, runs InitInstance, then Run or
// ExitInstance. The executable's WinMain (Windows) or main (POSIX) calls it.
#ifdef _WIN32
int RunApplication(HINSTANCE instance, int showCommand);
#else
int RunApplication(int argc, char** argv);
#endif

// The module whose resources (dialogs, icons) the framework loads: the executable unless set.
HINSTANCE ResourceInstance();
void SetResourceInstance(HINSTANCE instance);

}  // namespace vp::fw
