#include "ui_module_host.h"

#include <atomic>
#include <cstdio>

#include "crash_lock.h"
#include "framework/app.h"
#include "vantplus/ui_module.h"

namespace {

std::atomic<CUIModuleHost*> g_current{nullptr};
std::atomic<bool> g_preTranslateReported{false};

template <class Proc>
Proc As(FARPROC proc) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

CUIModuleHost::CUIModuleHost() { g_current.store(this); }

CUIModuleHost::~CUIModuleHost() {
  CUIModuleHost* self = this;
  g_current.compare_exchange_strong(self, nullptr);
}

CUIModuleHost* CUIModuleHost::Current() { return g_current.load(); }

void CUIModuleHost::ShowMessage(const std::string& text) { vp::fw::AppMessageBox(text, MB_OK); }

void CUIModuleHost::ShowCrashMessage(const std::string& text) {
  vp::fw::ShowMessageBox(nullptr, text, nullptr, MB_OK);
}

void CUIModuleHost::ReportMissing(const char* kind, const char* name) {
  char text[600];
  std::snprintf(text, sizeof text, "Unable to load %s: %s", kind, name);
  ShowMessage(text);
}

FARPROC CUIModuleHost::Export(const char* name) const {
  return m_hUIModule ? GetProcAddress(m_hUIModule, name) : nullptr;
}

bool CUIModuleHost::LoadUIModule() {
  m_hUIModule = LoadLibraryA(m_strUIModule.c_str());
  if (!m_hUIModule) {
    ReportMissing("DLL", m_strUIModule.c_str());
    return false;
  }
  m_bUIModuleLoaded = 1;
  return true;
}

bool CUIModuleHost::StartUIModule(HINSTANCE launcherInstance, int showCommand, CWnd* mainWindow,
                                  CWnd** moduleWindow) {
  auto init = As<vp::uimodule::InitInstanceProc>(Export(vp::uimodule::kInitInstance));
  if (!init) {
    ReportMissing("FUNCTION", vp::uimodule::kInitInstance);
    return false;
  }
  *moduleWindow = init(launcherInstance, showCommand, mainWindow);
  return true;
}

void CUIModuleHost::ForwardMessage(MSG* message) {
  FARPROC proc = Export(vp::uimodule::kPreTranslateMessage);
  if (!m_bUIModuleLoaded) return;
  if (proc) {
    As<vp::uimodule::PreTranslateMessageProc>(proc)(message);
    return;
  }
  // The message box's own loop pre-translates through this hook too: flag first, then show.
  if (!g_preTranslateReported.exchange(true))
    ReportMissing("FUNCTION", vp::uimodule::kPreTranslateMessage);
}

void CUIModuleHost::StopUIModule() {
  if (!m_bUIModuleLoaded) return;
  if (auto exit = As<vp::uimodule::ExitInstanceProc>(Export(vp::uimodule::kExitInstance)))
    exit();
  else
    ReportMissing("FUNCTION", vp::uimodule::kExitInstance);
  // A failure on another thread may be asking the module for its dump folder right now: the
  // module is marked gone under the crash lock, and only then freed.
  bool locked = CCrashLock::Enter();
  m_bUIModuleLoaded = 0;
  HMODULE module = m_hUIModule;
  m_hUIModule = nullptr;
  if (locked) CCrashLock::Leave();
  if (module) FreeLibrary(module);
}

bool CUIModuleHost::AskDumpFolder(char* folder) {
  if (!m_bUIModuleLoaded) return false;
  auto ask = As<vp::uimodule::GetDumpPathProc>(Export(vp::uimodule::kGetDumpPath));
  if (!ask) return false;
  ask(folder);
  return true;
}
