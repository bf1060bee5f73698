// Whether a drive may be written: the host's root (Z: unless the drive table lists it) is
// read-only, a drive whose folder lost its write permission is a write-protected disk, and a
// drive whose folder is gone is a drive with no disk in it.
#include <sys/stat.h>

#include "core/internal.h"

namespace vp::posix {

DWORD DriveWriteError(const std::string& windowsPath, bool queueJustApplied) {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return ERROR_PATH_NOT_FOUND;
  auto drive = vp::machine::FindDrive(windowsPath[0]);
  if (!drive) return ERROR_PATH_NOT_FOUND;
  if (drive->readOnly) return ERROR_ACCESS_DENIED;
  // A stat kept by the change queue saves asking the disk once per file of an install.
  struct stat st;
  if (!vp::path::DriveFolderStat(drive->hostFolder, queueJustApplied, &st) || !S_ISDIR(st.st_mode))
    return ERROR_NOT_READY;
  // Checked on the bits, not by trying: the superuser would otherwise write anyway.
  if (!HasWriteBits(st)) return ERROR_WRITE_PROTECT;
  return 0;
}

}  // namespace vp::posix
