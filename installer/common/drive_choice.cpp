#include "common/drive_choice.h"

#include <algorithm>
#include <cctype>

std::string DriveRootOfEntry(const std::string& entry) {
  std::string root;
  for (char c : entry)
    if (c != '[' && c != ']' && c != '-') root += c;
  root += ":\\";
  std::transform(root.begin(), root.end(), root.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return root;
}

int PreselectedDriveIndex(const std::vector<std::string>& entries,
                          const std::function<UINT(const std::string& root)>& driveType) {
  auto isFixed = [&](size_t i) { return driveType(DriveRootOfEntry(entries[i])) == DRIVE_FIXED; };
  if (entries.size() > 1 && isFixed(1)) return 1;
  for (size_t i = 0; i < entries.size(); ++i)
    if (isFixed(i)) return static_cast<int>(i);
  return -1;
}
