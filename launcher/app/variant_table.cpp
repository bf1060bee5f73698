#include "variant_table.h"

namespace {

const LauncherVariant kVariants[] = {
    {"VANTPlusTWS.exe", "VANTPLUS", "SWTSULPTNAV"},
    {"VANTPlusFOTWS.exe", "FO", "OFSWTSULPTNAV"},
    {"VANTPlusCMTWS.exe", "CM", "MCSWTSULPTNAV"},
};

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualIgnoringCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return i == a.size() && !b[i];
}

}  // namespace

const LauncherVariant* FindLauncherVariant(const std::string& executableFileName) {
  for (const LauncherVariant& v : kVariants)
    if (EqualIgnoringCase(executableFileName, v.executableName)) return &v;
  return nullptr;
}

std::string FileNameOfPath(const std::string& path) {
  std::size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
