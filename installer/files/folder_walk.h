// Listing one folder the way the tree operations need it: entries in the order the file system
// returns them, "." and ".." left out, symbolic links and other reparse points marked so that
// no walk ever descends into one.
#pragma once

#include <functional>
#include <string>

#include "platform/win.h"

namespace files {

struct FolderEntry {
  std::string name;  // as the file system spells it
  std::string path;  // listed folder + "\" + name
  DWORD attributes = 0;
  unsigned long long size = 0;  // a file's size in bytes

  bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
  bool IsReadOnly() const { return (attributes & FILE_ATTRIBUTE_READONLY) != 0; }
};

// Calls `handle` for every entry of `folder` (a path without trailing backslash) until it
// returns false. The next entry is fetched before the current one is handled, so a handler may
// change the folder. True when every entry was handled (also for a missing or empty folder).
bool WalkFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& handle);

// True when anything, file or folder, matches `pattern` ("*" for any run of characters).
bool AnythingMatches(const std::string& pattern);

// True when anything (file, folder or link) of that name exists.
bool PathExists(const std::string& path);

// ASCII letter case folded, as the Windows file system and the registry compare names.
bool EqualsNoCase(const std::string& a, const std::string& b);
std::string FoldCase(std::string text);

// The text before the last backslash; empty when there is none.
std::string TextBeforeLastBackslash(const std::string& path);

// Removes a symbolic link, junction or other reparse point itself, never what it points to.
bool RemoveLink(const std::string& path, DWORD attributes);

// Deletes a file found by a walk, clearing a read-only bit first; false when it stays.
bool DeleteFoundFile(const FolderEntry& entry);

}  // namespace files
