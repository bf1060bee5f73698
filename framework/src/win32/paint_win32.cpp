// The window contexts on real windows.
#include "framework/paint.h"

CPaintDC::CPaintDC(CWnd* window) : m_pWnd(window) { m_hDC = ::BeginPaint(window->m_hWnd, &m_ps); }

CPaintDC::~CPaintDC() {
  RestoreSelections();
  ::EndPaint(m_pWnd->m_hWnd, &m_ps);
  m_hDC = nullptr;
}

CClientDC::CClientDC(CWnd* window) : m_pWnd(window) { m_hDC = ::GetDC(window->m_hWnd); }

CClientDC::~CClientDC() {
  RestoreSelections();
  ::ReleaseDC(m_pWnd->m_hWnd, m_hDC);
  m_hDC = nullptr;
}

CWindowDC::CWindowDC(CWnd* window) : m_pWnd(window) { m_hDC = ::GetWindowDC(window->m_hWnd); }

CWindowDC::~CWindowDC() {
  RestoreSelections();
  ::ReleaseDC(m_pWnd->m_hWnd, m_hDC);
  m_hDC = nullptr;
}
