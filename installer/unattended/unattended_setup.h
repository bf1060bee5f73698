// The installer with no one at the desk: the options of the command line stand for the
// dialog's choices, and the very install and uninstall sequences of the dialog run through this
// implementation of InstallerState. What the dialog would show goes to the log, with the answer
// given in the user's place; the outcome is the process's exit code (common/exit_codes.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/installer_state.h"
#include "unattended/setup_options.h"

class CUnattendedSetup : public InstallerStateMembers {
 public:
  // `mode`, `version` and `setupDir` are the "M:", "V:" and plain arguments.
  CUnattendedSetup(SetupOptions options, std::string mode, std::string version,
                   std::string setupDir);

  // Checks the options against this machine, refuses while a terminal runs, then installs or
  // uninstalls; returns the exit code. The log is the caller's to open and finish. An uninstall
  // that completes ends the process itself through EndProcess (the uninstall sequence does).
  UINT Run();

  // What a message box of the dialog answers here, and the exit code it stands for (none: the
  // run goes on). Exposed for the README's table and its test.
  struct Answer {
    int button;
    std::optional<UINT> exitCode;
  };
  Answer AnswerFor(const std::string& text, UINT type) const;

  // InstallerState.
  std::string GetDrive() const override { return m_strDrive; }
  std::string GetAppType() const override { return m_strAppType; }
  std::string ReadApplicationType() override { return m_strAppType; }
  std::string GetMode() const override { return m_strMode; }
  std::string GetSetupDir() const override { return m_strSetupDir; }
  std::string GetVersion() const override { return m_strVersion; }
  std::vector<std::string> GetDriveEntries() const override { return m_driveEntries; }
  std::string GetCheckBoxCaption(int controlId) const override;
  bool IsCheckBoxChecked(int controlId) const override;
  void SetStatusText(const std::string& text) override;
  void EnableControl(int, BOOL) override {}
  int AskUser(const std::string& text, const std::string& caption, UINT type) override;
  void NoteFailure(DWORD error) override { m_dwFailure = error; }
  void EndProcess(UINT code) override;

 private:
  // The exit code of the run so far: the first failure's, else none.
  std::optional<UINT> m_exitCode;
  bool m_bSucceeded = false;  // the success message was given
  DWORD m_dwFailure = 0;

  SetupOptions m_options;
  std::string m_strMode, m_strVersion, m_strSetupDir;
  std::string m_strDrive, m_strAppType;
  std::vector<std::string> m_driveEntries;
};

// The entries the dialog's drive list shows for this machine ("[-c-]" form).
std::vector<std::string> MachineDriveEntries();
