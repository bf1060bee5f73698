// The script front end: commands one a line on the input, reports one a line on the output.
//
//   select <id> <entry text>|#<index>   pick a combo box entry (the owner is notified)
//   click <id>                          click a button or check box
//   key enter|escape|close              Enter, Escape, the close box
//   key f1 ... f12                      a function key pressed and released: WM_KEYDOWN and
//                                       WM_KEYUP wait in the queue for the focused window (else
//                                       the dialog), so the application's pre-translation sees them
//   answer <button>                     answer the message box that is waiting (OK, Yes, ...)
//   show                                print the dialog and every control
//   focus <id>                          give a control (0: the window) the keyboard focus
//   move|down|up <id> <x> <y>           the pointer moves, or its left button goes down or up,
//                                       at (x, y) in the client area of control <id> (0: the
//                                       window); the messages wait in the queue
//   tick <milliseconds>                 the virtual clock moves on; due timers fire
//   paint                               the window draws itself anew, controls included
//   canvas <id>                         print what control <id> (0: the window) has drawn
//
// Reports: "dialog <id> <caption>" and one "control ..." line per control when a dialog is
// shown; a change of a shown dialog as "text|check|enable|visible|select|items <id> <value>"
// ("caption <text>" for the dialog's own); a message box as "messagebox <buttons> [<icon>]",
// "caption <text>", "text <text>"; "end <result>" when a dialog ends; "error <line>: <why>" for
// a command that cannot be carried out; "draw <id> <context> <call>" a line for `canvas`.
// Control characters in reported texts are escaped ("\x1b"). A modeless window is shown as a
// dialog is, or as "window <caption>" when it has no template, and reported with "destroy <id>"
// when it goes. At the end of the input a waiting message box gets its safe answer (Cancel or No
// where it has one, else OK), a dialog gets the cancel command, and modeless windows the close box.
#include <cctype>
#include <istream>
#include <ostream>
#include <sstream>

#include "framework/ui_model.h"

namespace vp::ui {

namespace {

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Static:
      return "static";
    case Kind::PushButton:
      return "button";
    case Kind::CheckBox:
      return "checkbox";
    case Kind::ComboBox:
      return "combobox";
    default:
      return "dialog";
  }
}

// A text on one report line: a line break as "\n", other control characters escaped.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : EscapeControls(text)) {
    if (c == '\n') {
      line += "\\n";
    } else if (c != '\r') {
      line += c;
    }
  }
  return line;
}

// A whole decimal number that fits an int; false for anything else (a sign, other characters,
// a number too large).
bool ParseIndex(const std::string& text, int* value) {
  if (text.empty() || text.size() > 9) return false;
  int number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  *value = number;
  return true;
}

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

class ScriptFrontEnd : public FrontEnd {
 public:
  ScriptFrontEnd(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

  void RunModal(DialogWindow& dialog) override {
    PrintDialog(dialog);
    std::string line;
    while (!dialog.ended) {
      if (!NextCommand(line)) {
        dialog.PressEscape();
        // A dialog that refuses the cancel command still ends with the input.
        if (!dialog.ended) {
          dialog.ended = true;
          dialog.result = IDCANCEL;
        }
        break;
      }
      Execute(dialog, line);
      PumpPending();
    }
    out_ << "end " << dialog.result << "\n";
    out_.flush();
  }

  void Shown(DialogWindow& window) override { PrintDialog(window); }

  void Destroyed(DialogWindow& window) override {
    out_ << "destroy " << window.templateId << "\n";
    out_.flush();
  }

  bool WaitForInput() override {
    std::vector<DialogWindow*> windows = TopWindows();
    if (windows.empty()) return false;
    std::string line;
    if (NextCommand(line)) {
      Execute(*windows.back(), line);
      return true;
    }
    // The input has ended: the windows get the close box once; then the loop must end.
    if (closedAtEnd_) return false;
    closedAtEnd_ = true;
    for (DialogWindow* window : windows) PostMessageTo(ToHandle(window), WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  }

  int ShowMessageBox(const MessageBoxRequest& request) override {
    auto buttons = MessageBoxButtons(request.type);
    out_ << "messagebox";
    for (const auto& button : buttons) out_ << " " << button.first;
    std::string icon = MessageBoxIconName(request.type);
    if (!icon.empty()) out_ << " " << icon;
    out_ << "\ncaption " << OneLine(request.caption) << "\ntext " << OneLine(request.text) << "\n";
    out_.flush();
    std::string line;
    while (NextCommand(line)) {
      std::istringstream words(line);
      std::string verb, name;
      words >> verb >> name;
      if (verb != "answer") {
        Error("a message box is waiting for an answer");
        continue;
      }
      for (const auto& button : buttons) {
        if (SameNoCase(button.first, name)) return button.second;
      }
      Error("the message box has no button " + name);
    }
    // Nobody is left to answer: the box gets the answer that changes nothing.
    return SafeAnswer(request.type);
  }

  void Changed(const Window& window, Change change) override {
    const char* what = "";
    std::string value;
    const auto* control = dynamic_cast<const Control*>(&window);
    switch (change) {
      case Change::Text:
        what = window.kind == Kind::Dialog ? "caption" : "text";
        value = OneLine(window.text);
        break;
      case Change::Check:
        what = "check";
        value = std::to_string(control ? control->check : 0);
        break;
      case Change::Enabled:
        what = "enable";
        value = window.enabled ? "1" : "0";
        break;
      case Change::Visible:
        what = "visible";
        value = window.visible ? "1" : "0";
        break;
      case Change::Selection:
        what = "select";
        value = control ? std::to_string(control->selection) + " " + OneLine(control->text) : "";
        break;
      case Change::Items:
        what = "items";
        value = control ? std::to_string(control->items.size()) : "";
        break;
      case Change::Iconic:
        what = "iconic";
        value = window.dialog && window.dialog->iconic ? "1" : "0";
        break;
    }
    out_ << what << " ";
    if (window.kind != Kind::Dialog) out_ << window.id << " ";
    out_ << value << "\n";
    out_.flush();
  }

 private:
  bool NextCommand(std::string& line) {
    while (std::getline(in_, line)) {
      ++lineNumber_;
      size_t start = line.find_first_not_of(" \t\r");
      if (start == std::string::npos || line[start] == '#') continue;
      line.erase(0, start);
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
      return true;
    }
    return false;
  }

  void Error(const std::string& why) {
    out_ << "error " << lineNumber_ << ": " << OneLine(why) << "\n";
    out_.flush();
  }

  void PrintDialog(const DialogWindow& dialog) {
    if (dialog.templateId == 0) out_ << "window " << OneLine(dialog.text) << "\n";
    else out_ << "dialog " << dialog.templateId << " " << OneLine(dialog.text) << "\n";
    for (const auto& control : dialog.controls) {
      out_ << "control " << control->id << " " << KindName(control->kind);
      if (!control->enabled) out_ << " disabled";
      if (!control->visible) out_ << " hidden";
      if (control->kind == Kind::CheckBox) out_ << (control->check ? " checked" : " unchecked");
      if (control->IsDefaultButton()) out_ << " default";
      if (control->kind == Kind::ComboBox) {
        out_ << " selection " << control->selection << " items";
        for (const std::string& item : control->items) out_ << " " << OneLine(item);
        out_ << " |";
      }
      out_ << " " << OneLine(control->text) << "\n";
    }
    out_.flush();
  }

  void Execute(DialogWindow& dialog, const std::string& line) {
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb == "show") {
      PrintDialog(dialog);
    } else if (verb == "key") {
      std::string key;
      words >> key;
      if (key == "enter") {
        dialog.PressEnter();
      } else if (key == "escape") {
        dialog.PressEscape();
      } else if (key == "close") {
        dialog.CloseBox();
      } else if (UINT code = FunctionKey(key)) {
        PostKey(dialog, code);
      } else {
        Error("unknown key " + key);
      }
    } else if (verb == "click") {
      int id = 0;
      if (!(words >> id)) return Error("click needs a control id");
      if (!dialog.Click(id)) Error("control " + std::to_string(id) + " cannot be clicked");
    } else if (verb == "select") {
      Select(dialog, words);
    } else if (verb == "focus" || verb == "move" || verb == "down" || verb == "up" || verb == "canvas") {
      Pointer(dialog, verb, words);
    } else if (verb == "tick") {
      long milliseconds = 0;
      if (!(words >> milliseconds) || milliseconds < 0) return Error("tick needs milliseconds");
      AdvanceClock(static_cast<DWORD>(milliseconds));
    } else if (verb == "paint") {
      dialog.Redraw();
    } else if (verb == "answer") {
      Error("no message box is waiting");
    } else {
      Error("unknown command " + verb);
    }
  }

  // VK_F1 ... VK_F12 for "f1" ... "f12" (either case); 0 for any other name.
  static UINT FunctionKey(const std::string& name) {
    int number = 0;
    if (name.size() < 2 || std::tolower(static_cast<unsigned char>(name[0])) != 'f' ||
        !ParseIndex(name.substr(1), &number) || number < 1 || number > 12) {
      return 0;
    }
    return VK_F1 + static_cast<UINT>(number - 1);
  }

  // As the system queues a key: for the window with the focus when it is this dialog's.
  static void PostKey(DialogWindow& dialog, UINT code) {
    HWND target = ToHandle(&dialog);
    Window* focused = FromHandle(Focus());
    if (focused && focused->dialog == &dialog) target = Focus();
    PostMessageTo(target, WM_KEYDOWN, code, 1);
    PostMessageTo(target, WM_KEYUP, code, static_cast<LPARAM>(0xC0000001u));
  }

  void Select(DialogWindow& dialog, std::istringstream& words) {
    int id = 0;
    if (!(words >> id)) return Error("select needs a control id");
    std::string entry;
    std::getline(words >> std::ws, entry);
    Control* combo = dialog.Find(id);
    if (!combo || combo->kind != Kind::ComboBox) return Error("no combo box " + std::to_string(id));
    int index = -1;
    if (entry.size() > 1 && entry[0] == '#') {
      if (!ParseIndex(entry.substr(1), &index)) return Error("no entry number " + entry.substr(1));
    } else {
      for (size_t i = 0; i < combo->items.size(); ++i) {
        if (SameNoCase(combo->items[i], entry)) index = static_cast<int>(i);
      }
    }
    if (!dialog.SelectItem(id, index)) Error("cannot select " + entry + " in " + std::to_string(id));
  }

  // The commands that name a window by its control id (0: the dialog itself).
  void Pointer(DialogWindow& dialog, const std::string& verb, std::istringstream& words) {
    int id = 0;
    if (!(words >> id)) return Error(verb + " needs a control id");
    Window* target = id == 0 ? static_cast<Window*>(&dialog) : dialog.Find(id);
    if (!target) return Error("no control " + std::to_string(id));
    HWND handle = ToHandle(target);
    if (verb == "focus") {
      SetFocusTo(handle);
      return;
    }
    if (verb == "canvas") {
      for (const auto& call : target->surface.calls) {
        out_ << "draw " << id << " " << vp::gdi::DcKindName(call.dc) << " " << OneLine(call.call) << "\n";
      }
      out_.flush();
      return;
    }
    POINT at{};
    if (!(words >> at.x >> at.y)) return Error(verb + " needs a position");
    if (verb == "move") MovePointer(handle, at);
    if (verb == "down") PressButton(handle, at);
    if (verb == "up") ReleaseButton(handle, at);
  }

  std::istream& in_;
  std::ostream& out_;
  int lineNumber_ = 0;
  bool closedAtEnd_ = false;
};

}  // namespace

std::unique_ptr<FrontEnd> MakeScriptFrontEnd(std::istream& in, std::ostream& out) {
  return std::make_unique<ScriptFrontEnd>(in, out);
}

}  // namespace vp::ui
