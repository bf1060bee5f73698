#include "install/shortcuts.h"

#include "common/setup_log.h"
#include "files/folder_walk.h"
#include "staging/install_transaction.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// The link's folder below the user profile, by location code.
const char* LocationFolder(short location) {
  switch (location) {
    case kShortcutDesktop: return "\\Desktop\\";
    case kShortcutStartMenu: return "\\Start Menu\\";
    case kShortcutPrograms: return "\\Start Menu\\Programs\\";
    default: return "";
  }
}

bool HoldsLnkInAnyCase(const std::string& path) {
  std::string lower = path;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find(".lnk") != std::string::npos;
}

// The link path as a wide string of at most MAX_PATH characters with its terminator; false
// when it does not fit, so that no link is ever written to a cut path.
bool ToWidePath(const std::string& path, WCHAR (&wide)[MAX_PATH]) {
  int needed = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path.c_str(), -1, nullptr, 0);
  if (needed <= 0 || needed > MAX_PATH) return false;
  return MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path.c_str(), -1, wide, MAX_PATH) > 0;
}

}  // namespace

std::string UserProfileFolder() {
  DWORD size = GetEnvironmentVariableA("USERPROFILE", nullptr, 0);
  if (size == 0) return {};
  std::vector<char> value(size);
  DWORD length = GetEnvironmentVariableA("USERPROFILE", value.data(), size);
  if (length == 0 || length >= size) return {};
  return std::string(value.data(), length);
}

HRESULT CreateShortcut(const std::string& target, const std::string& arguments,
                       const std::string& linkName, short location) {
  CoInitialize(nullptr);  // "already initialised" is of no concern; never uninitialised

  std::string linkPath = linkName;
  std::string subFolder;
  if (location != kShortcutFullPath) {
    std::string folder = UserProfileFolder() + LocationFolder(location);
    size_t slash = linkName.find('\\');
    if (location == kShortcutPrograms && slash != std::string::npos)
      subFolder = folder + linkName.substr(0, slash);
    linkPath = folder + linkName;
  }
  if (!HoldsLnkInAnyCase(linkPath)) linkPath += ".lnk";
  WCHAR widePath[MAX_PATH] = {};
  if (!ToWidePath(linkPath, widePath)) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);

  // One level of sub-folder in the programs folder, made when missing.
  if (!subFolder.empty() && GetFileAttributesA(subFolder.c_str()) == INVALID_FILE_ATTRIBUTES) {
    staging::BeforeLinkFolderMade(subFolder);
    _mkdir(subFolder.c_str());
  }

  IShellLinkA* link = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<LPVOID*>(&link));
  if (FAILED(hr)) return hr;
  size_t lastSlash = target.rfind('\\');
  std::string workingFolder = lastSlash == std::string::npos ? "" : target.substr(0, lastSlash);
  link->SetPath(target.c_str());
  link->SetArguments(arguments.c_str());
  link->SetWorkingDirectory(workingFolder.c_str());

  IPersistFile* file = nullptr;
  hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (FAILED(hr)) {
    link->Release();
    return hr;
  }
  // An install that fails puts back the link it replaced.
  staging::BeforeLinkChange(linkPath);
  hr = file->Save(widePath, TRUE);
  file->Release();
  link->Release();
  SetupLog().Step("shortcut " + linkPath + (SUCCEEDED(hr) ? " made" : " could not be made") +
                  ": " + target + (arguments.empty() ? "" : " " + arguments));
  return hr;
}

void RemoveShortcut(const std::string& folder, const std::string& name, int linkFlag) {
  std::string path = UserProfileFolder() + "\\" + folder + name;
  if (linkFlag) {
    if (files::PathExists(path + ".lnk")) staging::BeforeLinkChange(path + ".lnk");
    if (DeleteFileA((path + ".lnk").c_str())) SetupLog().Step("shortcut " + path + ".lnk removed");
  } else if (_rmdir(path.c_str()) == 0) {
    SetupLog().Step("shortcut folder " + path + " removed");
  }
}
