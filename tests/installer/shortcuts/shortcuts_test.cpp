// Creating and removing the installer's shortcuts in a user profile of the test's own.
#include <gtest/gtest.h>

#include <string>

#include "install/shortcuts.h"
#include "link_reading.h"
#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

namespace {

class Shortcuts : public testing::Test {
 protected:
  void SetUp() override {
    char saved[MAX_PATH * 2] = {};
    DWORD n = GetEnvironmentVariableA("USERPROFILE", saved, sizeof saved);
    savedProfile = std::string(saved, n < sizeof saved ? n : 0);
    profile = TestFolder();
    ASSERT_TRUE(SetEnvironmentVariableA("USERPROFILE", profile.c_str()));
    CreateDirectoryA((profile + "\\Desktop").c_str(), nullptr);
    CreateDirectoryA((profile + "\\Start Menu").c_str(), nullptr);
    CreateDirectoryA((profile + "\\Start Menu\\Programs").c_str(), nullptr);
    terminal = profile + "\\VANTProDB-TWS\\VANTPlusTWS.exe";
  }
  void TearDown() override { SetEnvironmentVariableA("USERPROFILE", savedProfile.c_str()); }

  std::string savedProfile, profile, terminal;
};

TEST_F(Shortcuts, DesktopLinkCarriesTargetArgumentsAndWorkingFolder) {
  EXPECT_EQ(UserProfileFolder(), profile);
  EXPECT_TRUE(SUCCEEDED(CreateShortcut(terminal, "\\LVantPlusUI", "VANTPlusTWS", 1)));
  LinkProperties link = ReadLink(profile + "\\Desktop\\VANTPlusTWS.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.target, terminal);
  EXPECT_EQ(link.arguments, "\\LVantPlusUI");
  EXPECT_EQ(link.workingFolder, profile + "\\VANTProDB-TWS");

  // Saving again overwrites the link.
  EXPECT_TRUE(SUCCEEDED(CreateShortcut(terminal, "\\LVantFOUI", "VANTPlusTWS", 1)));
  EXPECT_EQ(ReadLink(profile + "\\Desktop\\VANTPlusTWS.lnk").arguments, "\\LVantFOUI");
}

TEST_F(Shortcuts, SuffixIsAddedOnlyWhenMissingInAnyCase) {
  EXPECT_TRUE(SUCCEEDED(CreateShortcut(terminal, "", "Upper.LNK", 2)));
  EXPECT_TRUE(PathExists(profile + "\\Start Menu\\Upper.LNK"));
  EXPECT_FALSE(PathExists(profile + "\\Start Menu\\Upper.LNK.lnk"));
  EXPECT_TRUE(SUCCEEDED(CreateShortcut(terminal, "", "a.lnk.old", 2)));
  EXPECT_TRUE(PathExists(profile + "\\Start Menu\\a.lnk.old"));
  EXPECT_FALSE(PathExists(profile + "\\Start Menu\\a.lnk.old.lnk"));
  // Location 0: the name is the whole path; any other code means the profile folder itself.
  EXPECT_TRUE(SUCCEEDED(CreateShortcut(terminal, "", profile + "\\Whole", 0)));
  EXPECT_TRUE(PathExists(profile + "\\Whole.lnk"));
  EXPECT_TRUE(SUCCEEDED(CreateShortcut(terminal, "", "\\Plain", 7)));
  EXPECT_TRUE(PathExists(profile + "\\Plain.lnk"));
}

TEST_F(Shortcuts, ProgramsLinkMakesOneLevelOfSubFolder) {
  std::string programs = profile + "\\Start Menu\\Programs";
  std::string help = profile + "\\VANTProDB-TWS\\VantPlusHelp.chm";
  EXPECT_TRUE(SUCCEEDED(CreateShortcut(help, "", "VANTPro-TWS\\Help", 3)));
  EXPECT_TRUE(SUCCEEDED(CreateShortcut(terminal, "", "VANTPro-TWS\\Install-UnInstall", 3)));
  LinkProperties link = ReadLink(programs + "\\VANTPro-TWS\\Help.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.target, help);
  EXPECT_EQ(link.arguments, "");
  EXPECT_TRUE(PathExists(programs + "\\VANTPro-TWS\\Install-UnInstall.lnk"));

  EXPECT_TRUE(FAILED(CreateShortcut(terminal, "", "One\\Two\\Three", 3)));
  EXPECT_TRUE(IsFolder(programs + "\\One"));
  EXPECT_FALSE(PathExists(programs + "\\One\\Two"));
}

TEST_F(Shortcuts, TargetWithoutBackslashHasNoWorkingFolder) {
  EXPECT_TRUE(SUCCEEDED(CreateShortcut("NoSuchProgram.exe", "-x", "Bare", 1)));
  LinkProperties link = ReadLink(profile + "\\Desktop\\Bare.lnk");
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.workingFolder, "");
  EXPECT_EQ(link.arguments, "-x");
}

TEST_F(Shortcuts, OverlongLinkPathFailsWithoutSideEffects) {
  std::string programs = profile + "\\Start Menu\\Programs";
  std::string folder = "Sub";
  // Long enough that the path with ".lnk" needs 261 characters with its terminator.
  std::string name = folder + "\\" +
                     std::string(260 - (programs.size() + 1 + folder.size() + 1 + 4), 'n');
  ASSERT_EQ((programs + "\\" + name + ".lnk").size(), 260u);
  EXPECT_TRUE(FAILED(CreateShortcut(terminal, "", name, 3)));
  EXPECT_FALSE(PathExists(programs + "\\" + folder));

  // One character less fits.
  name.pop_back();
  EXPECT_TRUE(SUCCEEDED(CreateShortcut(terminal, "", name, 3)));
  EXPECT_TRUE(PathExists(programs + "\\" + name + ".lnk"));
}

TEST_F(Shortcuts, RemoveShortcutDeletesLinksAndOnlyEmptyFolders) {
  ASSERT_TRUE(SUCCEEDED(CreateShortcut(terminal, "", "VANTPro-TWS\\Help", 3)));
  ASSERT_TRUE(SUCCEEDED(CreateShortcut(terminal, "", "VANTPlusTWS", 1)));
  RemoveShortcut("Desktop", "\\VANTPlusTWS", 1);
  EXPECT_FALSE(PathExists(profile + "\\Desktop\\VANTPlusTWS.lnk"));
  RemoveShortcut("Desktop", "\\VANTPlusTWS", 1);  // missing: no error, nothing else touched
  EXPECT_TRUE(IsFolder(profile + "\\Desktop"));

  RemoveShortcut("Start Menu\\Programs", "\\VANTPro-TWS", 0);
  EXPECT_TRUE(PathExists(profile + "\\Start Menu\\Programs\\VANTPro-TWS\\Help.lnk"));
  RemoveShortcut("Start Menu\\Programs\\VANTPro-TWS", "\\Help", 1);
  RemoveShortcut("Start Menu\\Programs", "\\VANTPro-TWS", 0);
  EXPECT_FALSE(PathExists(profile + "\\Start Menu\\Programs\\VANTPro-TWS"));
  EXPECT_TRUE(IsFolder(profile + "\\Start Menu\\Programs"));
}

}  // namespace
