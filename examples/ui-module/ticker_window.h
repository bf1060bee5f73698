/* The ticker's main window, dialog 100, described once: the resource script (Windows) and the
   template table (Linux) both expand these rows. */
#ifndef TICKER_WINDOW_H
#define TICKER_WINDOW_H

#define IDD_TICKER_WINDOW 100
#define IDC_TICKS 1001
#define IDC_STATUS 1002
#define IDC_REFRESH 1003

#define TICKER_WINDOW_RECT 0, 0, 200, 80
#define TICKER_WINDOW_STYLE (DS_SETFONT | WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)
#define TICKER_WINDOW_EXSTYLE WS_EX_APPWINDOW
#define TICKER_WINDOW_CAPTION "Ticker Module"
#define TICKER_WINDOW_FONT_SIZE 8
#define TICKER_WINDOW_FONT_NAME "MS Sans Serif"

/* ROW(id, window class, caption, style, x, y, width, height), in tab order. */
#define TICKER_WINDOW_CONTROLS(ROW)                                                              \
  ROW(IDC_TICKS, "Static", "Ticks: 0", SS_LEFT | WS_CHILD | WS_VISIBLE | WS_GROUP, 10, 10, 180, 8) \
  ROW(IDC_STATUS, "Static", "F5 refreshes.", SS_LEFT | WS_CHILD | WS_VISIBLE, 10, 24, 180, 8)       \
  ROW(IDC_REFRESH, "Button", "&Refresh", BS_PUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP,       \
      40, 56, 50, 14)                                                                             \
  ROW(IDCANCEL, "Button", "&Close", BS_DEFPUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP,         \
      110, 56, 50, 14)

#endif
