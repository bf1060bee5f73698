// Folder listings: FindFirstFileA / FindNextFileA / FindClose. The listing is taken when the
// search starts, in the order the host file system gives, "." and ".." first in any folder
// but a drive root, names matched with Windows' wildcard rules. A host name Windows cannot
// spell is listed in its mapped form (host_names.cpp).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "core/handles.h"
#include "core/internal.h"
#include "wildcard.h"

using vp::posix::Fail;

namespace {

struct FindObject : vp::handles::Object {
  std::vector<WIN32_FIND_DATAA> entries;
  size_t next = 0;
};

constexpr DWORD kReparseTagSymlink = 0xA000000C;

// `folder` is the listed folder's descriptor with `hostName` in it, or -1 to look `host` up
// whole (a name inside an open folder costs the kernel one step instead of a full path).
bool Fill(const std::string& name, const std::string& host, WIN32_FIND_DATAA& data, int folder = -1,
          const char* hostName = nullptr) {
  if (name.size() >= MAX_PATH) return false;  // a name Windows' ANSI calls cannot carry
  struct stat st;
  int found = folder >= 0 ? fstatat(folder, hostName, &st, AT_SYMLINK_NOFOLLOW) : lstat(host.c_str(), &st);
  if (found != 0) return false;
  std::memset(&data, 0, sizeof data);
  data.dwFileAttributes = vp::posix::AttributesOf(host, st);
  if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) data.dwReserved0 = kReparseTagSymlink;
  struct stat target = st;
  if (S_ISLNK(st.st_mode)) stat(host.c_str(), &target);
  data.ftCreationTime = vp::posix::ToFileTime(target.st_ctim);
  data.ftLastAccessTime = vp::posix::ToFileTime(target.st_atim);
  data.ftLastWriteTime = vp::posix::ToFileTime(target.st_mtim);
  if (!S_ISDIR(target.st_mode)) {
    auto size = static_cast<std::uint64_t>(target.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
  }
  std::memcpy(data.cFileName, name.c_str(), name.size() + 1);
  return true;
}

bool HasWildcards(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

// The search's handle, its first entry given in `out`; a search that found nothing fails.
HANDLE Started(const std::shared_ptr<FindObject>& find, WIN32_FIND_DATAA* out) {
  if (find->entries.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  *out = find->entries[0];
  find->next = 1;
  SetLastError(ERROR_SUCCESS);
  return vp::handles::Insert(find);
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* out) {
  if (!pattern || !out) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  std::string text = pattern;
  for (char& c : text)
    if (c == '/') c = '\\';
  size_t slash = text.find_last_of('\\');
  std::string folderPart, namePart;
  if (slash == std::string::npos) {
    bool driveOnly = text.size() >= 2 && text[1] == ':';
    folderPart = driveOnly ? text.substr(0, 2) : ".";
    namePart = driveOnly ? text.substr(2) : text;
  } else {
    folderPart = text.substr(0, slash + 1);
    namePart = text.substr(slash + 1);
  }
  auto find = std::make_shared<FindObject>();
  if (auto device = vp::path::DeviceName(text)) {  // found as Windows finds a device, in any folder
    WIN32_FIND_DATAA data{};
    data.dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    std::memcpy(data.cFileName, device->c_str(), device->size() + 1);
    find->entries.push_back(data);
    return Started(find, out);
  }

  DWORD error = 0;
  auto folder = vp::path::ToHost(folderPart, vp::path::Need::Existing, &error);
  if (!folder) return Fail(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error, INVALID_HANDLE_VALUE);
  if (namePart.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);  // a trailing backslash names no file
  struct stat st;
  if (stat(folder->host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);

  std::string hostFolder = folder->host == "/" ? "" : folder->host;
  if (!HasWildcards(namePart)) {
    // One name: found with the letter case it has on disk.
    std::string full = folder->windows + (folder->windows.back() == '\\' ? "" : "\\") + namePart;
    auto one = vp::path::ToHost(full, vp::path::Need::Existing, &error);
    if (!one) return Fail(error, INVALID_HANDLE_VALUE);
    WIN32_FIND_DATAA data;
    std::string onDisk = vp::path::WindowsNameOf(one->host.substr(one->host.find_last_of('/') + 1));
    if (!Fill(onDisk, one->host, data)) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    find->entries.push_back(data);
  } else {
    bool driveRoot = folder->windows.size() == 3;
    WIN32_FIND_DATAA data;
    if (!driveRoot) {
      for (const char* dots : {".", ".."})
        if (vp::posix::WildcardMatch(namePart, dots) && Fill(dots, folder->host, data)) find->entries.push_back(data);
    }
    DIR* dir = opendir(folder->host.c_str());
    if (!dir) return Fail(vp::posix::ErrorFromErrno(errno), INVALID_HANDLE_VALUE);
    while (const dirent* entry = readdir(dir)) {
      std::string hostName = entry->d_name;
      if (hostName == "." || hostName == "..") continue;
      std::string name = vp::path::WindowsNameOf(hostName);
      if (vp::posix::WildcardMatch(namePart, name) &&
          Fill(name, hostFolder + "/" + hostName, data, dirfd(dir), hostName.c_str()))
        find->entries.push_back(data);
    }
    closedir(dir);
  }
  return Started(find, out);
}

BOOL FindNextFileA(HANDLE h, WIN32_FIND_DATAA* out) {
  auto find = vp::handles::LookupAs<FindObject>(h);
  if (!find) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (find->next >= find->entries.size()) return Fail(ERROR_NO_MORE_FILES, FALSE);
  *out = find->entries[find->next++];
  return TRUE;
}

BOOL FindClose(HANDLE h) {
  if (!vp::handles::LookupAs<FindObject>(h) || !vp::handles::Remove(h)) return Fail(ERROR_INVALID_HANDLE, FALSE);
  return TRUE;
}
