#pragma once

#include <string>

namespace vp::posix {

// Windows' file-name wildcards, ignoring letter case: '*' any run of characters, '?' one
// character (or none at the end of the name or before its dot), and a pattern ending in ".*"
// also matching a name without any dot ("*.*" matches every name).
bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace vp::posix
