// The reserved device names of Windows ("nul", "con", "lpt1", ...): in any folder, with any
// extension, they name the device rather than a file.
#include <cctype>

#include "core/internal.h"

namespace vp::path {

std::optional<std::string> DeviceName(const std::string& path) {
  if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0) return std::nullopt;  // taken literally
  size_t start = path.find_last_of("\\/");
  start = start == std::string::npos ? (path.size() >= 2 && path[1] == ':' ? 2 : 0) : start + 1;
  std::string name = path.substr(start, path.find_first_of(".:", start) - start);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  std::string folded = Folded(name);
  bool plain = folded == "nul" || folded == "con" || folded == "aux" || folded == "prn";
  bool port = folded.size() == 4 && (folded.rfind("com", 0) == 0 || folded.rfind("lpt", 0) == 0) &&
              folded[3] >= '1' && folded[3] <= '9';
  if (!plain && !port) return std::nullopt;
  return name;
}

}  // namespace vp::path
