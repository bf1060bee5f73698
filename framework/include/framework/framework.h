// Everything a program or a UI module built on the framework uses.
#pragma once

#include "framework/app.h"
#include "framework/cmd_target.h"
#include "framework/command_line.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/paint.h"
#include "platform/win.h"
#include "framework/window.h"
