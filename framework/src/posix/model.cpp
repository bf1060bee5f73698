// The dialog model: windows, their states, and what a user's actions send to the handlers.
#include "framework/ui_model.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

#include "framework/dialog.h"
#include "framework/window.h"
#include "window_registry.h"

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

namespace {

// Dialog units of an 8-point dialog font: 4 units are 6 pixels across, 8 units 13 down.
LONG PixelsAcross(LONG units) { return units * 6 / 4; }
LONG PixelsDown(LONG units) { return units * 13 / 8; }

bool HasFrame(const Window& window) { return (window.style & WS_CAPTION) == WS_CAPTION; }

}  // namespace

Window::Window() { LiveWindows().insert(this); }
Window::~Window() { LiveWindows().erase(this); }

LRESULT Window::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  if (CWnd* object = vp::fw::AttachedWindow(ToHandle(this))) return object->WindowProc(message, wParam, lParam);
  return DefaultProcessing(message, wParam, lParam);
}

LRESULT Window::DefaultProcessing(UINT, WPARAM, LPARAM) { return 0; }

RECT Window::ClientRect() const {
  LONG width = pixels.right - pixels.left, height = pixels.bottom - pixels.top;
  if (kind == Kind::Dialog && HasFrame(*this)) {
    width -= 2 * kFrame;
    height -= 2 * kFrame + kCaption;
  }
  return RECT{0, 0, width > 0 ? width : 0, height > 0 ? height : 0};
}

POINT Window::ClientOrigin() const {
  if (kind == Kind::Dialog) {
    LONG inset = HasFrame(*this) ? kFrame : 0;
    return POINT{pixels.left + inset, pixels.top + inset + (HasFrame(*this) ? kCaption : 0)};
  }
  POINT origin = dialog ? dialog->ClientOrigin() : POINT{0, 0};
  return POINT{origin.x + pixels.left, origin.y + pixels.top};
}

void Window::Invalidate(bool withErase) {
  invalid = true;
  erase = erase || withErase;
}

HDC Window::BeginPaint() {
  HDC dc = vp::gdi::OpenSurfaceDC(&surface, vp::gdi::DcKind::Paint);
  invalid = false;
  if (erase) {
    erase = false;
    Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  }
  return dc;
}

HWND Control::Parent() const { return ToHandle(dialog); }

LRESULT Control::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      if (!enabled) return 0;
      pressed = true;
      if (IsTabStop()) SetFocusTo(ToHandle(this));
      Invalidate(false);
      return 0;
    case WM_LBUTTONUP: {
      if (!pressed) return 0;
      pressed = false;
      Invalidate(false);
      RECT client = ClientRect();
      // A click is a release over the button it went down on.
      if (PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) && dialog) dialog->Click(id);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (IsOwnerDrawn()) Invalidate(false);
      return 0;
    case BM_SETSTYLE:
      style = (style & 0xFFFF0000u) | LOWORD(wParam);
      if (lParam) Invalidate(true);
      return 0;
    case BM_CLICK:
      // As a press and release of the mouse button: the button takes the focus, then clicks.
      if (!enabled) return 0;
      if (IsTabStop()) SetFocusTo(ToHandle(this));
      if (dialog) dialog->Click(id);
      return 0;
    case WM_PAINT: {
      HDC dc = BeginPaint();
      if (IsOwnerDrawn() && dialog) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = static_cast<UINT>(id);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = (enabled ? 0u : static_cast<UINT>(ODS_DISABLED)) |
                         (Focus() == ToHandle(this) ? static_cast<UINT>(ODS_FOCUS) : 0u) |
                         (pressed ? static_cast<UINT>(ODS_SELECTED) : 0u);
        item.hwndItem = ToHandle(this);
        item.hDC = dc;
        item.rcItem = ClientRect();
        dialog->Send(WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&item));
      }
      vp::gdi::CloseSurfaceDC(dc);
      return 0;
    }
    default:
      return 0;
  }
}

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

void DialogWindow::Redraw() {
  surface.Clear();
  Invalidate(true);
  Send(WM_NCPAINT, 1, 0);
  Send(WM_PAINT, 0, 0);
  for (const auto& control : controls) {
    if (!control->visible) continue;
    control->surface.Clear();
    control->Invalidate(true);
    control->Send(WM_PAINT, 0, 0);
  }
}

LRESULT DialogWindow::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  switch (message) {
    case WM_PAINT:
      vp::gdi::CloseSurfaceDC(BeginPaint());
      return 0;
    case WM_ERASEBKGND: {
      // The class background: the dialog face colour.
      RECT client = ClientRect();
      HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
      FillRect(reinterpret_cast<HDC>(wParam), &client, face);
      DeleteObject(face);
      return 1;
    }
    case WM_NCACTIVATE:
      return TRUE;
    case WM_CLOSE:
      // A dialog turns the close into its cancel command; another window is destroyed.
      if (templateId != 0) PressEscape();
      else if (modeless) DestroyTopWindow(this);
      return 0;
    default:
      break;
  }
  if (message == WM_ICONERASEBKGND) canvas.push_back("EraseIconBackground");
  if (message == WM_SYSCOMMAND) {
    switch (wParam & 0xFFF0) {
      case SC_CLOSE:
        Send(WM_CLOSE, 0, 0);
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
  LONG inset = (t.style & WS_CAPTION) == WS_CAPTION ? kFrame : 0;
  LONG caption = (t.style & WS_CAPTION) == WS_CAPTION ? kCaption : 0;
  dialog->pixels = {PixelsAcross(t.x), PixelsDown(t.y), PixelsAcross(t.x) + PixelsAcross(t.cx) + 2 * inset,
                    PixelsDown(t.y) + PixelsDown(t.cy) + 2 * inset + caption};
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
    control->pixels = {PixelsAcross(c.x), PixelsDown(c.y), PixelsAcross(c.x) + PixelsAcross(c.cx),
                       PixelsDown(c.y) + PixelsDown(c.cy)};
    control->dialog = dialog.get();
    dialog->controls.push_back(std::move(control));
  }
  return dialog;
}

HWND ToHandle(Window* window) { return reinterpret_cast<HWND>(window); }
Window* FromHandle(HWND handle) {
  // Only windows that exist: a message posted to a destroyed window finds none.
  auto* window = reinterpret_cast<Window*>(handle);
  return window && LiveWindows().count(window) ? window : nullptr;
}
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
