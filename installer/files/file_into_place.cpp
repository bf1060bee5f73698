#include "files/file_into_place.h"

#include <algorithm>
#include <vector>

#include "files/folder_walk.h"
#include "platform/win.h"

namespace files {

namespace {

// The temporary name sits in the target's own folder, so the final rename never crosses a
// volume and replaces the target in one step.
std::string TemporaryNameFor(const std::string& target) {
  size_t slash = target.rfind('\\');
  std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "~" + name + ".part";
}

// Removes whatever holds `path`: a link as a link, a file after clearing its read-only bit.
// False when something stays (a folder, or a file that cannot go).
bool ClearName(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveLink(path, attributes);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(path.c_str()) != FALSE;
}

// Asks the system to put the file's bytes on the disk before it gets its final name.
bool FlushToDisk(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool flushed = FlushFileBuffers(file) != FALSE;
  CloseHandle(file);
  return flushed;
}

HANDLE OpenForReading(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

}  // namespace

bool WriteIntoPlace(const std::string& target, const std::string& bytes) {
  std::string temporary = TemporaryNameFor(target);
  if (!ClearName(temporary)) return false;
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool whole = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size() && FlushFileBuffers(file);
  CloseHandle(file);
  if (whole && MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DWORD error = GetLastError();
  ClearName(temporary);
  SetLastError(error);
  return false;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes->clear();
  char buffer[8192];
  DWORD got = 0;
  bool read = true;
  while ((read = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0)
    bytes->append(buffer, got);
  CloseHandle(file);
  return read;
}

CopyOutcome CopyIntoPlace(const std::string& source, const std::string& target) {
  DWORD sourceAttributes = GetFileAttributesA(source.c_str());
  if (sourceAttributes == INVALID_FILE_ATTRIBUTES) return CopyOutcome::kNoSource;
  std::string temporary = TemporaryNameFor(target);
  if (!ClearName(temporary)) return CopyOutcome::kFailed;
  // The temporary name was cleared: failing when it exists again means nobody slipped a link
  // in its place to be written through.
  if (!CopyFileA(source.c_str(), temporary.c_str(), TRUE)) {
    DWORD error = GetLastError();
    ClearName(temporary);  // what a failed copy left is no use to anybody
    SetLastError(error);
    return CopyOutcome::kFailed;
  }
  // A read-only copy (the source was read-only) still gets flushed and, next time, replaced.
  SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
  DWORD targetAttributes = GetFileAttributesA(target.c_str());
  bool plainReadOnlyFile = targetAttributes != INVALID_FILE_ATTRIBUTES &&
                           (targetAttributes & FILE_ATTRIBUTE_READONLY) &&
                           !(targetAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
  if (plainReadOnlyFile) SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!FlushToDisk(temporary) ||
      !MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD error = GetLastError();
    ClearName(temporary);
    SetLastError(error);
    return CopyOutcome::kFailed;
  }
  if (sourceAttributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
  return CopyOutcome::kCopied;
}

bool SameFileContent(const std::string& a, const std::string& b) {
  HANDLE first = OpenForReading(a);
  if (first == INVALID_HANDLE_VALUE) return false;
  HANDLE second = OpenForReading(b);
  if (second == INVALID_HANDLE_VALUE) {
    CloseHandle(first);
    return false;
  }
  bool same = true;
  std::vector<char> left(64 * 1024), right(64 * 1024);
  for (;;) {
    DWORD gotLeft = 0, gotRight = 0;
    if (!ReadFile(first, left.data(), static_cast<DWORD>(left.size()), &gotLeft, nullptr) ||
        !ReadFile(second, right.data(), static_cast<DWORD>(right.size()), &gotRight, nullptr) ||
        gotLeft != gotRight ||
        !std::equal(left.begin(), left.begin() + gotLeft, right.begin())) {
      same = false;
      break;
    }
    if (gotLeft == 0) break;
  }
  CloseHandle(first);
  CloseHandle(second);
  return same;
}

}  // namespace files
