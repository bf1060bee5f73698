// CWnd: a window handle with the operations windows, dialogs and their handlers use. On Windows
// the handle is a real window; on POSIX it names a window of the window model
// (framework/ui_model.h). Messages reach the object through WindowProc: its message maps first,
// then the default processing (the original window procedure of a subclassed control).
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

  // The object attached to a window (created or subclassed by the framework), else a temporary
  // wrapper owned by the framework; null for no window.
  static CWnd* FromHandle(HWND handle);
  // The window with the keyboard focus (a temporary wrapper when not attached), or null.
  static CWnd* GetFocus();

  // Creates a window of the framework's own class: top-level when `parent` is null (the
  // rectangle in screen coordinates), else a child with this id. WM_CREATE reaches the message
  // map. False when the window could not be made.
  BOOL CreateEx(DWORD exStyle, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
                UINT id = 0);
  // Destroys the window: WM_DESTROY, then WM_NCDESTROY, after which the object is detached and
  // PostNcDestroy runs. Destroying the application's main window ends its message loop.
  BOOL DestroyWindow();

  // Attaches this object to an existing window (a dialog's control): its messages come here
  // first, and Default() hands them to the window's original procedure, which is kept.
  BOOL SubclassWindow(HWND handle);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();
  // Called just before the object is attached to the window it subclasses.
  virtual void PreSubclassWindow();

  void SetWindowText(const std::string& text);
  void GetWindowText(std::string& text) const;
  std::string GetWindowText() const;
  int GetDlgCtrlID() const;
  DWORD GetStyle() const;
  CWnd* GetParent() const;

  // Returns whether the window was disabled before, as Windows does.
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL ShowWindow(int command);
  BOOL IsWindowVisible() const;
  BOOL IsIconic() const;
  BOOL IsWindow() const;
  void UpdateWindow();
  void Invalidate(BOOL erase = TRUE);
  void RedrawWindow(UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  void GetClientRect(RECT* rect) const;
  // The window's rectangle, non-client area included, in screen coordinates.
  void GetWindowRect(RECT* rect) const;
  void ClientToScreen(POINT* point) const;
  void ScreenToClient(POINT* point) const;
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  CWnd* SetFocus();
  HICON SetIcon(HICON icon, BOOL bigIcon);
  HICON GetIcon(BOOL bigIcon) const;
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // A WM_TIMER message for this window every `elapse` milliseconds, until KillTimer.
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse);
  BOOL KillTimer(UINT_PTR id);

  // The child control with this id, as a CButton, CComboBox or CStatic after its kind (or the
  // object that subclassed it); null when there is none. The object belongs to this window.
  CWnd* GetDlgItem(int id) const;
  void SetDlgItemText(int id, const std::string& text);
  std::string GetDlgItemText(int id) const;
  UINT IsDlgButtonChecked(int id) const;
  void CheckDlgButton(int id, UINT check);

  // A message box owned by this window; a null caption means the application title.
  int MessageBox(const std::string& text, const char* caption = nullptr, UINT type = MB_OK);

  virtual BOOL PreTranslateMessage(MSG* msg);

  // Every message of the window: the message maps (WM_COMMAND through OnCommand), else
  // DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The default processing: the original procedure of a subclassed window, else the system's.
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // Runs the handler of a message through the message maps (WM_COMMAND through OnCommand).
  // False when nothing handled it.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // Forgets the wrappers of child controls (the window is being destroyed).
  void ReleaseChildWrappers();

  // The backends' hooks: attach and detach an object and its window.
  void Attach(HWND handle);
  void Detach();
  // After the last message (WM_NCDESTROY): the object is no longer attached to any window.
  virtual void PostNcDestroy();
  // A notification a parent hands back to the control that sent it (WM_DRAWITEM of an
  // owner-drawn button); true when the control took it.
  virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

 protected:
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // The default processing of the message being handled, at once; its result. A handler may
  // draw after it.
  LRESULT Default();
  // The default handlers a derived class calls for what it does not handle itself.
  void OnSysCommand(UINT id, LPARAM lParam);
  void OnPaint();
  HCURSOR OnQueryDragIcon();

 public:
  // The procedure the window had before the framework subclassed it (win32), else null.
  WNDPROC m_pfnSuper = nullptr;

 private:
  struct CurrentMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  CurrentMessage m_current{};
  mutable std::map<HWND, std::unique_ptr<CWnd>> m_childWrappers;
};

namespace vp::fw {
// The object attached to a window handle, or null.
CWnd* AttachedWindow(HWND handle);
}  // namespace vp::fw
