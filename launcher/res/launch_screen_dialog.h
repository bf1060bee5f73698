/* The launch screen's dialog 15003 and its icons, described once: the launcher's resource
   script (Windows) and the template table (POSIX, launcher/launchscreen/launch_screen_template.cpp)
   both expand these rows. Style constants come from platform/win.h. */
#ifndef VP_LAUNCH_SCREEN_DIALOG_H
#define VP_LAUNCH_SCREEN_DIALOG_H

#define IDD_LAUNCH_SCREEN 15003
#define IDI_LAUNCH_SECOND 15000
#define IDI_LAUNCH_FIRST 15001

#define IDC_LAUNCH_FO 20000
#define IDC_LAUNCH_PLUS 20001

#define LAUNCH_SCREEN_RECT 0, 0, 227, 98
#define LAUNCH_SCREEN_STYLE (DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU)
#define LAUNCH_SCREEN_EXSTYLE (WS_EX_APPWINDOW | WS_EX_CLIENTEDGE)
#define LAUNCH_SCREEN_FONT_SIZE 8
#define LAUNCH_SCREEN_FONT_NAME "MS Sans Serif"

/* ROW(id, window class, caption, style, x, y, width, height, extended style), in tab order. */
#define LAUNCH_SCREEN_CONTROLS(ROW)                                                                   \
  ROW(20000, "Button", "VANT - FO", BS_OWNERDRAW | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 21, 43, 89, 22, \
      WS_EX_STATICEDGE)                                                                               \
  ROW(20001, "Button", "VANTPLUS", BS_OWNERDRAW | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 117, 43, 92, 23, \
      WS_EX_STATICEDGE)

#endif
