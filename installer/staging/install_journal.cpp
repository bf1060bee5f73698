#include "staging/install_journal.h"

#include "staging/text_file.h"

namespace staging {

bool CInstallJournal::Open(const std::string& path) {
  Close();
  // Readers may look; no other writer and no delete while this run owns the journal.
  m_hFile = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return IsOpen();
}

void CInstallJournal::Close() {
  if (!IsOpen()) return;
  CloseHandle(m_hFile);
  m_hFile = INVALID_HANDLE_VALUE;
}

bool CInstallJournal::Append(const Record& record) {
  if (!IsOpen()) return false;
  std::string line;
  for (size_t i = 0; i < record.size(); ++i) line += (i ? "\t" : "") + record[i];
  line += '\n';
  if (SetFilePointer(m_hFile, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) return false;
  DWORD written = 0;
  if (!WriteFile(m_hFile, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
      written != line.size())
    return false;
  return FlushFileBuffers(m_hFile) != FALSE;
}

std::vector<Record> CInstallJournal::ReadRecords() {
  if (!IsOpen() || SetFilePointer(m_hFile, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
    return {};
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(m_hFile, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return SplitRecords(text);
}

}  // namespace staging
