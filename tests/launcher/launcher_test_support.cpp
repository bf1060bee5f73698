#include "launcher_test_support.h"

#include <cstdlib>
#include <sstream>

#include "platform/win.h"
#include "test_support.h"

#ifndef _WIN32
#include "platform/machine.h"
#endif

namespace vp::test {

namespace {
std::string g_logPath;  // Windows path of the probe's log
}

std::string ProbeModule(const std::string& name) { return ExecutableFolder() + name + ".dll"; }

void SetProbeVariable(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value ? value : "");
#else
  if (value) setenv(name, value, 1);
  else unsetenv(name);
#endif
}

void StartProbeLog(const std::string& folder) {
  g_logPath = folder + "\\probe.log";
  std::string forModule = g_logPath;
#ifndef _WIN32
  DWORD error = 0;
  auto resolved = vp::path::ToHost(g_logPath, vp::path::Need::Creatable, &error);
  forModule = resolved ? resolved->host : "";
#endif
  SetProbeVariable("VP_PROBE_LOG", forModule.c_str());
}

std::vector<std::string> ProbeLog() {
  std::vector<std::string> lines;
  std::istringstream text(ReadTextFile(g_logPath));
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace vp::test
