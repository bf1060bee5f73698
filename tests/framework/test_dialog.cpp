#include "test_dialog.hpp"

#ifndef _WIN32
#include "framework/dialog_template.h"

#define VP_TEMPLATE_ROW(id, cls, text, style, x, y, w, h) \
  vp::fw::ControlTemplate{id, cls, text, static_cast<DWORD>(style), x, y, w, h},

static const vp::fw::DialogTemplate kTestDialog{IDD_TEST_DIALOG, static_cast<DWORD>(TEST_DIALOG_STYLE), 0, 0, 0, 160, 100,
                                                "Framework test", 8, "MS Sans Serif",
                                                {TEST_DIALOG_CONTROLS(VP_TEMPLATE_ROW)}};
#endif

TestDialog::TestDialog() : CDialog(IDD_TEST_DIALOG) {
#ifndef _WIN32
  vp::fw::RegisterDialogTemplate(&kTestDialog);
#endif
}

BOOL TestDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  events.push_back("init");
  if (onInit) onInit(*this);
  return TRUE;
}

const MessageMap* TestDialog::GetMessageMap() const {
  static const MessageMap map{CDialog::GetMessageMap(),
                              {MapClicked(IDC_GO, &TestDialog::OnGo), MapClicked(IDC_OTHER, &TestDialog::OnOther),
                               MapClicked(IDC_CHECK, &TestDialog::OnCheck),
                               MapSelChange(IDC_SORTED_COMBO, &TestDialog::OnSortedChanged),
                               MapSysCommand(&TestDialog::OnSysCommand)}};
  return &map;
}

void TestDialog::OnGo() {
  events.push_back("go");
  if (onGo) onGo(*this);
}

void TestDialog::OnOther() { events.push_back("other"); }

void TestDialog::OnCheck() { events.push_back("check " + std::to_string(IsDlgButtonChecked(IDC_CHECK))); }

void TestDialog::OnSortedChanged() { events.push_back("selected " + GetDlgItemText(IDC_SORTED_COMBO)); }

void TestDialog::OnSysCommand(UINT id, LPARAM lParam) {
  events.push_back("syscommand " + std::to_string(id));
  // 0x0010 is swallowed; everything else gets the default processing.
  if ((id & 0xFFF0) != 0x0010) CDialog::OnSysCommand(id, lParam);
}
