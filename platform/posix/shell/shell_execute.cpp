// ShellExecuteExA for the one request the programs make of it: the command interpreter asked
// to "del" a file, started hidden while the asking process ends. The interpreter is stood in
// for by a helper process forked from the caller: it leaves the caller's session, lets go of
// every inherited descriptor (so that no share-mode lock or named object of the caller
// outlives it), waits at idle priority until the caller has ended and deletes the file.
#include "platform/posix/shell/shell_execute.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/handles.h"
#include "core/internal.h"
#include "platform/posix/process/process.h"

using vp::posix::Fail;

namespace {

// The process handle ShellExecuteExA hands out for a helper.
struct HelperProcess : vp::handles::Object {
  explicit HelperProcess(pid_t id) : pid(id) {}
  // A helper that has finished is reaped; one still waiting is left to run on its own.
  ~HelperProcess() override { waitpid(pid, nullptr, WNOHANG); }
  pid_t pid;
};

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool IsCommandInterpreter(const std::string& file) {
  char comspec[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("COMSPEC", comspec, MAX_PATH);
  if (length > 0 && length < MAX_PATH && EqualsNoCase(file, comspec)) return true;
  std::string name = file.substr(file.find_last_of("\\/") + 1);
  return EqualsNoCase(name, "cmd.exe") || EqualsNoCase(name, "cmd");
}

// Splits interpreter parameters into words; a quoted word keeps its blanks, and ">" stands
// alone. False on an unterminated quote.
bool SplitWords(const std::string& text, std::vector<std::string>* words) {
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '\t') {
      ++i;
    } else if (text[i] == '>') {
      words->push_back(">");
      ++i;
    } else if (text[i] == '"') {
      size_t close = text.find('"', i + 1);
      if (close == std::string::npos) return false;
      words->push_back(text.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      size_t end = text.find_first_of(" \t>\"", i);
      if (end == std::string::npos) end = text.size();
      words->push_back(text.substr(i, end - i));
      i = end;
    }
  }
  return true;
}

// The file of "/c del <file>" with an optional "> nul"; false for any other command.
bool ParseDeleteCommand(const char* parameters, std::string* file) {
  std::vector<std::string> words;
  if (!parameters || !SplitWords(parameters, &words)) return false;
  bool quiet = words.size() == 5 && words[3] == ">" && EqualsNoCase(words[4], "nul");
  if (words.size() != 3 && !quiet) return false;
  if (!EqualsNoCase(words[0], "/c") || !EqualsNoCase(words[1], "del")) return false;
  // Wildcards and option switches are beyond what this stand-in does.
  if (words[2].empty() || words[2][0] == '/' || words[2].find_first_of("*?") != std::string::npos)
    return false;
  *file = words[2];
  return true;
}

BOOL Refuse(SHELLEXECUTEINFOA* info, DWORD error) {
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_FNF));
  return Fail(error, FALSE);
}

void SleepMilliseconds(long milliseconds) {
  struct timespec pause {0, milliseconds * 1000000L};
  nanosleep(&pause, nullptr);
}

// The helper's whole life, after fork: only calls that are safe in a forked child of a
// threaded process. `hostFile` is empty when the file did not exist when it was asked for.
[[noreturn]] void RunDeleteHelper(pid_t asker, const char* hostFile, int descriptorLimit) {
  setsid();
  int null = open("/dev/null", O_RDWR);
  if (null >= 0) {
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
  }
#ifdef SYS_close_range
  if (syscall(SYS_close_range, 3u, ~0u, 0u) != 0)
#endif
    for (int fd = 3; fd < descriptorLimit; ++fd) close(fd);
  setpriority(PRIO_PROCESS, 0, 19);
  // The asker is our parent until it has ended; then we are handed to another process.
  while (getppid() == asker) SleepMilliseconds(20);
  struct stat st;
  // "del" leaves read-only files alone, as the interpreter's does without /f.
  if (*hostFile && lstat(hostFile, &st) == 0 && !S_ISDIR(st.st_mode) &&
      (S_ISLNK(st.st_mode) || (st.st_mode & 0222)))
    unlink(hostFile);
  _exit(0);
}

}  // namespace

BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info) {
  if (!info || info->cbSize != sizeof(SHELLEXECUTEINFOA)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  info->hProcess = nullptr;
  if (!info->lpFile || !IsCommandInterpreter(info->lpFile)) return Refuse(info, ERROR_FILE_NOT_FOUND);
  if (info->lpVerb && *info->lpVerb && !EqualsNoCase(info->lpVerb, "open"))
    return Refuse(info, ERROR_NOT_SUPPORTED);
  std::string file;
  if (!ParseDeleteCommand(info->lpParameters, &file)) return Refuse(info, ERROR_NOT_SUPPORTED);

  // Everything the helper needs is worked out before the fork.
  DWORD error = 0;
  auto resolved = vp::path::ToHost(file, vp::path::Need::Existing, &error);
  std::string hostFile = resolved ? resolved->host : std::string();
  struct rlimit limit {};
  int descriptorLimit = 1024;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    descriptorLimit = static_cast<int>(limit.rlim_cur < 65536 ? limit.rlim_cur : 65536);
  pid_t asker = getpid();

  pid_t helper = fork();
  if (helper < 0) return Refuse(info, vp::posix::ErrorFromErrno(errno));
  if (helper == 0) RunDeleteHelper(asker, hostFile.c_str(), descriptorLimit);

  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
  if (info->fMask & SEE_MASK_NOCLOSEPROCESS)
    info->hProcess = vp::handles::Insert(std::make_shared<HelperProcess>(helper));
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL SetProcessPriorityBoost(HANDLE process, BOOL) {
  if (process == GetCurrentProcess() || vp::handles::LookupAs<HelperProcess>(process)) return TRUE;
  return Fail(ERROR_INVALID_HANDLE, FALSE);
}

void SHChangeNotify(LONG, UINT, LPCVOID, LPCVOID) {}
