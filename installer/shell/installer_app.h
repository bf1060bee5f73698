// The installer's application object: reads the command line, runs the dialog modally and
// ends the program when the dialog closes.
#pragma once

#include "framework/app.h"

class CInstallerApp : public CWinApp {
 public:
  ~CInstallerApp() override = default;

  // Always false: the program ends when the dialog closes, without a message loop. A second
  // setup, or one that cannot tell whether another runs, shows why and ends at once.
  BOOL InitInstance() override;

  const MessageMap* GetMessageMap() const override;

 private:
  // The setup's own instance mutex, held until the process ends.
  HANDLE m_hSetupMutex = nullptr;
};
