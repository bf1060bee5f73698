// The options a deployment tool gives the installer, beside "M:", "V:" and the plain argument:
// /VERYSILENT (or /SILENT, /S, /QUIET), /DRIVE=<letter>, /TYPE=VANTPLUS|FO|CM, /NOICONS,
// /TASKS=desktopicon,startmenu, /UNINSTALL, /LOG=<path>, and /NORESTART and /SUPPRESSMSGBOXES,
// which change nothing (the installer never restarts, and silent mode shows no box). Names are
// matched ignoring case, after the "/" or "-" the framework removes.
#pragma once

#include <string>
#include <vector>

struct SetupOptions {
  bool silent = false;
  bool uninstall = false;
  std::string drive;        // "D:\" from /DRIVE=D; empty: the drive the dialog preselects
  std::string type;         // from /TYPE=; empty: VANTPLUS
  bool desktopShortcut = true;
  bool startMenuShortcut = true;
  bool logGiven = false;    // /LOG= was given; `logPath` empty then means the default path
  std::string logPath;
  // What cannot be taken: unknown switches and bad values, each as given. A silent run with
  // any of these changes nothing and ends with the invalid-command-line code.
  std::vector<std::string> problems;
};

// Takes one switch argument (its "/" or "-" removed); false when it is none of the options
// above, and then it keeps its old meaning. A known option with a bad value is taken and
// noted in `problems`.
bool TakeSetupOption(const std::string& param, SetupOptions* options);

// The default when /TYPE= was not given.
std::string VariantOf(const SetupOptions& options);
