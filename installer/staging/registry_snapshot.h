// The registry keys an install changes, saved before it changes any and brought back when it
// is undone: every key and value of each tree, with the value types and bytes exactly.
#pragma once

#include <string>
#include <vector>

#include "platform/win.h"

namespace staging {

struct RegistryTree {
  HKEY root;         // HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE
  std::string path;  // below the root
};

// Writes the present state of the trees (a missing tree is saved as missing) to `file`: under
// a temporary name first, flushed, then renamed, so that `file` is whole or absent.
bool SaveRegistryTrees(const std::vector<RegistryTree>& trees, const std::string& file);
// Brings each tree saved in `file` back to its saved state, changing only what differs:
// values and keys made since go, changed or removed ones come back. True when every tree is
// as saved; false also when `file` cannot be read.
bool RestoreRegistryTrees(const std::string& file);

}  // namespace staging
