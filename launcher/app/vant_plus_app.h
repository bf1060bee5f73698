// The launcher's application object: arms the crash dump writer, refuses a second terminal of
// the variant, and hands the UI module the start-up, every pre-translated message and the
// shut-down. The framework's message loop runs the terminal.
#pragma once

#include "framework/app.h"
#include "instance_mutex.h"
#include "ui_module_host.h"

class CVantPlusApp : public CWinApp, public CUIModuleHost {
 public:
  // `instanceMutex` is the process's InstanceMutex, made during static initialisation.
  explicit CVantPlusApp(const CInstanceMutex& instanceMutex);

  BOOL InitInstance() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnIdle(LONG count) override;
  int ExitInstance() override;

  // Resource handles released at exit; nothing in the launcher fills them.
  HANDLE m_hResourceSlot[2] = {nullptr, nullptr};

 private:
  // A terminal never starts from a half-switched installation: an install cut off on the
  // launcher's own drive is finished or undone first. False (told) when it could be neither.
  bool SettleInterruptedInstall();

  const CInstanceMutex& m_instanceMutex;
};
