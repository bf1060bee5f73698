// A seeded run of what a desk lives through: the user changes the client databases, installs,
// reinstalls, uninstalls, and installs that are killed part way and run again. After every step
// the newest content the user wrote to each database file is still somewhere on the drive, and
// after every finished install no copy temporary is left in the backup folders.
// VP_USER_DATA_STEPS sets the number of steps (200 by default), VP_USER_DATA_SEED the seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>

#include "fake_installer_state.h"
#include "files/folder_walk.h"
#include "folder_entries.h"
#include "install/install_sequence.h"
#include "platform/win.h"
#include "registry_helpers.h"
#include "common/product_profile.h"
#include "test_support.h"
#include "uninstall/uninstall_sequence.h"

#ifndef _WIN32
using vp::test::MakeEntries;
using vp::test::ReadTextFile;
using vp::test::WriteTextFile;

namespace {

// The files the user writes, below the database folder.
const char* const kUserFiles[] = {
    "ComVantPlusDB\\ComVantPlusDB.dbd", "ComVantPlusDB\\ldbclientinfo.dat",
    "ComVantPlusDB\\ldbmiscinfo.ka",    "CMUser01\\CMUser01.dbd",
    "CMUser01\\ldborddef.dat",          "FOUser07\\ldbportf.kq",
};

void InstallOn(const std::string& drive) {
  SelectProductProfile("VANTPLUS", "7.0.3");
  FakeInstallerState state;
  state.ShowSelectedVariantOn(drive);
  CInstallSequence(state).Run();
}

// The child: one install on the drive named by the argument, from the current directory.
int InstallChild(const std::string& drive) {
  InstallOn(drive);
  return 0;
}
const bool kRegistered = vp::test::RegisterChild("user-data-road-install", InstallChild);

unsigned long FromEnvironment(const char* name, unsigned long fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

class UserDataRoad : public testing::Test {
 protected:
  void SetUp() override {
    SelectProductProfile("VANTPLUS", "7.0.3");
    ClearProductKeys();
    root = vp::test::TestFolder();
    std::string package = root + "\\package";
    ASSERT_TRUE(CreateDirectoryA(package.c_str(), nullptr));
    ASSERT_TRUE(MakeEntries(package, {"VANTPlusTWSSetup.exe", "VantProDB-TWS\\VantPro.exe",
                                      "VantProDB-TWS\\ComVantPlusDB\\ComVantPlusDB.dbd",
                                      "VantProDB-TWS\\ComVantPlusDB\\ldbclientinfo.dat",
                                      "VANTProData-TWS\\MWBackup\\readme.txt"}));
    // Enough files that a kill often lands in the middle of the copy.
    for (int i = 0; i < 150; ++i)
      ASSERT_TRUE(WriteTextFile(package + "\\VantProDB-TWS\\market" + std::to_string(i) + ".dat",
                                std::string(2048, 'm')));
    ASSERT_TRUE(SetCurrentDirectoryA(package.c_str()));
    drive = root + "\\drive\\";
    ASSERT_TRUE(CreateDirectoryA(drive.c_str(), nullptr));
  }
  void TearDown() override {
    SetCurrentDirectoryA(vp::test::ExecutableFolder().c_str());
    ClearProductKeys();
  }

  // Every file's content below `folder`.
  void CollectContents(const std::string& folder, std::set<std::string>* contents) {
    files::WalkFolder(folder, [&](const files::FolderEntry& entry) {
      if (entry.IsFolder()) CollectContents(entry.path, contents);
      else contents->insert(ReadTextFile(entry.path));
      return true;
    });
  }

  // Names of copy temporaries below `folder`.
  void CollectTemporaries(const std::string& folder, std::vector<std::string>* found) {
    files::WalkFolder(folder, [&](const files::FolderEntry& entry) {
      if (entry.IsFolder()) CollectTemporaries(entry.path, found);
      else if (entry.name[0] == '~') found->push_back(entry.path);
      return true;
    });
  }

  std::string root, drive;
};

TEST_F(UserDataRoad, TheNewestUserDataSurvivesEveryStep) {
  const unsigned long steps = FromEnvironment("VP_USER_DATA_STEPS", 200);
  const unsigned long seed = FromEnvironment("VP_USER_DATA_SEED", 20261209);
  std::mt19937 random(seed);
  std::map<std::string, std::string> newest;  // file -> what the user last wrote to it
  std::string history;
  for (unsigned long step = 1; step <= steps; ++step) {
    unsigned kind = random() % 100;
    if (kind < 45) {
      std::string file = kUserFiles[random() % std::size(kUserFiles)];
      std::string path = drive + "VantProDB-TWS\\" + file;
      ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\" + file.substr(0, file.find('\\') + 1)}));
      std::string content = "user data " + std::to_string(step) + " of " + file;
      ASSERT_TRUE(WriteTextFile(path, content));
      newest[file] = content;
      history += " write";
    } else if (kind < 70) {
      InstallOn(drive);
      std::vector<std::string> temporaries;
      for (const char* folder : {"VNXTBackUpDB-TWS", "VNXTBackUpDB-TWS-Generations"})
        CollectTemporaries(drive + folder, &temporaries);
      EXPECT_TRUE(temporaries.empty()) << "step " << step << ": " << temporaries.front();
      history += " install";
    } else if (kind < 88) {
      std::intptr_t child = vp::test::StartChild("user-data-road-install", drive);
      ASSERT_NE(child, 0);
      Sleep(random() % 120);
      vp::test::KillChild(child);
      history += " killed-install";
    } else {
      SelectProductProfile("VANTPLUS", "7.0.3");
      FakeInstallerState state;
      state.ShowSelectedVariantOn(drive);
      CUninstallSequence(state).RemoveFromDrive(drive);
      history += " uninstall";
    }
    std::set<std::string> contents;
    CollectContents(drive, &contents);
    for (const auto& [file, content] : newest)
      ASSERT_TRUE(contents.count(content))
          << "seed " << seed << ", step " << step << ": \"" << content << "\" is gone after"
          << history;
  }
}

}  // namespace
#endif
