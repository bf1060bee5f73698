// The shell link (".lnk") binary format: a header, the target's location (LinkInfo with the
// volume and the local base path) and the string data, as Windows and lnkinfo read them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/core/types.h"

namespace vp::shelllink {

struct LinkData {
  std::string target;   // full "X:\..." path in the system code page; empty: no LinkInfo
  DWORD driveType = 3;  // of the target's volume (DRIVE_FIXED)
  DWORD volumeSerial = 0;
  // What the target looked like when it was set (zero when it did not exist).
  DWORD targetAttributes = 0;
  FILETIME creationTime{}, accessTime{}, writeTime{};
  DWORD targetSize = 0;
  // String data; each is written only when not empty.
  std::string description, relativePath, workingDirectory, arguments, iconLocation;
  int iconIndex = 0;
  int showCommand = 1;  // SW_SHOWNORMAL
  WORD hotkey = 0;
};

std::vector<std::uint8_t> Encode(const LinkData& link);
// Reads a link written by this layer or by Windows (an item id list and extra data blocks
// are skipped); nullopt when the bytes are not a shell link.
std::optional<LinkData> Decode(const std::vector<std::uint8_t>& bytes);

}  // namespace vp::shelllink
