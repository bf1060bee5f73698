// The dialog's Install and Uninstall buttons: the sequences run on the dialog's members and
// controls through InstallerDialogState.
#include "install/dialog_state.h"
#include "install/install_sequence.h"
#include "res/installer_dialog.h"
#include "shell/installer_dlg.h"
#include "uninstall/uninstall_sequence.h"

namespace {

class CInstallerDlgState : public InstallerDialogState {
 public:
  explicit CInstallerDlgState(CInstallerDlg& dialog) : m_dialog(dialog) {}

  std::string GetDrive() const override { return m_dialog.m_strDrive; }
  std::string GetAppType() const override { return m_dialog.m_strAppType; }
  std::string GetDestDir() const override { return m_dialog.m_strDestDir; }
  void SetDestDir(const std::string& folder) override { m_dialog.m_strDestDir = folder; }
  std::string GetCheckBoxCaption(int controlId) const override {
    return m_dialog.GetDlgItemText(controlId);
  }
  bool IsCheckBoxChecked(int controlId) const override {
    return m_dialog.IsDlgButtonChecked(controlId) == BST_CHECKED;
  }
  void ShowMessage(const std::string& text) override { m_dialog.MessageBox(text, nullptr, MB_OK); }

  std::string GetMode() const override { return m_dialog.m_strMode; }
  std::string GetSetupDir() const override { return m_dialog.m_strSetupDir; }
  std::string ReadApplicationType() override {
    m_dialog.m_strAppType = m_dialog.GetDlgItemText(IDC_APPLICATION_TYPE);
    return m_dialog.m_strAppType;
  }
  std::vector<std::string> GetDriveEntries() const override {
    std::vector<std::string> entries;
    auto* drives = static_cast<CComboBox*>(m_dialog.GetDlgItem(IDC_DRIVE));
    for (int i = 0; drives && i < drives->GetCount(); ++i) {
      std::string text;
      drives->GetLBText(i, text);
      entries.push_back(text);
    }
    return entries;
  }
  void SetStatusText(const std::string& text) override { m_dialog.SetDlgItemText(IDC_STATUS, text); }
  int AskUser(const std::string& text, const std::string& caption, UINT type) override {
    return m_dialog.MessageBox(text, caption.empty() ? nullptr : caption.c_str(), type);
  }
  void EnableControl(int controlId, BOOL enable) override {
    if (CWnd* control = m_dialog.GetDlgItem(controlId)) control->EnableWindow(enable);
  }
  BOOL GetInstalled() const override { return m_dialog.m_bInstalled; }
  void SetInstalled(BOOL installed) override { m_dialog.m_bInstalled = installed; }
  BOOL GetDeleteSetupOnExit() const override { return m_dialog.m_bDeleteSetupOnExit; }
  void SetDeleteSetupOnExit(BOOL deleteOnExit) override { m_dialog.m_bDeleteSetupOnExit = deleteOnExit; }
  void EndProcess(UINT code) override { vp::fw::EndProcessNow(code); }

 private:
  CInstallerDlg& m_dialog;
};

}  // namespace

void CInstallerDlg::OnInstall() {
  CInstallerDlgState state(*this);
  CInstallSequence(state).Run();
}

void CInstallerDlg::OnUninstall() {
  CInstallerDlgState state(*this);
  CUninstallSequence(state).Run();
}
