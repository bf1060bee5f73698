/* Dialog 900 of the framework tests, described once for the test resource script (Windows) and
   the test template (POSIX). */
#ifndef VP_TEST_DIALOG_H
#define VP_TEST_DIALOG_H

#define IDD_TEST_DIALOG 900
#define IDC_SORTED_COMBO 100
#define IDC_PLAIN_COMBO 101
#define IDC_CHECK 110
#define IDC_GO 120
#define IDC_OTHER 121
#define IDC_STATUS 130

#define TEST_DIALOG_STYLE (DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU)

#define TEST_DIALOG_CONTROLS(ROW)                                                                   \
  ROW(-1, "Static", "&Name:", SS_LEFT | WS_CHILD | WS_VISIBLE, 10, 10, 40, 8)                       \
  ROW(100, "ComboBox", "", CBS_DROPDOWNLIST | CBS_SORT | CBS_UPPERCASE | WS_VSCROLL | WS_CHILD | WS_VISIBLE | WS_TABSTOP, \
      10, 20, 60, 60)                                                                               \
  ROW(101, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 80, 20, 60, 60) \
  ROW(110, "Button", "&Check", BS_AUTOCHECKBOX | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 40, 60, 10)  \
  ROW(120, "Button", "&Go", BS_DEFPUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 60, 40, 14)    \
  ROW(121, "Button", "&Other", BS_PUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 60, 60, 40, 14)    \
  ROW(2, "Button", "E&xit", BS_PUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 110, 60, 40, 14)      \
  ROW(130, "Static", "", SS_LEFT | WS_CHILD | WS_VISIBLE, 10, 80, 140, 8)

#endif
