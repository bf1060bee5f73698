#include "files/package_record.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "files/file_into_place.h"
#include "files/folder_walk.h"
#include "platform/win.h"

namespace files {

namespace {

constexpr const char* kHeader = "package files 1";

}  // namespace

std::optional<Fingerprint> FingerprintOf(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  Fingerprint fingerprint{0, 14695981039346656037ull};
  std::vector<unsigned char> buffer(64 * 1024);
  DWORD got = 0;
  bool read = true;
  while ((read = ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                          nullptr) != FALSE) &&
         got > 0) {
    fingerprint.size += got;
    for (DWORD i = 0; i < got; ++i) {
      fingerprint.hash ^= buffer[i];
      fingerprint.hash *= 1099511628211ull;
    }
  }
  CloseHandle(file);
  if (!read) return std::nullopt;
  return fingerprint;
}

bool CPackageRecord::Load() {
  m_entries.clear();
  std::string text;
  if (!ReadWholeFile(m_path, &text)) return false;
  // One line a file: "<size> <hash in hex> <place>"; a record that does not read whole is none.
  size_t at = text.find('\n');
  if (at == std::string::npos || text.compare(0, at, kHeader) != 0) return false;
  for (size_t start = at + 1; start < text.size(); start = at + 1) {
    at = text.find('\n', start);
    if (at == std::string::npos) return m_entries.clear(), false;
    std::string line = text.substr(start, at - start);
    Fingerprint fingerprint;
    int consumed = 0;
    if (std::sscanf(line.c_str(), "%" SCNu64 " %" SCNx64 " %n", &fingerprint.size,
                    &fingerprint.hash, &consumed) != 2 ||
        consumed <= 0 || static_cast<size_t>(consumed) >= line.size())
      return m_entries.clear(), false;
    m_entries[FoldCase(line.substr(consumed))] = fingerprint;
  }
  return true;
}

bool CPackageRecord::Store() const {
  std::string text = std::string(kHeader) + "\n";
  for (const auto& [place, fingerprint] : m_entries) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%" PRIu64 " %016" PRIx64 " ", fingerprint.size,
                  fingerprint.hash);
    text += numbers + place + "\n";
  }
  return files::WriteIntoPlace(m_path, text);
}

void CPackageRecord::Add(const std::string& place, const Fingerprint& fingerprint) {
  m_entries[FoldCase(place)] = fingerprint;
}

bool CPackageRecord::Delivers(const std::string& place, const std::string& file) const {
  auto it = m_entries.find(FoldCase(place));
  if (it == m_entries.end()) return false;
  std::optional<Fingerprint> actual = FingerprintOf(file);
  return actual && *actual == it->second;
}

}  // namespace files
