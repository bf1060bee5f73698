// Modal dialogs built from a dialog template: a resource on Windows, a registered template on
// POSIX (framework/dialog_template.h).
#pragma once

#include "framework/window.h"

// Data exchange between a dialog and its members: DDX_Control binds a control of the dialog
// to a member object, which subclasses it (once).
class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Creates the dialog, runs OnInitDialog and lets the user work in it until EndDialog; returns
  // the value given to EndDialog, or -1 when the dialog could not be created.
  virtual INT_PTR DoModal();
  // Creates the dialog as a modeless window (shown when its template says WS_VISIBLE) and runs
  // OnInitDialog; false when it could not be created. OK and Cancel then destroy it.
  BOOL Create(UINT templateId, CWnd* parent = nullptr);
  // Ends the modal loop with this result once the current handler returns.
  void EndDialog(int result);
  bool IsModal() const { return m_bModal; }
  // A modeless dialog's keyboard interface (Tab, Enter, Escape) on Windows.
  BOOL PreTranslateMessage(MSG* msg) override;

  // Binds the dialog's controls to its members (UpdateData(FALSE)); override and call it first.
  virtual BOOL OnInitDialog();
  // Runs DoDataExchange; true when it succeeded.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  UINT TemplateId() const { return m_nIDTemplate; }

 protected:
  virtual void DoDataExchange(CDataExchange* exchange);
  // IDOK and IDCANCEL when the message map does not handle them.
  virtual void OnOK();
  virtual void OnCancel();
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  bool m_bModal = false;
};
