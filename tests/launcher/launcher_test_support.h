// Helpers of the launcher tests: a module host that records its messages instead of showing
// them, and the probe module's switches and log.
#pragma once

#include <string>
#include <vector>

#include "ui_module_host.h"

namespace vp::test {

class RecordingHost : public CUIModuleHost {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowCrashMessage(const std::string& text) override { crashMessages.push_back(text); }
  std::vector<std::string> messages;
  std::vector<std::string> crashMessages;  // shown without an owner window
};

// Full path of a test module copied beside the test ("probe", "probe-no-init", ...).
std::string ProbeModule(const std::string& name);

// Sets (or, with null, removes) an environment variable the probe module reads.
void SetProbeVariable(const char* name, const char* value);

// A fresh log for the probe module in `folder`; ProbeLog reads its lines.
void StartProbeLog(const std::string& folder);
std::vector<std::string> ProbeLog();

}  // namespace vp::test
