// The installer's application object: reads the command line, then runs the dialog modally,
// or, with /VERYSILENT, the same sequences with no one at the desk, and ends the program.
#pragma once

#include "framework/app.h"

class CInstallerApp : public CWinApp {
 public:
  ~CInstallerApp() override = default;

  // Always false: the program ends when the dialog (or the unattended run) is done, without a
  // message loop. A second setup, or one that cannot tell whether another runs, shows why (or
  // logs it) and ends at once.
  BOOL InitInstance() override;
  // The dialog ends with 0; an unattended run with the code of its outcome.
  int ExitInstance() override { return static_cast<int>(m_nExitCode); }

  const MessageMap* GetMessageMap() const override;

 private:
  // The setup's own instance mutex, held until the process ends.
  HANDLE m_hSetupMutex = nullptr;
  UINT m_nExitCode = 0;
};
