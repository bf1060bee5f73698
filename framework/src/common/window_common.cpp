// The parts of CWnd that are the same on both backends: which object a window belongs to,
// message routing, and the helpers that go through GetDlgItem.
#include <map>

#include "framework/app.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/window.h"
#include "window_internal.h"

namespace {

// The registries live as long as the process: windows may still be destroyed while static
// objects are, so they are never destroyed themselves.
std::map<HWND, CWnd*>& Attached() {
  static auto* windows = new std::map<HWND, CWnd*>;
  return *windows;
}

// The wrappers of dialog controls, owned by their dialog object (GetDlgItem).
std::map<HWND, CWnd*>& ChildWrappers() {
  static auto* windows = new std::map<HWND, CWnd*>;
  return *windows;
}

// Wrappers of windows that no object owns, kept until the window is destroyed.
std::map<HWND, std::unique_ptr<CWnd>>& Temporary() {
  static auto* windows = new std::map<HWND, std::unique_ptr<CWnd>>;
  return *windows;
}

}  // namespace

namespace vp::fw {

CWnd* AttachedWindow(HWND handle) {
  auto found = Attached().find(handle);
  return found == Attached().end() ? nullptr : found->second;
}

void WindowDestroyed(HWND handle) {
  Temporary().erase(handle);
  CWnd* window = AttachedWindow(handle);
  if (!window) return;
  window->ReleaseChildWrappers();
  window->Detach();
  // The main window's end is the end of the application's message loop; a modal dialog's own
  // loop ends by itself.
  CWinApp* app = GetApp();
  auto* dialog = dynamic_cast<CDialog*>(window);
  if (app && app->m_pMainWnd == window && !(dialog && dialog->IsModal())) PostQuitMessage(0);
  window->PostNcDestroy();
}

}  // namespace vp::fw

CWnd::~CWnd() {
  ReleaseChildWrappers();
  if (m_hWnd && vp::fw::AttachedWindow(m_hWnd) == this) Detach();
}

CWnd* CWnd::FromHandle(HWND handle) {
  if (!handle) return nullptr;
  if (CWnd* window = vp::fw::AttachedWindow(handle)) return window;
  // One object per window: the dialog's wrapper of a control when there is one.
  auto child = ChildWrappers().find(handle);
  if (child != ChildWrappers().end()) return child->second;
  auto& wrapper = Temporary()[handle];
  if (!wrapper) {
    wrapper = std::make_unique<CWnd>();
    wrapper->m_hWnd = handle;
  }
  return wrapper.get();
}

void CWnd::Attach(HWND handle) {
  m_hWnd = handle;
  Attached()[handle] = this;
}

void CWnd::Detach() {
  auto found = Attached().find(m_hWnd);
  if (found != Attached().end() && found->second == this) Attached().erase(found);
  m_hWnd = nullptr;
}

void CWnd::PostNcDestroy() {}

void CWnd::PreSubclassWindow() {}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

bool CWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  // A handler may show a message box or send messages, which are handled in between: keep the
  // outer message for its Default().
  CurrentMessage outer = m_current;
  m_current = {message, wParam, lParam};
  bool handled = message == WM_COMMAND ? OnCommand(wParam, lParam) != FALSE
                                       : DispatchToMap(message, 0, 0, wParam, lParam, result);
  m_current = outer;
  return handled;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleMessage(message, wParam, lParam, &result)) return result;
  // An owner-drawn control draws itself: the parent hands the request back to its object.
  if (message == WM_DRAWITEM && lParam) {
    auto* item = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
    CWnd* control = vp::fw::AttachedWindow(item->hwndItem);
    if (control && control->OnChildNotify(message, wParam, lParam, &result)) return result;
  }
  return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  LRESULT ignored = 0;
  return DispatchToMap(WM_COMMAND, HIWORD(wParam), LOWORD(wParam), wParam, lParam, &ignored);
}

LRESULT CWnd::Default() { return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam); }

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnPaint() { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

void CWnd::ReleaseChildWrappers() {
  for (const auto& [handle, wrapper] : m_childWrappers) ChildWrappers().erase(handle);
  m_childWrappers.clear();
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  CWnd* item = parent ? parent->GetDlgItem(static_cast<int>(id)) : nullptr;
  if (!item || vp::fw::AttachedWindow(item->m_hWnd)) return FALSE;
  HWND handle = item->m_hWnd;
  parent->m_childWrappers.erase(handle);  // this object stands for the control from now on
  ChildWrappers().erase(handle);
  return SubclassWindow(handle);
}

CWnd* CWnd::GetDlgItem(int id) const {
  HWND handle = vp::fw::ChildWindow(m_hWnd, id);
  if (!handle) return nullptr;
  if (CWnd* attached = vp::fw::AttachedWindow(handle)) return attached;
  auto& wrapper = m_childWrappers[handle];
  if (!wrapper) {
    wrapper = vp::fw::MakeControlWrapper(handle);
    wrapper->m_hWnd = handle;
    ChildWrappers()[handle] = wrapper.get();
    Temporary().erase(handle);
  }
  return wrapper.get();
}

std::string CWnd::GetWindowText() const {
  std::string text;
  GetWindowText(text);
  return text;
}

void CWnd::SetDlgItemText(int id, const std::string& text) {
  if (CWnd* item = GetDlgItem(id)) item->SetWindowText(text);
}

std::string CWnd::GetDlgItemText(int id) const {
  CWnd* item = GetDlgItem(id);
  return item ? item->GetWindowText() : std::string();
}

UINT CWnd::IsDlgButtonChecked(int id) const {
  auto* button = dynamic_cast<CButton*>(GetDlgItem(id));
  return button ? static_cast<UINT>(button->GetCheck()) : 0;
}

void CWnd::CheckDlgButton(int id, UINT check) {
  if (auto* button = dynamic_cast<CButton*>(GetDlgItem(id))) button->SetCheck(static_cast<int>(check));
}

int CWnd::MessageBox(const std::string& text, const char* caption, UINT type) {
  return vp::fw::ShowMessageBox(m_hWnd, text, caption, type);
}
