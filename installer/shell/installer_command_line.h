// The installer's command line: "M:<mode>", "V:<version>" and one plain argument, the setup
// folder, each after one optional "/" or "-" that the framework removes; and the options of an
// unattended run (unattended/setup_options.h), which are recognised first.
#pragma once

#include <string>

#include "framework/command_line.h"
#include "unattended/setup_options.h"

class CInstallerCommandLineInfo : public CCommandLineInfo {
 public:
  ~CInstallerCommandLineInfo() override = default;

  // The framework's own switches are not recognised: every argument other than an unattended
  // option lands in one of the three fields, the last of each kind winning. Values are kept
  // exactly as given.
  void ParseParam(const char* param, bool flag, bool last) override;

  std::string m_strMode;
  std::string m_strVersion;
  std::string m_strSetupDir;
  SetupOptions m_options;
  // The whole command line as given, for the log.
  std::string m_strArguments;
};
