// Buttons and combo boxes on real controls.
#include <cctype>

#include "framework/controls.h"
#include "framework/controls.h"

int CButton::GetCheck() const { return static_cast<int>(::SendMessageA(m_hWnd, BM_GETCHECK, 0, 0)); }

void CButton::SetCheck(int check) { ::SendMessageA(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(check), 0); }

int CComboBox::AddString(const std::string& text) {
  // The upper-case style is applied here as well: not every system applies it to new entries.
  std::string entry = text;
  if (GetStyle() & CBS_UPPERCASE) {
    for (char& c : entry) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return static_cast<int>(::SendMessageA(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str())));
}

int CComboBox::GetCount() const { return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCOUNT, 0, 0)); }

int CComboBox::GetCurSel() const { return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0)); }

int CComboBox::SetCurSel(int index) {
  return static_cast<int>(::SendMessageA(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

void CComboBox::GetLBText(int index, std::string& text) const {
  text.clear();
  LRESULT length = ::SendMessageA(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return;
  text.resize(static_cast<size_t>(length) + 1);
  LRESULT copied = ::SendMessageA(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                  reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
}

void CComboBox::ResetContent() { ::SendMessageA(m_hWnd, CB_RESETCONTENT, 0, 0); }

int CComboBox::Dir(UINT attributes, const char* pattern) {
  // Built from the system's drive list: the combo box's own drive listing gives nothing on
  // some systems when the pattern is empty.
  if (!(attributes & DDL_DRIVES) || (pattern && *pattern)) return CB_ERR;
  int last = CB_ERR;
  for (const std::string& entry : vp::fw::DriveListEntries()) last = AddString(entry);
  return last;
}
