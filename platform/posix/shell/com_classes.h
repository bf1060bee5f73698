// The COM classes this layer provides, as CoCreateInstance reaches them.
#pragma once

#include "platform/posix/shell/com.h"

namespace vp::com {

// A new shell link object (CLSID_ShellLink) asked for `riid`; the caller owns one reference.
HRESULT CreateShellLink(REFIID riid, void** object);

}  // namespace vp::com
