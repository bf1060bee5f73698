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

namespace {

std::vector<std::string> g_arguments;
bool g_haveArguments = false;
int g_quitCode = 0;
HINSTANCE g_resourceInstance = nullptr;

}  // namespace

int CWinApp::ExitInstance() { return g_quitCode; }

int CWinApp::Run() {
  // An application left without a main window has nothing to run: it ends at once.
  if (!m_pMainWnd) vp::ui::PostQuit(0);
  LONG idleCount = 0;
  for (;;) {
    MSG msg{};
    if (!vp::ui::NextMessage(&msg)) {
      if (OnIdle(idleCount++)) continue;
      // Nothing to do until the user does something; when the user can do nothing more, the
      // loop ends as if told to.
      if (vp::ui::CurrentFrontEnd().WaitForInput()) continue;
      if (!vp::ui::NextMessage(&msg)) break;
    }
    idleCount = 0;
    if (msg.message == WM_QUIT) {
      g_quitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (!PreTranslateMessage(&msg)) vp::ui::DispatchMessageTo(msg);
  }
  return ExitInstance();
}

namespace vp::ui {

void PumpPending() {
  MSG msg{};
  bool quit = false;
  MSG quitMessage{};
  while (NextMessage(&msg)) {
    if (msg.message == WM_QUIT) {
      quit = true;
      quitMessage = msg;
      continue;
    }
    CWinApp* app = vp::fw::GetApp();
    if (!app || !app->PreTranslateMessage(&msg)) DispatchMessageTo(msg);
  }
  if (quit) PostQuit(static_cast<int>(quitMessage.wParam));
}

}  // namespace vp::ui

namespace vp::fw {

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

void PostQuitMessage(int code) { vp::ui::PostQuit(code); }

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
