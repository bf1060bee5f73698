#include "files/folder_walk.h"

#include <cctype>

namespace files {

bool WalkFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& handle) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return true;
  bool completed = true;
  bool more = true;
  while (more) {
    FolderEntry entry{data.cFileName, folder + "\\" + data.cFileName, data.dwFileAttributes,
                      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
                          data.nFileSizeLow};
    more = FindNextFileA(find, &data) != FALSE;
    if (entry.name == "." || entry.name == "..") continue;
    if (!handle(entry)) {
      completed = false;
      break;
    }
  }
  FindClose(find);
  return completed;
}

bool AnythingMatches(const std::string& pattern) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FoldCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string TextBeforeLastBackslash(const std::string& path) {
  size_t at = path.rfind('\\');
  return at == std::string::npos ? std::string() : path.substr(0, at);
}

bool RemoveLink(const std::string& path, DWORD attributes) {
  // A link standing for a folder goes with RemoveDirectory, a file link with DeleteFile; both
  // remove the link only.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && RemoveDirectoryA(path.c_str())) return true;
  return DeleteFileA(path.c_str()) != FALSE;
}

bool DeleteFoundFile(const FolderEntry& entry) {
  if (entry.IsLink()) return RemoveLink(entry.path, entry.attributes);
  if (entry.IsReadOnly()) SetFileAttributesA(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(entry.path.c_str()) != FALSE;
}

}  // namespace files
