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
#  include "platform/posix/core/types.h"
#  include "platform/posix/core/errors.h"
#  include "platform/posix/fs/files.h"
#  include "platform/posix/process/process.h"
#  include "platform/posix/process/modules.h"
#  include "platform/posix/core/crt.h"
#  include "platform/posix/registry/registry.h"
#  include "platform/posix/process/sync.h"
#  include "platform/posix/crash/exceptions.h"
#  include "platform/posix/crash/dbghelp.h"
#  include "platform/posix/shell/com.h"
#  include "platform/posix/shell/shell.h"
#  include "platform/posix/shell/shell_execute.h"
#  include "platform/posix/user/user.h"
#  include "platform/posix/gdi/gdi.h"
#endif
