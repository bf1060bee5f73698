// The C runtime's folder calls over the Windows services, with the runtime's errno values.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/internal.h"

namespace {

int ErrnoFor(DWORD error) {
  switch (error) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_DIRECTORY:
    case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_DISK_FULL: return ENOSPC;
    default: return EACCES;
  }
}

int Result(BOOL ok) {
  if (ok) return 0;
  errno = ErrnoFor(GetLastError());
  return -1;
}

}  // namespace

int _mkdir(const char* path) { return Result(CreateDirectoryA(path, nullptr)); }

int _rmdir(const char* path) { return Result(RemoveDirectoryA(path)); }

int _chdir(const char* path) { return Result(SetCurrentDirectoryA(path)); }

char* _getcwd(char* buffer, int size) {
  std::string cwd = vp::path::CurrentDirectory();
  if (!buffer) {
    size_t n = std::max<size_t>(cwd.size() + 1, size > 0 ? static_cast<size_t>(size) : 0);
    buffer = static_cast<char*>(std::malloc(n));
    if (!buffer) {
      errno = ENOMEM;
      return nullptr;
    }
    size = static_cast<int>(n);
  }
  if (size <= 0 || static_cast<size_t>(size) <= cwd.size()) {
    errno = ERANGE;
    return nullptr;
  }
  std::memcpy(buffer, cwd.c_str(), cwd.size() + 1);
  return buffer;
}

int _access(const char* path, int mode) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    errno = ENOENT;
    return -1;
  }
  if ((mode & 2) && (attributes & FILE_ATTRIBUTE_READONLY)) {
    errno = EACCES;
    return -1;
  }
  return 0;
}
