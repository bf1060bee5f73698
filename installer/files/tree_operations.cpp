#include "files/tree_operations.h"

#include "files/folder_walk.h"
#include "files/saved_copies.h"
#include "platform/win.h"
#include "res/installer_dialog.h"
#include "common/product_profile.h"

using files::FolderEntry;

namespace {

// The package's data folder names of the three variants, for the copy filter.
const char* DataFolderOfVariant(const std::string& appType) {
  if (appType == "FO") return "VANTFOData-TWS";
  if (appType == "CM") return "VANTCMData-TWS";
  if (appType == "VANTPLUS") return "VANTProData-TWS";
  return nullptr;
}

// Case-sensitive search that counts only a match past the first character.
bool FoundAfterStart(const std::string& text, const std::string& part) {
  size_t at = text.find(part);
  return at != std::string::npos && at > 0;
}

bool IsLinkPath(const std::string& path, DWORD* attributes) {
  *attributes = GetFileAttributesA(path.c_str());
  return *attributes != INVALID_FILE_ATTRIBUTES && (*attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

bool CTreeOperations::PassesVariantFilter(const std::string& path) const {
  const char* dataFolder = DataFolderOfVariant(m_state.GetAppType());
  if (!dataFolder) return true;
  return FoundAfterStart(path, dataFolder) || FoundAfterStart(path, g_profile.DbFolderNameB);
}

void CTreeOperations::CopyTree(const std::string& source) {
  files::WalkFolder(source, [this](const FolderEntry& entry) {
    if (!PassesVariantFilter(entry.path)) return true;
    if (!entry.IsFolder()) {
      CopyPackageFile(entry);
      return true;
    }
    // A link in the package is not followed: what it points to is no part of the package.
    if (entry.IsLink()) return true;
    std::string folder = m_state.GetDestDir() + entry.name;
    // The existing user data stays untouched unless the user asked to replace it.
    if (!m_state.IsCheckBoxChecked(IDC_DATA_PATH) &&
        files::EqualsNoCase(folder, m_state.GetCheckBoxCaption(IDC_DATA_PATH)))
      return true;
    std::string target = folder;
    if (m_stage && m_state.GetDestDir() == m_state.GetDrive()) target = m_stage(folder);
    if (target.empty()) {
      m_bIncomplete = true;
      m_dwLastError = GetLastError();
      return true;
    }
    m_state.SetDestDir(target + "\\");
    PrepareDestinationFolder(m_state.GetDestDir());
    CreateDirectoryA(target.c_str(), nullptr);
    CopyTree(entry.path);
    return true;
  });
  std::string dest = files::TextBeforeLastBackslash(m_state.GetDestDir());
  m_state.SetDestDir(files::TextBeforeLastBackslash(dest) + "\\");
}

void CTreeOperations::CountCopy(bool copied, const FolderEntry& source) {
  if (!copied) {
    m_dwLastError = GetLastError();
    m_bIncomplete = true;
    return;
  }
  ++m_filesCopied;
  m_bytesCopied += source.size;
}

void CTreeOperations::CopyPackageFile(const FolderEntry& entry) {
  const std::string& source = entry.path;
  std::string destDir = m_state.GetDestDir();
  // Files lying directly in the package folder never go to the drive root.
  if (destDir == m_state.GetDrive()) return;
  std::string target = destDir + entry.name;
  // Most targets do not exist yet: the copy is tried first, so only a target in the way costs
  // a look at what is there.
  if (CopyFileA(source.c_str(), target.c_str(), TRUE)) return CountCopy(true, entry);
  DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    // A link in the target's place goes as a link: changing its attributes would change what
    // it points to, outside the product's folders.
    bool removed = false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      removed = files::RemoveLink(target, attributes);
    } else {
      DWORD writable = attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
      SetFileAttributesA(target.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL);
      removed = DeleteFileA(target.c_str()) != FALSE;
    }
    if (!removed) {
      m_bIncomplete = true;
      m_state.ShowMessage("Destination file \"" + target +
                          "\" \nalready exists, but couldn't be replaced by the new file.");
    }
  }
  CountCopy(CopyFileA(source.c_str(), target.c_str(), FALSE) != FALSE, entry);
}

void CTreeOperations::PrepareDestinationFolder(const std::string& folder) {
  std::string path = files::TextBeforeLastBackslash(folder);
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  if (files::EqualsNoCase(path, m_state.GetCheckBoxCaption(IDC_DB_PATH)))
    ClearFolderKeepingBackups(path);
  if (files::EqualsNoCase(path, m_state.GetCheckBoxCaption(IDC_DATA_PATH)))
    ClearFolderKeepingBackups(path);
}

bool CTreeOperations::ClearFolderKeepingBackups(const std::string& folder) {
  std::string userData = m_state.GetCheckBoxCaption(IDC_DATA_PATH);
  if (files::EqualsNoCase(folder, userData + "\\MWBackup")) {
    // The user's own files stay; what a copy cut short left there does not.
    files::RemoveCopyLeftovers(folder);
    return true;
  }
  std::string drive = m_state.GetDrive();
  bool keepFolder = files::EqualsNoCase(folder, userData) ||
                    files::EqualsNoCase(folder, drive + g_profile.DataFolderName) ||
                    files::EqualsNoCase(folder, drive + g_profile.DbFolderName);
  DWORD attributes = 0;
  if (IsLinkPath(folder, &attributes)) {
    bool removed = keepFolder || files::RemoveLink(folder, attributes);
    if (!removed) m_bIncomplete = true;
    return removed;
  }
  // An entry that cannot be deleted stays; the walk goes on with the others.
  bool emptied = true;
  files::WalkFolder(folder, [&](const FolderEntry& entry) {
    bool gone = entry.IsFolder() ? ClearFolderKeepingBackups(entry.path)
                                 : files::DeleteFoundFile(entry);
    if (!gone) emptied = false;
    return true;
  });
  if (!emptied) {
    m_bIncomplete = true;
    return false;
  }
  if (keepFolder) return true;
  // A folder that still holds MWBackup is meant to stay, not a failure.
  RemoveDirectoryA(folder.c_str());
  return true;
}

// Paths built from the name as spelled on the disk find every entry beneath at the first try.
std::string WithNameAsOnDisk(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return path;
  FindClose(find);
  size_t slash = path.rfind('\\');
  // A name found by another spelling (a short name) is no respelling of this one.
  if (slash == std::string::npos || !files::EqualsNoCase(path.substr(slash + 1), data.cFileName)) return path;
  return path.substr(0, slash + 1) + data.cFileName;
}

namespace {

bool DeleteTreeAsSpelled(const std::string& folder) {
  DWORD attributes = 0;
  if (IsLinkPath(folder, &attributes)) return files::RemoveLink(folder, attributes);
  // An entry that cannot be deleted stays; the walk goes on with the others.
  bool emptied = true;
  files::WalkFolder(folder, [&](const FolderEntry& entry) {
    bool gone = entry.IsFolder() ? DeleteTreeAsSpelled(entry.path) : files::DeleteFoundFile(entry);
    if (!gone) emptied = false;
    return true;
  });
  if (!emptied) return false;
  return RemoveDirectoryA(folder.c_str()) || !files::PathExists(folder);
}

}  // namespace

bool DeleteTree(const std::string& folder) { return DeleteTreeAsSpelled(WithNameAsOnDisk(folder)); }
