#include "installer_command_line.h"

#include <cstring>

void CInstallerCommandLineInfo::ParseParam(const char* param, bool flag, bool) {
  m_strArguments += (m_strArguments.empty() ? "" : " ") + std::string(flag ? "/" : "") + param;
  if (flag && TakeSetupOption(param, &m_options)) return;
  // The prefixes are case-sensitive: "m:P" is a setup folder, not a mode.
  if (std::strncmp(param, "M:", 2) == 0) {
    m_strMode = param + 2;
  } else if (std::strncmp(param, "V:", 2) == 0) {
    m_strVersion = param + 2;
  } else {
    // A switch of no meaning here is a setup folder to the dialog, as it always was; an
    // unattended run refuses it.
    if (flag) m_options.problems.push_back(std::string("/") + param);
    m_strSetupDir = param;
  }
}
