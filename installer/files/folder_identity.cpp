#include "files/folder_identity.h"

#include "files/folder_walk.h"
#include "platform/win.h"

namespace files {

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

bool IsSameFolder(const std::string& a, const std::string& b) {
  DWORD first = GetFileAttributesA(a.c_str()), second = GetFileAttributesA(b.c_str());
  if (first == INVALID_FILE_ATTRIBUTES || second == INVALID_FILE_ATTRIBUTES ||
      !(first & FILE_ATTRIBUTE_DIRECTORY) || !(second & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  static unsigned counter = 0;
  std::string name = "~vp-same-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(++counter) + ".tmp";
  std::string marker = JoinPath(a, name);
  HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  bool same = PathExists(JoinPath(b, name));
  DeleteFileA(marker.c_str());
  return same;
}

}  // namespace files
