// POSIX: dialogs as a model. A window handle names a Window here; the dialog's controls keep
// their ids, texts, check, enabled and selection states, and a user's actions (click, pick a
// combo entry, Enter, Escape, the close box) reach the dialog's handlers as the same
// notifications Windows sends. A front end presents the model to a person (terminal) or to a
// script (a line protocol); tests can drive the model directly.
#pragma once

#ifndef _WIN32

#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/dialog_template.h"
#include "framework/user_types.h"

class CDialog;

namespace vp::ui {

enum class Kind { Dialog, Static, PushButton, CheckBox, ComboBox };
enum class Change { Text, Check, Enabled, Visible, Items, Selection, Iconic };

struct DialogWindow;

struct Window {
  virtual ~Window() = default;

  Kind kind = Kind::Static;
  int id = 0;
  DWORD style = 0;
  std::string text;
  bool enabled = true;
  bool visible = true;
  RECT rect{};                     // dialog units; controls in the dialog's client area
  DialogWindow* dialog = nullptr;  // the dialog of a control; the dialog itself for a dialog

  // Changes that the front end is told about once the dialog is shown.
  void SetText(const std::string& value);
  void SetEnabled(bool value);
  void SetVisible(bool value);
};

struct Control : Window {
  int check = BST_UNCHECKED;
  std::vector<std::string> items;
  int selection = -1;

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
  INT_PTR result = 0;
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
  std::vector<std::string> canvas;  // drawing calls of the last paint, in order

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

  // Delivers a message to the owner's handlers, with the model's default processing when no
  // handler takes it.
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
};

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
