// Dialog 15003 as a template for the POSIX dialog model, expanded from the same rows as the
// launcher's resource script. The model keeps no extended styles of controls.
#ifndef _WIN32

#include "framework/dialog_template.h"
#include "launch_screen_dialog.h"

namespace {

#define VP_LAUNCH_TEMPLATE_ROW(id, cls, text, style, x, y, w, h, exStyle) \
  vp::fw::ControlTemplate{id, cls, text, static_cast<DWORD>(style), x, y, w, h},

const vp::fw::DialogTemplate kLaunchScreen{IDD_LAUNCH_SCREEN,
                                           static_cast<DWORD>(LAUNCH_SCREEN_STYLE),
                                           static_cast<DWORD>(LAUNCH_SCREEN_EXSTYLE),
                                           LAUNCH_SCREEN_RECT,
                                           "",
                                           LAUNCH_SCREEN_FONT_SIZE,
                                           LAUNCH_SCREEN_FONT_NAME,
                                           {LAUNCH_SCREEN_CONTROLS(VP_LAUNCH_TEMPLATE_ROW)}};

const vp::fw::DialogTemplateRegistration kRegistration(&kLaunchScreen);

}  // namespace

#endif
