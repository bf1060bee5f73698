/* The sample module's main window, dialog 100, described once: the resource script (Windows)
   and the template table (POSIX) both expand these rows. */
#ifndef VP_SAMPLE_TERMINAL_WINDOW_H
#define VP_SAMPLE_TERMINAL_WINDOW_H

#define IDD_TERMINAL_WINDOW 100
#define IDC_TERMINAL_STATUS 1001

#define TERMINAL_WINDOW_RECT 0, 0, 220, 70
#define TERMINAL_WINDOW_STYLE (DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)
#define TERMINAL_WINDOW_EXSTYLE WS_EX_APPWINDOW
/* The same window serves the main terminal ("VantPlusUI.dll") and, built with VP_SAMPLE_FO, the FO
   terminal ("VANTFOUI.dll"); the module finds its own resources under its file name. */
#ifdef VP_SAMPLE_FO
#define TERMINAL_WINDOW_CAPTION "VANT - FO Terminal"
#define TERMINAL_MODULE_NAME "VANTFOUI.dll"
#else
#define TERMINAL_WINDOW_CAPTION "VantPlus Terminal"
#define TERMINAL_MODULE_NAME "VantPlusUI.dll"
#endif
#define TERMINAL_WINDOW_FONT_SIZE 8
#define TERMINAL_WINDOW_FONT_NAME "MS Sans Serif"

/* ROW(id, window class, caption, style, x, y, width, height), in tab order. */
#define TERMINAL_WINDOW_CONTROLS(ROW)                                                         \
  ROW(IDC_TERMINAL_STATUS, "Static", "The terminal is running.",                             \
      SS_LEFT | WS_CHILD | WS_VISIBLE | WS_GROUP, 14, 14, 192, 8)                             \
  ROW(IDCANCEL, "Button", "&Close", BS_DEFPUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP,   \
      85, 44, 50, 14)

#endif
