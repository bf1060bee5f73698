// An independent reader, lnkinfo, reads the links this layer writes, and reads the same
// properties from them as from a link that the Windows implementation wrote under wine.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "install/shortcuts.h"
#include "platform/machine.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

// lnkinfo's "<label> : <value>" lines.
std::map<std::string, std::string> LnkInfo(const std::string& hostPath) {
  std::map<std::string, std::string> fields;
  std::string command = "lnkinfo '" + hostPath + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return fields;
  char line[1024];
  while (fgets(line, sizeof line, pipe)) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    size_t colon = text.find(": ");
    if (colon == std::string::npos) continue;
    std::string label = text.substr(0, colon);
    label.erase(0, label.find_first_not_of(" \t"));
    label.erase(label.find_last_not_of(" \t") + 1);
    fields[label] = text.substr(colon + 2);
  }
  pclose(pipe);
  return fields;
}

std::string HostPath(const std::string& windowsPath) {
  DWORD error = 0;
  auto resolved = vp::path::ToHost(windowsPath, vp::path::Need::Existing, &error);
  return resolved ? resolved->host : std::string();
}

const char* kTarget = "C:\\VANTProDB-TWS\\VANTPlusTWS.exe";

TEST(LnkInfo, ReadsTargetArgumentsAndWorkingFolderOfOurLinks) {
  ASSERT_TRUE(SUCCEEDED(CreateShortcut(kTarget, "\\LVantPlusUI", "VANTPlusTWS", 1)));
  std::string link = HostPath(UserProfileFolder() + "\\Desktop\\VANTPlusTWS.lnk");
  ASSERT_FALSE(link.empty());
  auto fields = LnkInfo(link);
  EXPECT_EQ(fields["Local path"], kTarget);
  EXPECT_EQ(fields["Command line arguments"], "\\LVantPlusUI");
  EXPECT_EQ(fields["Working directory"], "C:\\VANTProDB-TWS");
  EXPECT_EQ(fields["Drive type"], "Fixed (3)");

  // A link with no arguments and no working folder has neither string; a bare target name is
  // taken in the current directory.
  std::string dir = vp::test::TestFolder();
  ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
  ASSERT_TRUE(SUCCEEDED(CreateShortcut("Bare.exe", "", dir + "\\Bare", 0)));
  auto bare = LnkInfo(HostPath(dir + "\\Bare.lnk"));
  EXPECT_EQ(bare.count("Command line arguments"), 0u);
  EXPECT_EQ(bare.count("Working directory"), 0u);
  EXPECT_EQ(bare["Local path"], dir + "\\Bare.exe");
  SetCurrentDirectoryA("C:\\");
}

TEST(LnkInfo, OurLinkMatchesTheWindowsImplementationsLink) {
  auto reference = LnkInfo(VP_WINE_REFERENCE_LINK);
  ASSERT_FALSE(reference["Local path"].empty())
      << "no reference link at " VP_WINE_REFERENCE_LINK " (ctest writes it under wine first)";
  ASSERT_TRUE(SUCCEEDED(CreateShortcut(kTarget, "\\LVantPlusUI", "Compared", 1)));
  auto ours = LnkInfo(HostPath(UserProfileFolder() + "\\Desktop\\Compared.lnk"));
  for (const char* field : {"Local path", "Command line arguments", "Working directory",
                            "Drive type", "Icon index", "Hot Key value"})
    EXPECT_EQ(ours[field], reference[field]) << field;
}

}  // namespace
