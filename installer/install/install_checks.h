// What the install makes sure of before it changes anything: that the chosen drive can be
// written, and that the setup package does not lie in the folders the install empties (a
// package unpacked at the drive root would be destroyed by its own install).
#pragma once

#include <string>

// True when a file can be made in the drive root `drive` ("D:\"): the drive exists and takes
// writes. Leaves nothing behind.
bool IsDriveWritable(const std::string& drive);

// True when the current folder (the package) is the drive root itself, or is or lies inside the
// variant's executable and database folder or user data folder on `drive`.
bool PackageLiesInDestination(const std::string& drive);

// True when the current folder holds the variant's database folder, as a setup package does.
// An install started elsewhere (the setup folder's copy of the installer, or a deployment tool's
// own folder) has nothing to copy and would only empty the installation.
bool CurrentFolderIsPackage();
