#include "automation.h"

#ifdef _WIN32

#include <cstring>

namespace vp::automation {

namespace {

struct Search {
  std::string title;
  DWORD processId;
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (search->processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
  }
  if (WindowText(window).rfind(search->title, 0) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

std::string ClassName(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string WithoutMarks(const std::string& caption) {
  std::string plain;
  for (char c : caption) {
    if (c != '&') plain += c;
  }
  return plain;
}

}  // namespace

std::string WindowText(HWND window) {
  char text[1024] = {};
  // WM_GETTEXT works across processes for the standard controls.
  SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

HWND WaitForWindow(const std::string& title, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  do {
    Search search{title, 0, true, nullptr};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

HWND FindProcessWindow(DWORD processId, const std::string& title) {
  Search search{title, processId, false, nullptr};
  EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForMessageBox(const std::string& text, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  do {
    for (HWND box = FindWindowExA(nullptr, nullptr, "#32770", nullptr); box;
         box = FindWindowExA(nullptr, box, "#32770", nullptr)) {
      for (const ControlInfo& control : ListControls(box)) {
        if (control.className == "Static" && control.text.find(text) != std::string::npos) return box;
      }
    }
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

std::vector<ControlInfo> ListControls(HWND window) {
  std::vector<ControlInfo> controls;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    controls.push_back({GetDlgCtrlID(child), ClassName(child), WindowText(child), IsWindowVisible(child) != FALSE,
                        IsWindowEnabled(child) != FALSE});
  }
  return controls;
}

std::string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control ? WindowText(control) : std::string();
}

bool IsChecked(HWND dialog, int id) {
  return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<std::string> ComboItems(HWND dialog, int id) {
  // The wide form: the system marshals it between processes with its length intact.
  std::vector<std::string> items;
  LRESULT count = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    if (SendDlgItemMessageW(dialog, id, CB_GETLBTEXTLEN, i, 0) >= 256) continue;
    SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    char narrow[512] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    items.push_back(narrow);
  }
  return items;
}

bool SelectComboItem(HWND dialog, int id, const std::string& entry) {
  std::vector<std::string> items = ComboItems(dialog, id);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] != entry) continue;
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, i, 0);
    // CB_SETCURSEL does not notify; a user's choice does.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    return true;
  }
  return false;
}

bool Click(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (!control || !IsWindowEnabled(control)) return false;
  SendMessageA(control, BM_CLICK, 0, 0);
  return true;
}

bool PressButton(HWND box, const std::string& caption) {
  for (const ControlInfo& control : ListControls(box)) {
    if (control.className == "Button" && WithoutMarks(control.text) == caption) {
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(control.id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, control.id)));
      return true;
    }
  }
  return false;
}

bool Screenshot(HWND window, const std::string& bmpPath) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageBytes), 0, 0,
                        sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  bool written = false;
  HANDLE out = CreateFileA(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    DWORD done = 0;
    written = WriteFile(out, &file, sizeof file, &done, nullptr) &&
              WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &done, nullptr) &&
              WriteFile(out, bits, imageBytes, &done, nullptr);
    CloseHandle(out);
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return written;
}

}  // namespace vp::automation

#endif
