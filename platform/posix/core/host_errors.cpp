#include <cerrno>

#include "internal.h"

namespace vp::posix {

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ERROR_DISK_FULL;  // a file-size limit is a full disk to the program
    case EPIPE: return ERROR_NO_DATA;    // the reading end of a pipe has gone
    case EROFS: return ERROR_WRITE_PROTECT;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ELOOP: return ERROR_CANTOPEN;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_ACCESS_DENIED;
  }
}

FILETIME ToFileTime(const struct timespec& ts) {
  // 100-nanosecond ticks since 1601-01-01.
  constexpr std::uint64_t kEpochDifference = 116444736000000000ULL;
  std::uint64_t ticks = static_cast<std::uint64_t>(ts.tv_sec) * 10000000ULL +
                        static_cast<std::uint64_t>(ts.tv_nsec) / 100 + kEpochDifference;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

bool HasWriteBits(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0; }

DWORD AttributesOf(const std::string& hostPath, const struct stat& linkStat) {
  struct stat st = linkStat;
  DWORD attributes = 0;
  if (S_ISLNK(linkStat.st_mode)) {
    attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    struct stat target;
    if (stat(hostPath.c_str(), &target) == 0) st = target;
  }
  attributes |= S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!HasWriteBits(st)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

}  // namespace vp::posix
