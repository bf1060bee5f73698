#include "automation.h"

#ifdef _WIN32

#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vp::automation {

namespace {

struct Search {
  std::string title;
  DWORD processId;
  bool visibleOnly;
  HWND found;
};

// "#<digits>": the control id a window without a title is known by; 0 for a plain title.
int ControlIdSelector(const std::string& title) {
  if (title.size() < 2 || title[0] != '#') return 0;
  for (size_t i = 1; i < title.size(); ++i) {
    if (title[i] < '0' || title[i] > '9') return 0;
  }
  return std::atoi(title.c_str() + 1);
}

BOOL CALLBACK MatchTitle(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (search->processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
  }
  if (int id = ControlIdSelector(search->title)) {
    if (!GetDlgItem(window, id)) return TRUE;
  } else if (WindowText(window).rfind(search->title, 0) != 0) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

bool SendInputs(INPUT* inputs, UINT count) {
  return SendInput(count, inputs, sizeof(INPUT)) == count;
}

INPUT MouseInput(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  return input;
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

namespace {

bool SameNameNoCase(const char* a, const std::string& b) {
  return lstrcmpiA(a, b.c_str()) == 0;
}

// The processes whose image is named `imageName`.
std::vector<DWORD> ProcessesNamed(const std::string& imageName) {
  std::vector<DWORD> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (SameNameNoCase(entry.szExeFile, imageName)) found.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return found;
}

struct WindowsOf {
  const std::vector<DWORD>* processes;
  std::vector<std::pair<HWND, ShownWindow>> shown;
};

BOOL CALLBACK CollectShown(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowsOf*>(parameter);
  if (!IsWindowVisible(window)) return TRUE;
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  const std::vector<DWORD>& ids = *search->processes;
  if (std::find(ids.begin(), ids.end(), owner) == ids.end()) return TRUE;
  search->shown.push_back({window, {owner, ClassName(window), WindowText(window)}});
  return TRUE;
}

}  // namespace

ProgramWatch WatchProgramWindows(const std::string& imageName, DWORD timeoutMs) {
  ProgramWatch watch;
  std::vector<HWND> seen;
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    std::vector<DWORD> processes = ProcessesNamed(imageName);
    if (processes.empty() && watch.started) {
      watch.ended = true;
      break;
    }
    watch.started |= !processes.empty();
    WindowsOf search{&processes, {}};
    if (!processes.empty()) EnumWindows(CollectShown, reinterpret_cast<LPARAM>(&search));
    for (const auto& [window, shown] : search.shown) {
      if (std::find(seen.begin(), seen.end(), window) != seen.end()) continue;
      seen.push_back(window);
      watch.windows.push_back(shown);
    }
    Sleep(5);  // a window shown for a moment is still caught
  }
  return watch;
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

bool ParseOrigin(const std::string& name, Origin* origin) {
  if (name == "window") *origin = Origin::Window;
  else if (name == "client") *origin = Origin::Client;
  else if (name == "screen") *origin = Origin::Screen;
  else return false;
  return true;
}

POINT ToScreen(HWND window, Origin origin, int x, int y) {
  POINT point{x, y};
  if (origin == Origin::Client) {
    ClientToScreen(window, &point);
  } else if (origin == Origin::Window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    point.x += rect.left;
    point.y += rect.top;
  }
  return point;
}

bool ClientRect(HWND window, int id, RECT* rect) {
  HWND target = id ? GetDlgItem(window, id) : window;
  RECT client{}, outer{};
  if (!target || !GetClientRect(target, &client) || !GetWindowRect(window, &outer)) return false;
  POINT origin{0, 0};
  ClientToScreen(target, &origin);
  *rect = {origin.x - outer.left, origin.y - outer.top, origin.x - outer.left + client.right,
           origin.y - outer.top + client.bottom};
  return true;
}

// The pointer is placed exactly (absolute input coordinates are scaled and may round), then a
// move of no distance makes the hardware message that a real move makes.
bool MovePointer(POINT screen) {
  if (!SetCursorPos(screen.x, screen.y)) return false;
  INPUT move = MouseInput(MOUSEEVENTF_MOVE);
  return SendInputs(&move, 1);
}

bool ClickAt(POINT screen) {
  if (!MovePointer(screen)) return false;
  INPUT click[] = {MouseInput(MOUSEEVENTF_LEFTDOWN), MouseInput(MOUSEEVENTF_LEFTUP)};
  return SendInputs(click, 2);
}

// Posted to the focused control, as the system queues a key for the window with the focus; the
// program's dialog loop then handles it (Tab, Enter and Escape through IsDialogMessage).
bool PressKey(HWND window, WORD virtualKey) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  HWND target = window;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) && thread.hwndFocus) {
    target = thread.hwndFocus;
  }
  // Repeat count 1 and the scan code; the release also has its previous-state and transition bits.
  DWORD scan = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
  LPARAM down = static_cast<LPARAM>(1u | (scan << 16));
  LPARAM up = static_cast<LPARAM>(1u | (scan << 16) | 0xC0000000u);
  return PostMessageA(target, WM_KEYDOWN, virtualKey, down) && PostMessageA(target, WM_KEYUP, virtualKey, up);
}

bool CloseByCloseBox(HWND window) {
  return PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE;
}

std::vector<COLORREF> ReadScreen(const RECT& rect) {
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  std::vector<COLORREF> pixels;
  if (width <= 0 || height <= 0) return pixels;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  // 32 bits a pixel, top row first: one DWORD (0x00RRGGBB) per pixel.
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY)) {
      GdiFlush();
      const DWORD* row = static_cast<const DWORD*>(bits);
      pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
      for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); ++i) {
        pixels.push_back(RGB((row[i] >> 16) & 0xFF, (row[i] >> 8) & 0xFF, row[i] & 0xFF));
      }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

COLORREF ReadPixel(POINT screen) {
  std::vector<COLORREF> pixel = ReadScreen({screen.x, screen.y, screen.x + 1, screen.y + 1});
  return pixel.empty() ? CLR_INVALID : pixel[0];
}

bool Screenshot(HWND window, const std::string& bmpPath) {
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  std::vector<COLORREF> pixels = ReadScreen(rect);
  if (pixels.empty()) return false;
  LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
  // A 24-bit BMP keeps its rows bottom first, each padded to four bytes.
  DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::string image(static_cast<size_t>(rowBytes) * static_cast<size_t>(height), '\0');
  for (LONG y = 0; y < height; ++y) {
    char* out = &image[static_cast<size_t>(height - 1 - y) * rowBytes];
    for (LONG x = 0; x < width; ++x) {
      COLORREF c = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
      *out++ = static_cast<char>(GetBValue(c));
      *out++ = static_cast<char>(GetGValue(c));
      *out++ = static_cast<char>(GetRValue(c));
    }
  }
  BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(offset + image.size()), 0, 0, offset};
  bool written = false;
  HANDLE out = CreateFileA(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    DWORD done = 0;
    written = WriteFile(out, &file, sizeof file, &done, nullptr) &&
              WriteFile(out, &header, sizeof header, &done, nullptr) &&
              WriteFile(out, image.data(), static_cast<DWORD>(image.size()), &done, nullptr);
    CloseHandle(out);
  }
  return written;
}

}  // namespace vp::automation

#endif
