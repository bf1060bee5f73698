#include "folder_entries.h"

#include <algorithm>
#include <cctype>

#include "platform/win.h"
#include "test_support.h"

namespace vp::test {

bool MakeEntries(const std::string& root, std::initializer_list<std::string> entries) {
  for (const std::string& entry : entries) {
    std::string path = root + "\\" + entry;
    for (size_t at = path.find('\\', root.size() + 1); at != std::string::npos;
         at = path.find('\\', at + 1))
      CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    if (entry.back() != '\\' && !WriteTextFile(path, entry)) return false;
  }
  return true;
}

namespace {

void ListInto(const std::string& folder, const std::string& prefix, std::set<std::string>& out) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      out.insert(prefix + lower);
      continue;
    }
    out.insert(prefix + lower + "\\");
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      ListInto(folder + "\\" + name, prefix + lower + "\\", out);
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

}  // namespace

std::set<std::string> Listing(const std::string& root) {
  std::set<std::string> out;
  ListInto(root, "", out);
  return out;
}

}  // namespace vp::test
