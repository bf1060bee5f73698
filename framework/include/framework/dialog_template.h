// A dialog template as data: what the resource compiler makes of a DIALOGEX statement. The
// POSIX backend builds its dialogs from registered templates. A program describes each dialog
// once, in a header of rows that both its resource script and its template table expand:
//
//   header: #define MY_DIALOG_CONTROLS(ROW) ROW(1001, "Button", "&Go", BS_DEFPUSHBUTTON, 10, 10, 50, 14)
//   .rc:    #define RC_ROW(id, cls, text, style, x, y, w, h) CONTROL text, id, cls, style, x, y, w, h
//   .cpp:   {MY_DIALOG_CONTROLS(VP_DIALOG_TEMPLATE_ROW)} as the template's controls
#pragma once

#include <vector>

#include "platform/win.h"

namespace vp::fw {

struct ControlTemplate {
  int id;
  const char* className;  // "Static", "Button" or "ComboBox"
  const char* text;
  DWORD style;
  short x, y, cx, cy;  // dialog units
};

// One row of a dialog's controls as a ControlTemplate (with the comma that separates rows).
#define VP_DIALOG_TEMPLATE_ROW(id, cls, text, style, x, y, w, h) \
  vp::fw::ControlTemplate{id, cls, text, static_cast<DWORD>(style), x, y, w, h},

struct DialogTemplate {
  UINT id;
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
  const char* caption;
  short pointSize;
  const char* fontName;
  std::vector<ControlTemplate> controls;
};

#ifndef _WIN32
// Makes a template known to CDialog (POSIX); a later registration of the same id replaces it.
void RegisterDialogTemplate(const DialogTemplate* dialogTemplate);
const DialogTemplate* FindDialogTemplate(UINT id);

struct DialogTemplateRegistration {
  explicit DialogTemplateRegistration(const DialogTemplate* dialogTemplate) {
    RegisterDialogTemplate(dialogTemplate);
  }
};
#endif

}  // namespace vp::fw
