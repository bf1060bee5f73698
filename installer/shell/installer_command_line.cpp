#include "installer_command_line.h"

#include <cstring>

void CInstallerCommandLineInfo::ParseParam(const char* param, bool, bool) {
  // The prefixes are case-sensitive: "m:P" is a setup folder, not a mode.
  if (std::strncmp(param, "M:", 2) == 0) {
    m_strMode = param + 2;
  } else if (std::strncmp(param, "V:", 2) == 0) {
    m_strVersion = param + 2;
  } else {
    m_strSetupDir = param;
  }
}
