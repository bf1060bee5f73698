// The product's entry in Apps & features, one per variant, per user like its settings and
// shortcuts: HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\<variant's
// product name>. Settings and deployment tools list, version and remove the product by it.
#pragma once

#include <string>

#include "common/installer_state.h"

inline constexpr const char* kUninstallKeyPath =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr const char* kPublisher = "KORAX";

// The selected variant's key name below kUninstallKeyPath.
std::string AppsEntryKeyName();
// The command that opens the uninstaller's dialog, and the one that uninstalls with no one at
// the desk.
std::string UninstallCommand(const InstallerState& state);
std::string QuietUninstallCommand(const InstallerState& state);

// Replaces the entry with the values of this install; `installedBytes` are the bytes of the
// installed files. False when it could not be written whole.
bool WriteAppsEntry(const InstallerState& state, unsigned long long installedBytes);
// Deletes the entry; true when none is left.
bool RemoveAppsEntry();
