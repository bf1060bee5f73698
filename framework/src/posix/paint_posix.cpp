// The window contexts on the window model: each draws on the window's recording surface.
#include "framework/paint.h"
#include "framework/ui_model.h"

namespace {

HDC OpenFor(CWnd* window, vp::gdi::DcKind kind) {
  vp::ui::Window* model = vp::ui::FromHandle(window ? window->m_hWnd : nullptr);
  return model ? vp::gdi::OpenSurfaceDC(&model->surface, kind) : nullptr;
}

}  // namespace

CPaintDC::CPaintDC(CWnd* window) : m_pWnd(window) {
  vp::ui::Window* model = vp::ui::FromHandle(window ? window->m_hWnd : nullptr);
  m_hDC = model ? model->BeginPaint() : nullptr;
  m_ps.hdc = m_hDC;
  if (model) m_ps.rcPaint = model->ClientRect();
}

CPaintDC::~CPaintDC() {
  RestoreSelections();
  vp::gdi::CloseSurfaceDC(m_hDC);
  m_hDC = nullptr;
}

CClientDC::CClientDC(CWnd* window) : m_pWnd(window) { m_hDC = OpenFor(window, vp::gdi::DcKind::Client); }

CClientDC::~CClientDC() {
  RestoreSelections();
  vp::gdi::CloseSurfaceDC(m_hDC);
  m_hDC = nullptr;
}

CWindowDC::CWindowDC(CWnd* window) : m_pWnd(window) { m_hDC = OpenFor(window, vp::gdi::DcKind::Window); }

CWindowDC::~CWindowDC() {
  RestoreSelections();
  vp::gdi::CloseSurfaceDC(m_hDC);
  m_hDC = nullptr;
}
