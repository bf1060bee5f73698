// Modal dialogs on real windows, from the dialog resources of the resource module.
#include "framework/app.h"
#include "framework/dialog.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    dialog->m_hWnd = window;
    return dialog->OnInitDialog();
  }
  auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
  if (!dialog) return FALSE;
  if (message == WM_NCDESTROY) {
    dialog->ReleaseChildWrappers();
    dialog->m_hWnd = nullptr;
    return FALSE;
  }
  LRESULT result = 0;
  if (!dialog->HandleMessage(message, wParam, lParam, &result)) return FALSE;
  // A few messages return their result directly; the others through DWLP_MSGRESULT.
  if (message == WM_QUERYDRAGICON) return static_cast<INT_PTR>(result);
  ::SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
  return TRUE;
}

}  // namespace

INT_PTR CDialog::DoModal() {
  if (m_hWnd) return -1;
  HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
  return ::DialogBoxParamA(vp::fw::ResourceInstance(), MAKEINTRESOURCEA(m_nIDTemplate), parent,
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }
