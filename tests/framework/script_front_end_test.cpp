// The script front end: commands in, every message box and change out, as the protocol says.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <sstream>

#include "framework/ui_model.h"
#include "test_dialog.hpp"

namespace {

// Runs the test dialog under a script and returns the report.
std::string RunScript(TestDialog& dialog, const std::string& script, INT_PTR* result = nullptr) {
  std::istringstream in(script);
  std::ostringstream out;
  auto frontEnd = vp::ui::MakeScriptFrontEnd(in, out);
  vp::ui::SetFrontEnd(frontEnd.get());
  INT_PTR value = dialog.DoModal();
  vp::ui::SetFrontEnd(nullptr);
  if (result) *result = value;
  return out.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST(ScriptFrontEnd, ReportsTheDialogItsChangesAndTheMessageBoxesItAnswers) {
  TestDialog dialog;
  dialog.onInit = [](TestDialog& d) {
    auto* combo = static_cast<CComboBox*>(d.GetDlgItem(IDC_SORTED_COMBO));
    combo->AddString("beta");
    combo->AddString("alpha");
  };
  dialog.onGo = [](TestDialog& d) {
    int answer = d.MessageBox("Go on?\nReally?", nullptr, MB_YESNO | MB_ICONQUESTION);
    d.SetDlgItemText(IDC_STATUS, answer == IDNO ? "stopped" : "going");
  };
  INT_PTR result = 0;
  auto lines = Lines(RunScript(dialog,
                               "# a comment, then a blank line\n\n"
                               "select 100 beta\n"
                               "click 110\n"
                               "key enter\n"
                               "answer No\n"
                               "key escape\n",
                               &result));
  EXPECT_EQ(result, IDCANCEL);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "dialog 900 Framework test");
  EXPECT_TRUE(Has(lines, "control 100 combobox selection -1 items ALPHA BETA | "));
  EXPECT_TRUE(Has(lines, "control 120 button default &Go"));
  EXPECT_TRUE(Has(lines, "control 110 checkbox unchecked &Check"));
  std::vector<std::string> tail(lines.end() - 7, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"select 100 1 BETA", "check 110 1", "messagebox Yes No question",
                                            "caption framework_tests", "text Go on?\\nReally?", "text 130 stopped",
                                            "end 2"}));
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "selected BETA", "check 1", "go"}));
}

TEST(ScriptFrontEnd, ReportsWhatItCannotDoAndKeepsGoing) {
  TestDialog dialog;
  dialog.onGo = [](TestDialog& d) { d.MessageBox("Sure?", "Question", MB_YESNO); };
  auto lines = Lines(RunScript(dialog,
                               "click 999\n"
                               "select 100 nothing\n"
                               "answer OK\n"
                               "jump\n"
                               "click 120\n"
                               "click 121\n"
                               "answer Maybe\n"
                               "answer yes\n"
                               "key close\n"));
  EXPECT_TRUE(Has(lines, "error 1: control 999 cannot be clicked"));
  EXPECT_TRUE(Has(lines, "error 2: cannot select nothing in 100"));
  EXPECT_TRUE(Has(lines, "error 3: no message box is waiting"));
  EXPECT_TRUE(Has(lines, "error 4: unknown command jump"));
  EXPECT_TRUE(Has(lines, "error 6: a message box is waiting for an answer"));
  EXPECT_TRUE(Has(lines, "error 7: the message box has no button Maybe"));
  EXPECT_EQ(lines.back(), "end 2");
  // The click on 121 was taken as a wrong answer, not as a click.
  EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "go", "syscommand 61536"}));
}

TEST(ScriptFrontEnd, TheEndOfTheInputGivesEachBoxItsSafeAnswerAndCancelsTheDialog) {
  struct Case {
    UINT type;
    int safe;
  } cases[] = {{MB_OKCANCEL, IDCANCEL}, {MB_YESNO, IDNO}, {MB_YESNOCANCEL, IDCANCEL}, {MB_OK, IDOK}};
  for (const Case& c : cases) {
    TestDialog dialog;
    int answer = 0;
    dialog.onGo = [&](TestDialog& d) { answer = d.MessageBox("Last one", nullptr, c.type); };
    INT_PTR result = 0;
    RunScript(dialog, "key enter\n", &result);
    EXPECT_EQ(answer, c.safe) << c.type;
    EXPECT_EQ(result, IDCANCEL);
  }
}

TEST(ScriptFrontEnd, ControlCharactersAreReportedEscaped) {
  TestDialog dialog;
  dialog.onInit = [](TestDialog& d) {
    static_cast<CComboBox*>(d.GetDlgItem(IDC_SORTED_COMBO))->AddString("a\x1b]0;x\a");
    d.SetWindowText("Title\x1b[2J");
  };
  dialog.onGo = [](TestDialog& d) {
    d.SetDlgItemText(IDC_STATUS, "tab\there\x7f");
    d.MessageBox("bell\a", "cap\x1b", MB_OK);
  };
  std::string out = RunScript(dialog, "select 100 #0\nkey enter\nanswer OK\nselect 100 \x1b[H\n");
  EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
  EXPECT_EQ(out.find('\a'), std::string::npos) << out;
  EXPECT_EQ(out.find('\x7f'), std::string::npos) << out;
  auto lines = Lines(out);
  EXPECT_EQ(lines[0], "dialog 900 Title\\x1b[2J");
  EXPECT_TRUE(Has(lines, "select 100 0 A\\x1b]0;X\\x07")) << out;
  EXPECT_TRUE(Has(lines, "text 130 tab\\there\\x7f")) << out;
  EXPECT_TRUE(Has(lines, "caption cap\\x1b")) << out;
  EXPECT_TRUE(Has(lines, "text bell\\x07")) << out;
  EXPECT_TRUE(Has(lines, "error 4: cannot select \\x1b[H in 100")) << out;
}

TEST(ScriptFrontEnd, EntryNumbersThatDoNotFitAreErrors) {
  TestDialog dialog;
  dialog.onInit = [](TestDialog& d) {
    auto* combo = static_cast<CComboBox*>(d.GetDlgItem(IDC_SORTED_COMBO));
    combo->AddString("alpha");
    combo->AddString("beta");
  };
  auto lines = Lines(RunScript(dialog, "select 100 #4294967297\nselect 100 #1x\nselect 100 #-1\n"
                                       "click 4294967416\nselect 100 #1\n"));
  EXPECT_TRUE(Has(lines, "error 1: no entry number 4294967297"));
  EXPECT_TRUE(Has(lines, "error 2: no entry number 1x"));
  EXPECT_TRUE(Has(lines, "error 3: no entry number -1"));
  EXPECT_TRUE(Has(lines, "error 4: click needs a control id"));
  // Only the last, valid number selected anything.
  int selections = 0;
  for (const std::string& line : lines) selections += line.rfind("select 100 ", 0) == 0;
  EXPECT_EQ(selections, 1);
  EXPECT_TRUE(Has(lines, "select 100 1 BETA"));
}

// Records the keys that reach a window as "<name> down|up <virtual key>".
class KeyRecorder : public CWnd {
 public:
  KeyRecorder(std::vector<std::string>& log, const char* name) : log_(log), name_(name) {}
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_KEYDOWN || message == WM_KEYUP)
      log_.push_back(name_ + (message == WM_KEYDOWN ? " down " : " up ") + std::to_string(wParam));
    return CWnd::WindowProc(message, wParam, lParam);
  }

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

class KeyDialog : public TestDialog {
 public:
  std::vector<std::string> keys;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_KEYDOWN || message == WM_KEYUP)
      keys.push_back(std::string("dialog") + (message == WM_KEYDOWN ? " down " : " up ") + std::to_string(wParam));
    return TestDialog::WindowProc(message, wParam, lParam);
  }
};

// Function keys are queued as input is (down, then up) for the focused control, else the
// dialog; a key the protocol does not name is an error, not some other key.
TEST(ScriptFrontEnd, FunctionKeysAreQueuedForTheFocusedWindow) {
  KeyDialog dialog;
  KeyRecorder button(dialog.keys, "button");
  dialog.onInit = [&button](TestDialog& d) { button.SubclassDlgItem(IDC_GO, &d); };
  auto lines = Lines(RunScript(dialog, "focus 0\nkey f5\nfocus 120\nkey F12\nkey f13\nkey f0\nkey f\nkey escape\n"));
  EXPECT_EQ(dialog.keys, (std::vector<std::string>{"dialog down 116", "dialog up 116", "button down 123",
                                                   "button up 123"}));
  EXPECT_TRUE(Has(lines, "error 5: unknown key f13"));
  EXPECT_TRUE(Has(lines, "error 6: unknown key f0"));
  EXPECT_TRUE(Has(lines, "error 7: unknown key f"));
  EXPECT_EQ(lines.back(), "end 2");
}

#endif
