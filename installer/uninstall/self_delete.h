// Deleting the installer's own program file once the installer has ended: a hidden command
// interpreter is started at idle priority while the installer raises its own, and runs
// "del" after the installer is gone.
#pragma once

#include <string>

#include "platform/win.h"

// The interpreter's parameters for deleting `shortPath`: "/c del", the quoted path and
// " > nul". False when they do not fit 260 characters with their terminating zero.
bool BuildDeleteCommand(const std::string& shortPath, std::string* parameters);

// Starts the hidden command interpreter that deletes `path` after this process has ended.
// Returns 1 when it started. A path whose short form or command does not fit 260 characters,
// a missing file and an unset "COMSPEC" fail with 0 and start nothing.
BOOL DeleteFileAfterExit(const std::string& path);
