#include "vnxt_command_line_info.h"

#include <cstring>

namespace {
constexpr const char* kUIModuleName = "VantPlusUI.dll";
}

void CVNXTCommandLineInfo::ParseParam(const char* param, bool, bool) {
  m_strModuleArg = std::strncmp(param, "\\L", 2) == 0 ? std::string(param + 2) : kUIModuleName;
}

std::string SettleUIModuleName(const CVNXTCommandLineInfo&) { return kUIModuleName; }
