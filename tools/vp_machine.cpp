// vp-machine: looks at the emulated Windows machine of this host ($VP_MACHINE_ROOT).
//   vp-machine              creates the machine if needed and lists its drives
//   vp-machine path X:\a    prints the host path of a Windows path
//   vp-machine win /a/b     prints the Windows path of a host path
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
  if (argc != 1) {
    std::fprintf(stderr, "usage: vp-machine [path <windows path> | win <host path>]\n");
    return 2;
  }
  std::printf("machine %s\nprofile %s\n", vp::machine::Root().c_str(), vp::machine::ProfileFolder().c_str());
  for (const auto& d : vp::machine::Drives())
    std::printf("%c: %-9s %s\n", d.letter, TypeName(d.type), d.hostFolder.c_str());
  return 0;
}
