// The test dialog class: records what its handlers saw.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/framework.h"
#include "test_dialog.h"

class TestDialog : public CDialog {
 public:
  TestDialog();

  BOOL OnInitDialog() override;

  std::vector<std::string> events;
  std::function<void(TestDialog&)> onInit;
  std::function<void(TestDialog&)> onGo;

 protected:
  const MessageMap* GetMessageMap() const override;

 private:
  void OnGo();
  void OnOther();
  void OnCheck();
  void OnSortedChanged();
  void OnSysCommand(UINT id, LPARAM lParam);
};
