#include "installer_dlg.h"

#include <algorithm>
#include <cctype>

#include "install/install_sequence.h"
#include "res/installer_dialog.h"
#include "common/drive_choice.h"
#include "common/instance_checks.h"
#include "common/setup_log.h"
#include "common/product_profile.h"
#include "uninstall/uninstall_sequence.h"

namespace {

// The instance mutexes of the terminals, as the launcher creates them.
constexpr const char* kTerminalMutexNames[] = {"SWTSULPTNAV", "OFSWTSULPTNAV", "MCSWTSULPTNAV"};

constexpr const char* kTerminalsRunningText = "All Terminals should be closed during Installation/UnInstallation....!!";

CComboBox* Combo(const CWnd& dialog, int id) { return static_cast<CComboBox*>(dialog.GetDlgItem(id)); }

}  // namespace

CInstallerDlg::CInstallerDlg(std::string mode, std::string version, std::string setupDir, CWnd* parent)
    : CDialog(IDD_INSTALLER_DIALOG, parent),
      m_strMode(std::move(mode)),
      m_strVersion(std::move(version)),
      m_strSetupDir(std::move(setupDir)) {
  m_hIcon = vp::fw::GetApp() ? vp::fw::GetApp()->LoadIcon(IDR_MAINFRAME) : nullptr;
}

const MessageMap* CInstallerDlg::GetMessageMap() const {
  static const MessageMap map{CDialog::GetMessageMap(),
                              {
                                  MapSysCommand(&CInstallerDlg::OnSysCommand),
                                  MapPaint(&CInstallerDlg::OnPaint),
                                  MapQueryDragIcon(&CInstallerDlg::OnQueryDragIcon),
                                  MapClicked(IDC_INSTALL, &CInstallerDlg::OnInstall),
                                  MapClicked(IDC_UNINSTALL, &CInstallerDlg::OnUninstall),
                                  MapSelChange(IDC_DRIVE, &CInstallerDlg::OnDriveChanged),
                                  MapClicked(IDC_DB_PATH, &CInstallerDlg::OnDbPathClicked),
                                  MapSelChange(IDC_APPLICATION_TYPE, &CInstallerDlg::OnApplicationTypeChanged),
                              }};
  return &map;
}

BOOL CInstallerDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  // No terminal may run during an install; when that cannot be known, the installer does not
  // run either.
  NamedObjectCheck terminals = ProbeNamedMutexes(
      {kTerminalMutexNames[0], kTerminalMutexNames[1], kTerminalMutexNames[2]});
  if (terminals == NamedObjectCheck::kPresent) {
    MessageBox(kTerminalsRunningText, nullptr, MB_OK);
    vp::fw::EndProcessNow(0);
  }
  if (terminals == NamedObjectCheck::kUnavailable) {
    MessageBox(kNamedObjectsUnusableText, nullptr, MB_OK | MB_ICONSTOP);
    vp::fw::EndProcessNow(0);
  }

  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  CComboBox* appType = Combo(*this, IDC_APPLICATION_TYPE);
  appType->AddString("VANTPLUS");
  appType->AddString("FO");
  appType->AddString("CM");
  appType->SetCurSel(0);
  OnApplicationTypeChanged();
  SetDlgItemText(IDC_DB_PATH, "C:\\" + g_profile.DbFolderName);
  SetDlgItemText(IDC_DATA_PATH, "C:\\" + g_profile.DataFolderName);

  CComboBox* drives = Combo(*this, IDC_DRIVE);
  drives->Dir(DDL_DRIVES, "");
  drives->SetCurSel(PreselectedDriveIndex(
      GetDriveEntries(), [](const std::string& root) { return GetDriveTypeA(root.c_str()); }));
  OnDriveChanged();

  for (int id : {IDC_DB_PATH, IDC_DATA_PATH, IDC_DESKTOP_SHORTCUT, IDC_START_MENU_SHORTCUT}) {
    CheckDlgButton(id, BST_CHECKED);
  }
  SetWindowText(g_profile.InstallerCaption);
  return TRUE;
}

BOOL CInstallerDlg::IsTerminalRunning() {
  // A probe that cannot be made counts as a running terminal: better refuse than overwrite.
  return ProbeNamedMutexes({kTerminalMutexNames[0], kTerminalMutexNames[1],
                            kTerminalMutexNames[2]}) != NamedObjectCheck::kAbsent;
}

void CInstallerDlg::OnDriveChanged() {
  std::string entry = GetDlgItemText(IDC_DRIVE);
  m_strDrive.clear();
  for (char c : entry) {
    if (c != '[' && c != ']' && c != '-') m_strDrive += c;
  }
  m_strDrive += ":\\";
  std::transform(m_strDrive.begin(), m_strDrive.end(), m_strDrive.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  // The captions keep their folder; only the first n characters, the old root, are replaced.
  size_t n = m_strDrive.size();
  for (int id : {IDC_DB_PATH, IDC_DATA_PATH}) {
    std::string caption = GetDlgItemText(id);
    SetDlgItemText(id, m_strDrive + (n < caption.size() ? caption.substr(n) : std::string()));
  }
}

void CInstallerDlg::OnApplicationTypeChanged() {
  m_strAppType = GetDlgItemText(IDC_APPLICATION_TYPE);
  SelectProductProfile(m_strAppType, m_strVersion);
  SetDlgItemText(IDC_DB_PATH, "C:\\" + g_profile.DbFolderName);
  SetDlgItemText(IDC_DATA_PATH, "C:\\" + g_profile.DataFolderName);
  OnDriveChanged();
}

void CInstallerDlg::OnDbPathClicked() {
  // The executable and database folder is always replaced: the box cannot be unticked.
  CheckDlgButton(IDC_DB_PATH, BST_CHECKED);
}

void CInstallerDlg::OnInstall() { CInstallSequence(*this).Run(); }

void CInstallerDlg::OnUninstall() { CUninstallSequence(*this).Run(); }

std::string CInstallerDlg::ReadApplicationType() {
  m_strAppType = GetDlgItemText(IDC_APPLICATION_TYPE);
  return m_strAppType;
}

std::vector<std::string> CInstallerDlg::GetDriveEntries() const {
  std::vector<std::string> entries;
  CComboBox* drives = Combo(*this, IDC_DRIVE);
  for (int i = 0; drives && i < drives->GetCount(); ++i) {
    std::string text;
    drives->GetLBText(i, text);
    entries.push_back(text);
  }
  return entries;
}

bool CInstallerDlg::IsCheckBoxChecked(int controlId) const {
  return IsDlgButtonChecked(controlId) == BST_CHECKED;
}

void CInstallerDlg::SetStatusText(const std::string& text) { SetDlgItemText(IDC_STATUS, text); }

void CInstallerDlg::EnableControl(int controlId, BOOL enable) {
  if (CWnd* control = GetDlgItem(controlId)) control->EnableWindow(enable);
}

int CInstallerDlg::AskUser(const std::string& text, const std::string& caption, UINT type) {
  int answer = MessageBox(text, caption.empty() ? nullptr : caption.c_str(), type);
  LogMessageBox(text, caption, answer);
  return answer;
}

void CInstallerDlg::EndProcess(UINT code) {
  SetupLog().Finish(code);
  vp::fw::EndProcessNow(code);
}

void CInstallerDlg::OnSysCommand(UINT id, LPARAM lParam) {
  // 0x0010 is the About command of the system menu; the installer shows no About box.
  if ((id & 0xFFF0) == 0x0010) return;
  CDialog::OnSysCommand(id, lParam);
}

void CInstallerDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  int cxIcon = GetSystemMetrics(SM_CXICON);
  int cyIcon = GetSystemMetrics(SM_CYICON);
  RECT rect;
  GetClientRect(&rect);
  int x = (rect.right - rect.left - cxIcon + 1) / 2;
  int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
  dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CInstallerDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
