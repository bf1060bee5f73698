// Copying the package onto the drive, emptying the install folders, and deleting trees.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "fake_installer_state.h"
#include "files/tree_operations.h"
#include "folder_entries.h"
#include "platform/win.h"
#include "common/product_profile.h"
#include "test_support.h"

#ifndef _WIN32
#include <unistd.h>

#include "platform/machine.h"
#endif

using namespace vp::test;
using Names = std::set<std::string>;

namespace {

class TreeOperations : public testing::Test {
 protected:
  void SetUp() override {
    SelectProductProfile("VANTPLUS", "7.0.3");
    root = TestFolder();
    package = root + "\\package";
    drive = root + "\\drive";
    CreateDirectoryA(package.c_str(), nullptr);
    CreateDirectoryA(drive.c_str(), nullptr);
    state.ShowSelectedVariantOn(drive + "\\");
  }

  void Install() {
    state.destDir = state.drive;
    CTreeOperations(state).CopyTree(package);
  }

  std::string root, package, drive;
  FakeInstallerState state;
};

TEST_F(TreeOperations, CopiesOnlyTheSelectedVariantsFoldersInExactLetterCase) {
  ASSERT_TRUE(MakeEntries(package, {"VANTPlusTWSSetup.exe", "VantProDB-TWS\\VantPro.exe",
                                    "VantProDB-TWS\\Help\\VantPlusHelp.chm",
                                    "VANTProData-TWS\\Colour\\c.ini", "VantFODB-TWS\\VantPro.exe",
                                    "VANTFOData-TWS\\Theme\\t.ini", "vantprodata-tws2\\x.txt",
                                    "VANTPRODB-TWS2\\y.txt", "Extras\\e.txt"}));
  Install();
  EXPECT_EQ(Listing(drive), (Names{"vantprodb-tws\\", "vantprodb-tws\\vantpro.exe",
                                   "vantprodb-tws\\help\\", "vantprodb-tws\\help\\vantplushelp.chm",
                                   "vantprodata-tws\\", "vantprodata-tws\\colour\\",
                                   "vantprodata-tws\\colour\\c.ini"}));
  EXPECT_EQ(ReadTextFile(drive + "\\VantProDB-TWS\\Help\\VantPlusHelp.chm"),
            "VantProDB-TWS\\Help\\VantPlusHelp.chm");
  EXPECT_EQ(state.destDir, root + "\\");  // shortened by one folder
  EXPECT_TRUE(state.boxes.empty());

  // The FO variant takes its own folders from the same package.
  SelectProductProfile("FO", "");
  state.appType = "FO";
  state.userDataCaption = drive + "\\VANTFOData-TWS";
  state.executableCaption = drive + "\\VantFODB-TWS";
  Install();
  EXPECT_TRUE(PathExists(drive + "\\VantFODB-TWS\\VantPro.exe"));
  EXPECT_TRUE(PathExists(drive + "\\VANTFOData-TWS\\Theme\\t.ini"));
  EXPECT_FALSE(PathExists(drive + "\\Extras"));
}

TEST_F(TreeOperations, UnknownTypeCopiesEveryFolderButNoRootFile) {
  ASSERT_TRUE(MakeEntries(package, {"setup.exe", "Extras\\e.txt", "Other\\Deep\\d.txt"}));
  state.appType = "XX";
  Install();
  EXPECT_EQ(Listing(drive),
            (Names{"extras\\", "extras\\e.txt", "other\\", "other\\deep\\", "other\\deep\\d.txt"}));
}

TEST_F(TreeOperations, DestinationIsShortenedByOneFolderEvenForAnEmptySource) {
  state.destDir = "C:\\A\\B\\";
  CTreeOperations(state).CopyTree(package);
  EXPECT_EQ(state.destDir, "C:\\A\\");
  state.destDir = "C:\\";
  CTreeOperations(state).CopyTree(package + "\\missing");
  EXPECT_EQ(state.destDir, "\\");
  EXPECT_TRUE(Listing(drive).empty());
}

TEST_F(TreeOperations, ReadOnlyDestinationFileIsReplaced) {
  ASSERT_TRUE(MakeEntries(package, {"VantProDB-TWS\\VantPro.exe"}));
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\VantPro.exe"}));
  state.executableCaption = "elsewhere";  // the folder is not emptied first
  std::string old = drive + "\\VantProDB-TWS\\VantPro.exe";
  ASSERT_TRUE(SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(WriteTextFile(package + "\\VantProDB-TWS\\VantPro.exe", "new"));
  Install();
  EXPECT_EQ(ReadTextFile(old), "new");
  EXPECT_TRUE(state.boxes.empty());
}

TEST_F(TreeOperations, UndeletableDestinationFileIsReportedAndTheCopyGoesOn) {
  ASSERT_TRUE(MakeEntries(package, {"VantProDB-TWS\\a.dat", "VantProDB-TWS\\b.dat",
                                    "VantProDB-TWS\\c.dat"}));
  ASSERT_TRUE(WriteTextFile(package + "\\VantProDB-TWS\\b.dat", "new"));
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\b.dat"}));
  state.executableCaption = "elsewhere";
  std::string locked = drive + "\\VantProDB-TWS\\b.dat";
  HANDLE open = CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  Install();
  CloseHandle(open);
  ASSERT_EQ(state.boxes.size(), 1u);
  EXPECT_EQ(state.boxes[0].text, "Destination file \"" + locked +
                                   "\" \nalready exists, but couldn't be replaced by the new file.");
  EXPECT_NE(ReadTextFile(locked), "new");
  EXPECT_TRUE(PathExists(drive + "\\VantProDB-TWS\\a.dat"));
  EXPECT_TRUE(PathExists(drive + "\\VantProDB-TWS\\c.dat"));
}

TEST_F(TreeOperations, ReinstallEmptiesTheDatabaseFolderAndKeepsMWBackup) {
  ASSERT_TRUE(MakeEntries(package, {"VantProDB-TWS\\VantPro.exe", "VANTProData-TWS\\Colour\\new.ini",
                                    "VANTProData-TWS\\Theme\\new.ini",
                                    "VANTProData-TWS\\MWBackup\\sample.mw"}));
  ASSERT_TRUE(MakeEntries(drive, {"VANTProDB-TWS\\VANTPlusTWS.exe", "VANTProDB-TWS\\Old\\o.dat",
                                  "VANTProData-TWS\\Colour\\old.ini", "VANTProData-TWS\\Mine\\m.txt",
                                  "VANTProData-TWS\\MWBackup\\user.mw",
                                  "VANTProData-TWS\\MWBackup\\Deep\\d.mw"}));
  Install();
  EXPECT_EQ(Listing(drive),
            (Names{"vantprodb-tws\\", "vantprodb-tws\\vantpro.exe", "vantprodata-tws\\",
                   "vantprodata-tws\\colour\\", "vantprodata-tws\\colour\\new.ini",
                   "vantprodata-tws\\theme\\", "vantprodata-tws\\theme\\new.ini",
                   "vantprodata-tws\\mwbackup\\", "vantprodata-tws\\mwbackup\\user.mw",
                   "vantprodata-tws\\mwbackup\\deep\\", "vantprodata-tws\\mwbackup\\deep\\d.mw",
                   "vantprodata-tws\\mwbackup\\sample.mw"}));
}

TEST_F(TreeOperations, UncheckedUserDataIsLeftAloneAndNotCreated) {
  ASSERT_TRUE(MakeEntries(package, {"VANTProData-TWS\\Colour\\new.ini", "VantProDB-TWS\\VantPro.exe"}));
  ASSERT_TRUE(MakeEntries(drive, {"VANTProData-TWS\\Colour\\old.ini", "VANTProData-TWS\\Mine\\m.txt"}));
  state.checked[IDC_DATA_PATH] = false;
  Install();
  EXPECT_EQ(Listing(drive + "\\VANTProData-TWS"),
            (Names{"colour\\", "colour\\old.ini", "mine\\", "mine\\m.txt"}));

  DeleteTree(drive + "\\VANTProData-TWS");
  Install();
  EXPECT_FALSE(PathExists(drive + "\\VANTProData-TWS"));
  EXPECT_TRUE(PathExists(drive + "\\VantProDB-TWS\\VantPro.exe"));
}

TEST_F(TreeOperations, ClearingKeepsOnlyTheTopLevelFolders) {
  ASSERT_TRUE(MakeEntries(drive, {"VANTProDB-TWS\\a\\b.dat", "VANTProDB-TWS\\c.dat",
                                  "Other\\x\\y.dat"}));
  CTreeOperations tree(state);
  tree.ClearFolderKeepingBackups(drive + "\\VANTProDB-TWS");
  EXPECT_TRUE(IsFolder(drive + "\\VANTProDB-TWS"));
  EXPECT_TRUE(Listing(drive + "\\VANTProDB-TWS").empty());
  tree.ClearFolderKeepingBackups(drive + "\\Other");
  EXPECT_FALSE(PathExists(drive + "\\Other"));
}

TEST_F(TreeOperations, DeleteTreeRemovesReadOnlyFilesAndIgnoresMissingPaths) {
  ASSERT_TRUE(MakeEntries(drive, {"T\\a.txt", "T\\Sub\\b.txt", "T\\Empty\\"}));
  ASSERT_TRUE(SetFileAttributesA((drive + "\\T\\Sub\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  DeleteTree(drive + "\\T");
  EXPECT_FALSE(PathExists(drive + "\\T"));
  DeleteTree(drive + "\\T");  // nothing there: nothing happens
  EXPECT_TRUE(IsFolder(drive));
}

TEST_F(TreeOperations, DeleteTreeFindsTheFolderInAnyCaseAndOnlyThatFolder) {
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\Flat\\a.dat", "VantProDB-TWS\\b.dat",
                                  "VantProDB-TWS2\\c.dat", "VantPro\\d.dat"}));
  EXPECT_TRUE(DeleteTree(drive + "\\VANTProDB-TWS"));
  EXPECT_FALSE(PathExists(drive + "\\VantProDB-TWS"));
  EXPECT_TRUE(PathExists(drive + "\\VantProDB-TWS2\\c.dat"));
  EXPECT_TRUE(PathExists(drive + "\\VantPro\\d.dat"));
  // A missing folder in any case is nothing to delete, and nothing else goes with it.
  EXPECT_TRUE(DeleteTree(drive + "\\VANTPRODB-TWS"));
  EXPECT_TRUE(PathExists(drive + "\\VantProDB-TWS2\\c.dat"));
}

TEST_F(TreeOperations, AnOpenFileKeepsItsFoldersWhileOtherBranchesGo) {
  ASSERT_TRUE(MakeEntries(drive, {"T\\Keep\\Deeper\\open.dat", "T\\Gone\\g.dat", "T\\top.dat"}));
  std::string openPath = drive + "\\T\\Keep\\Deeper\\open.dat";
  HANDLE open = CreateFileA(openPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  DeleteTree(drive + "\\T");
  CloseHandle(open);
  EXPECT_TRUE(PathExists(openPath));
  EXPECT_FALSE(PathExists(drive + "\\T\\Gone"));
  EXPECT_FALSE(PathExists(drive + "\\T\\top.dat"));
}

#ifndef _WIN32
std::string HostPath(const std::string& windowsPath) {
  DWORD error = 0;
  auto resolved = vp::path::ToHost(windowsPath, vp::path::Need::Creatable, &error);
  return resolved ? resolved->host : std::string();
}

// A symbolic link inside a tree is removed as a link; the folder it points to stays whole.
TEST_F(TreeOperations, LinksAreNeverFollowed) {
  ASSERT_TRUE(MakeEntries(root, {"Outside\\precious.dat", "Outside\\Sub\\more.dat"}));
  ASSERT_TRUE(MakeEntries(drive, {"VANTProDB-TWS\\x.dat", "T\\y.dat"}));
  ASSERT_TRUE(MakeEntries(package, {"VantProDB-TWS\\VantPro.exe"}));
  std::string outside = HostPath(root + "\\Outside");
  ASSERT_EQ(symlink(outside.c_str(), HostPath(drive + "\\VANTProDB-TWS\\Linked").c_str()), 0);
  ASSERT_EQ(symlink(outside.c_str(), HostPath(drive + "\\T\\Linked").c_str()), 0);
  ASSERT_EQ(symlink((outside + "/precious.dat").c_str(), HostPath(drive + "\\T\\file.dat").c_str()), 0);

  Install();  // empties the database folder first
  DeleteTree(drive + "\\T");
  EXPECT_FALSE(PathExists(drive + "\\VANTProDB-TWS\\Linked"));
  EXPECT_TRUE(PathExists(drive + "\\VANTProDB-TWS\\VantPro.exe"));
  EXPECT_FALSE(PathExists(drive + "\\T"));
  EXPECT_EQ(ReadTextFile(root + "\\Outside\\precious.dat"), "Outside\\precious.dat");
  EXPECT_EQ(ReadTextFile(root + "\\Outside\\Sub\\more.dat"), "Outside\\Sub\\more.dat");

  // A link planted where a package file lands is replaced; its read-only target stays so.
  ASSERT_TRUE(MakeEntries(package, {"VANTProData-TWS\\MWBackup\\sample.mw"}));
  ASSERT_TRUE(SetFileAttributesA((root + "\\Outside\\precious.dat").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(MakeEntries(drive, {"VANTProData-TWS\\MWBackup\\"}));
  ASSERT_EQ(symlink((outside + "/precious.dat").c_str(),
                    HostPath(drive + "\\VANTProData-TWS\\MWBackup\\sample.mw").c_str()), 0);
  Install();
  EXPECT_EQ(ReadTextFile(drive + "\\VANTProData-TWS\\MWBackup\\sample.mw"),
            "VANTProData-TWS\\MWBackup\\sample.mw");
  EXPECT_EQ(GetFileAttributesA((root + "\\Outside\\precious.dat").c_str()) & FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ReadTextFile(root + "\\Outside\\precious.dat"), "Outside\\precious.dat");

  // A tree that is itself a link: the link goes, its target stays.
  ASSERT_EQ(symlink(outside.c_str(), HostPath(drive + "\\T").c_str()), 0);
  DeleteTree(drive + "\\T");
  EXPECT_FALSE(PathExists(drive + "\\T"));
  EXPECT_TRUE(PathExists(root + "\\Outside\\Sub\\more.dat"));
}
#endif

}  // namespace
