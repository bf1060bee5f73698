// Top-level windows, the message loop, Default(), subclassing, owner-drawn buttons, timers and
// the focus: one expectation on both backends (real windows on Windows, the model on POSIX).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/framework.h"
#include "test_dialog.hpp"

#ifndef _WIN32
#include "framework/ui_model.h"
#endif

namespace {

using Events = std::vector<std::string>;

// An application that records what its loop does.
class LoopApp : public CWinApp {
 public:
  Events events;
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message >= WM_APP) events.push_back("pretranslate " + std::to_string(msg->message - WM_APP));
    return CWinApp::PreTranslateMessage(msg);
  }
  BOOL OnIdle(LONG count) override {
    if (count == 0) events.push_back("idle");
    if (destroyMainWhenIdle && m_pMainWnd) m_pMainWnd->DestroyWindow();
    return CWinApp::OnIdle(count);
  }
  bool destroyMainWhenIdle = false;
};

// A plain top-level window: posts itself `posts` messages and destroys itself after the last.
class PostingWindow : public CWnd {
 public:
  explicit PostingWindow(Events* events, int posts) : m_events(events), m_posts(posts) {}

  BOOL Make() {
    RECT where{20, 20, 220, 120};
    return CreateEx(0, "Posting", WS_OVERLAPPED | WS_CAPTION, where, nullptr);
  }

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMap map{CWnd::GetMessageMap(),
                                {MapCreate(&PostingWindow::OnCreate), MapDestroy(&PostingWindow::OnDestroy),
                                 MapMessage(WM_APP + 1, &PostingWindow::OnApp),
                                 MapMessage(WM_APP + 2, &PostingWindow::OnApp),
                                 MapMessage(WM_APP + 3, &PostingWindow::OnApp)}};
    return &map;
  }

 private:
  int OnCreate() {
    for (int i = 1; i <= m_posts; ++i) PostMessage(WM_APP + static_cast<UINT>(i));
    return 0;
  }
  LRESULT OnApp(WPARAM, LPARAM) {
    m_events->push_back("received " + std::to_string(++m_received));
    if (m_received == m_posts) DestroyWindow();
    return 0;
  }
  void OnDestroy() { m_events->push_back("destroy"); }

  Events* m_events;
  int m_posts;
  int m_received = 0;
};

#ifndef _WIN32
// The user of the POSIX tests: each wait for input moves the virtual clock 10 ms on.
class TickingFrontEnd : public vp::ui::FrontEnd {
 public:
  TickingFrontEnd() { vp::ui::SetFrontEnd(this); }
  ~TickingFrontEnd() override { vp::ui::SetFrontEnd(nullptr); }
  void RunModal(vp::ui::DialogWindow& dialog) override {
    if (!dialog.ended) dialog.PressEscape();
  }
  int ShowMessageBox(const vp::ui::MessageBoxRequest&) override { return IDOK; }
  bool WaitForInput() override {
    if (++waits > 1000) return false;
    vp::ui::AdvanceClock(10);
    return true;
  }
  int waits = 0;
};
#else
// Windows: real timers and input need nothing from the test.
struct TickingFrontEnd {
  TickingFrontEnd() {}
};
#endif

}  // namespace

TEST(MessageLoop, EveryPostedMessageIsPreTranslatedBeforeItsWindowGetsItAndTheEndOfTheMainWindowEndsTheLoop) {
  TickingFrontEnd frontEnd;
  LoopApp app;
  PostingWindow window(&app.events, 3);
  ASSERT_TRUE(window.Make());
  app.m_pMainWnd = &window;
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(window.m_hWnd, nullptr);
  // Each message is seen by the pre-translation first; the loop goes idle only when the queue
  // is empty, so not between the three.
  Events expected{"pretranslate 1", "received 1", "pretranslate 2", "received 2",
                  "pretranslate 3", "received 3", "destroy"};
  Events seen;
  for (const std::string& e : app.events)
    if (e != "idle") seen.push_back(e);
  EXPECT_EQ(seen, expected);
  ASSERT_FALSE(app.events.empty());
  EXPECT_NE(app.events.front(), "idle");  // the posted messages were waiting already
}

TEST(MessageLoop, IdleWorkRunsOnlyOnceTheQueueIsEmptyAndANullMainWindowEndsAtOnce) {
  TickingFrontEnd frontEnd;
  LoopApp app;
  EXPECT_EQ(app.Run(), 0);  // no main window
  PostingWindow window(&app.events, 0);
  ASSERT_TRUE(window.Make());
  app.m_pMainWnd = &window;
  app.events.clear();
  app.destroyMainWhenIdle = true;
  window.PostMessage(WM_APP + 1);
  window.PostMessage(WM_APP + 2);
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(app.events, (Events{"pretranslate 1", "received 1", "pretranslate 2", "received 2", "idle", "destroy"}));
}

namespace {

// A window whose close handler runs the default processing and looks at once.
class ClosingWindow : public CWnd {
 public:
  bool existedAfterDefault = true;

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMap map{CWnd::GetMessageMap(), {MapClose(&ClosingWindow::OnClose)}};
    return &map;
  }

 private:
  void OnClose() {
    Default();  // a plain window's default closing destroys it
    existedAfterDefault = IsWindow() != FALSE;
  }
};

}  // namespace

TEST(WindowMessages, DefaultRunsTheDefaultProcessingAtOnceSoAHandlerCanWorkAfterIt) {
  ClosingWindow window;
  RECT where{0, 0, 100, 100};
  ASSERT_TRUE(window.CreateEx(0, "Closing", WS_OVERLAPPED | WS_CAPTION, where, nullptr));
  window.SendMessage(WM_CLOSE);
  EXPECT_FALSE(window.existedAfterDefault);
  EXPECT_EQ(window.m_hWnd, nullptr);
}

namespace {

// A subclassed button: sees its messages first, draws itself when owner-drawn.
class RecordingButton : public CButton {
 public:
  Events events;
  void PreSubclassWindow() override { events.push_back("presubclass"); }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == BM_CLICK) events.push_back("bm_click");
    if (message == WM_SETFOCUS) events.push_back("setfocus");
    if (message == WM_KILLFOCUS) events.push_back("killfocus");
    return CButton::WindowProc(message, wParam, lParam);
  }
  void DrawItem(LPDRAWITEMSTRUCT item) override {
    events.push_back("draw " + std::to_string(item->CtlType) + " " + std::to_string(item->CtlID) +
                     ((item->itemState & ODS_DISABLED) ? " disabled" : ""));
  }
};

}  // namespace

TEST(Subclassing, TheControlsObjectSeesItsMessagesAndTheOriginalProcedureStillClicks) {
  TickingFrontEnd frontEnd;
  TestDialog dialog;
  RecordingButton button;
  ASSERT_TRUE(dialog.Create(IDD_TEST_DIALOG));
  dialog.ShowWindow(SW_SHOW);
  ASSERT_TRUE(button.SubclassDlgItem(IDC_GO, &dialog));
  EXPECT_EQ(dialog.GetDlgItem(IDC_GO), &button);
  button.SendMessage(BM_CLICK);  // a click takes the focus, as the mouse's does
  EXPECT_EQ(button.events, (Events{"presubclass", "bm_click", "setfocus"}));
  EXPECT_EQ(dialog.events, (Events{"init", "go"}));  // the original procedure made the click

  button.SetFocus();
  EXPECT_EQ(CWnd::GetFocus(), &button);
  dialog.GetDlgItem(IDC_OTHER)->SetFocus();
  EXPECT_EQ(button.events, (Events{"presubclass", "bm_click", "setfocus", "killfocus"}));

  // Owner-drawn: the parent's drawing request comes back to the button's object.
  button.SetButtonStyle(BS_OWNERDRAW);
  button.events.clear();
  button.EnableWindow(FALSE);
  button.Invalidate();
  button.UpdateWindow();
  ASSERT_FALSE(button.events.empty());
  EXPECT_EQ(button.events.back(), "draw 4 120 disabled");
  dialog.DestroyWindow();
  EXPECT_EQ(button.m_hWnd, nullptr);
}

namespace {

class TimerWindow : public CWnd {
 public:
  int ticks = 0;
  int otherTicks = 0;

 protected:
  const MessageMap* GetMessageMap() const override {
    static const MessageMap map{CWnd::GetMessageMap(),
                                {MapCreate(&TimerWindow::OnCreate), MapTimer(&TimerWindow::OnTimer)}};
    return &map;
  }

 private:
  int OnCreate() {
    SetTimer(1, 10);
    SetTimer(2, 1000000);
    return 0;
  }
  void OnTimer(UINT_PTR id) {
    if (id != 1) {
      ++otherTicks;
      return;
    }
    if (++ticks == 3) {
      KillTimer(1);
      DestroyWindow();
    }
  }
};

}  // namespace

TEST(Timers, ATimerTicksThroughTheLoopUntilKilled) {
  TickingFrontEnd frontEnd;
  LoopApp app;
  TimerWindow window;
  RECT where{0, 0, 100, 100};
  ASSERT_TRUE(window.CreateEx(0, "Timer", WS_OVERLAPPED, where, nullptr));
  app.m_pMainWnd = &window;
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(window.ticks, 3);
  EXPECT_EQ(window.otherTicks, 0);
}
