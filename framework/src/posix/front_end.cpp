// Which front end presents the dialogs: the terminal one for a person, the script one for
// automation (VP_UI overrides the choice).
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "framework/ui_model.h"

namespace vp::ui {

namespace {

FrontEnd* g_chosen = nullptr;

FrontEnd& AutomaticFrontEnd() {
  static std::unique_ptr<FrontEnd> frontEnd = [] {
    const char* choice = std::getenv("VP_UI");
    bool terminal = choice ? std::strcmp(choice, "terminal") == 0
                           : isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
    return terminal ? MakeTerminalFrontEnd(STDIN_FILENO, STDOUT_FILENO)
                    : MakeScriptFrontEnd(std::cin, std::cout);
  }();
  return *frontEnd;
}

}  // namespace

FrontEnd& CurrentFrontEnd() { return g_chosen ? *g_chosen : AutomaticFrontEnd(); }

void SetFrontEnd(FrontEnd* frontEnd) { g_chosen = frontEnd; }

}  // namespace vp::ui
