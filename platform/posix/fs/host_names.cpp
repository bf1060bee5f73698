// Host names that Windows cannot spell. A host name may hold characters a Windows name cannot
// ("<>:\"|?*\\" and control characters) or end in a dot or a blank, which Windows strips. Such
// a character is shown to programs as the private-use character U+F000 plus its code (in
// UTF-8), which every Windows call accepts, and mapped back when the name reaches the host: the
// file can be listed, found, opened, copied and deleted under that name.
//
// The mapping is one-to-one: a host name that holds a character of U+F000..U+F07F itself shows
// it preceded by U+F000 (never a mapped character, NUL being no name's), so `a?b` and a name
// with U+F03F in the place of `?` are two names for programs as they are two on the host.
#include <cstring>

#include "core/internal.h"

namespace vp::path {
namespace {

constexpr unsigned char kLead = 0xEF;  // first byte of U+F000..U+F07F in UTF-8
const char kEscape[] = "\xEF\x80\x80";  // U+F000: the next character is the host's own

bool NeverInWindowsName(unsigned char c) { return c != 0 && (c < 32 || std::strchr("<>:\"|?*\\", c) != nullptr); }

bool Mapped(const std::string& name, size_t at) {
  unsigned char c = static_cast<unsigned char>(name[at]);
  return NeverInWindowsName(c) || (at + 1 == name.size() && (c == '.' || c == ' '));
}

// True when the three bytes at `at` are a character of U+F000..U+F07F.
bool InMappingRange(const std::string& name, size_t at) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(name[i]); };
  return at + 2 < name.size() && byte(at) == kLead && (byte(at + 1) & 0xFE) == 0x80 && (byte(at + 2) & 0xC0) == 0x80;
}

}  // namespace

std::string WindowsNameOf(const std::string& hostName) {
  if (hostName == "." || hostName == "..") return hostName;
  size_t at = 0;
  while (at < hostName.size() && !Mapped(hostName, at) && !InMappingRange(hostName, at)) ++at;
  if (at == hostName.size()) return hostName;
  std::string out = hostName.substr(0, at);
  while (at < hostName.size()) {
    if (InMappingRange(hostName, at)) {
      out += kEscape;
      out.append(hostName, at, 3);
      at += 3;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(hostName[at]);
    if (Mapped(hostName, at)) {
      out += static_cast<char>(kLead);
      out += static_cast<char>(0x80 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(c);
    }
    ++at;
  }
  return out;
}

std::string HostNameOf(const std::string& windowsName) {
  if (windowsName.find(static_cast<char>(kLead)) == std::string::npos) return windowsName;
  std::string out;
  for (size_t at = 0; at < windowsName.size(); ++at) {
    if (InMappingRange(windowsName, at)) {
      if (windowsName.compare(at, 3, kEscape) == 0 && InMappingRange(windowsName, at + 3)) {
        out.append(windowsName, at + 3, 3);  // the host's own character
        at += 5;
        continue;
      }
      auto byte = [&](size_t i) { return static_cast<unsigned char>(windowsName[i]); };
      unsigned char c = static_cast<unsigned char>(((byte(at + 1) & 1) << 6) | (byte(at + 2) & 0x3F));
      if (NeverInWindowsName(c) || c == '.' || c == ' ') {
        out += static_cast<char>(c);
        at += 2;
        continue;
      }
    }
    out += windowsName[at];
  }
  return out;
}

}  // namespace vp::path
