// Named mutexes with their Windows meaning. A name is known to every process of the same
// emulated machine while one handle to it is open anywhere; CloseHandle, or the end of the
// process however it ends, releases the handle. The programs use these mutexes as markers of a
// running instance: only whether a name exists matters, nobody waits on them.
#pragma once

#include "platform/posix/core/errors.h"
#include "platform/posix/core/types.h"

// Creates or opens the named mutex. GetLastError() is then ERROR_ALREADY_EXISTS when another
// handle to the name was open (in this process or another), else 0. A null or empty name makes
// a private mutex. Names are case-sensitive; "Local\" names the same namespace as no prefix,
// "Global\" a separate one; any other backslash fails with ERROR_PATH_NOT_FOUND, a name longer
// than MAX_PATH with ERROR_FILENAME_EXCED_RANGE. Ownership is not modelled.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES security, BOOL initialOwner, LPCSTR name);
