// The terminal front end when its texts or its terminal misbehave: texts with control
// characters are drawn escaped, and a closed input answers a waiting box safely (POSIX).
#ifndef _WIN32

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "framework/ui_model.h"

namespace {

struct Pipe {
  int read = -1, write = -1;
  Pipe() {
    int fds[2];
    if (pipe(fds) == 0) {
      read = fds[0];
      write = fds[1];
    }
  }
  ~Pipe() {
    if (read >= 0) close(read);
    if (write >= 0) close(write);
  }
};

std::string Drain(int fd) {
  fcntl(fd, F_SETFL, O_NONBLOCK);
  std::string text;
  char buffer[4096];
  ssize_t n = 0;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  return text;
}

// A box asked on a terminal whose input is already closed; a front end that waited for a key
// forever is ended by the alarm.
int AskWithClosedInput(int outputFd, const vp::ui::MessageBoxRequest& request) {
  Pipe input;
  close(input.write);
  input.write = -1;
  auto frontEnd = vp::ui::MakeTerminalFrontEnd(input.read, outputFd);
  alarm(20);
  int answer = frontEnd->ShowMessageBox(request);
  alarm(0);
  return answer;
}

}  // namespace

TEST(TerminalFrontEnd, DrawsControlCharactersEscapedAndAnswersNoWhenTheInputCloses) {
  Pipe output;
  vp::ui::MessageBoxRequest request{nullptr, "Delete all?\x1b]0;owned\a", "Caption\x1b[2J",
                                    MB_YESNO | MB_ICONQUESTION};
  EXPECT_EQ(AskWithClosedInput(output.write, request), IDNO);
  std::string drawn = Drain(output.read);
  EXPECT_EQ(drawn.find("\x1b]0;"), std::string::npos);
  EXPECT_EQ(drawn.find('\a'), std::string::npos);
  EXPECT_EQ(drawn.find("Caption\x1b[2J"), std::string::npos);
  EXPECT_NE(drawn.find("Delete all?\\x1b]0;owned\\x07"), std::string::npos) << drawn;
  EXPECT_NE(drawn.find("Caption\\x1b[2J"), std::string::npos) << drawn;
}

#endif
