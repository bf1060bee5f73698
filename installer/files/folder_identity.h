// Whether two paths name one folder, by identity rather than by spelling: another letter case,
// a second drive letter on the same place, a link or a short name all lead to the same folder.
// The test leaves a short-lived marker file in one folder and looks for it in the other; it
// works alike on every file system the installer meets.
#pragma once

#include <string>

namespace files {

// True when `a` and `b` are the same existing folder. False when either is missing, or when
// `a` cannot take the marker (nothing can then be written there either).
bool IsSameFolder(const std::string& a, const std::string& b);

// "C:\x" + "name" gives "C:\x\name"; "C:\" + "name" gives "C:\name".
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace files
