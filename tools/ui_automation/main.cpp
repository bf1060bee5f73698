// vp_ui_automation: the automation library as a command for scripts.
//   vp_ui_automation wait <title> [ms]            prints the window's controls when it appears
//   vp_ui_automation text|checked|items <title> <id>
//   vp_ui_automation select <title> <id> <entry>
//   vp_ui_automation click <title> <id>
//   vp_ui_automation answer <text in the box> <button caption> [ms]
//   vp_ui_automation screenshot <title> <file.bmp>
// Exit code 0 on success, 1 when the window, control or entry is not there, 2 on bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "automation.h"

using namespace vp::automation;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: vp_ui_automation wait|text|checked|items|select|click|answer|screenshot ...\n");
    return 2;
  }
  std::string verb = argv[1];
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
  return 2;
}
