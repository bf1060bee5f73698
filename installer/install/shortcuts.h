// Shell links on the user's desktop and in the Start menu, in the folders of the user profile
// that the "USERPROFILE" environment variable names.
#pragma once

#include <string>

#include "platform/win.h"

// Where CreateShortcut puts a link.
enum ShortcutLocation : short {
  kShortcutFullPath = 0,   // the link name is the whole path of the link file
  kShortcutDesktop = 1,    // profile + "\Desktop\"
  kShortcutStartMenu = 2,  // profile + "\Start Menu\"
  kShortcutPrograms = 3,   // profile + "\Start Menu\Programs\"; "Folder\Name" makes Folder
};

// Writes a link to `target` with `arguments` and the target's folder as working folder; the
// link name gets ".lnk" unless it holds that text in any letter case. Returns the result of
// the save, or the failing result of an earlier step. A link path that does not fit 260
// characters fails with nothing written and no folder created.
HRESULT CreateShortcut(const std::string& target, const std::string& arguments,
                       const std::string& linkName, short location);

// With `linkFlag` non-zero deletes profile + "\" + folder + name + ".lnk"; with it zero
// removes the folder profile + "\" + folder + name when it is empty. `name` begins with a
// backslash. A missing file or folder is no error.
void RemoveShortcut(const std::string& folder, const std::string& name, int linkFlag);

// The value of "USERPROFILE", empty when it is not set.
std::string UserProfileFolder();
