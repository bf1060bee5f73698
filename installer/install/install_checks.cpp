#include "install/install_checks.h"

#include <vector>

#include "files/folder_identity.h"
#include "files/folder_walk.h"
#include "platform/win.h"
#include "common/product_profile.h"
#include "uninstall/setup_folder.h"

bool IsDriveWritable(const std::string& drive) {
  std::string probe =
      files::JoinPath(drive, "~vp-write-" + std::to_string(GetCurrentProcessId()) + ".tmp");
  HANDLE file =
      CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool wrote = WriteFile(file, "v", 1, &written, nullptr) && written == 1;
  CloseHandle(file);
  DeleteFileA(probe.c_str());
  return wrote;
}

bool PackageLiesInDestination(const std::string& drive) {
  std::string package;
  if (!ReadCurrentDirectory(&package)) return false;
  if (files::IsSameFolder(drive, package)) return true;
  std::vector<std::string> emptied;
  for (const std::string* name : {&g_profile.DbFolderName, &g_profile.DataFolderName})
    if (!name->empty()) emptied.push_back(drive + *name);
  // The package folder and each folder above it, up to the drive root.
  for (std::string folder = package; folder.size() > 3;
       folder = files::TextBeforeLastBackslash(folder)) {
    for (const std::string& destination : emptied)
      if (files::IsSameFolder(destination, folder)) return true;
  }
  return false;
}
