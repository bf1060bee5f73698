// CWnd on the dialog model.
#include "framework/controls.h"
#include "framework/ui_model.h"
#include "framework/window.h"

using vp::ui::FromHandle;

void CWnd::SetWindowText(const std::string& text) {
  if (vp::ui::Window* window = FromHandle(m_hWnd)) window->SetText(text);
}

void CWnd::GetWindowText(std::string& text) const {
  vp::ui::Window* window = FromHandle(m_hWnd);
  text = window ? window->text : std::string();
}

int CWnd::GetDlgCtrlID() const {
  vp::ui::Window* window = FromHandle(m_hWnd);
  return window ? window->id : 0;
}

DWORD CWnd::GetStyle() const {
  vp::ui::Window* window = FromHandle(m_hWnd);
  return window ? window->style : 0;
}

BOOL CWnd::EnableWindow(BOOL enable) {
  vp::ui::Window* window = FromHandle(m_hWnd);
  if (!window) return FALSE;
  BOOL wasDisabled = !window->enabled;
  window->SetEnabled(enable != FALSE);
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
  vp::ui::Window* window = FromHandle(m_hWnd);
  return window && window->enabled;
}

BOOL CWnd::ShowWindow(int command) {
  vp::ui::Window* window = FromHandle(m_hWnd);
  if (!window) return FALSE;
  BOOL wasVisible = window->visible;
  if (auto* dialog = vp::ui::DialogFromHandle(m_hWnd)) {
    if (command == SW_MINIMIZE) dialog->SysCommand(SC_MINIMIZE);
    if (command == SW_RESTORE) dialog->SysCommand(SC_RESTORE);
  }
  window->SetVisible(command != SW_HIDE);
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
  vp::ui::Window* window = FromHandle(m_hWnd);
  return window && window->visible;
}

BOOL CWnd::IsIconic() const {
  auto* dialog = vp::ui::DialogFromHandle(m_hWnd);
  return dialog && dialog->iconic;
}

void CWnd::UpdateWindow() {}

void CWnd::Invalidate(BOOL) {}

void CWnd::GetClientRect(RECT* rect) const {
  vp::ui::Window* window = FromHandle(m_hWnd);
  *rect = RECT{};
  if (!window) return;
  // Dialog units of an 8-point dialog font: 4 units are 6 pixels across, 8 units 13 down.
  rect->right = (window->rect.right - window->rect.left) * 6 / 4;
  rect->bottom = (window->rect.bottom - window->rect.top) * 13 / 8;
}

HICON CWnd::SetIcon(HICON icon, BOOL bigIcon) {
  auto* dialog = vp::ui::DialogFromHandle(m_hWnd);
  if (!dialog) return nullptr;
  HICON& slot = bigIcon ? dialog->bigIcon : dialog->smallIcon;
  HICON previous = slot;
  slot = icon;
  return previous;
}

HICON CWnd::GetIcon(BOOL bigIcon) const {
  auto* dialog = vp::ui::DialogFromHandle(m_hWnd);
  if (!dialog) return nullptr;
  return bigIcon ? dialog->bigIcon : dialog->smallIcon;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  auto* dialog = vp::ui::DialogFromHandle(m_hWnd);
  return dialog ? dialog->Send(message, wParam, lParam) : 0;
}

CWnd* CWnd::GetDlgItem(int id) const {
  auto* dialog = vp::ui::DialogFromHandle(m_hWnd);
  vp::ui::Control* control = dialog ? dialog->Find(id) : nullptr;
  if (!control) return nullptr;
  HWND handle = vp::ui::ToHandle(control);
  auto& wrapper = m_childWrappers[handle];
  if (!wrapper) {
    switch (control->kind) {
      case vp::ui::Kind::PushButton:
      case vp::ui::Kind::CheckBox:
        wrapper = std::make_unique<CButton>();
        break;
      case vp::ui::Kind::ComboBox:
        wrapper = std::make_unique<CComboBox>();
        break;
      default:
        wrapper = std::make_unique<CStatic>();
        break;
    }
    wrapper->m_hWnd = handle;
  }
  return wrapper.get();
}
