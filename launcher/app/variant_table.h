// The launcher's variants: the executable file names it accepts and the instance mutex that
// each variant holds while a terminal of it runs.
#pragma once

#include <string>

struct LauncherVariant {
  const char* executableName;
  const char* variant;
  const char* mutexName;
};

// The variant of an executable file name, compared without regard to case, in table order;
// null when the name is not in the table.
const LauncherVariant* FindLauncherVariant(const std::string& executableFileName);

// The text after the last backslash of a path.
std::string FileNameOfPath(const std::string& path);
