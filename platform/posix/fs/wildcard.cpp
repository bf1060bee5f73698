#include "wildcard.h"

#include <vector>

namespace vp::posix {
namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Memoised matcher: at most pattern x name steps, whatever the stars.
bool Match(const std::string& p, const std::string& n) {
  // memo[i][j]: pattern from i matches name from j.
  std::vector<std::vector<signed char>> memo(p.size() + 1, std::vector<signed char>(n.size() + 1, -1));
  auto rec = [&](auto&& self, size_t i, size_t j) -> bool {
    signed char& m = memo[i][j];
    if (m >= 0) return m;
    bool result;
    if (i == p.size()) {
      result = j == n.size();
    } else if (p[i] == '*') {
      result = self(self, i + 1, j) || (j < n.size() && self(self, i, j + 1));
    } else if (p[i] == '?') {
      // One character, or none where the name ends or reaches its dot.
      bool none = (j == n.size() || n[j] == '.') && self(self, i + 1, j);
      result = none || (j < n.size() && self(self, i + 1, j + 1));
    } else {
      result = j < n.size() && Fold(p[i]) == Fold(n[j]) && self(self, i + 1, j + 1);
    }
    m = result;
    return result;
  };
  return rec(rec, 0, 0);
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  if (Match(pattern, name)) return true;
  // "name.*" and "*.*" stand also for names without an extension.
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 && name.find('.') == std::string::npos)
    return Match(pattern.substr(0, pattern.size() - 2), name);
  return false;
}

}  // namespace vp::posix
