// The window model's shared state: the top-level windows, the message queue, timers on a
// virtual clock, the keyboard focus and the pointer.
#include <algorithm>
#include <deque>
#include <map>

#include "../common/window_internal.h"
#include "framework/window.h"
#include "window_registry.h"

namespace vp::ui {

namespace {

struct Timer {
  UINT elapse;
  DWORD due;
};

struct State {
  std::vector<std::unique_ptr<DialogWindow>> top;
  std::vector<std::unique_ptr<DialogWindow>> destroyed;  // freed before the next message
  std::deque<MSG> queue;
  std::map<std::pair<HWND, UINT_PTR>, Timer> timers;
  DWORD clock = 0;
  HWND focus = nullptr;
  HWND capture = nullptr;  // the window the left button went down on
  bool buttonDown = false;
};

// Never destroyed: top-level windows may outlive every static object.
State& S() {
  static auto* state = new State;
  return *state;
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = window;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = S().clock;
  GetCursorPos(&msg.pt);
  S().queue.push_back(msg);
}

// Every window of a top-level window: its controls, then itself.
void ForgetWindows(DialogWindow& window) {
  State& s = S();
  auto belongs = [&](HWND handle) {
    Window* w = FromHandle(handle);
    return w && w->dialog == &window;
  };
  for (auto t = s.timers.begin(); t != s.timers.end();) t = belongs(t->first.first) ? s.timers.erase(t) : std::next(t);
  if (belongs(s.focus)) s.focus = nullptr;
  if (belongs(s.capture)) s.capture = nullptr;
}

LPARAM PointParam(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

}  // namespace

std::set<Window*>& LiveWindows() {
  static auto* windows = new std::set<Window*>;
  return *windows;
}

DialogWindow* AddTopWindow(std::unique_ptr<DialogWindow> window) {
  window->modeless = true;
  S().top.push_back(std::move(window));
  return S().top.back().get();
}

std::vector<DialogWindow*> TopWindows() {
  std::vector<DialogWindow*> windows;
  for (const auto& w : S().top) windows.push_back(w.get());
  return windows;
}

void DestroyTopWindow(DialogWindow* window) {
  if (!window || window->destroyed) return;
  window->destroyed = true;
  HWND handle = ToHandle(window);
  window->Send(WM_DESTROY, 0, 0);
  for (const auto& control : window->controls) vp::fw::WindowDestroyed(ToHandle(control.get()));
  window->Send(WM_NCDESTROY, 0, 0);
  ForgetWindows(*window);
  if (window->shown) CurrentFrontEnd().Destroyed(*window);
  State& s = S();
  auto found = std::find_if(s.top.begin(), s.top.end(), [&](const auto& w) { return w.get() == window; });
  if (found != s.top.end()) {
    s.destroyed.push_back(std::move(*found));
    s.top.erase(found);
  }
  vp::fw::WindowDestroyed(handle);
}

void PostMessageTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) { Post(window, message, wParam, lParam); }

void PostQuit(int code) { Post(nullptr, WM_QUIT, static_cast<WPARAM>(code), 0); }

bool NextMessage(MSG* msg) {
  State& s = S();
  s.destroyed.clear();
  if (!s.queue.empty()) {
    *msg = s.queue.front();
    s.queue.pop_front();
    return true;
  }
  // With nothing posted, a window that waits for painting gets WM_PAINT: the top-level window
  // before its controls.
  for (const auto& top : s.top) {
    if (!top->shown || !top->visible) continue;
    Window* pending = top->invalid ? static_cast<Window*>(top.get()) : nullptr;
    for (size_t i = 0; !pending && i < top->controls.size(); ++i) {
      if (top->controls[i]->visible && top->controls[i]->invalid) pending = top->controls[i].get();
    }
    if (pending) {
      *msg = MSG{};
      msg->hwnd = ToHandle(pending);
      msg->message = WM_PAINT;
      msg->time = s.clock;
      return true;
    }
  }
  return false;
}

void DispatchMessageTo(const MSG& msg) {
  Window* window = FromHandle(msg.hwnd);
  if (!window) return;
  if (msg.message == WM_PAINT && !window->invalid) return;  // painted meanwhile
  window->Send(msg.message, msg.wParam, msg.lParam);
  // A window that does not paint is validated all the same, or it would be asked for ever.
  if (msg.message == WM_PAINT && FromHandle(msg.hwnd)) window->invalid = false;
}

UINT_PTR SetTimerFor(HWND window, UINT_PTR id, UINT elapse) {
  if (!FromHandle(window)) return 0;
  S().timers[{window, id}] = Timer{elapse, S().clock + elapse};
  return id == 0 ? 1 : id;
}

bool KillTimerFor(HWND window, UINT_PTR id) {
  bool killed = S().timers.erase({window, id}) > 0;
  auto& q = S().queue;
  q.erase(std::remove_if(q.begin(), q.end(),
                         [&](const MSG& m) { return m.hwnd == window && m.message == WM_TIMER && m.wParam == id; }),
          q.end());
  return killed;
}

void AdvanceClock(DWORD milliseconds) {
  State& s = S();
  s.clock += milliseconds;
  for (auto& [key, timer] : s.timers) {
    if (timer.due > s.clock) continue;
    timer.due = s.clock + timer.elapse;
    bool waiting = std::any_of(s.queue.begin(), s.queue.end(), [&](const MSG& m) {
      return m.hwnd == key.first && m.message == WM_TIMER && m.wParam == key.second;
    });
    if (!waiting) Post(key.first, WM_TIMER, key.second, 0);
  }
}

DWORD Clock() { return S().clock; }

HWND SetFocusTo(HWND window) {
  State& s = S();
  HWND previous = s.focus;
  if (previous == window) return previous;
  s.focus = window;
  if (Window* old = FromHandle(previous)) old->Send(WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  if (Window* now = FromHandle(window)) now->Send(WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return previous;
}

HWND Focus() { return FromHandle(S().focus) ? S().focus : nullptr; }

void MovePointer(HWND window, POINT client) {
  Window* under = FromHandle(window);
  if (!under) return;
  POINT origin = under->ClientOrigin();
  SetCursorPos(origin.x + client.x, origin.y + client.y);
  // While the button is down the window it went down on gets the moves.
  HWND target = S().capture && FromHandle(S().capture) ? S().capture : window;
  POINT targetOrigin = FromHandle(target)->ClientOrigin();
  POINT at{origin.x + client.x - targetOrigin.x, origin.y + client.y - targetOrigin.y};
  Post(target, WM_MOUSEMOVE, S().buttonDown ? MK_LBUTTON : 0, PointParam(at));
}

void PressButton(HWND window, POINT client) {
  if (!FromHandle(window)) return;
  MovePointer(window, client);
  S().buttonDown = true;
  S().capture = window;
  Post(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(client));
}

void ReleaseButton(HWND window, POINT client) {
  Window* under = FromHandle(window);
  if (!under) return;
  MovePointer(window, client);
  HWND target = S().capture && FromHandle(S().capture) ? S().capture : window;
  POINT origin = under->ClientOrigin(), targetOrigin = FromHandle(target)->ClientOrigin();
  POINT at{origin.x + client.x - targetOrigin.x, origin.y + client.y - targetOrigin.y};
  S().buttonDown = false;
  S().capture = nullptr;
  Post(target, WM_LBUTTONUP, 0, PointParam(at));
}

}  // namespace vp::ui
