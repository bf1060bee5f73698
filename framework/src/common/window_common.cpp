// The parts of CWnd that are the same on both backends: message routing and the helpers that
// go through GetDlgItem.
#include "framework/app.h"
#include "framework/controls.h"
#include "framework/window.h"

CWnd::~CWnd() = default;

bool CWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  // A handler may show a message box, which handles messages of its own: keep the outer flag.
  bool outerDefault = m_bDefaultRequested;
  m_bDefaultRequested = false;
  bool handled = message == WM_COMMAND ? OnCommand(wParam, lParam) != FALSE
                                       : DispatchToMap(message, 0, 0, wParam, lParam, result);
  if (m_bDefaultRequested) handled = false;
  m_bDefaultRequested = outerDefault;
  return handled;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  LRESULT ignored = 0;
  return DispatchToMap(WM_COMMAND, HIWORD(wParam), LOWORD(wParam), wParam, lParam, &ignored);
}

LRESULT CWnd::Default() {
  m_bDefaultRequested = true;
  return 0;
}

void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnPaint() { Default(); }
HCURSOR CWnd::OnQueryDragIcon() {
  Default();
  return nullptr;
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

void CWnd::ReleaseChildWrappers() { m_childWrappers.clear(); }

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
