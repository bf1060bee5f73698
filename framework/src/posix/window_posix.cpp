// CWnd on the window model.
#include "../common/window_internal.h"
#include "framework/controls.h"
#include "framework/ui_model.h"
#include "framework/window.h"


namespace vp::fw {

HWND ChildWindow(HWND parent, int id) {
  auto* dialog = vp::ui::DialogFromHandle(parent);
  vp::ui::Control* control = dialog ? dialog->Find(id) : nullptr;
  return control ? vp::ui::ToHandle(control) : nullptr;
}

std::unique_ptr<CWnd> MakeControlWrapper(HWND handle) {
  vp::ui::Control* control = vp::ui::ControlFromHandle(handle);
  switch (control ? control->kind : vp::ui::Kind::Static) {
    case vp::ui::Kind::PushButton:
    case vp::ui::Kind::CheckBox:
      return std::make_unique<CButton>();
    case vp::ui::Kind::ComboBox:
      return std::make_unique<CComboBox>();
    default:
      return std::make_unique<CStatic>();
  }
}

// A top-level window just made: shown when its style says so.
void ShowNewTopWindow(vp::ui::DialogWindow& window) {
  if (!(window.style & WS_VISIBLE) || window.destroyed) return;
  window.visible = true;
  window.shown = true;
  window.Invalidate(true);
  for (const auto& control : window.controls) control->Invalidate(true);
  vp::ui::CurrentFrontEnd().Shown(window);
}

}  // namespace vp::fw

BOOL CWnd::CreateEx(DWORD exStyle, const char* windowName, DWORD style, const RECT& rect, CWnd* parent, UINT) {
  // The model holds top-level windows; controls come from dialog templates.
  if (m_hWnd || parent) return FALSE;
  auto window = std::make_unique<vp::ui::DialogWindow>();
  window->kind = vp::ui::Kind::Dialog;
  window->style = style;
  window->text = windowName ? windowName : "";
  window->pixels = rect;
  window->rect = {rect.left * 4 / 6, rect.top * 8 / 13, rect.right * 4 / 6, rect.bottom * 8 / 13};
  window->visible = false;
  window->dialog = window.get();
  (void)exStyle;
  vp::ui::DialogWindow* made = vp::ui::AddTopWindow(std::move(window));
  Attach(vp::ui::ToHandle(made));
  made->Send(WM_NCCREATE, 0, 0);
  if (made->Send(WM_CREATE, 0, 0) == -1) {
    vp::ui::DestroyTopWindow(made);
    return FALSE;
  }
  vp::fw::ShowNewTopWindow(*made);
  return TRUE;
}

BOOL CWnd::DestroyWindow() {
  auto* dialog = vp::ui::DialogFromHandle(m_hWnd);
  if (!dialog) return FALSE;
  if (!dialog->modeless) {
    // A modal dialog ends its own loop, which then destroys it.
    dialog->ended = true;
    dialog->result = IDCANCEL;
    return TRUE;
  }
  vp::ui::DestroyTopWindow(dialog);
  return TRUE;
}

BOOL CWnd::SubclassWindow(HWND handle) {
  if (m_hWnd || !vp::ui::FromHandle(handle) || vp::fw::AttachedWindow(handle)) return FALSE;
  m_hWnd = handle;
  PreSubclassWindow();
  Attach(handle);
  return TRUE;
}

HWND CWnd::UnsubclassWindow() {
  HWND handle = m_hWnd;
  if (!handle) return nullptr;
  Detach();
  return handle;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  return window ? window->DefaultProcessing(message, wParam, lParam) : 0;
}

void CWnd::SetWindowText(const std::string& text) {
  if (vp::ui::Window* window = vp::ui::FromHandle(m_hWnd)) window->SetText(text);
}

void CWnd::GetWindowText(std::string& text) const {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  text = window ? window->text : std::string();
}

int CWnd::GetDlgCtrlID() const {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  return window && window->kind != vp::ui::Kind::Dialog ? window->id : 0;
}

DWORD CWnd::GetStyle() const {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  return window ? window->style : 0;
}

CWnd* CWnd::GetParent() const {
  vp::ui::Control* control = vp::ui::ControlFromHandle(m_hWnd);
  return control ? FromHandle(control->Parent()) : nullptr;
}

BOOL CWnd::EnableWindow(BOOL enable) {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  if (!window) return FALSE;
  BOOL wasDisabled = !window->enabled;
  window->SetEnabled(enable != FALSE);
  if (wasDisabled == (enable != FALSE)) window->Invalidate(true);
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  return window && window->enabled;
}

BOOL CWnd::ShowWindow(int command) {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  if (!window) return FALSE;
  BOOL wasVisible = window->visible;
  auto* dialog = vp::ui::DialogFromHandle(m_hWnd);
  if (dialog) {
    if (command == SW_MINIMIZE) dialog->SysCommand(SC_MINIMIZE);
    if (command == SW_RESTORE) dialog->SysCommand(SC_RESTORE);
  }
  window->SetVisible(command != SW_HIDE);
  if (dialog && dialog->modeless && command != SW_HIDE && !dialog->shown) {
    dialog->style |= WS_VISIBLE;
    vp::fw::ShowNewTopWindow(*dialog);
  }
  if (command != SW_HIDE) window->Invalidate(true);
  return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  return window && window->visible;
}

BOOL CWnd::IsIconic() const {
  auto* dialog = vp::ui::DialogFromHandle(m_hWnd);
  return dialog && dialog->iconic;
}

BOOL CWnd::IsWindow() const { return vp::ui::FromHandle(m_hWnd) != nullptr; }

void CWnd::UpdateWindow() {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  if (window && window->invalid) window->Send(WM_PAINT, 0, 0);
}

void CWnd::Invalidate(BOOL erase) {
  if (vp::ui::Window* window = vp::ui::FromHandle(m_hWnd)) window->Invalidate(erase != FALSE);
}

void CWnd::RedrawWindow(UINT flags) {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  if (!window) return;
  if (flags & RDW_INVALIDATE) window->Invalidate((flags & RDW_ERASE) != 0);
  if (flags & RDW_FRAME) window->Send(WM_NCPAINT, 1, 0);
  if ((flags & RDW_UPDATENOW) && window->invalid) window->Send(WM_PAINT, 0, 0);
}

void CWnd::GetClientRect(RECT* rect) const {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  *rect = window ? window->ClientRect() : RECT{};
}

void CWnd::GetWindowRect(RECT* rect) const {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  *rect = RECT{};
  if (!window) return;
  if (window->kind == vp::ui::Kind::Dialog) {
    *rect = window->pixels;
    return;
  }
  POINT origin = window->ClientOrigin();
  RECT client = window->ClientRect();
  *rect = RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
}

void CWnd::ClientToScreen(POINT* point) const {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  if (!window) return;
  POINT origin = window->ClientOrigin();
  point->x += origin.x;
  point->y += origin.y;
}

void CWnd::ScreenToClient(POINT* point) const {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  if (!window) return;
  POINT origin = window->ClientOrigin();
  point->x -= origin.x;
  point->y -= origin.y;
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  if (!window) return;
  window->pixels = RECT{x, y, x + width, y + height};
  if (repaint) window->Invalidate(true);
}

CWnd* CWnd::SetFocus() { return FromHandle(vp::ui::SetFocusTo(m_hWnd)); }

CWnd* CWnd::GetFocus() { return FromHandle(vp::ui::Focus()); }

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
  vp::ui::Window* window = vp::ui::FromHandle(m_hWnd);
  return window ? window->Send(message, wParam, lParam) : 0;
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!vp::ui::FromHandle(m_hWnd)) return FALSE;
  vp::ui::PostMessageTo(m_hWnd, message, wParam, lParam);
  return TRUE;
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse) { return vp::ui::SetTimerFor(m_hWnd, id, elapse); }

BOOL CWnd::KillTimer(UINT_PTR id) { return vp::ui::KillTimerFor(m_hWnd, id); }
