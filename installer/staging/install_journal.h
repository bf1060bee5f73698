// The journal of one staged install: a text file of records, one per line, each written and
// flushed before the change it announces. A later run reads it to finish or undo an install
// that was cut off. A record is a tab-separated list of fields (Windows paths hold no tabs or
// line breaks); a last line without its line break was cut off while being written, so the
// change it announces never began, and it is left out.
#pragma once

#include <string>
#include <vector>

#include "platform/win.h"

namespace staging {

using Record = std::vector<std::string>;

class CInstallJournal {
 public:
  CInstallJournal() = default;
  CInstallJournal(const CInstallJournal&) = delete;
  CInstallJournal& operator=(const CInstallJournal&) = delete;
  ~CInstallJournal() { Close(); }

  // Opens the journal file `path`, creating it when missing, for this process alone: while it
  // is open, no other run can take the install for an interrupted one. False with the system
  // error in GetLastError when it cannot be had (ERROR_SHARING_VIOLATION: another run holds it).
  bool Open(const std::string& path);
  // Appends one record and flushes it to the disk; false when it is not there whole.
  bool Append(const Record& record);
  void Close();
  bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
  // The complete records of the open journal, first to last.
  std::vector<Record> ReadRecords();

 private:
  HANDLE m_hFile = INVALID_HANDLE_VALUE;
};

}  // namespace staging
