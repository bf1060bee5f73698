// The dialog model: windows, their states, and what a user's actions send to the handlers.
#include "framework/ui_model.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

#include "framework/dialog.h"

namespace vp::ui {

namespace {

void Notify(const Window& window, Change change) {
  if (window.dialog && window.dialog->shown) CurrentFrontEnd().Changed(window, change);
}

int CompareNoCase(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int x = std::tolower(static_cast<unsigned char>(a[i]));
    int y = std::tolower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

Kind KindOf(const vp::fw::ControlTemplate& c) {
  if (strcasecmp(c.className, "Button") == 0) {
    DWORD type = c.style & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX ? Kind::CheckBox : Kind::PushButton;
  }
  if (strcasecmp(c.className, "ComboBox") == 0) return Kind::ComboBox;
  return Kind::Static;
}

bool Usable(const Control* control) { return control && control->enabled && control->visible; }

}  // namespace

void Window::SetText(const std::string& value) {
  if (text == value) return;
  text = value;
  Notify(*this, Change::Text);
}

void Window::SetEnabled(bool value) {
  if (enabled == value) return;
  enabled = value;
  Notify(*this, Change::Enabled);
}

void Window::SetVisible(bool value) {
  if (visible == value) return;
  visible = value;
  Notify(*this, Change::Visible);
}

void Control::SetCheck(int value) {
  if (check == value) return;
  check = value;
  Notify(*this, Change::Check);
}

int Control::AddItem(const std::string& entry) {
  std::string shown = entry;
  if (style & CBS_UPPERCASE) {
    for (char& c : shown) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  auto place = items.end();
  if (style & CBS_SORT) {
    place = std::find_if(items.begin(), items.end(),
                         [&](const std::string& item) { return CompareNoCase(shown, item) < 0; });
  }
  int index = static_cast<int>(place - items.begin());
  items.insert(place, shown);
  if (selection >= index) ++selection;
  Notify(*this, Change::Items);
  return index;
}

void Control::ClearItems() {
  items.clear();
  selection = -1;
  text.clear();
  Notify(*this, Change::Items);
}

void Control::SetSelection(int index) {
  if (index < 0 || index >= static_cast<int>(items.size())) index = -1;
  selection = index;
  text = index < 0 ? std::string() : items[static_cast<size_t>(index)];
  Notify(*this, Change::Selection);
}

Control* DialogWindow::Find(int controlId) const {
  for (const auto& control : controls) {
    if (control->id == controlId) return control.get();
  }
  return nullptr;
}

bool DialogWindow::Click(int controlId) {
  Control* control = Find(controlId);
  if (!Usable(control) || control->kind == Kind::Static || control->kind == Kind::ComboBox) {
    return false;
  }
  if (control->kind == Kind::CheckBox && (control->style & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
    control->SetCheck(control->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
  }
  Send(WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED), reinterpret_cast<LPARAM>(ToHandle(control)));
  return true;
}

bool DialogWindow::SelectItem(int controlId, int index) {
  Control* control = Find(controlId);
  if (!Usable(control) || control->kind != Kind::ComboBox) return false;
  if (index < 0 || index >= static_cast<int>(control->items.size())) return false;
  control->SetSelection(index);
  Send(WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE),
       reinterpret_cast<LPARAM>(ToHandle(control)));
  return true;
}

void DialogWindow::PressEnter(int focusedId) {
  Control* focused = focusedId ? Find(focusedId) : nullptr;
  if (Usable(focused) && focused->kind == Kind::PushButton) {
    Click(focused->id);
    return;
  }
  for (const auto& control : controls) {
    if (control->IsDefaultButton()) {
      Click(control->id);  // a disabled default button ignores Enter
      return;
    }
  }
  Send(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void DialogWindow::PressEscape() {
  Control* cancel = Find(IDCANCEL);
  if (cancel && !cancel->enabled) return;
  Send(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void DialogWindow::CloseBox() { SysCommand(SC_CLOSE); }

void DialogWindow::SysCommand(UINT command) { Send(WM_SYSCOMMAND, command, 0); }

void DialogWindow::Paint() {
  canvas.clear();
  Send(WM_PAINT, 0, 0);
}

LRESULT DialogWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (owner && owner->HandleMessage(message, wParam, lParam, &result)) return result;
  // The system's default processing.
  if (message == WM_ICONERASEBKGND) canvas.push_back("EraseIconBackground");
  if (message == WM_SYSCOMMAND) {
    switch (wParam & 0xFFF0) {
      case SC_CLOSE:
        PressEscape();
        break;
      case SC_MINIMIZE:
        iconic = true;
        Notify(*this, Change::Iconic);
        break;
      case SC_RESTORE:
        iconic = false;
        Notify(*this, Change::Iconic);
        break;
      default:
        break;
    }
  }
  return 0;
}

std::unique_ptr<DialogWindow> CreateDialogWindow(const vp::fw::DialogTemplate& t, CDialog* owner) {
  auto dialog = std::make_unique<DialogWindow>();
  dialog->kind = Kind::Dialog;
  dialog->templateId = t.id;
  dialog->style = t.style;
  dialog->text = t.caption ? t.caption : "";
  dialog->rect = {t.x, t.y, t.x + t.cx, t.y + t.cy};
  dialog->owner = owner;
  dialog->dialog = dialog.get();
  for (const vp::fw::ControlTemplate& c : t.controls) {
    auto control = std::make_unique<Control>();
    control->kind = KindOf(c);
    control->id = c.id;
    control->style = c.style;
    control->text = c.text ? c.text : "";
    control->enabled = (c.style & WS_DISABLED) == 0;
    control->visible = (c.style & WS_VISIBLE) != 0;
    control->rect = {c.x, c.y, c.x + c.cx, c.y + c.cy};
    control->dialog = dialog.get();
    dialog->controls.push_back(std::move(control));
  }
  return dialog;
}

HWND ToHandle(Window* window) { return reinterpret_cast<HWND>(window); }
Window* FromHandle(HWND handle) { return reinterpret_cast<Window*>(handle); }
Control* ControlFromHandle(HWND handle) { return dynamic_cast<Control*>(FromHandle(handle)); }
DialogWindow* DialogFromHandle(HWND handle) {
  return dynamic_cast<DialogWindow*>(FromHandle(handle));
}

std::string WithoutMnemonic(const std::string& caption) {
  std::string plain;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    plain += caption[i];
  }
  return plain;
}

char MnemonicOf(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') {
      return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1])));
    }
    ++i;
  }
  return 0;
}

std::vector<std::pair<std::string, int>> MessageBoxButtons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    case MB_YESNOCANCEL:
      return {{"Yes", IDYES}, {"No", IDNO}, {"Cancel", IDCANCEL}};
    case MB_YESNO:
      return {{"Yes", IDYES}, {"No", IDNO}};
    default:
      return {{"OK", IDOK}};
  }
}

int SafeAnswer(UINT type) {
  auto buttons = MessageBoxButtons(type);
  for (int safe : {IDCANCEL, IDNO, IDOK}) {
    for (const auto& button : buttons)
      if (button.second == safe) return safe;
  }
  return buttons.front().second;
}

std::string EscapeControls(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string shown;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '\n' || (byte >= 0x20 && byte != 0x7f)) {
      shown += c;
    } else if (c == '\t') {
      shown += "\\t";
    } else {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xf];
    }
  }
  return shown;
}

std::string MessageBoxIconName(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONSTOP:
      return "stop";
    case MB_ICONQUESTION:
      return "question";
    case MB_ICONEXCLAMATION:
      return "exclamation";
    case MB_ICONINFORMATION:
      return "information";
    default:
      return "";
  }
}

}  // namespace vp::ui
