// The terminal front end: draws a dialog in character cells (3.6 dialog units across and 8
// down make one cell, so that captions fit about as they do on Windows) and lets a person work in it with the keyboard as in a Windows dialog:
// Tab and Shift+Tab move the focus, arrows change a combo box's entry, Space presses the
// focused button or toggles a check box, Enter presses the focused or the default button,
// Escape cancels, and the underlined letter of a caption (alone or with Alt) acts on its
// control (a label's letter focuses the control after it).
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string>
#include <vector>

#include "framework/ui_model.h"

namespace vp::ui {

namespace {

enum Key { kNone, kTab, kBackTab, kUp, kDown, kLeft, kRight, kEnter, kEscape, kSpace, kLetter };

struct KeyPress {
  Key key = kNone;
  char letter = 0;
};

using Buttons = std::vector<std::pair<std::string, int>>;

std::string Repeat(int count, char c) { return std::string(static_cast<size_t>(std::max(0, count)), c); }

// A caption with its mnemonic letter underlined.
std::string Underlined(const std::string& caption) {
  std::string shown;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != '&') {
        shown += std::string("\x1b[4m") + caption[i] + "\x1b[24m";
        continue;
      }
    }
    shown += caption[i];
  }
  return shown;
}

// The caption cut after `visible` shown characters, mnemonic marks kept.
std::string Clip(const std::string& caption, size_t visible) {
  std::string cut;
  size_t shown = 0;
  for (size_t i = 0; i < caption.size() && shown < visible; ++i) {
    cut += caption[i];
    if (caption[i] == '&' && i + 1 < caption.size()) cut += caption[++i];
    ++shown;
  }
  return cut;
}

int Row(LONG y) { return static_cast<int>(y / 8); }
int Col(LONG x) { return static_cast<int>(x * 10 / 36); }

// The row of a control's middle; a combo box's height includes its drop-down list.
int RowOf(const Control& control) {
  LONG height = control.kind == Kind::ComboBox ? 12 : control.rect.bottom - control.rect.top;
  return Row(control.rect.top + height / 2);
}

class TerminalFrontEnd : public FrontEnd {
 public:
  TerminalFrontEnd(int inputFd, int outputFd) : in_(inputFd), out_(outputFd) {}
  ~TerminalFrontEnd() override { Leave(); }

  void RunModal(DialogWindow& dialog) override {
    Enter();
    DialogWindow* outer = current_;
    int outerFocus = focus_;
    current_ = &dialog;
    focus_ = 0;
    MoveFocus(+1);
    while (!dialog.ended) {
      Render();
      Handle(dialog, ReadKey());
      // A dialog that refuses the cancel command still ends with the input.
      if (inputClosed_ && !dialog.ended) {
        dialog.ended = true;
        dialog.result = IDCANCEL;
      }
    }
    current_ = outer;
    focus_ = outerFocus;
    if (!current_) Leave();
  }

  int ShowMessageBox(const MessageBoxRequest& request) override {
    Enter();
    Buttons buttons = MessageBoxButtons(request.type);
    size_t chosen = 0;
    for (;;) {
      Render();
      DrawMessageBox(request, buttons, chosen);
      KeyPress press = ReadKey();
      // Nobody is left to answer: the box gets the answer that changes nothing.
      if (inputClosed_) return Close(SafeAnswer(request.type));
      switch (press.key) {
        case kTab:
        case kRight:
        case kDown:
          chosen = (chosen + 1) % buttons.size();
          break;
        case kBackTab:
        case kLeft:
        case kUp:
          chosen = (chosen + buttons.size() - 1) % buttons.size();
          break;
        case kEnter:
        case kSpace:
          return Close(buttons[chosen].second);
        case kEscape:
          // Escape means Cancel, or OK in a box that has only OK; a Yes/No box ignores it.
          for (const auto& button : buttons) {
            if (button.second == IDCANCEL) return Close(IDCANCEL);
          }
          if (buttons.size() == 1) return Close(buttons[0].second);
          break;
        case kLetter:
          for (const auto& button : buttons) {
            if (button.first[0] == press.letter) return Close(button.second);
          }
          break;
        default:
          break;
      }
    }
  }

  void Changed(const Window& window, Change) override {
    // Long handlers (an install) change the status line while they run: show it at once.
    if (active_ && window.dialog == current_) {
      Render();
      Flush();
    }
  }

  void ProcessEnding() override { Leave(); }

  // A modeless window is worked in like a dialog, one key at a time from the message loop.
  void Shown(DialogWindow& window) override {
    if (current_ && !current_->modeless) return;  // a modal dialog keeps the keyboard
    current_ = &window;
    focus_ = 0;
    MoveFocus(+1);
  }

  void Destroyed(DialogWindow& window) override {
    if (current_ != &window) return;
    current_ = nullptr;
    for (DialogWindow* other : TopWindows()) {
      if (other != &window && !other->destroyed) current_ = other;
    }
    focus_ = 0;
    if (current_) MoveFocus(+1);
    else Leave();
  }

  bool WaitForInput() override {
    if (!current_ || inputClosed_) return false;
    Enter();
    Render();
    Handle(*current_, ReadKey());
    return true;
  }

 private:
  int Close(int result) {
    if (!current_) Leave();
    return result;
  }

  void Enter() {
    if (active_) return;
    if (tcgetattr(in_, &saved_) == 0) {
      termios raw = saved_;
      raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
      raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
      raw.c_cc[VMIN] = 1;
      raw.c_cc[VTIME] = 0;
      tcsetattr(in_, TCSAFLUSH, &raw);
      haveSaved_ = true;
    }
    Write("\x1b[?1049h\x1b[?25l");
    active_ = true;
  }

  void Leave() {
    if (!active_) return;
    Write("\x1b[0m\x1b[?25h\x1b[?1049l");
    if (haveSaved_) tcsetattr(in_, TCSAFLUSH, &saved_);
    active_ = false;
  }

  // A terminal that went away (closed pipe, hung-up line) ends the drawing, not the program:
  // the work the user started goes on without a screen.
  void Write(const std::string& text) {
    size_t done = 0;
    while (!outputClosed_ && done < text.size()) {
      ssize_t n = write(out_, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        outputClosed_ = true;
        return;
      }
      done += static_cast<size_t>(n);
    }
  }

  void Flush() {
    Write(screen_);
    screen_.clear();
  }

  void Put(int row, int col, const std::string& text, const std::string& attributes = "") {
    screen_ += "\x1b[" + std::to_string(row + 1) + ";" + std::to_string(col + 1) + "H" +
               attributes + text + "\x1b[0m";
  }

  void Render() {
    screen_ = "\x1b[0m\x1b[2J";
    if (!current_) return;
    const DialogWindow& dialog = *current_;
    int width = Col(dialog.rect.right - dialog.rect.left) + 2;
    int height = Row(dialog.rect.bottom - dialog.rect.top) + 2;
    std::string title = "+ " + EscapeControls(WithoutMnemonic(dialog.text)) + " ";
    title = title.substr(0, static_cast<size_t>(width - 1));
    Put(0, 0, title + Repeat(width - 1 - static_cast<int>(title.size()), '-') + "+", "\x1b[1m");
    for (int row = 1; row < height - 1; ++row) Put(row, 0, "|" + Repeat(width - 2, ' ') + "|");
    Put(height - 1, 0, "+" + Repeat(width - 2, '-') + "+");
    for (const auto& control : dialog.controls) {
      if (control->visible) DrawControl(*control, width - 2);
    }
    Put(height, 0, "Tab move  arrows: entry  Space: toggle  Enter: default button  Esc: exit  letters", "\x1b[2m");
  }

  void DrawControl(const Control& control, int innerWidth) {
    const std::string text = EscapeControls(control.text);
    int row = 1 + RowOf(control);
    int col = 1 + Col(control.rect.left);
    int width = std::max(1, Col(control.rect.right - control.rect.left));
    std::string attributes = control.enabled ? "" : "\x1b[2m";
    if (control.id == focus_ && control.kind != Kind::Static) attributes += "\x1b[7m";
    if (control.IsDefaultButton()) attributes += "\x1b[1m";
    size_t room = static_cast<size_t>(std::max(0, innerWidth + 1 - col));
    switch (control.kind) {
      case Kind::Static:
        Put(row, col, Underlined(Clip(text, room)), attributes);
        break;
      case Kind::CheckBox:
        Put(row, col, (control.check ? "[x] " : "[ ] ") + Underlined(Clip(text, room - 4)), attributes);
        break;
      case Kind::PushButton: {
        int pad = width - 2 - static_cast<int>(WithoutMnemonic(text).size());
        Put(row, col, "<" + Repeat(pad / 2, ' ') + Underlined(text) + Repeat(pad - pad / 2, ' ') + ">",
            attributes);
        break;
      }
      case Kind::ComboBox: {
        std::string entry = text.substr(0, static_cast<size_t>(std::max(0, width - 3)));
        Put(row, col, "[" + entry + Repeat(width - 3 - static_cast<int>(entry.size()), ' ') + "v]", attributes);
        break;
      }
      default:
        break;
    }
  }

  void DrawMessageBox(const MessageBoxRequest& request, const Buttons& buttons, size_t chosen) {
    std::vector<std::string> lines;
    std::string icon = MessageBoxIconName(request.type);
    std::string text = (icon.empty() ? "" : "(" + icon + ") ") + EscapeControls(request.text) + "\n";
    const std::string caption = EscapeControls(request.caption);
    std::string line;
    for (char c : text) {
      if (c == '\n' || line.size() == 60) {
        lines.push_back(line);
        line.clear();
        if (c == '\n') continue;
      }
      line += c;
    }
    int width = static_cast<int>(caption.size()) + 6;
    for (const std::string& l : lines) width = std::max(width, static_cast<int>(l.size()) + 4);
    width = std::max(width, static_cast<int>(buttons.size()) * 10 + 4);
    const int top = 5, left = 4;
    Put(top, left, "+ " + caption + " " + Repeat(width - 4 - static_cast<int>(caption.size()), '-') + "+",
        "\x1b[1m");
    int row = top + 1;
    for (const std::string& l : lines) {
      Put(row++, left, "| " + l + Repeat(width - 3 - static_cast<int>(l.size()), ' ') + "|");
    }
    Put(row++, left, "|" + Repeat(width - 2, ' ') + "|");
    Put(row, left, "|" + Repeat(width - 2, ' ') + "|");
    int col = left + 2;
    for (size_t i = 0; i < buttons.size(); ++i) {
      const std::string& name = buttons[i].first;
      Put(row, col, "< \x1b[4m" + name.substr(0, 1) + "\x1b[24m" + name.substr(1) + " >",
          i == chosen ? "\x1b[7m" : "");
      col += static_cast<int>(name.size()) + 6;
    }
    Put(row + 1, left, "+" + Repeat(width - 2, '-') + "+");
  }

  std::vector<const Control*> Focusable() const {
    std::vector<const Control*> list;
    for (const auto& control : current_->controls) {
      if (control->IsTabStop() && control->enabled && control->visible) list.push_back(control.get());
    }
    return list;
  }

  void MoveFocus(int step) {
    auto list = Focusable();
    if (list.empty()) return;
    auto at = std::find_if(list.begin(), list.end(), [&](const Control* c) { return c->id == focus_; });
    int count = static_cast<int>(list.size());
    int index = at == list.end() ? (step > 0 ? -1 : 0) : static_cast<int>(at - list.begin());
    focus_ = list[static_cast<size_t>(((index + step) % count + count) % count)]->id;
  }

  void Handle(DialogWindow& dialog, KeyPress press) {
    Control* focused = dialog.Find(focus_);
    switch (press.key) {
      case kTab:
        MoveFocus(+1);
        break;
      case kBackTab:
        MoveFocus(-1);
        break;
      case kUp:
      case kDown:
      case kLeft:
      case kRight: {
        int step = press.key == kUp || press.key == kLeft ? -1 : +1;
        if (focused && focused->kind == Kind::ComboBox) {
          int next = focused->selection < 0 ? 0 : focused->selection + step;
          if (next >= 0 && next < static_cast<int>(focused->items.size())) dialog.SelectItem(focused->id, next);
        } else {
          MoveFocus(step);
        }
        break;
      }
      case kSpace:
        if (focused && (focused->kind == Kind::PushButton || focused->kind == Kind::CheckBox)) {
          dialog.Click(focused->id);
        }
        break;
      case kEnter:
        dialog.PressEnter(focus_);
        break;
      case kEscape:
        dialog.PressEscape();
        break;
      case kLetter:
        Mnemonic(dialog, press.letter);
        break;
      default:
        break;
    }
    // A handler may have disabled the focused control.
    Control* still = dialog.Find(focus_);
    if (still && (!still->enabled || !still->visible)) MoveFocus(+1);
  }

  void Mnemonic(DialogWindow& dialog, char letter) {
    for (size_t i = 0; i < dialog.controls.size(); ++i) {
      const Control& control = *dialog.controls[i];
      if (!control.visible || MnemonicOf(control.text) != letter) continue;
      if (control.kind == Kind::Static) {
        // A label hands the focus to the next control that takes it.
        for (size_t j = i + 1; j < dialog.controls.size(); ++j) {
          const Control& next = *dialog.controls[j];
          if (next.IsTabStop() && next.enabled && next.visible) {
            focus_ = next.id;
            return;
          }
        }
        return;
      }
      if (!control.enabled) return;
      focus_ = control.id;
      dialog.Click(control.id);
      return;
    }
  }

  KeyPress ReadKey() {
    Flush();
    unsigned char c = 0;
    for (;;) {
      ssize_t n = read(in_, &c, 1);
      if (n == 1) break;
      if (n < 0 && errno == EINTR) continue;
      inputClosed_ = true;  // the input is closed or broken: leave as with Escape
      return {kEscape, 0};
    }
    switch (c) {
      case '\t':
        return {kTab, 0};
      case '\r':
      case '\n':
        return {kEnter, 0};
      case ' ':
        return {kSpace, 0};
      case 3:  // Ctrl+C
        return {kEscape, 0};
      case 0x1b:
        return ReadEscape();
      default:
        if (std::isalnum(c)) return {kLetter, static_cast<char>(std::toupper(c))};
        return {kNone, 0};
    }
  }

  KeyPress ReadEscape() {
    pollfd pending{in_, POLLIN, 0};
    if (poll(&pending, 1, 40) <= 0) return {kEscape, 0};
    unsigned char c = 0;
    if (read(in_, &c, 1) != 1) return {kEscape, 0};
    if (c != '[' && c != 'O') {
      if (std::isalnum(c)) return {kLetter, static_cast<char>(std::toupper(c))};  // Alt+letter
      return {kNone, 0};
    }
    unsigned char code = 0;
    if (read(in_, &code, 1) != 1) return {kNone, 0};
    switch (code) {
      case 'A':
        return {kUp, 0};
      case 'B':
        return {kDown, 0};
      case 'C':
        return {kRight, 0};
      case 'D':
        return {kLeft, 0};
      case 'Z':
        return {kBackTab, 0};
      default:
        // The rest of a longer sequence ("ESC [ 1 ; 5 A" and the like) is skipped.
        while (!std::isalpha(code) && code != '~' && read(in_, &code, 1) == 1) {
        }
        return {kNone, 0};
    }
  }

  int in_;
  int out_;
  bool active_ = false;
  bool inputClosed_ = false;
  bool outputClosed_ = false;
  bool haveSaved_ = false;
  termios saved_{};
  std::string screen_;
  DialogWindow* current_ = nullptr;
  int focus_ = 0;
};

}  // namespace

std::unique_ptr<FrontEnd> MakeTerminalFrontEnd(int inputFd, int outputFd) {
  return std::make_unique<TerminalFrontEnd>(inputFd, outputFd);
}

}  // namespace vp::ui
