// CWnd: a window handle with the operations dialogs and their handlers use. On Windows the
// handle is a real window; on POSIX it names a window of the dialog model (framework/ui_model.h).
#pragma once

#include <map>
#include <memory>
#include <string>

#include "framework/cmd_target.h"

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }

  void SetWindowText(const std::string& text);
  void GetWindowText(std::string& text) const;
  std::string GetWindowText() const;
  int GetDlgCtrlID() const;
  DWORD GetStyle() const;

  // Returns whether the window was disabled before, as Windows does.
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  BOOL IsIconic() const;
  void UpdateWindow();
  void Invalidate(BOOL erase = TRUE);
  void GetClientRect(RECT* rect) const;
  HICON SetIcon(HICON icon, BOOL bigIcon);
  HICON GetIcon(BOOL bigIcon) const;
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // The child control with this id, as a CButton, CComboBox or CStatic after its kind; null
  // when there is none. The object belongs to this window.
  CWnd* GetDlgItem(int id) const;
  void SetDlgItemText(int id, const std::string& text);
  std::string GetDlgItemText(int id) const;
  UINT IsDlgButtonChecked(int id) const;
  void CheckDlgButton(int id, UINT check);

  // A message box owned by this window; a null caption means the application title.
  int MessageBox(const std::string& text, const char* caption = nullptr, UINT type = MB_OK);

  virtual BOOL PreTranslateMessage(MSG* msg);

  // Runs the handler of a message through the message maps (WM_COMMAND through OnCommand).
  // False when nothing handled it or the handler asked for the default processing.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // Forgets the wrappers of child controls (the window is being destroyed).
  void ReleaseChildWrappers();

 protected:
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // Asks for the system's default processing of the message being handled.
  LRESULT Default();
  // The default handlers a derived class calls for what it does not handle itself.
  void OnSysCommand(UINT id, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();

 private:
  bool m_bDefaultRequested = false;
  mutable std::map<HWND, std::unique_ptr<CWnd>> m_childWrappers;
};
