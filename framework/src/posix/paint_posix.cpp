// Painting on the dialog model: each call is recorded in the dialog's canvas.
#include <string>

#include "framework/paint.h"
#include "framework/ui_model.h"
#include "icon_handles.h"

CPaintDC::CPaintDC(CWnd* window) : m_pWnd(window) {
  m_hDC = reinterpret_cast<HDC>(vp::ui::DialogFromHandle(window->m_hWnd));
}

CPaintDC::~CPaintDC() = default;

BOOL CPaintDC::DrawIcon(int x, int y, HICON icon) {
  auto* dialog = reinterpret_cast<vp::ui::DialogWindow*>(m_hDC);
  if (!dialog || !icon) return FALSE;
  dialog->canvas.push_back("DrawIcon " + std::to_string(x) + " " + std::to_string(y) + " " +
                           std::to_string(vp::fw::IconResourceId(icon)));
  return TRUE;
}

int GetSystemMetrics(int index) { return index == SM_CXICON || index == SM_CYICON ? 32 : 0; }
