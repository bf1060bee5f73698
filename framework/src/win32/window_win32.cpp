// CWnd on real windows.
#include <cstring>

#include "framework/controls.h"
#include "framework/window.h"

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

BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }

BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }

BOOL CWnd::ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }

BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

void CWnd::Invalidate(BOOL erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }

void CWnd::GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }

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

CWnd* CWnd::GetDlgItem(int id) const {
  HWND handle = ::GetDlgItem(m_hWnd, id);
  if (!handle) return nullptr;
  auto& wrapper = m_childWrappers[handle];
  if (!wrapper) {
    char className[32] = {};
    ::GetClassNameA(handle, className, sizeof className);
    if (_stricmp(className, "Button") == 0) {
      wrapper = std::make_unique<CButton>();
    } else if (_stricmp(className, "ComboBox") == 0) {
      wrapper = std::make_unique<CComboBox>();
    } else {
      wrapper = std::make_unique<CStatic>();
    }
    wrapper->m_hWnd = handle;
  }
  return wrapper.get();
}
