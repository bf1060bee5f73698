// The application's entry, message loop and process services on POSIX.
#include <csignal>
#include <cstdio>
#include <deque>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>

#include "framework/app.h"
#include "framework/ui_model.h"
#include "icon_handles.h"

namespace {

std::vector<std::string> g_arguments;
bool g_haveArguments = false;
std::deque<MSG> g_posted;
int g_quitCode = 0;
HINSTANCE g_resourceInstance = nullptr;

}  // namespace

int CWinApp::ExitInstance() { return g_quitCode; }

int CWinApp::Run() {
  LONG idleCount = 0;
  for (;;) {
    while (g_posted.empty() && OnIdle(idleCount++)) {
    }
    // One thread and no input of its own: with nothing posted, nothing can arrive later.
    if (g_posted.empty()) break;
    MSG msg = g_posted.front();
    g_posted.pop_front();
    idleCount = 0;
    if (msg.message == WM_QUIT) {
      g_quitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (PreTranslateMessage(&msg)) continue;
    if (auto* dialog = vp::ui::DialogFromHandle(msg.hwnd)) {
      dialog->Send(msg.message, msg.wParam, msg.lParam);
    }
  }
  return ExitInstance();
}

HICON CWinApp::LoadIcon(UINT resourceId) const { return vp::fw::IconHandle(resourceId); }

namespace vp::fw {

HICON IconHandle(UINT resourceId) {
  // One object per resource id, so that a handle is a real, comparable pointer.
  static std::map<UINT, std::unique_ptr<UINT>> icons;
  auto& icon = icons[resourceId];
  if (!icon) icon = std::make_unique<UINT>(resourceId);
  return reinterpret_cast<HICON>(icon.get());
}

UINT IconResourceId(HICON icon) { return icon ? *reinterpret_cast<UINT*>(icon) : 0; }

int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT type) {
  vp::ui::MessageBoxRequest request{vp::ui::DialogFromHandle(owner), text,
                                    caption ? std::string(caption) : AppTitle(), type};
  return vp::ui::CurrentFrontEnd().ShowMessageBox(request);
}

void EndProcessNow(UINT code) {
  vp::ui::CurrentFrontEnd().ProcessEnding();
  std::cout.flush();
  std::fflush(nullptr);
  ExitProcess(code);
}

void PostQuitMessage(int code) {
  MSG msg{};
  msg.message = WM_QUIT;
  msg.wParam = static_cast<WPARAM>(code);
  g_posted.push_back(msg);
}

std::vector<std::string> ProcessArguments() {
  if (g_haveArguments) return g_arguments;
  // Not started through RunApplication (tests): the kernel's copy of the arguments.
  std::vector<std::string> arguments;
  std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
  std::string argument;
  while (std::getline(cmdline, argument, '\0')) arguments.push_back(argument);
  if (!arguments.empty()) arguments.erase(arguments.begin());
  return arguments;
}

int RunApplication(int argc, char** argv) {
  // A reader that stops reading the program's output (a closed pipe) must not end an install
  // half done: writes then fail with an error, and the front ends stop reporting.
  signal(SIGPIPE, SIG_IGN);
  g_arguments.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  g_haveArguments = true;
  CWinApp* app = GetApp();
  if (!app) return 1;
  int code = app->InitInstance() ? app->Run() : app->ExitInstance();
  vp::ui::CurrentFrontEnd().ProcessEnding();
  std::cout.flush();
  return code;
}

HINSTANCE ResourceInstance() { return g_resourceInstance; }
void SetResourceInstance(HINSTANCE instance) { g_resourceInstance = instance; }

}  // namespace vp::fw
