#include "framework/dialog.h"

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
  if (m_hWnd && !m_bModal) DestroyWindow();
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange exchange(this, saveAndValidate);
  DoDataExchange(&exchange);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
  // A control is bound once; later exchanges find it bound already.
  if (control.m_hWnd || !exchange || !exchange->m_pDlgWnd) return;
  control.SubclassDlgItem(static_cast<UINT>(id), exchange->m_pDlgWnd);
}

// A modeless dialog has no modal loop to end: OK and Cancel destroy it.
void CDialog::OnOK() {
  if (m_bModal) EndDialog(IDOK);
  else DestroyWindow();
}

void CDialog::OnCancel() {
  if (m_bModal) EndDialog(IDCANCEL);
  else DestroyWindow();
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (CWnd::OnCommand(wParam, lParam)) return TRUE;
  // The dialog's own commands when no handler takes them: Enter without a default button,
  // and the cancel command (Escape, the close box, a button with id IDCANCEL).
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  if (LOWORD(wParam) == IDOK) {
    OnOK();
    return TRUE;
  }
  if (LOWORD(wParam) == IDCANCEL) {
    OnCancel();
    return TRUE;
  }
  return FALSE;
}
