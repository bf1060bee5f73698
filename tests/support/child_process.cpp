#include <map>
#include <string>

#include "platform/win.h"
#include "test_support.h"

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "platform/machine.h"
extern char** environ;
#endif

namespace vp::test {
namespace {

std::map<std::string, ChildFunction>& Children() {
  static std::map<std::string, ChildFunction> children;
  return children;
}

}  // namespace

bool RegisterChild(const char* name, ChildFunction function) {
  Children()[name] = function;
  return true;
}

bool RunChildIfAsked(int argc, char** argv, int* exitCode) {
  const std::string flag = "--vp-child=";
  if (argc < 2 || std::string(argv[1]).rfind(flag, 0) != 0) return false;
  auto it = Children().find(std::string(argv[1]).substr(flag.size()));
  *exitCode = it == Children().end() ? 100 : it->second(argc > 2 ? argv[2] : "");
  return true;
}

#ifdef _WIN32
std::intptr_t StartChildFrom(const std::string& program, const std::string& name, const std::string& argument) {
  std::string exe = program;
  std::string line = "\"" + exe + "\" --vp-child=" + name + " \"" + argument + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
  CloseHandle(pi.hThread);
  return reinterpret_cast<std::intptr_t>(pi.hProcess);
}

std::intptr_t StartChild(const std::string& name, const std::string& argument) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  return StartChildFrom(exe, name, argument);
}

void KillChild(std::intptr_t id) {
  TerminateProcess(reinterpret_cast<HANDLE>(id), 9);
  WaitChild(id);
}

int WaitChild(std::intptr_t id) {
  HANDLE process = reinterpret_cast<HANDLE>(id);
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return static_cast<int>(code);
}
#else
static std::intptr_t SpawnChild(const std::string& hostProgram, const std::string& name, const std::string& argument) {
  std::string flag = "--vp-child=" + name;
  std::string arg = argument;
  char* argv[] = {const_cast<char*>("child"), flag.data(), arg.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, hostProgram.c_str(), nullptr, nullptr, argv, environ) != 0) return 0;
  return pid;
}

std::intptr_t StartChild(const std::string& name, const std::string& argument) {
  return SpawnChild("/proc/self/exe", name, argument);
}

std::intptr_t StartChildFrom(const std::string& program, const std::string& name, const std::string& argument) {
  DWORD error = 0;
  auto resolved = vp::path::ToHost(program, vp::path::Need::Existing, &error);
  return resolved ? SpawnChild(resolved->host, name, argument) : 0;
}

void KillChild(std::intptr_t id) {
  kill(static_cast<pid_t>(id), SIGKILL);
  int status = 0;
  waitpid(static_cast<pid_t>(id), &status, 0);
}

int WaitChild(std::intptr_t id) {
  int status = 0;
  if (waitpid(static_cast<pid_t>(id), &status, 0) < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
#endif

int RunChild(const std::string& name, const std::string& argument) {
  std::intptr_t id = StartChild(name, argument);
  return id ? WaitChild(id) : -1;
}

}  // namespace vp::test
