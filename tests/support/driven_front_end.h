// POSIX tests: a front end that hands the shown dialog to the test, records the message boxes
// and answers them from a list.
#pragma once

#ifndef _WIN32

#include <deque>
#include <functional>
#include <vector>

#include "framework/ui_model.h"

namespace vp::test {

class DrivenFrontEnd : public vp::ui::FrontEnd {
 public:
  DrivenFrontEnd() { vp::ui::SetFrontEnd(this); }
  ~DrivenFrontEnd() override { vp::ui::SetFrontEnd(nullptr); }

  // What the user does in the shown dialog; a dialog still open afterwards is cancelled.
  std::function<void(vp::ui::DialogWindow&)> user;
  std::vector<vp::ui::MessageBoxRequest> boxes;
  std::deque<int> answers;  // empty: the first button
  int shownDialogs = 0;

  void RunModal(vp::ui::DialogWindow& dialog) override {
    ++shownDialogs;
    if (user) user(dialog);
    if (!dialog.ended) dialog.PressEscape();
  }

  int ShowMessageBox(const vp::ui::MessageBoxRequest& request) override {
    boxes.push_back(request);
    if (answers.empty()) return vp::ui::MessageBoxButtons(request.type).front().second;
    int answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace vp::test

#endif
