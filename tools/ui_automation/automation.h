// Drives another program's windows from outside, as a user would, for Windows runs under Wine
// and a virtual display: find a window, read and click its controls, pick combo box entries
// (with the notification a user's choice sends), answer message boxes, take a screenshot.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <string>
#include <vector>

namespace vp::automation {

// A visible top-level window of this process tree's desktop whose title starts with `title`,
// waited for up to `timeoutMs`; null when none appeared.
HWND WaitForWindow(const std::string& title, DWORD timeoutMs);
// A top-level window (visible or not) of the given process whose title starts with `title`.
HWND FindProcessWindow(DWORD processId, const std::string& title);
// A message box (dialog class "#32770") with a static text containing `text`.
HWND WaitForMessageBox(const std::string& text, DWORD timeoutMs);

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

// Writes the window's pixels as a 24-bit BMP file.
bool Screenshot(HWND window, const std::string& bmpPath);

}  // namespace vp::automation

#endif
