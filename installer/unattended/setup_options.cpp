#include "unattended/setup_options.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// "D", "d:", "D:\" all name the drive root "D:\"; anything else is no drive.
std::string DriveRootOf(const std::string& value) {
  std::string v = Upper(value);
  bool letter = !v.empty() && v[0] >= 'A' && v[0] <= 'Z';
  if (!letter || !(v.size() == 1 || v == std::string(1, v[0]) + ":" ||
                   v == std::string(1, v[0]) + ":\\"))
    return "";
  return std::string(1, v[0]) + ":\\";
}

// /TASKS=: a comma-separated list; each task named ticks its box, the others are unticked.
bool TakeTasks(const std::string& value, SetupOptions* options) {
  options->desktopShortcut = options->startMenuShortcut = false;
  size_t start = 0;
  while (start <= value.size()) {
    size_t comma = value.find(',', start);
    std::string task = Upper(value.substr(start, comma == std::string::npos ? comma : comma - start));
    task.erase(std::remove(task.begin(), task.end(), ' '), task.end());
    if (task == "DESKTOPICON") options->desktopShortcut = true;
    else if (task == "STARTMENU") options->startMenuShortcut = true;
    else if (!task.empty()) return false;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return true;
}

}  // namespace

bool TakeSetupOption(const std::string& param, SetupOptions* options) {
  size_t equals = param.find('=');
  std::string name = Upper(param.substr(0, equals));
  std::string value = equals == std::string::npos ? std::string() : param.substr(equals + 1);
  bool hasValue = equals != std::string::npos;
  auto problem = [&] { options->problems.push_back("/" + param); };
  if (!hasValue) {
    if (name == "VERYSILENT" || name == "SILENT" || name == "S" || name == "QUIET") {
      options->silent = true;
    } else if (name == "UNINSTALL") {
      options->uninstall = true;
    } else if (name == "NOICONS") {
      options->desktopShortcut = options->startMenuShortcut = false;
    } else if (name == "NORESTART" || name == "SUPPRESSMSGBOXES") {
    } else if (name == "DRIVE" || name == "TYPE" || name == "TASKS" || name == "LOG") {
      problem();  // an option that needs a value, without one
    } else {
      return false;
    }
    return true;
  }
  if (name == "DRIVE") {
    options->drive = DriveRootOf(value);
    if (options->drive.empty()) problem();
  } else if (name == "TYPE") {
    options->type = Upper(value);
    if (options->type != "VANTPLUS" && options->type != "FO" && options->type != "CM") problem();
  } else if (name == "TASKS") {
    if (!TakeTasks(value, options)) problem();
  } else if (name == "LOG") {
    options->logGiven = true;
    options->logPath = value;
  } else {
    return false;
  }
  return true;
}

std::string VariantOf(const SetupOptions& options) {
  return options.type.empty() ? "VANTPLUS" : options.type;
}
