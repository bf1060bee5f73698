// Painting in a window's WM_PAINT handler. On POSIX the calls are recorded in the window's
// canvas (framework/ui_model.h), so tests can see what was painted.
#pragma once

#include "framework/window.h"

class CPaintDC {
 public:
  explicit CPaintDC(CWnd* window);
  ~CPaintDC();
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;

  HDC GetSafeHdc() const { return m_hDC; }
  BOOL DrawIcon(int x, int y, HICON icon);

  HDC m_hDC = nullptr;

 private:
  CWnd* m_pWnd;
#ifdef _WIN32
  PAINTSTRUCT m_ps{};
#endif
};
