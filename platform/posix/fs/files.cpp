// Attributes, deletion, copying, moving and folders, with Windows results and error codes.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/internal.h"
#include "platform/posix/core/errors.h"
#include "platform/posix/fs/files.h"
#include "platform/posix/process/process.h"

using vp::path::Need;
using vp::path::ToHost;
using vp::posix::Fail;

namespace {

std::optional<vp::path::Resolved> Resolve(LPCSTR path, Need need) {
  if (!path) return Fail(ERROR_INVALID_PARAMETER, std::optional<vp::path::Resolved>());
  DWORD error = 0;
  auto resolved = ToHost(path, need, &error);
  if (!resolved) SetLastError(error);
  return resolved;
}

bool IsFolder(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsDriveRoot(const std::string& windows) { return windows.size() == 3; }

// True when some file below the host folder runs as an image or is open without sharing
// delete. Links are not followed.
bool SomeFileBelowIsHeld(const std::string& host) {
  DIR* folder = opendir(host.c_str());
  if (!folder) return false;
  bool held = false;
  while (!held) {
    struct dirent* entry = readdir(folder);
    if (!entry) break;
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string path = host + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) continue;
    held = S_ISDIR(st.st_mode) ? SomeFileBelowIsHeld(path) : vp::posix::DeleteBlocker(path, st) != 0;
  }
  closedir(folder);
  return held;
}

// Windows moves no folder whose tree holds a file in use. The look at every file is spared
// when no process holds anything there.
bool TreeHoldsAFile(const std::string& host) {
  return vp::posix::SomeHoldMayBeBelow(host) && SomeFileBelowIsHeld(host);
}

// Host path of the name the caller asked for, beside an existing object of the same name in
// another letter case (a rename that changes only the case).
std::string SameFolderWithGivenName(const std::string& host, LPCSTR target) {
  DWORD error = 0;
  std::string wanted = vp::path::FullWindowsPath(target, &error);
  return host.substr(0, host.find_last_of('/') + 1) + vp::path::HostNameOf(wanted.substr(wanted.find_last_of('\\') + 1));
}

}  // namespace

DWORD GetFileAttributesA(LPCSTR path) {
  if (path && vp::path::DeviceName(path)) return FILE_ATTRIBUTE_ARCHIVE;  // as Windows answers for a device
  auto r = Resolve(path, Need::Existing);
  if (!r) return INVALID_FILE_ATTRIBUTES;
  return vp::posix::AttributesOf(r->host, r->linkStat);
}

BOOL SetFileAttributesA(LPCSTR path, DWORD attributes) {
  auto r = Resolve(path, Need::Existing);
  if (!r) return FALSE;
  if (DWORD denied = vp::posix::DriveWriteError(r->windows)) return Fail(denied, FALSE);
  // Attributes belong to the link itself, as to a reparse point; the host keeps none for a
  // link, and what it points to is never changed through it.
  if (S_ISLNK(r->linkStat.st_mode)) return TRUE;
  struct stat st;
  if (stat(r->host.c_str(), &st) != 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
  mode_t mode = st.st_mode & 07777;
  // Read-only is the absence of write permission; clearing it gives the owner write access.
  mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  if (wanted != mode && chmod(r->host.c_str(), wanted) != 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
  return TRUE;
}

BOOL DeleteFileA(LPCSTR path) {
  auto r = Resolve(path, Need::Existing);
  if (!r) return FALSE;
  const struct stat& st = r->linkStat;  // taken by the resolution just now
  DWORD attributes = vp::posix::AttributesOf(r->host, st);
  if (DWORD denied = vp::posix::DriveWriteError(r->windows)) return Fail(denied, FALSE);
  // A folder, or a link standing for one, is removed with RemoveDirectoryA only.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (!S_ISLNK(st.st_mode) && (attributes & FILE_ATTRIBUTE_READONLY)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  // An open that does not share delete refuses it; a running program or a loaded module can
  // be renamed but not deleted.
  if (DWORD blocked = vp::posix::DeleteBlocker(r->host, st)) return Fail(blocked, FALSE);
  if (unlink(r->host.c_str()) != 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
  return TRUE;
}

BOOL MoveFileExA(LPCSTR existing, LPCSTR target, DWORD flags) {
  auto from = Resolve(existing, Need::Existing);
  if (!from) return FALSE;
  auto to = Resolve(target, Need::Creatable);
  if (!to) return FALSE;
  if (DWORD denied = vp::posix::DriveWriteError(from->windows)) return Fail(denied, FALSE);
  if (DWORD denied = vp::posix::DriveWriteError(to->windows)) return Fail(denied, FALSE);
  if (vp::posix::DeleteIsDenied(from->host, from->linkStat)) return Fail(ERROR_SHARING_VIOLATION, FALSE);
  if (S_ISDIR(from->linkStat.st_mode) && TreeHoldsAFile(from->host)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  std::string destination = to->host;
  struct stat a, b;
  bool sameObject = to->exists && lstat(from->host.c_str(), &a) == 0 && lstat(to->host.c_str(), &b) == 0 &&
                    a.st_dev == b.st_dev && a.st_ino == b.st_ino;
  if (sameObject) {
    destination = SameFolderWithGivenName(to->host, target);
  } else if (to->exists) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (IsFolder(to->host) || IsFolder(from->host)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    // An open of the replaced object that refuses delete, or its running as an image.
    if (DWORD blocked = vp::posix::DeleteBlocker(to->host, to->linkStat)) return Fail(blocked, FALSE);
    // The replaced object's own attributes count: a link is never read-only.
    if (!S_ISLNK(to->linkStat.st_mode) && !vp::posix::HasWriteBits(to->linkStat)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (rename(from->host.c_str(), destination.c_str()) == 0) return TRUE;
    if (errno != EXDEV) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
  } else if (renameat2(AT_FDCWD, from->host.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0) {
    return TRUE;
  } else if (errno != EXDEV) {
    return Fail(errno == EEXIST ? ERROR_ALREADY_EXISTS : vp::posix::ErrorFromErrno(errno), FALSE);
  }
  if (sameObject) {
    if (rename(from->host.c_str(), destination.c_str()) != 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
    return TRUE;
  }
  // Another device: a file is copied and then removed; a folder cannot move there.
  if (IsFolder(from->host)) return Fail(ERROR_NOT_SAME_DEVICE, FALSE);
  if (vp::posix::IsImageInUse(from->host, from->linkStat)) return Fail(ERROR_ACCESS_DENIED, FALSE);  // could not be removed
  if (!CopyFileA(from->windows.c_str(), to->windows.c_str(), !(flags & MOVEFILE_REPLACE_EXISTING))) return FALSE;
  if (unlink(from->host.c_str()) != 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
  return TRUE;
}

BOOL MoveFileA(LPCSTR existing, LPCSTR target) { return MoveFileExA(existing, target, MOVEFILE_COPY_ALLOWED); }

BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
  auto r = Resolve(path, Need::Creatable);
  if (!r) return FALSE;
  if (r->exists) return Fail(ERROR_ALREADY_EXISTS, FALSE);
  if (DWORD denied = vp::posix::DriveWriteError(r->windows)) return Fail(denied, FALSE);
  if (mkdir(r->host.c_str(), 0777) != 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
  return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR path) {
  auto r = Resolve(path, Need::Existing);
  if (!r) return FALSE;
  const struct stat& st = r->linkStat;  // taken by the resolution just now
  if (S_ISLNK(st.st_mode)) {
    // A link standing for a folder is removed as a link; its target stays untouched.
    if (!IsFolder(r->host)) return Fail(ERROR_DIRECTORY, FALSE);
    if (unlink(r->host.c_str()) != 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
    return TRUE;
  }
  if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY, FALSE);
  if (IsDriveRoot(r->windows)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (DWORD denied = vp::posix::DriveWriteError(r->windows)) return Fail(denied, FALSE);
  // The process's current directory is held open, as on Windows.
  if (vp::path::NamesEqual(r->windows, vp::path::CurrentDirectory())) return Fail(ERROR_SHARING_VIOLATION, FALSE);
  if (vp::posix::DeleteIsDenied(r->host, st)) return Fail(ERROR_SHARING_VIOLATION, FALSE);
  if (rmdir(r->host.c_str()) != 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
  return TRUE;
}

namespace {

// Windows' rule for calls that fill a caller's text buffer: the length without the terminator
// when it fits, else the size needed including it, the buffer left alone.
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size) {
  if (!buffer || size <= text.size()) return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

}  // namespace

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  return CopyOut(vp::path::CurrentDirectory(), buffer, size);
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
  if (!path) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  DWORD error = 0;
  std::string full = vp::path::FullWindowsPath(path, &error);
  if (full.empty()) return Fail(error, FALSE);
  // Room must stay for a trailing backslash and the terminator.
  if (full.size() > MAX_PATH - 2) return Fail(ERROR_FILENAME_EXCED_RANGE, FALSE);
  if (!vp::path::SetCurrentDirectory(full, &error)) return Fail(error, FALSE);
  return TRUE;
}

DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) {
  if (!path) return Fail(ERROR_INVALID_PARAMETER, 0u);
  DWORD error = 0;
  std::string full = vp::path::FullWindowsPath(path, &error);
  if (full.empty()) return Fail(error, 0u);
  std::string given = path;
  bool trailing = !given.empty() && (given.back() == '\\' || given.back() == '/');
  if (trailing && full.size() > 3) full += '\\';
  DWORD result = CopyOut(full, buffer, size);
  if (filePart && result < size) {
    size_t slash = full.find_last_of('\\');
    *filePart = (slash + 1 < full.size()) ? buffer + slash + 1 : nullptr;
  }
  return result;
}

// This machine's volumes keep no 8.3 aliases, as a Windows volume with short names turned
// off: the short form of an existing path is the path as given.
DWORD GetShortPathNameA(LPCSTR longPath, LPSTR buffer, DWORD size) {
  auto r = Resolve(longPath, Need::Existing);
  if (!r) return 0;
  return CopyOut(longPath, buffer, size);
}

DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR buffer, DWORD size) {
  auto r = Resolve(shortPath, Need::Existing);
  if (!r) return 0;
  return CopyOut(shortPath, buffer, size);
}

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  char value[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("TMP", value, sizeof value);
  if (n == 0 || n >= sizeof value) n = GetEnvironmentVariableA("TEMP", value, sizeof value);
  std::string path = (n > 0 && n < sizeof value) ? std::string(value, n)
                                                  : vp::machine::ProfileFolder() + "\\AppData\\Local\\Temp";
  if (path.back() != '\\') path += '\\';
  return CopyOut(path, buffer, size);
}

UINT GetDriveTypeA(LPCSTR root) {
  std::string text = root ? root : vp::path::CurrentDirectory().substr(0, 3);
  bool rootForm = (text.size() == 2 || (text.size() == 3 && (text[2] == '\\' || text[2] == '/'))) && text[1] == ':';
  if (!rootForm) return DRIVE_NO_ROOT_DIR;
  auto drive = vp::machine::FindDrive(text[0]);
  if (!drive) return DRIVE_NO_ROOT_DIR;
  switch (drive->type) {
    case vp::machine::DriveType::Fixed: return DRIVE_FIXED;
    case vp::machine::DriveType::Removable: return DRIVE_REMOVABLE;
    case vp::machine::DriveType::Remote: return DRIVE_REMOTE;
    case vp::machine::DriveType::Cdrom: return DRIVE_CDROM;
  }
  return DRIVE_UNKNOWN;
}

DWORD GetLogicalDrives() {
  DWORD mask = 0;
  for (const auto& d : vp::machine::Drives()) mask |= 1u << (d.letter - 'A');
  return mask;
}

DWORD GetLogicalDriveStringsA(DWORD size, LPSTR buffer) {
  std::string all;
  for (const auto& d : vp::machine::Drives()) {
    all += d.letter;
    all += ":\\";
    all += '\0';
  }
  if (!buffer || size < all.size() + 1) return static_cast<DWORD>(all.size() + 1);
  std::memcpy(buffer, all.data(), all.size());
  buffer[all.size()] = '\0';
  return static_cast<DWORD>(all.size());
}
