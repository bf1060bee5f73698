// The command line as the application object parses it: ParseCommandLine hands each argument
// (program name excluded) to ParseParam, after removing one leading "/" or "-".
#pragma once

#include <string>
#include <vector>

class CCommandLineInfo {
 public:
  virtual ~CCommandLineInfo() = default;
  // `param` is the argument without its switch character; `flag` tells whether one was removed;
  // `last` whether this is the last argument. The base implementation ignores everything.
  virtual void ParseParam(const char* param, bool flag, bool last);
};

namespace vp::fw {

// Hands each argument to info.ParseParam as ParseCommandLine does.
void ParseArguments(CCommandLineInfo& info, const std::vector<std::string>& arguments);

// The process's arguments after the program name, split the way the C runtime splits the
// command line (quoted arguments whole, without their quotes).
std::vector<std::string> ProcessArguments();

}  // namespace vp::fw
