// The installer's exit codes in unattended mode: Windows Installer's, so that deployment tools
// read them without a table of ours, and one of our own for a running terminal.
#pragma once

#include "platform/win.h"

inline constexpr UINT kExitSuccess = 0;
inline constexpr UINT kExitDiskFull = 112;            // ERROR_DISK_FULL
inline constexpr UINT kExitCancelled = 1602;          // ERROR_INSTALL_USEREXIT
inline constexpr UINT kExitFatal = 1603;              // ERROR_INSTALL_FAILURE
inline constexpr UINT kExitNotInstalled = 1605;       // ERROR_UNKNOWN_PRODUCT: nothing to uninstall
inline constexpr UINT kExitSetupRunning = 1618;       // ERROR_INSTALL_ALREADY_RUNNING
inline constexpr UINT kExitLogFailure = 1622;         // ERROR_INSTALL_LOG_FAILURE
inline constexpr UINT kExitInvalidCommandLine = 1639; // ERROR_INVALID_COMMAND_LINE
// Ours: a terminal of the suite is running, so nothing was changed (winget: packageInUse).
inline constexpr UINT kExitTerminalRunning = 1900;

// The words the log gives a code.
const char* ExitCodeWords(UINT code);
