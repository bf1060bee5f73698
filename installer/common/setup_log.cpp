#include "common/setup_log.h"

#include <ctime>
#include <vector>

#include "common/exit_codes.h"

namespace {

// The system code page's text as UTF-8.
std::string ToUtf8(const std::string& text) {
  if (text.empty()) return text;
  int wideSize = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0);
  if (wideSize <= 0) return text;
  std::vector<wchar_t> wide(static_cast<size_t>(wideSize));
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                      wideSize);
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return text;
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

std::string LocalTime(const char* format) {
  std::time_t now = std::time(nullptr);
  char text[32] = {};
  if (const std::tm* local = std::localtime(&now)) std::strftime(text, sizeof text, format, local);
  return text;
}

}  // namespace

const char* ExitCodeWords(UINT code) {
  switch (code) {
    case kExitSuccess: return "success";
    case kExitDiskFull: return "the disk is full";
    case kExitCancelled: return "cancelled";
    case kExitFatal: return "fatal error";
    case kExitNotInstalled: return "the product is not installed";
    case kExitSetupRunning: return "another setup is running";
    case kExitLogFailure: return "the log cannot be written";
    case kExitInvalidCommandLine: return "invalid command line";
    case kExitTerminalRunning: return "a terminal of the product is running";
    default: return "error";
  }
}

CSetupLog::~CSetupLog() {
  if (IsOpen()) CloseHandle(m_file);
}

bool CSetupLog::Open(const std::string& path) {
  if (IsOpen()) CloseHandle(m_file);
  m_file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsOpen()) return false;
  m_path = path;
  if (SetFilePointer(m_file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR) {
    CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
    return false;
  }
  return true;
}

void CSetupLog::Step(const std::string& text) {
  if (!IsOpen()) return;
  std::string line = LocalTime("%Y-%m-%d %H:%M:%S ") + ToUtf8(text) + "\r\n";
  DWORD written = 0;
  WriteFile(m_file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void CSetupLog::Finish(UINT exitCode) {
  Step("exit code " + std::to_string(exitCode) + " (" + ExitCodeWords(exitCode) + ")");
  if (IsOpen()) {
    FlushFileBuffers(m_file);
    CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
  }
}

void LogMessageBox(const std::string& text, const std::string& caption, int answer) {
  const char* button = answer == IDYES      ? "Yes"
                       : answer == IDNO     ? "No"
                       : answer == IDCANCEL ? "Cancel"
                                            : "OK";
  SetupLog().Step("message" + (caption.empty() ? std::string() : " [" + caption + "]") + ": " +
                  text + " -> " + button);
}

CSetupLog& SetupLog() {
  static CSetupLog log;
  return log;
}

std::string DefaultSetupLogPath() {
  char folder[MAX_PATH + 1] = {};
  DWORD n = GetTempPathA(sizeof folder, folder);
  std::string temp = n > 0 && n < sizeof folder ? std::string(folder, n) : std::string(".\\");
  if (temp.back() != '\\') temp += '\\';
  return temp + "VANTPlusTWSSetup-" + LocalTime("%Y%m%d-%H%M%S") + ".log";
}
