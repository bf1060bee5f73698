#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/command_line.h"

namespace {

struct Seen {
  std::string param;
  bool flag;
  bool last;
  bool operator==(const Seen&) const = default;
};

class Recorder : public CCommandLineInfo {
 public:
  void ParseParam(const char* param, bool flag, bool last) override { seen.push_back({param, flag, last}); }
  std::vector<Seen> seen;
};

std::vector<Seen> Parse(const std::vector<std::string>& arguments) {
  Recorder recorder;
  vp::fw::ParseArguments(recorder, arguments);
  return recorder.seen;
}

}  // namespace

TEST(ParseCommandLine, RemovesOneLeadingSlashOrDashAndSetsTheFlag) {
  EXPECT_EQ(Parse({"/M:F", "-M:F", "M:F"}),
            (std::vector<Seen>{{"M:F", true, false}, {"M:F", true, false}, {"M:F", false, true}}));
  // Only one switch character goes; what follows stays as it is.
  EXPECT_EQ(Parse({"--dde", "//p", "/"}),
            (std::vector<Seen>{{"-dde", true, false}, {"/p", true, false}, {"", true, true}}));
}

TEST(ParseCommandLine, KeepsArgumentsWholeAndMarksOnlyTheLastOne) {
  EXPECT_EQ(Parse({"C:\\My Setup\\dir", "", "V:7.0.3"}),
            (std::vector<Seen>{{"C:\\My Setup\\dir", false, false}, {"", false, false}, {"V:7.0.3", false, true}}));
  EXPECT_TRUE(Parse({}).empty());
}

TEST(ParseCommandLine, ProcessArgumentsLeaveOutTheProgramName) {
  for (const std::string& argument : vp::fw::ProcessArguments()) {
    EXPECT_EQ(argument.find("framework_tests"), std::string::npos) << argument;
  }
}
