// Dialogs on real windows, from the dialog resources of the resource module. The dialog
// manager's window procedure is kept as the original one: the framework's procedure sends each
// message through the dialog's message maps first.
#include "framework/app.h"
#include "framework/dialog.h"

namespace vp::fw {
void SubclassWithFrameworkProc(CWnd* window, HWND handle);
}

namespace {

// Only the initialisation is the dialog procedure's: from WM_INITDIALOG on, every message goes
// through the framework's procedure, which leaves what it does not handle to the dialog manager.
INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  auto* dialog = reinterpret_cast<CDialog*>(lParam);
  vp::fw::SubclassWithFrameworkProc(dialog, window);
  return dialog->OnInitDialog();
}

}  // namespace

INT_PTR CDialog::DoModal() {
  if (m_hWnd) return -1;
  HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
  m_bModal = true;
  INT_PTR result = ::DialogBoxParamA(vp::fw::ResourceInstance(), MAKEINTRESOURCEA(m_nIDTemplate), parent,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
  m_bModal = false;
  return result;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  if (m_hWnd) return FALSE;
  m_nIDTemplate = templateId;
  m_pParentWnd = parent;
  m_bModal = false;
  HWND handle = ::CreateDialogParamA(vp::fw::ResourceInstance(), MAKEINTRESOURCEA(templateId),
                                     parent ? parent->m_hWnd : nullptr, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
  return handle != nullptr;
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (m_bModal || !m_hWnd || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return FALSE;
  return ::IsDialogMessageA(m_hWnd, msg);
}
