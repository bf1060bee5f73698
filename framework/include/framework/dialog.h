// Modal dialogs built from a dialog template: a resource on Windows, a registered template on
// POSIX (framework/dialog_template.h).
#pragma once

#include "framework/window.h"

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

  virtual BOOL OnInitDialog();

  UINT TemplateId() const { return m_nIDTemplate; }

 protected:
  // IDOK and IDCANCEL when the message map does not handle them.
  virtual void OnOK();
  virtual void OnCancel();
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  bool m_bModal = false;
};
