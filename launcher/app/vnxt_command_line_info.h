// The launcher's command line: the terminal shortcuts pass one argument, "\L" followed by a
// module's base name ("\LVantPlusUI"). It is recorded; the module loaded stays "VantPlusUI.dll"
// whatever the arguments (the shortcuts and the installer rely on that name). Only a bare "\L",
// with nothing after it, asks for the launch screen, where the user picks the module.
#pragma once

#include <string>

#include "framework/command_line.h"

class CVNXTCommandLineInfo : public CCommandLineInfo {
 public:
  // Each parameter in turn sets m_strModuleArg: the text after a leading "\L" (compared as
  // is), else "VantPlusUI.dll"; so the last parameter decides.
  void ParseParam(const char* param, bool flag, bool last) override;

  std::string m_strModuleArg;
  // The last parameter was exactly "\L".
  bool m_bBareLaunchSwitch = false;
};

// Whether start-up shows the launch screen to choose the module.
bool WantsLaunchScreen(const CVNXTCommandLineInfo& commandLine);

// The UI module's file name: fixed, whatever the command line asked for.
std::string SettleUIModuleName(const CVNXTCommandLineInfo& commandLine);
