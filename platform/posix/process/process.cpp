// Environment and process services. The environment is the host's, with the variables a
// Windows program expects filled in from the emulated machine when the host lacks them.
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "core/internal.h"
#include "platform/posix/process/process.h"

extern char** environ;

using vp::posix::Fail;

namespace {

std::optional<std::string> DefaultFor(const std::string& upperName) {
  std::string profile = vp::machine::ProfileFolder();
  if (upperName == "USERPROFILE") return profile;
  if (upperName == "COMSPEC") return std::string("C:\\Windows\\System32\\cmd.exe");
  if (upperName == "SYSTEMROOT" || upperName == "WINDIR") return std::string("C:\\Windows");
  if (upperName == "SYSTEMDRIVE" || upperName == "HOMEDRIVE") return std::string("C:");
  if (upperName == "HOMEPATH") return profile.substr(2);
  if (upperName == "USERNAME") return vp::machine::UserName();
  if (upperName == "APPDATA") return profile + "\\AppData\\Roaming";
  if (upperName == "TEMP" || upperName == "TMP") return profile + "\\AppData\\Local\\Temp";
  return std::nullopt;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Windows looks names up without regard to letter case.
std::optional<std::string> Lookup(const std::string& name) {
  if (const char* exact = std::getenv(name.c_str())) return std::string(exact);
  std::string wanted = Upper(name);
  for (char** e = environ; e && *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq && Upper(std::string(*e, static_cast<size_t>(eq - *e))) == wanted) return std::string(eq + 1);
  }
  return std::nullopt;
}

// USERPROFILE, COMSPEC and the like are in the environment from the start, so that the C
// runtime's getenv finds them as on Windows.
__attribute__((constructor)) void FillWindowsEnvironment() {
  for (const char* name : {"USERPROFILE", "COMSPEC", "SystemRoot", "windir", "SystemDrive", "HOMEDRIVE",
                           "HOMEPATH", "USERNAME", "APPDATA"})
    if (!Lookup(name)) setenv(name, DefaultFor(Upper(name))->c_str(), 0);
}

// What Windows gives every process from its start: a write past a file-size limit or into a
// pipe nobody reads fails with an error the program sees (ERROR_DISK_FULL, ERROR_NO_DATA)
// instead of ending it, and the program's own file is held as a running image.
__attribute__((constructor)) void PrepareProcess() {
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  static const int ownImage = vp::posix::HoldImage("/proc/self/exe");
  (void)ownImage;
}

}  // namespace

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
  if (!name) return Fail(ERROR_INVALID_PARAMETER, 0u);
  auto value = Lookup(name);
  if (!value) value = DefaultFor(Upper(name));
  if (!value) return Fail(ERROR_ENVVAR_NOT_FOUND, 0u);
  if (!buffer || size <= value->size()) return static_cast<DWORD>(value->size() + 1);
  std::memcpy(buffer, value->c_str(), value->size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(value->size());
}

BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value) {
  if (!name || !*name || std::strchr(name, '=')) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (!value) {
    if (!Lookup(name)) return Fail(ERROR_ENVVAR_NOT_FOUND, FALSE);
    unsetenv(name);
    return TRUE;
  }
  return setenv(name, value, 1) == 0 ? TRUE : Fail(ERROR_NOT_ENOUGH_MEMORY, FALSE);
}

DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR buffer, DWORD size) {
  if (!source) return Fail(ERROR_INVALID_PARAMETER, 0u);
  std::string in = source, out;
  for (size_t i = 0; i < in.size();) {
    size_t close = in[i] == '%' ? in.find('%', i + 1) : std::string::npos;
    if (close != std::string::npos && close > i + 1) {
      std::string name = in.substr(i + 1, close - i - 1);
      auto value = Lookup(name);
      if (!value) value = DefaultFor(Upper(name));
      if (value) {
        out += *value;
        i = close + 1;
        continue;
      }
    }
    out += in[i++];
  }
  // This call counts the terminator in its result.
  if (buffer && size > out.size()) std::memcpy(buffer, out.c_str(), out.size() + 1);
  return static_cast<DWORD>(out.size() + 1);
}

void ExitProcess(UINT code) {
  std::fflush(nullptr);
  _exit(static_cast<int>(code));
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

DWORD GetTickCount() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<DWORD>(static_cast<std::uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

void Sleep(DWORD milliseconds) {
  struct timespec ts {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

LPSTR GetCommandLineA() {
  // The host's argument vector, quoted the way Windows programs expect to split it again.
  static std::string line = [] {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string result, arg;
    auto flush = [&] {
      if (!result.empty()) result += ' ';
      bool quote = arg.empty() || arg.find_first_of(" \t\"") != std::string::npos;
      if (!quote) {
        result += arg;
      } else {
        result += '"';
        size_t backslashes = 0;
        for (char c : arg) {
          if (c == '\\') {
            ++backslashes;
          } else {
            if (c == '"') result.append(backslashes + 1, '\\');
            backslashes = 0;
          }
          result += c;
        }
        result.append(backslashes, '\\');
        result += '"';
      }
      arg.clear();
    };
    for (char c : raw) {
      if (c == '\0') flush();
      else arg += c;
    }
    if (!arg.empty()) flush();
    return result;
  }();
  return line.data();
}

namespace {
DWORD g_priorityClass = NORMAL_PRIORITY_CLASS;
thread_local int t_threadPriority = THREAD_PRIORITY_NORMAL;
constexpr std::uintptr_t kCurrentProcess = static_cast<std::uintptr_t>(-1);
constexpr std::uintptr_t kCurrentThread = static_cast<std::uintptr_t>(-2);
}  // namespace

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(kCurrentProcess); }
HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(kCurrentThread); }

BOOL SetPriorityClass(HANDLE process, DWORD priorityClass) {
  if (reinterpret_cast<std::uintptr_t>(process) != kCurrentProcess) return Fail(ERROR_INVALID_HANDLE, FALSE);
  int nice;
  switch (priorityClass) {
    case IDLE_PRIORITY_CLASS: nice = 19; break;
    case NORMAL_PRIORITY_CLASS: nice = 0; break;
    case HIGH_PRIORITY_CLASS: nice = -10; break;
    case REALTIME_PRIORITY_CLASS: nice = -20; break;
    default: return Fail(ERROR_INVALID_PARAMETER, FALSE);
  }
  // Raising priority needs privileges the host may not give; Windows then grants the highest
  // class it can, so a refusal here is not an error.
  setpriority(PRIO_PROCESS, 0, nice);
  g_priorityClass = priorityClass;
  return TRUE;
}

DWORD GetPriorityClass(HANDLE process) {
  if (reinterpret_cast<std::uintptr_t>(process) != kCurrentProcess) return Fail(ERROR_INVALID_HANDLE, 0u);
  return g_priorityClass;
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
  if (reinterpret_cast<std::uintptr_t>(thread) != kCurrentThread) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (priority < THREAD_PRIORITY_IDLE || priority > THREAD_PRIORITY_TIME_CRITICAL) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  t_threadPriority = priority;
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  if (reinterpret_cast<std::uintptr_t>(thread) != kCurrentThread) return Fail(ERROR_INVALID_HANDLE, 0x7fffffff);
  return t_threadPriority;
}
