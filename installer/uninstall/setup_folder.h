// The setup folder on the installation drive (drive root + SetupBaseName): it keeps a copy of
// the setup program, which the "Install-UnInstall" shortcut starts to uninstall.
#pragma once

#include <functional>
#include <string>

#include "common/installer_state.h"

// Recreates the setup folder on the installation drive with a fresh copy of the setup program
// from the current directory. When the folder would be the drive root itself it shows
// "Cannot delete Log drive" and ends the process; returns false then (a state whose
// EndProcess returns sees the false). A current directory that does not fit 260 characters
// changes nothing. Run from the setup folder itself, it leaves the folder as it is: the
// program there is the one running.
// With `stage`, the copy goes into the folder it returns for the setup folder's path (already
// made, the old setup folder untouched); empty means it could not be prepared: false then.
bool PlaceUninstaller(InstallerState& state,
                      const std::function<std::string(const std::string&)>& stage = {});

// The current directory, when it fits 260 characters; false otherwise.
bool ReadCurrentDirectory(std::string* folder);

// True when `folder` is a drive root ("X:\") followed by the selected variant's SetupBaseName,
// letter case ignored.
bool IsVariantSetupFolder(const std::string& folder);
