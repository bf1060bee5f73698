// Wrappers of the standard controls of a dialog: static text, buttons and check boxes, and
// drop-down-list combo boxes.
#pragma once

#include <string>
#include <vector>

#include "framework/window.h"

class CStatic : public CWnd {};

class CButton : public CWnd {
 public:
  int GetCheck() const;
  void SetCheck(int check);
  UINT GetButtonStyle() const;
  void SetButtonStyle(UINT style, BOOL redraw = TRUE);
  // An owner-drawn button (BS_OWNERDRAW) draws itself here when its parent is asked to.
  virtual void DrawItem(LPDRAWITEMSTRUCT item);
  bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CComboBox : public CWnd {
 public:
  // Adds an entry (in sorted place when the combo box has CBS_SORT, in upper case when it has
  // CBS_UPPERCASE); returns its index or CB_ERR.
  int AddString(const std::string& text);
  int GetCount() const;
  int GetCurSel() const;
  // Selects an entry without notifying the owner; -1 clears the selection. Returns the index,
  // or CB_ERR when the index is out of range.
  int SetCurSel(int index);
  void GetLBText(int index, std::string& text) const;
  void ResetContent();
  // Directory listing. With DDL_DRIVES (0x4000) and an empty pattern it adds one "[-x-]" entry
  // per drive of the machine (shown upper case by CBS_UPPERCASE) and returns the index of the
  // last entry added, or CB_ERR. Listings of files are not supported and return CB_ERR.
  int Dir(UINT attributes, const char* pattern);
};

namespace vp::fw {
// The entries CComboBox::Dir(DDL_DRIVES, "") adds: one "[-x-]" per drive of the machine, the
// letter in lower case as the system's own listing gives it.
std::vector<std::string> DriveListEntries();
}  // namespace vp::fw
