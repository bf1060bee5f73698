#include "uninstall/setup_folder.h"

#include <cctype>

#include "files/folder_walk.h"
#include "files/tree_operations.h"
#include "platform/win.h"
#include "common/product_profile.h"

bool ReadCurrentDirectory(std::string* folder) {
  char buffer[MAX_PATH] = {};
  DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
  if (length == 0 || length >= MAX_PATH) return false;
  folder->assign(buffer, length);
  return true;
}

bool IsVariantSetupFolder(const std::string& folder) {
  if (g_profile.SetupBaseName.empty() || folder.size() < 3) return false;
  bool driveRoot = std::isalpha(static_cast<unsigned char>(folder[0])) && folder[1] == ':' &&
                   folder[2] == '\\';
  return driveRoot && files::EqualsNoCase(folder, folder.substr(0, 3) + g_profile.SetupBaseName);
}

bool PlaceUninstaller(InstallerState& state,
                      const std::function<std::string(const std::string&)>& stage) {
  std::string current;
  if (!ReadCurrentDirectory(&current)) return true;
  std::string drive = state.GetDrive();
  std::string target = drive + g_profile.SetupBaseName;
  if (target == drive) {
    state.AskUser("Cannot delete Log drive", "Error!", MB_OK);
    state.EndProcess(0);
    return false;
  }
  // Deleting the folder the program runs from would lose the program it is to copy.
  if (files::EqualsNoCase(current, target)) return true;
  if (stage) {
    target = stage(target);
    if (target.empty()) return false;
  } else {
    DeleteTree(target);
    CreateDirectoryA(target.c_str(), nullptr);
  }
  std::string program = current + g_profile.SetupExeName;
  BOOL copied = CopyFileA(program.c_str(), (target + g_profile.SetupExeName).c_str(), FALSE);
  // A staged install that cannot place its uninstaller is incomplete; a package without the
  // setup program (run from elsewhere) has none to place.
  return copied || !stage || !files::PathExists(program);
}
