// vp_ui_automation: the automation library as a command for scripts.
//   vp_ui_automation wait <title> [ms]            prints the window's controls when it appears
//   vp_ui_automation text|checked|items <title> <id>
//   vp_ui_automation select <title> <id> <entry>
//   vp_ui_automation click <title> <id>
//   vp_ui_automation answer <text in the box> <button caption> [ms]
//   vp_ui_automation screenshot <title> <file.bmp>
//   vp_ui_automation rect <title> <id>             prints "x y width height": the client area of
//                                                  control <id> (0: the window's) in window coordinates
//   vp_ui_automation move|clickat <title> window|client|screen <x> <y>
//                                                  the pointer moves, or clicks, at that point
//   vp_ui_automation key <title> enter|escape|tab|f1...f12
//                                                  a key on the window's focused control
//   vp_ui_automation close <title>                 the close box
//   vp_ui_automation pixel <title> window|client|screen <x> <y> [<r> <g> <b>]
//                                                  prints the colour on screen as "r g b"; with a
//                                                  colour given, fails when the pixel differs
//   vp_ui_automation count <title> window|client|screen <x> <y> <width> <height> <r> <g> <b>
//                                                  prints how many pixels of the area have that colour
//   vp_ui_automation watch <program.exe> <ms>     from now until a process of that image name has
//                                                  run and ended (or <ms> passed): prints "watching",
//                                                  then "started",
//                                                  "window <pid> <class> <title>" for each visible
//                                                  top-level window it shows, then "ended"; exit
//                                                  code 1 when it showed a window or never ended
// A title "#<id>" names the window that has a control <id> (for windows without a title).
// Exit code 0 on success, 1 when the window, control or entry is not there, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "automation.h"

using namespace vp::automation;

namespace {

int Number(const char* text) { return std::atoi(text); }

COLORREF Colour(char** rgb) { return RGB(Number(rgb[0]), Number(rgb[1]), Number(rgb[2])); }

// The verbs that take a point: move, clickat, pixel and count. argv[3] is the origin.
int PointVerb(const std::string& verb, HWND window, int argc, char** argv) {
  Origin origin;
  if (argc < 6 || !ParseOrigin(argv[3], &origin)) return 2;
  POINT point = ToScreen(window, origin, Number(argv[4]), Number(argv[5]));
  if (verb == "move") return MovePointer(point) ? 0 : 1;
  if (verb == "clickat") return ClickAt(point) ? 0 : 1;
  if (verb == "pixel") {
    COLORREF colour = ReadPixel(point);
    if (colour == CLR_INVALID) return 1;
    std::printf("%d %d %d\n", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return argc >= 9 && colour != Colour(argv + 6) ? 1 : 0;
  }
  if (verb == "count" && argc >= 11) {
    RECT area{point.x, point.y, point.x + Number(argv[6]), point.y + Number(argv[7])};
    COLORREF wanted = Colour(argv + 8);
    int matching = 0;
    for (COLORREF colour : ReadScreen(area)) matching += colour == wanted;
    std::printf("%d\n", matching);
    return 0;
  }
  return 2;
}

bool KeyByName(const std::string& name, WORD* key) {
  if (name == "enter") *key = VK_RETURN;
  else if (name == "escape") *key = VK_ESCAPE;
  else if (name == "tab") *key = VK_TAB;
  else if (name.size() >= 2 && name.size() <= 3 && name[0] == 'f' && name.find_first_not_of("0123456789", 1) == std::string::npos &&
           std::atoi(name.c_str() + 1) >= 1 && std::atoi(name.c_str() + 1) <= 12)
    *key = static_cast<WORD>(VK_F1 + std::atoi(name.c_str() + 1) - 1);
  else return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: vp_ui_automation wait|text|checked|items|select|click|answer|screenshot|rect|"
                 "move|clickat|key|close|pixel|count|watch ...\n");
    return 2;
  }
  std::string verb = argv[1];
  if (verb == "watch" && argc > 3) {
    std::printf("watching\n");  // the caller starts the program once this is read
    std::fflush(stdout);
    ProgramWatch watch = WatchProgramWindows(argv[2], static_cast<DWORD>(std::atoi(argv[3])));
    if (watch.started) std::printf("started\n");
    for (const ShownWindow& w : watch.windows)
      std::printf("window %lu %s %s\n", static_cast<unsigned long>(w.processId),
                  w.className.c_str(), w.title.c_str());
    if (watch.ended) std::printf("ended\n");
    std::fflush(stdout);
    return watch.ended && watch.windows.empty() ? 0 : 1;
  }
  if (verb == "answer") {
    HWND box = WaitForMessageBox(argv[2], argc > 4 ? static_cast<DWORD>(std::atoi(argv[4])) : 10000);
    return box && argc > 3 && PressButton(box, argv[3]) ? 0 : 1;
  }
  DWORD wait = verb == "wait" && argc > 3 ? static_cast<DWORD>(std::atoi(argv[3])) : 10000;
  HWND window = WaitForWindow(argv[2], wait);
  if (!window) return 1;
  int id = argc > 3 ? std::atoi(argv[3]) : 0;
  if (verb == "wait") {
    std::printf("window %s\n", WindowText(window).c_str());
    for (const ControlInfo& c : ListControls(window)) {
      std::printf("control %d %s%s%s %s\n", c.id, c.className.c_str(), c.enabled ? "" : " disabled",
                  c.visible ? "" : " hidden", c.text.c_str());
    }
    return 0;
  }
  if (verb == "text") return std::printf("%s\n", ControlText(window, id).c_str()) < 0;
  if (verb == "checked") return IsChecked(window, id) ? 0 : 1;
  if (verb == "items") {
    for (const std::string& item : ComboItems(window, id)) std::printf("%s\n", item.c_str());
    return 0;
  }
  if (verb == "select" && argc > 4) return SelectComboItem(window, id, argv[4]) ? 0 : 1;
  if (verb == "click") return Click(window, id) ? 0 : 1;
  if (verb == "screenshot" && argc > 3) return Screenshot(window, argv[3]) ? 0 : 1;
  if (verb == "rect" && argc > 3) {
    RECT rect;
    if (!ClientRect(window, id, &rect)) return 1;
    std::printf("%ld %ld %ld %ld\n", static_cast<long>(rect.left), static_cast<long>(rect.top),
                static_cast<long>(rect.right - rect.left), static_cast<long>(rect.bottom - rect.top));
    return 0;
  }
  if (verb == "key" && argc > 3) {
    WORD key;
    return KeyByName(argv[3], &key) ? (PressKey(window, key) ? 0 : 1) : 2;
  }
  if (verb == "close") return CloseByCloseBox(window) ? 0 : 1;
  if (verb == "move" || verb == "clickat" || verb == "pixel" || verb == "count") {
    return PointVerb(verb, window, argc, argv);
  }
  return 2;
}
