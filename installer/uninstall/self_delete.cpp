#include "uninstall/self_delete.h"

namespace {

// The installer runs at the highest priority while the interpreter starts, so that the
// interpreter, held at idle priority, gets to "del" only after the installer has ended.
void RaiseOwnPriority() {
  SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
}

void RestoreOwnPriority() {
  SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
}

// The value of `name` when it is set and fits MAX_PATH characters with its terminator.
bool ReadEnvironment(const char* name, std::string* value) {
  char buffer[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA(name, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  value->assign(buffer, length);
  return true;
}

}  // namespace

bool BuildDeleteCommand(const std::string& shortPath, std::string* parameters) {
  // Quoted, so that a blank in the path does not split it into two names for "del".
  std::string text = "/c del \"" + shortPath + "\" > nul";
  if (text.size() + 1 > MAX_PATH) return false;
  *parameters = text;
  return true;
}

BOOL DeleteFileAfterExit(const std::string& path) {
  char shortPath[MAX_PATH] = {};
  DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return FALSE;
  std::string interpreter, parameters;
  if (!ReadEnvironment("COMSPEC", &interpreter)) return FALSE;
  if (!BuildDeleteCommand(std::string(shortPath, length), &parameters)) return FALSE;

  RaiseOwnPriority();
  SHELLEXECUTEINFOA request = {};
  request.cbSize = sizeof request;
  request.fMask = SEE_MASK_NOCLOSEPROCESS;
  request.hwnd = nullptr;
  request.lpVerb = "Open";
  request.lpFile = interpreter.c_str();
  request.lpParameters = parameters.c_str();
  request.lpDirectory = nullptr;
  request.nShow = SW_HIDE;
  if (!ShellExecuteExA(&request)) {
    RestoreOwnPriority();
    return FALSE;
  }
  // The interpreter's handle stays open: the process ends right after this call.
  SetPriorityClass(request.hProcess, IDLE_PRIORITY_CLASS);
  SetProcessPriorityBoost(request.hProcess, TRUE);
  SHChangeNotify(SHCNE_DELETE, SHCNF_PATH, path.c_str(), nullptr);
  return TRUE;
}
