// POSIX: windows as a model. A window handle names a Window here: a top-level window (a modal or
// modeless dialog, or a window of the framework's class) with its controls, which keep their
// ids, texts, check, enabled and selection states. A user's actions (click, pick a combo entry,
// Enter, Escape, the close box, the pointer and its button, the focus) reach the handlers as the
// same messages Windows sends; posted messages and timers wait in one queue that the
// application's message loop empties. Drawing goes to each window's recording surface. A front
// end presents the model to a person (terminal) or to a script (a line protocol); tests can
// drive the model directly.
#pragma once

#ifndef _WIN32

#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/dialog_template.h"
#include "platform/win.h"

class CDialog;
class CWnd;

namespace vp::ui {

enum class Kind { Dialog, Static, PushButton, CheckBox, ComboBox };
enum class Change { Text, Check, Enabled, Visible, Items, Selection, Iconic };

struct DialogWindow;

// The frame and title bar of a window with a caption, in pixels.
constexpr LONG kFrame = 3;
constexpr LONG kCaption = 19;

struct Window {
  Window();
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  Kind kind = Kind::Static;
  int id = 0;
  DWORD style = 0;
  std::string text;
  bool enabled = true;
  bool visible = true;
  RECT rect{};                     // dialog units; controls in the dialog's client area
  DialogWindow* dialog = nullptr;  // the dialog of a control; the dialog itself for a dialog
  RECT pixels{};                   // top-level: screen coordinates; control: the parent's client
  vp::gdi::Surface surface;        // what was drawn on the window
  std::vector<std::string>& canvas = surface.canvas;
  bool invalid = false;            // waits for WM_PAINT
  bool erase = false;              // and for WM_ERASEBKGND before it

  // Changes that the front end is told about once the dialog is shown.
  void SetText(const std::string& value);
  void SetEnabled(bool value);
  void SetVisible(bool value);

  // Delivers a message: the object attached to the window (its message maps, then
  // DefaultProcessing), or the default processing alone.
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
  // What the system does with a message nobody handled.
  virtual LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam);
  // The client area in client coordinates, and its top-left corner on the screen.
  RECT ClientRect() const;
  POINT ClientOrigin() const;
  void Invalidate(bool withErase);
  // WM_PAINT's context: sends the pending WM_ERASEBKGND, validates, and returns the context.
  HDC BeginPaint();
};

struct Control : Window {
  int check = BST_UNCHECKED;
  std::vector<std::string> items;
  int selection = -1;
  bool pressed = false;  // the left button went down on it and has not come up
  HWND Parent() const;

  LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool IsOwnerDrawn() const { return kind == Kind::PushButton && (style & BS_TYPEMASK) == BS_OWNERDRAW; }

  bool IsDefaultButton() const {
    return kind == Kind::PushButton && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  }
  bool IsTabStop() const { return (style & WS_TABSTOP) != 0; }
  void SetCheck(int value);
  // The index of the new entry (sorted place for CBS_SORT, upper case for CBS_UPPERCASE).
  int AddItem(const std::string& entry);
  void ClearItems();
  void SetSelection(int index);
};

struct DialogWindow : Window {
  UINT templateId = 0;
  CDialog* owner = nullptr;
  HWND ownerWindow = nullptr;
  std::vector<std::unique_ptr<Control>> controls;  // in template (tab) order
  bool iconic = false;
  bool shown = false;  // presented by the front end (after OnInitDialog)
  bool ended = false;
  bool modeless = false;   // a modeless dialog or a window of the framework's class
  bool destroyed = false;  // DestroyWindow ran; the model frees it later
  INT_PTR result = 0;
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;

  Control* Find(int id) const;

  // What a user does. Each returns false when the control is missing, hidden or disabled.
  bool Click(int id);
  bool SelectItem(int id, int index);
  // Enter: the focused push button, else the default push button (IDOK when there is none).
  void PressEnter(int focusedId = 0);
  // Escape: the cancel command.
  void PressEscape();
  // The close box: WM_SYSCOMMAND SC_CLOSE, whose default processing is the cancel command.
  void CloseBox();
  void SysCommand(UINT command);
  // Paints: the handlers' drawing is recorded in `canvas`.
  void Paint();
  // The whole window anew, as after it was uncovered: frame, background, client, controls.
  void Redraw();

  LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Top-level windows that are not modal: made by CDialog::Create and CWnd::CreateEx, owned by
// the model until DestroyWindow.
DialogWindow* AddTopWindow(std::unique_ptr<DialogWindow> window);
std::vector<DialogWindow*> TopWindows();
// WM_DESTROY, WM_NCDESTROY, the object detached; the window is freed at the next message.
void DestroyTopWindow(DialogWindow* window);

// The message queue of the one user-interface thread.
void PostMessageTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuit(int code);
// The next message: a posted one, else WM_PAINT for a window waiting for it; false when none.
bool NextMessage(MSG* msg);
void DispatchMessageTo(const MSG& msg);
// A modal loop's turn: every waiting message (WM_QUIT left waiting) through the application's
// PreTranslateMessage, then to its window.
void PumpPending();

// Timers on a virtual clock: Advance moves it and queues one WM_TIMER for each timer that
// came due (as Windows, never two of one timer waiting).
UINT_PTR SetTimerFor(HWND window, UINT_PTR id, UINT elapse);
bool KillTimerFor(HWND window, UINT_PTR id);
void AdvanceClock(DWORD milliseconds);
DWORD Clock();

// The keyboard focus: WM_KILLFOCUS to the old window, WM_SETFOCUS to the new.
HWND SetFocusTo(HWND window);
HWND Focus();
// The pointer, in screen coordinates, and its left button: the messages go to the window under
// it (or to the one that has the button down).
void MovePointer(HWND window, POINT client);
void PressButton(HWND window, POINT client);
void ReleaseButton(HWND window, POINT client);

// Builds the model of a dialog from its template (not shown yet).
std::unique_ptr<DialogWindow> CreateDialogWindow(const vp::fw::DialogTemplate& t, CDialog* owner);

HWND ToHandle(Window* window);
Window* FromHandle(HWND handle);
Control* ControlFromHandle(HWND handle);
DialogWindow* DialogFromHandle(HWND handle);

// A caption without its mnemonic marks ("E&xit" -> "Exit", "&&" -> "&"), and its mnemonic
// letter in upper case (0 when none).
std::string WithoutMnemonic(const std::string& caption);
char MnemonicOf(const std::string& caption);

struct MessageBoxRequest {
  DialogWindow* owner;
  std::string text;
  std::string caption;
  UINT type;
};

// The buttons of a message box type ("OK", "Cancel", "Yes", "No") with their results.
std::vector<std::pair<std::string, int>> MessageBoxButtons(UINT type);
// "stop", "question", "exclamation", "information" or "" for the icon of a type.
std::string MessageBoxIconName(UINT type);
// The answer that changes nothing, for a box nobody can answer any more (the input ended):
// Cancel or No where the box has one, else OK.
int SafeAnswer(UINT type);

// A text fit for a terminal: every control character but the line break shown as "\xHH"
// ("\t" for a tab), so no text of a program or a user can drive the terminal.
std::string EscapeControls(const std::string& text);

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;
  // Lets the user work in the dialog until it ends (dialog.ended).
  virtual void RunModal(DialogWindow& dialog) = 0;
  // Shows a message box and returns the chosen button's result (IDOK, IDYES, ...).
  virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
  // A window of a shown dialog changed.
  virtual void Changed(const Window&, Change) {}
  // The process ends at once: give the terminal back.
  virtual void ProcessEnding() {}
  // A modeless window was shown, or destroyed.
  virtual void Shown(DialogWindow&) {}
  virtual void Destroyed(DialogWindow&) {}
  // The message loop has nothing to do: carry out one thing the user does. False when the
  // user can do nothing more (the input ended), so the loop must end.
  virtual bool WaitForInput() { return false; }
};

// The front end in use: the one set by SetFrontEnd, else chosen on first use by the
// environment variable VP_UI ("terminal" or "script"), else the terminal one when stdin and
// stdout are terminals and the script one otherwise.
FrontEnd& CurrentFrontEnd();
// Replaces the front end (tests); null returns to the automatic choice. Not owned.
void SetFrontEnd(FrontEnd* frontEnd);

// The line protocol on `in`, reports on `out` (README, "Running the installer").
std::unique_ptr<FrontEnd> MakeScriptFrontEnd(std::istream& in, std::ostream& out);
// The full-screen front end on a terminal's file descriptors.
std::unique_ptr<FrontEnd> MakeTerminalFrontEnd(int inputFd, int outputFd);

}  // namespace vp::ui

#endif
