// Buttons and combo boxes on the dialog model.
#include "framework/controls.h"
#include "framework/controls.h"
#include "framework/ui_model.h"

using vp::ui::ControlFromHandle;

int CButton::GetCheck() const {
  vp::ui::Control* control = ControlFromHandle(m_hWnd);
  return control ? control->check : BST_UNCHECKED;
}

void CButton::SetCheck(int check) {
  if (vp::ui::Control* control = ControlFromHandle(m_hWnd)) control->SetCheck(check);
}

int CComboBox::AddString(const std::string& text) {
  vp::ui::Control* control = ControlFromHandle(m_hWnd);
  return control ? control->AddItem(text) : CB_ERR;
}

int CComboBox::GetCount() const {
  vp::ui::Control* control = ControlFromHandle(m_hWnd);
  return control ? static_cast<int>(control->items.size()) : CB_ERR;
}

int CComboBox::GetCurSel() const {
  vp::ui::Control* control = ControlFromHandle(m_hWnd);
  return control ? control->selection : CB_ERR;
}

int CComboBox::SetCurSel(int index) {
  vp::ui::Control* control = ControlFromHandle(m_hWnd);
  if (!control) return CB_ERR;
  control->SetSelection(index);
  return control->selection < 0 ? CB_ERR : control->selection;
}

void CComboBox::GetLBText(int index, std::string& text) const {
  vp::ui::Control* control = ControlFromHandle(m_hWnd);
  text.clear();
  if (control && index >= 0 && index < static_cast<int>(control->items.size())) {
    text = control->items[static_cast<size_t>(index)];
  }
}

void CComboBox::ResetContent() {
  if (vp::ui::Control* control = ControlFromHandle(m_hWnd)) control->ClearItems();
}

int CComboBox::Dir(UINT attributes, const char* pattern) {
  if (!(attributes & DDL_DRIVES) || (pattern && *pattern)) return CB_ERR;
  int last = CB_ERR;
  for (const std::string& entry : vp::fw::DriveListEntries()) last = AddString(entry);
  return last;
}
