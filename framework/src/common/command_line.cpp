#include "framework/command_line.h"

void CCommandLineInfo::ParseParam(const char*, bool, bool) {}

namespace vp::fw {

void ParseArguments(CCommandLineInfo& info, const std::vector<std::string>& arguments) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    // One switch character only: "--x" arrives as "-x" with the flag set.
    bool flag = !argument.empty() && (argument[0] == '/' || argument[0] == '-');
    std::string param = flag ? argument.substr(1) : argument;
    info.ParseParam(param.c_str(), flag, i + 1 == arguments.size());
  }
}

}  // namespace vp::fw
