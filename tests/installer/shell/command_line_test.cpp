// The installer's command line: which argument lands in which field.
#include <gtest/gtest.h>

#include "shell/installer_command_line.h"

namespace {

CInstallerCommandLineInfo Parse(const std::vector<std::string>& arguments) {
  CInstallerCommandLineInfo info;
  vp::fw::ParseArguments(info, arguments);
  return info;
}

}  // namespace

TEST(InstallerCommandLine, NoArgumentsLeaveEverythingEmpty) {
  CInstallerCommandLineInfo info = Parse({});
  EXPECT_EQ(info.m_strMode, "");
  EXPECT_EQ(info.m_strVersion, "");
  EXPECT_EQ(info.m_strSetupDir, "");
}

TEST(InstallerCommandLine, TheModeComesWithOrWithoutASwitchCharacterAndTheLastOneWins) {
  for (const char* argument : {"/M:F", "-M:F", "M:F"}) EXPECT_EQ(Parse({argument}).m_strMode, "F") << argument;
  EXPECT_EQ(Parse({"M:P", "M:C"}).m_strMode, "C");
  EXPECT_EQ(Parse({"M:P", "/M:"}).m_strMode, "");
  CInstallerCommandLineInfo info = Parse({"V:7.0.3", "-V: 8 beta ", "M:p"});
  EXPECT_EQ(info.m_strVersion, " 8 beta ");  // stored unchanged
  EXPECT_EQ(info.m_strMode, "p");
}

TEST(InstallerCommandLine, EverythingElseIsTheSetupFolderEvenLowerCasePrefixesAndStandardSwitches) {
  EXPECT_EQ(Parse({"m:P"}).m_strSetupDir, "m:P");
  EXPECT_EQ(Parse({"v:1"}).m_strSetupDir, "v:1");
  CInstallerCommandLineInfo info = Parse({"/p", "M:F"});
  EXPECT_EQ(info.m_strSetupDir, "p");
  EXPECT_EQ(info.m_strMode, "F");
  EXPECT_EQ(Parse({"/dde", "D:\\VANTProSetup"}).m_strSetupDir, "D:\\VANTProSetup");
  EXPECT_EQ(Parse({"D:\\VANTProSetup", "/dde"}).m_strSetupDir, "dde");
  // An argument with blanks (quoted on the command line) is kept whole.
  EXPECT_EQ(Parse({"C:\\Program Files\\VANT Setup"}).m_strSetupDir, "C:\\Program Files\\VANT Setup");
}
