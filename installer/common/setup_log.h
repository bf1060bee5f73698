// The installer's log: one time-stamped UTF-8 line per step (the command line, the variant and
// drive, folders, files copied, backups made, registry values written, shortcuts made or
// removed, each message box and its answer), the last line the exit code in number and words.
// Always kept in unattended mode, in the dialog only when /LOG names a file. Every line is
// written through at once, so a run that is killed leaves a log up to its last step.
#pragma once

#include <string>

#include "platform/win.h"

class CSetupLog {
 public:
  ~CSetupLog();

  // Opens (creates or appends to) the log at `path`; false when it cannot be written.
  bool Open(const std::string& path);
  bool IsOpen() const { return m_file != INVALID_HANDLE_VALUE; }
  const std::string& Path() const { return m_path; }

  // One line: the local time, then `text` (8-bit system code page, written as UTF-8). Nothing
  // when the log is not open.
  void Step(const std::string& text);
  // The last line: "exit code <n> (<words>)"; closes the log.
  void Finish(UINT exitCode);

 private:
  HANDLE m_file = INVALID_HANDLE_VALUE;
  std::string m_path;
};

// Logs a message box the user saw (or that an unattended run answered) and its answer.
void LogMessageBox(const std::string& text, const std::string& caption, int answer);

// The process's log, shared by every step.
CSetupLog& SetupLog();

// %TEMP%\VANTPlusTWSSetup-<yyyymmdd-hhmmss>.log for this moment.
std::string DefaultSetupLogPath();
