// CWnd on real windows: one window procedure for every window the framework creates or
// subclasses, which hands each message to the window's object.
#include <cstring>

#include "../common/window_internal.h"
#include "framework/controls.h"
#include "framework/window.h"

namespace {

constexpr const char kWindowClass[] = "VpFrameworkWindow";

LRESULT CALLBACK FrameworkWndProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* window = vp::fw::AttachedWindow(handle);
  if (!window && message == WM_NCCREATE) {
    // A window of the framework's class: the object rides in the creation parameters.
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    window = static_cast<CWnd*>(create->lpCreateParams);
    if (window) window->Attach(handle);
  }
  if (!window) return ::DefWindowProcA(handle, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    LRESULT result = window->DefWindowProc(message, wParam, lParam);
    vp::fw::WindowDestroyed(handle);
    return result;
  }
  return window->WindowProc(message, wParam, lParam);
}

bool RegisterFrameworkClass() {
  static const bool registered = [] {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = FrameworkWndProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    return ::RegisterClassA(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

namespace vp::fw {

HWND ChildWindow(HWND parent, int id) { return ::GetDlgItem(parent, id); }

std::unique_ptr<CWnd> MakeControlWrapper(HWND control) {
  char className[32] = {};
  ::GetClassNameA(control, className, sizeof className);
  if (_stricmp(className, "Button") == 0) return std::make_unique<CButton>();
  if (_stricmp(className, "ComboBox") == 0) return std::make_unique<CComboBox>();
  return std::make_unique<CStatic>();
}

// The framework's procedure for a dialog window, keeping the dialog manager's as the original.
void SubclassWithFrameworkProc(CWnd* window, HWND handle) {
  window->Attach(handle);
  window->m_pfnSuper = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameworkWndProc)));
}

}  // namespace vp::fw

BOOL CWnd::CreateEx(DWORD exStyle, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
                    UINT id) {
  if (m_hWnd || !RegisterFrameworkClass()) return FALSE;
  HWND parentHandle = parent ? parent->m_hWnd : nullptr;
  HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
  HWND handle = ::CreateWindowExA(exStyle, kWindowClass, windowName ? windowName : "", style, rect.left,
                                  rect.top, rect.right - rect.left, rect.bottom - rect.top, parentHandle, menu,
                                  ::GetModuleHandleA(nullptr), this);
  return handle != nullptr;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::SubclassWindow(HWND handle) {
  if (m_hWnd || !handle || vp::fw::AttachedWindow(handle)) return FALSE;
  m_hWnd = handle;
  PreSubclassWindow();
  vp::fw::SubclassWithFrameworkProc(this, handle);
  return TRUE;
}

HWND CWnd::UnsubclassWindow() {
  HWND handle = m_hWnd;
  if (!handle || !m_pfnSuper) return nullptr;
  ::SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  Detach();
  return handle;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(const std::string& text) { ::SetWindowTextA(m_hWnd, text.c_str()); }

void CWnd::GetWindowText(std::string& text) const {
  text.clear();
  int length = ::GetWindowTextLengthA(m_hWnd);
  if (length <= 0) return;
  text.resize(static_cast<size_t>(length) + 1);
  int copied = ::GetWindowTextA(m_hWnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
}

int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

DWORD CWnd::GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }

CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }

BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }

BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }

BOOL CWnd::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }

BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

BOOL CWnd::IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

void CWnd::Invalidate(BOOL erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }

void CWnd::RedrawWindow(UINT flags) { ::RedrawWindow(m_hWnd, nullptr, nullptr, flags); }

void CWnd::GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }

void CWnd::GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }

void CWnd::ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }

void CWnd::ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }

CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
  return reinterpret_cast<HICON>(::SendMessageA(m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL,
                                                reinterpret_cast<LPARAM>(icon)));
}

HICON CWnd::GetIcon(BOOL bigIcon) const {
  return reinterpret_cast<HICON>(::SendMessageA(m_hWnd, WM_GETICON, bigIcon ? ICON_BIG : ICON_SMALL, 0));
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }

BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
