// POSIX: the window model's queue, timers, focus and pointer, as Windows behaves.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "framework/framework.h"
#include "framework/ui_model.h"
#include "test_dialog.hpp"

namespace {

// Every message a plain window receives, with its arguments.
class RecordingWindow : public CWnd {
 public:
  std::vector<MSG> received;
  BOOL Make() {
    RECT where{100, 50, 300, 150};
    return CreateEx(0, "Recording", WS_OVERLAPPED | WS_CAPTION, where, nullptr);
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    received.push_back(MSG{m_hWnd, message, wParam, lParam, 0, {}});
    return CWnd::WindowProc(message, wParam, lParam);
  }
  int Count(UINT message) const {
    int n = 0;
    for (const MSG& m : received) n += m.message == message;
    return n;
  }
};

// Dispatches what waits, as the message loop does.
void Pump() {
  MSG msg{};
  while (vp::ui::NextMessage(&msg)) {
    if (msg.message != WM_QUIT) vp::ui::DispatchMessageTo(msg);
  }
}

}  // namespace

TEST(WindowModel, ATimerNeverHasTwoMessagesWaitingAndKillingItTakesBackTheWaitingOne) {
  RecordingWindow window;
  ASSERT_TRUE(window.Make());
  window.SetTimer(7, 10);
  vp::ui::AdvanceClock(10);
  vp::ui::AdvanceClock(10);
  vp::ui::AdvanceClock(5);
  Pump();
  EXPECT_EQ(window.Count(WM_TIMER), 1);
  vp::ui::AdvanceClock(10);
  EXPECT_TRUE(window.KillTimer(7));
  Pump();
  EXPECT_EQ(window.Count(WM_TIMER), 1);
  vp::ui::AdvanceClock(100);
  Pump();
  EXPECT_EQ(window.Count(WM_TIMER), 1);
  EXPECT_FALSE(window.KillTimer(7));
  window.DestroyWindow();
}

TEST(WindowModel, AMessageForADestroyedWindowIsDroppedAndItsTimersGoWithIt) {
  auto* window = new RecordingWindow;
  ASSERT_TRUE(window->Make());
  HWND handle = window->m_hWnd;
  window->SetTimer(1, 10);
  window->PostMessage(WM_APP);
  window->DestroyWindow();
  EXPECT_EQ(window->m_hWnd, nullptr);
  delete window;
  vp::ui::AdvanceClock(50);
  Pump();  // nothing reaches the freed object
  EXPECT_EQ(vp::ui::FromHandle(handle), nullptr);
}

TEST(WindowModel, ThePointerMessagesGoWhereTheButtonWentDownWithClientCoordinates) {
  RecordingWindow window;
  ASSERT_TRUE(window.Make());
  POINT origin{};
  window.ClientToScreen(&origin);
  EXPECT_EQ(origin.x, 100 + vp::ui::kFrame);
  EXPECT_EQ(origin.y, 50 + vp::ui::kFrame + vp::ui::kCaption);
  vp::ui::MovePointer(window.m_hWnd, POINT{5, 6});
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, origin.x + 5);
  EXPECT_EQ(cursor.y, origin.y + 6);
  vp::ui::PressButton(window.m_hWnd, POINT{5, 6});
  vp::ui::MovePointer(window.m_hWnd, POINT{-20, 300});  // dragged out of the window
  vp::ui::ReleaseButton(window.m_hWnd, POINT{-20, 300});
  Pump();
  std::vector<std::string> seen;
  for (const MSG& m : window.received) {
    if (m.message == WM_MOUSEMOVE || m.message == WM_LBUTTONDOWN || m.message == WM_LBUTTONUP) {
      seen.push_back(std::to_string(m.message) + " " + std::to_string(m.wParam) + " " +
                     std::to_string(GET_X_LPARAM(m.lParam)) + "," + std::to_string(GET_Y_LPARAM(m.lParam)));
    }
  }
  std::string move = std::to_string(WM_MOUSEMOVE), down = std::to_string(WM_LBUTTONDOWN),
              up = std::to_string(WM_LBUTTONUP);
  EXPECT_EQ(seen, (std::vector<std::string>{move + " 0 5,6", move + " 0 5,6", down + " 1 5,6",
                                            move + " 1 -20,300", move + " 1 -20,300", up + " 0 -20,300"}));
  window.DestroyWindow();
}

TEST(WindowModel, TheFocusLeavesADestroyedWindowAndAClickOnAControlTakesIt) {
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create(IDD_TEST_DIALOG));
  dialog.GetDlgItem(IDC_OTHER)->SetFocus();
  EXPECT_EQ(CWnd::GetFocus(), dialog.GetDlgItem(IDC_OTHER));
  vp::ui::PressButton(dialog.GetDlgItem(IDC_GO)->m_hWnd, POINT{2, 2});
  vp::ui::ReleaseButton(dialog.GetDlgItem(IDC_GO)->m_hWnd, POINT{2, 2});
  Pump();
  EXPECT_EQ(CWnd::GetFocus(), dialog.GetDlgItem(IDC_GO));
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "go"}));
  dialog.DestroyWindow();
  EXPECT_EQ(CWnd::GetFocus(), nullptr);
}

TEST(TerminalFrontEndWindows, AModelessMainWindowIsWorkedWithTheKeyboardUntilItGoes) {
  int input[2], output[2];
  ASSERT_EQ(pipe(input), 0);
  ASSERT_EQ(pipe(output), 0);
  // The Go button's letter, then Escape, then the end of the input.
  ASSERT_EQ(write(input[1], "g\x1b", 2), 2);
  close(input[1]);
  auto frontEnd = vp::ui::MakeTerminalFrontEnd(input[0], output[1]);
  vp::ui::SetFrontEnd(frontEnd.get());
  CWinApp app;
  TestDialog dialog;
  ASSERT_TRUE(dialog.Create(IDD_TEST_DIALOG));
  dialog.ShowWindow(SW_SHOW);
  app.m_pMainWnd = &dialog;
  EXPECT_EQ(app.Run(), 0);
  vp::ui::SetFrontEnd(nullptr);
  frontEnd.reset();
  close(output[1]);
  std::string screen;
  char buffer[4096];
  for (ssize_t n; (n = read(output[0], buffer, sizeof buffer)) > 0;) screen.append(buffer, static_cast<size_t>(n));
  close(input[0]);
  close(output[0]);
  EXPECT_NE(screen.find("Framework test"), std::string::npos);
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "go"}));
  EXPECT_EQ(dialog.m_hWnd, nullptr);  // Escape is the cancel command, which destroys it
}

#endif
