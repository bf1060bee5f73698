// What the common window code asks of its backend, and what the backends call back.
#pragma once

#include <memory>

#include "framework/window.h"

namespace vp::fw {

// The child of `parent` with this control id, or null.
HWND ChildWindow(HWND parent, int id);
// A CButton, CComboBox or CStatic after the control's kind.
std::unique_ptr<CWnd> MakeControlWrapper(HWND control);
// After a window's last message: its object is detached (ending the message loop when it was
// the main window) and told through PostNcDestroy.
void WindowDestroyed(HWND handle);

}  // namespace vp::fw
