/* The installer's dialog 102, described once: the resource script (Windows) and the template
   table (POSIX, installer/shell/installer_dialog_template.cpp) both expand these rows. Style
   constants come from platform/win.h. */
#ifndef VP_INSTALLER_DIALOG_H
#define VP_INSTALLER_DIALOG_H

#define IDD_INSTALLER_DIALOG 102
#define IDR_MAINFRAME 128

#ifndef IDC_STATIC
#define IDC_STATIC (-1) /* the texts that no code addresses */
#endif
#define IDC_DRIVE 1001
#define IDC_INSTALL 1002
#define IDC_UNINSTALL 1003
#define IDC_APPLICATION_TYPE 1004
#define IDC_DATA_PATH 1006
#define IDC_DB_PATH 1007
#define IDC_STATUS 1008
#define IDC_DESKTOP_SHORTCUT 1009
#define IDC_START_MENU_SHORTCUT 1010
#define IDC_DB_PATH_LABEL 1011
#define IDC_DATA_PATH_LABEL 1012
#define IDC_APPLICATION_TYPE_LABEL 1014
#define IDC_DRIVE_LABEL 1015

#define INSTALLER_DIALOG_RECT 0, 0, 279, 171
#define INSTALLER_DIALOG_STYLE (DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU)
#define INSTALLER_DIALOG_EXSTYLE WS_EX_APPWINDOW
#define INSTALLER_DIALOG_FONT_SIZE 8
#define INSTALLER_DIALOG_FONT_NAME "MS Sans Serif"

/* ROW(id, window class, caption, style, x, y, width, height), in tab order. */
#define INSTALLER_DIALOG_CONTROLS(ROW)                                                            \
  ROW(IDC_STATIC, "Static",                                                                       \
      "Installation &Drive (this is the drive where the application will be installed):",          \
      SS_LEFT | WS_CHILD | WS_VISIBLE | WS_GROUP, 19, 13, 226, 8)                                  \
  ROW(IDC_DRIVE_LABEL, "Static", "Installation Drive",                                            \
      SS_LEFT | WS_CHILD | WS_VISIBLE | WS_GROUP, 19, 31, 53, 8)                                   \
  ROW(IDC_APPLICATION_TYPE_LABEL, "Static", "Application Type",                                   \
      SS_LEFT | WS_CHILD | WS_VISIBLE | WS_GROUP, 91, 31, 54, 8)                                   \
  ROW(IDC_DRIVE, "ComboBox", "",                                                                  \
      CBS_DROPDOWNLIST | CBS_SORT | CBS_UPPERCASE | WS_VSCROLL | WS_CHILD | WS_VISIBLE | WS_TABSTOP, \
      19, 43, 50, 55)                                                                              \
  ROW(IDC_APPLICATION_TYPE, "ComboBox", "",                                                       \
      CBS_DROPDOWNLIST | CBS_UPPERCASE | WS_VSCROLL | WS_CHILD | WS_VISIBLE | WS_TABSTOP,          \
      89, 43, 62, 55)                                                                              \
  ROW(IDC_DB_PATH, "Button", "C:\\VANTProDB-TWS",                                                 \
      BS_AUTOCHECKBOX | BS_VCENTER | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 19, 67, 97, 10)           \
  ROW(IDC_DB_PATH_LABEL, "Static", "The application &executable and database path.",              \
      SS_LEFT | WS_CHILD | WS_VISIBLE | WS_GROUP, 119, 68, 150, 8)                                 \
  ROW(IDC_DATA_PATH, "Button", "C:\\VANTProData-TWS",                                             \
      BS_AUTOCHECKBOX | BS_VCENTER | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 19, 82, 91, 10)           \
  ROW(IDC_DATA_PATH_LABEL, "Static", "The application &user data and images path.",               \
      SS_LEFT | WS_CHILD | WS_VISIBLE | WS_GROUP, 131, 83, 137, 8)                                 \
  ROW(IDC_DESKTOP_SHORTCUT, "Button", "Place Shortcut on Des&ktop",                               \
      BS_AUTOCHECKBOX | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 19, 97, 101, 10)                       \
  ROW(IDC_START_MENU_SHORTCUT, "Button", "Place Shortcut in &Start Menu Programs",                 \
      BS_AUTOCHECKBOX | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 19, 112, 138, 10)                      \
  ROW(IDC_INSTALL, "Button", "&Install",                                                          \
      BS_DEFPUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 54, 135, 50, 14)                      \
  ROW(IDC_UNINSTALL, "Button", "&Uninstall",                                                      \
      BS_PUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 114, 135, 50, 14)                        \
  ROW(IDCANCEL, "Button", "E&xit", BS_PUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 174, 135, 50, 14) \
  ROW(IDC_STATUS, "Static", "", SS_LEFT | WS_CHILD | WS_VISIBLE | WS_GROUP, 52, 156, 160, 8)

#endif
