// The combo box's drive listing, built from the system's drive list: one "[-x-]" entry per
// drive, the letter in lower case as the system's own listing gives it.
#pragma once

#include <string>
#include <vector>

namespace vp::fw {
std::vector<std::string> DriveListEntries();
}
