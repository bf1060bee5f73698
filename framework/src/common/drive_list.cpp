#include "framework/controls.h"

#include <cctype>

#include "platform/win.h"

namespace vp::fw {

std::vector<std::string> DriveListEntries() {
  std::vector<std::string> entries;
  // "C:\<nul>D:\<nul><nul>": 4 characters per drive, 26 drives at most.
  char buffer[26 * 4 + 2] = {};
  DWORD length = GetLogicalDriveStringsA(sizeof buffer - 1, buffer);
  if (length == 0 || length >= sizeof buffer) return entries;
  for (const char* root = buffer; *root; root += std::char_traits<char>::length(root) + 1) {
    char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(root[0])));
    entries.push_back(std::string("[-") + letter + "-]");
  }
  return entries;
}

}  // namespace vp::fw
