// Which entry of the Installation Drive list the dialog selects at start-up: the second entry
// when it is a fixed drive, else the first fixed drive of the list, else none. A CD-ROM, a
// network drive or the host's root is never the default target; the user may still pick it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win.h"

// "[-c-]" as the drive list shows a drive becomes "C:\".
std::string DriveRootOfEntry(const std::string& entry);

// The index to select in `entries` ("[-x-]" form), -1 for none. `driveType` answers as
// GetDriveTypeA does for a root.
int PreselectedDriveIndex(const std::vector<std::string>& entries,
                          const std::function<UINT(const std::string& root)>& driveType);
