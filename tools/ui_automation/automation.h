// Drives another program's windows from outside, as a user would, for Windows runs under Wine
// and a virtual display: find a window, read and click its controls, pick combo box entries
// (with the notification a user's choice sends), answer message boxes, move and click the
// pointer, press keys, close by the close box, read back pixels and take a screenshot.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <string>
#include <vector>

namespace vp::automation {

// A visible top-level window of this process tree's desktop whose title starts with `title`,
// waited for up to `timeoutMs`; null when none appeared. A title "#<id>" (digits only) names
// instead the window that has a control <id>, for windows without a title.
HWND WaitForWindow(const std::string& title, DWORD timeoutMs);
// A top-level window (visible or not) of the given process whose title starts with `title`.
HWND FindProcessWindow(DWORD processId, const std::string& title);
// A message box (dialog class "#32770") with a static text containing `text`.
HWND WaitForMessageBox(const std::string& text, DWORD timeoutMs);

// What a program showed while it ran: every visible top-level window of a process whose image
// is named `imageName` (no folder, case ignored), polled from the moment of the call until such
// a process was seen and none is left, or until `timeoutMs` has passed.
struct ShownWindow {
  DWORD processId;
  std::string className;
  std::string title;
};
struct ProgramWatch {
  bool started = false;  // a process of that name ran while watched
  bool ended = false;    // and none was left at the end
  std::vector<ShownWindow> windows;  // each window once
};
ProgramWatch WatchProgramWindows(const std::string& imageName, DWORD timeoutMs);

struct ControlInfo {
  int id;
  std::string className;
  std::string text;
  bool visible;
  bool enabled;
};
std::vector<ControlInfo> ListControls(HWND window);

std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
std::vector<std::string> ComboItems(HWND dialog, int id);

// Selects the entry whose text equals `entry` and notifies the owner (CBN_SELCHANGE).
bool SelectComboItem(HWND dialog, int id, const std::string& entry);
// Clicks a button or check box (BM_CLICK, as a mouse click does).
bool Click(HWND dialog, int id);
// Presses the button with this caption (mnemonic marks ignored) in a message box.
bool PressButton(HWND box, const std::string& caption);

// Where a point is taken from: the window's top-left corner (title bar included), its client
// area's top-left corner, or the screen's.
enum class Origin { Window, Client, Screen };
bool ParseOrigin(const std::string& name, Origin* origin);
POINT ToScreen(HWND window, Origin origin, int x, int y);
// The client area of control `id` (0: of the window itself) in window coordinates.
bool ClientRect(HWND window, int id, RECT* rect);

// The pointer moves to (x, y), or clicks there with the left button, as input from the
// hardware does: the window under the pointer gets the messages through its queue.
bool MovePointer(POINT screen);
bool ClickAt(POINT screen);
// A key (VK_RETURN, VK_ESCAPE, VK_TAB, ...) pressed and released on the control that has the
// keyboard focus in the window's thread (the window itself when none has it).
bool PressKey(HWND window, WORD virtualKey);
// The close box: the system command a click on it sends.
bool CloseByCloseBox(HWND window);

// The screen's pixels in a rectangle of screen coordinates, top row first, as COLORREFs.
std::vector<COLORREF> ReadScreen(const RECT& rect);
// The colour on screen at a point, or CLR_INVALID when it cannot be read.
COLORREF ReadPixel(POINT screen);

// Writes the window's pixels as a 24-bit BMP file.
bool Screenshot(HWND window, const std::string& bmpPath);

}  // namespace vp::automation

#endif
