// POSIX icons: a handle names the icon resource it was loaded from.
#pragma once

#include "framework/user_types.h"

namespace vp::fw {
HICON IconHandle(UINT resourceId);
UINT IconResourceId(HICON icon);
}  // namespace vp::fw
