// The windows that exist, so that a handle of a destroyed window is never followed.
#pragma once

#include <set>

#include "framework/ui_model.h"

namespace vp::ui {
std::set<Window*>& LiveWindows();
}  // namespace vp::ui
