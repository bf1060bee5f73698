// The application object and the services that do not depend on the backend.
#include <string>

#include "framework/app.h"
#include "framework/window.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const char* appName) {
  if (appName) m_strAppName = appName;
  g_app = this;
}

CWinApp::~CWinApp() {
  if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

BOOL CWinApp::OnIdle(LONG) { return FALSE; }

BOOL CWinApp::PreTranslateMessage(MSG* msg) {
  // The window the message is for and each of its parents, then the main window.
  bool mainAsked = false;
  for (CWnd* window = vp::fw::AttachedWindow(msg->hwnd); window; window = window->GetParent()) {
    if (window->PreTranslateMessage(msg)) return TRUE;
    mainAsked = mainAsked || window == m_pMainWnd;
    if (!vp::fw::AttachedWindow(window->m_hWnd)) break;
  }
  return !mainAsked && m_pMainWnd ? m_pMainWnd->PreTranslateMessage(msg) : FALSE;
}

HICON CWinApp::LoadIcon(UINT resourceId) const {
  return ::LoadIconA(vp::fw::ResourceInstance(), MAKEINTRESOURCEA(resourceId));
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
  vp::fw::ParseArguments(info, vp::fw::ProcessArguments());
}

const MessageMap* CWinApp::GetMessageMap() const {
  static const MessageMap map{CCmdTarget::GetMessageMap(), {MapCommand(ID_HELP, &CWinApp::OnHelp)}};
  return &map;
}

void CWinApp::OnHelp() {}

namespace vp::fw {

CWinApp* GetApp() { return g_app; }

std::string AppTitle() {
  if (g_app && !g_app->m_strAppName.empty()) return g_app->m_strAppName;
  char path[MAX_PATH + 1] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path, length <= MAX_PATH ? length : 0);
  size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

int AppMessageBox(const std::string& text, UINT type, const char* caption) {
  CWnd* owner = g_app ? g_app->m_pMainWnd : nullptr;
  return ShowMessageBox(owner ? owner->m_hWnd : nullptr, text, caption, type);
}

}  // namespace vp::fw
