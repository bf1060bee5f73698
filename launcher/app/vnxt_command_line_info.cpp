#include "vnxt_command_line_info.h"

#include <cstring>

namespace {
constexpr const char* kUIModuleName = "VantPlusUI.dll";
}

void CVNXTCommandLineInfo::ParseParam(const char* param, bool, bool) {
  m_strModuleArg = std::strncmp(param, "\\L", 2) == 0 ? std::string(param + 2) : kUIModuleName;
  m_bBareLaunchSwitch = std::strcmp(param, "\\L") == 0;
}

bool WantsLaunchScreen(const CVNXTCommandLineInfo& commandLine) { return commandLine.m_bBareLaunchSwitch; }

std::string SettleUIModuleName(const CVNXTCommandLineInfo&) { return kUIModuleName; }
