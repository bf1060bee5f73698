#include "framework/paint.h"

CPaintDC::CPaintDC(CWnd* window) : m_pWnd(window) { m_hDC = ::BeginPaint(window->m_hWnd, &m_ps); }

CPaintDC::~CPaintDC() { ::EndPaint(m_pWnd->m_hWnd, &m_ps); }

BOOL CPaintDC::DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }
