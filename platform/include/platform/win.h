// The one header through which the installer, the launcher and the framework reach Windows
// services. On Windows it is <windows.h> and nothing of ours is compiled; elsewhere it declares
// the subset we use, implemented with the Windows meaning by platform/posix.
#pragma once

#ifdef _WIN32
#  include <windows.h>
#  include <direct.h>
#  include <io.h>
#  include <objbase.h>
#  include <shlobj.h>
#  include <shellapi.h>
#  include <dbghelp.h>
#else
#  include "platform/posix/types.h"
#  include "platform/posix/errors.h"
#  include "platform/posix/files.h"
#  include "platform/posix/process.h"
#  include "platform/posix/modules.h"
#  include "platform/posix/crt.h"
#  include "platform/posix/registry.h"
#  include "platform/posix/sync.h"
#  include "platform/posix/exceptions.h"
#  include "platform/posix/dbghelp.h"
#  include "platform/posix/com.h"
#  include "platform/posix/shell.h"
#  include "platform/posix/shell_execute.h"
#  include "platform/posix/user.h"
#  include "platform/posix/gdi.h"
#endif
