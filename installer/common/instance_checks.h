// The installer's contact with other processes through named mutexes: the terminals' instance
// names it probes, and a name of its own that marks a running setup. When the machine's named
// objects cannot be used, the answer is "unknown", never "nothing is running".
#pragma once

#include <initializer_list>

#include "platform/win.h"

enum class NamedObjectCheck { kAbsent, kPresent, kUnavailable };

// Whether any of `names` exists; keeps none of them open.
NamedObjectCheck ProbeNamedMutexes(std::initializer_list<const char*> names);

// Creates the mutex `name` and keeps it in `*held` for the life of the process (also when it
// existed); kPresent when another holder had it already.
NamedObjectCheck ClaimNamedMutex(const char* name, HANDLE* held);

// What the installer says, and then ends, when it cannot tell whether a terminal or another
// setup runs.
inline constexpr const char* kNamedObjectsUnusableText =
    "Cannot check for running terminals or setups: the system's named objects cannot be used.";

// The name a running installer holds.
inline constexpr const char* kSetupMutexName = "VANTPLUSTWSSETUPRUNNING";
