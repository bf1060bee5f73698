// vp-machine: looks at the emulated Windows machine of this host ($VP_MACHINE_ROOT).
//   vp-machine              creates the machine if needed and lists its drives
//   vp-machine path X:\a    prints the host path of a Windows path
//   vp-machine win /a/b     prints the Windows path of a host path
//   vp-machine reg HKCU\Key Name  prints a string value of the registry (HKCU or HKLM)
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/machine.h"
#include "platform/win.h"

namespace {

const char* TypeName(vp::machine::DriveType t) {
  switch (t) {
    case vp::machine::DriveType::Fixed: return "fixed";
    case vp::machine::DriveType::Removable: return "removable";
    case vp::machine::DriveType::Remote: return "remote";
    case vp::machine::DriveType::Cdrom: return "cdrom";
  }
  return "?";
}

// Prints a string value as the programs read it (through the hive's journal, too); exit code
// 1 when the key or the value is missing or the value is no string.
int PrintRegistryString(const std::string& path, const char* name) {
  std::string::size_type slash = path.find('\\');
  std::string root = path.substr(0, slash);
  HKEY hive = root == "HKCU" || root == "HKEY_CURRENT_USER"    ? HKEY_CURRENT_USER
              : root == "HKLM" || root == "HKEY_LOCAL_MACHINE" ? HKEY_LOCAL_MACHINE
                                                               : nullptr;
  if (!hive || slash == std::string::npos) {
    std::fprintf(stderr, "vp-machine: %s: not a key of HKCU or HKLM\n", path.c_str());
    return 2;
  }
  HKEY key = nullptr;
  LSTATUS status = RegOpenKeyExA(hive, path.c_str() + slash + 1, 0, KEY_READ, &key);
  if (status != ERROR_SUCCESS) {
    std::fprintf(stderr, "vp-machine: %s: error %ld\n", path.c_str(), static_cast<long>(status));
    return 1;
  }
  char value[4096] = {};
  DWORD type = 0, size = sizeof value - 1;
  status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    std::fprintf(stderr, "vp-machine: %s: no string value %s (error %ld)\n", path.c_str(), name,
                 static_cast<long>(status));
    return 1;
  }
  std::printf("%s\n", value);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "path") == 0) {
    DWORD error = 0;
    auto resolved = vp::path::ToHost(argv[2], vp::path::Need::Creatable, &error);
    if (!resolved) {
      std::fprintf(stderr, "vp-machine: %s: error %u\n", argv[2], error);
      return 1;
    }
    std::printf("%s\n", resolved->host.c_str());
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "win") == 0) {
    std::printf("%s\n", vp::path::FromHost(argv[2]).c_str());
    return 0;
  }
  if (argc == 4 && std::strcmp(argv[1], "reg") == 0) return PrintRegistryString(argv[2], argv[3]);
  if (argc != 1) {
    std::fprintf(stderr, "usage: vp-machine [path <windows path> | win <host path> | reg <key> <value>]\n");
    return 2;
  }
  std::printf("machine %s\nprofile %s\n", vp::machine::Root().c_str(), vp::machine::ProfileFolder().c_str());
  for (const auto& d : vp::machine::Drives())
    std::printf("%c: %-9s %s\n", d.letter, TypeName(d.type), d.hostFolder.c_str());
  return 0;
}
