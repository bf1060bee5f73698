// Dialog 102 as a template for the POSIX dialog model, expanded from the same rows as the
// resource script, and made known to CDialog when the program starts.
#include "framework/dialog_template.h"
#include "res/installer_dialog.h"

namespace {

#define VP_TEMPLATE_ROW(id, cls, text, style, x, y, w, h) \
  vp::fw::ControlTemplate{id, cls, text, static_cast<DWORD>(style), x, y, w, h},

const vp::fw::DialogTemplate kInstallerDialog{IDD_INSTALLER_DIALOG,
                                              static_cast<DWORD>(INSTALLER_DIALOG_STYLE),
                                              static_cast<DWORD>(INSTALLER_DIALOG_EXSTYLE),
                                              INSTALLER_DIALOG_RECT,
                                              "",
                                              INSTALLER_DIALOG_FONT_SIZE,
                                              INSTALLER_DIALOG_FONT_NAME,
                                              {INSTALLER_DIALOG_CONTROLS(VP_TEMPLATE_ROW)}};
const vp::fw::DialogTemplateRegistration kRegistration(&kInstallerDialog);

}  // namespace
