// The whole uninstall on the machine's fixed drives C: and D:: the question, the registry key,
// the variant's folders, the setup folder rules, the shortcuts and the three ends.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "registry_helpers.h"
#include "fake_installer_state.h"
#include "install/apps_entry.h"
#include "folder_entries.h"
#include "platform/win.h"
#include "common/product_profile.h"
#include "test_support.h"
#include "uninstall/setup_folder.h"
#include "uninstall/uninstall_sequence.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "platform/machine.h"
#endif

using vp::test::Listing;
using vp::test::MakeEntries;
using vp::test::PathExists;

namespace {

const char* const kAllVariantFolders[] = {
    "VANTProData-TWS",    "VANTProDB-TWS",      "VNXTBackUpDB-TWS",   "BackUpDB-TWS",
    "VANTProSetup",       "VANTFOData-TWS",     "VantFODB-TWS",       "VANTFOBackUpDB-TWS",
    "VANTFOSetup",        "VANTCMData-TWS",     "VantCMDB-TWS",       "VANTCMBackUpDB-TWS",
    "VANTCMSetup"};
const std::set<int> kInputControls = {IDC_DRIVE,           IDC_STATIC,  IDC_DB_PATH_LABEL,
                                      IDC_DATA_PATH_LABEL, IDC_DB_PATH, IDC_DATA_PATH,
                                      IDC_DESKTOP_SHORTCUT, IDC_START_MENU_SHORTCUT,
                                      IDC_INSTALL,         IDC_APPLICATION_TYPE};
const char* const kQuestion =
    "All application related data will be lost! Please take backup. Do you wish to continue?";

class UninstallSequence : public testing::Test {
 protected:
  void SetUp() override {
    SelectProductProfile("VANTPLUS", "7.0.3");
    ClearProductKeys();
    RemoveVariantFolders();
    root = vp::test::TestFolder();
    char saved[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("USERPROFILE", saved, MAX_PATH);
    savedProfile = std::string(saved, n < MAX_PATH ? n : 0);
    profile = root + "\\profile";
    elsewhere = root + "\\Downloads";
    for (const std::string& folder : {profile, elsewhere})
      ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(MakeEntries(profile, {"Desktop\\", "Start Menu\\Programs\\"}));
    ASSERT_TRUE(SetEnvironmentVariableA("USERPROFILE", profile.c_str()));
    ASSERT_TRUE(MakeEntries(elsewhere, {"VANTPlusTWSSetup.exe", "holiday.jpg"}));
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.c_str()));
    state.driveEntries = {"[-c-]", "[-d-]"};
  }
  void TearDown() override {
    SetCurrentDirectoryA(vp::test::ExecutableFolder().c_str());
    SetEnvironmentVariableA("USERPROFILE", savedProfile.c_str());
    ClearProductKeys();
    RemoveVariantFolders();
  }

  static void RemoveVariantFolders() {
    for (const char* drive : {"C:\\", "D:\\"})
      for (const char* name : kAllVariantFolders) vp::test::RemoveTree(std::string(drive) + name);
  }

  // The VANTPLUS variant as an install leaves it, on C: and (its backups) on D:.
  void Installed() {
    ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, "SOFTWARE\\KORAX\\VANTPLUS-TWS\\Application Settings",
                           "InstalledDrive", "C"));
    ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, "SOFTWARE\\KORAX\\VANTPLUS-TWS\\User Settings\\A\\B",
                           "ToolButtons", "x"));
    ASSERT_TRUE(MakeEntries("C:", {"VANTProDB-TWS\\VANTPlusTWS.exe", "VANTProData-TWS\\MWBackup\\m.txt",
                                   "VANTProSetup\\VANTPlusTWSSetup.exe"}));
    ASSERT_TRUE(MakeEntries("D:", {"VNXTBackUpDB-TWS\\ComVantPlusDB.dbd", "BackUpDB-TWS\\old.dbd"}));
    ASSERT_TRUE(MakeEntries(profile, {"Desktop\\VANTPlusTWS.lnk", "Desktop\\VANTPro TWS.lnk",
                                      "Start Menu\\VANT-FO.lnk",
                                      "Start Menu\\Programs\\VANTPro-TWS\\VANTPlusTWS.lnk",
                                      "Start Menu\\Programs\\VANTPro-TWS\\Help.lnk",
                                      "Start Menu\\Programs\\VANTPro-TWS\\Install-UnInstall.lnk"}));
  }

  bool EnabledAgain() const {
    for (int id : kInputControls) {
      auto it = state.enabled.find(id);
      if (it == state.enabled.end() || !it->second) return false;
    }
    return true;
  }

  std::string root, profile, elsewhere, savedProfile;
  FakeInstallerState state;
};

TEST_F(UninstallSequence, AnsweringNoChangesNothing) {
  Installed();
  state.answer = IDNO;
  CUninstallSequence(state).Run();
  ASSERT_EQ(state.boxes.size(), 1u);
  EXPECT_EQ(state.boxes[0].text, kQuestion);
  EXPECT_EQ(state.boxes[0].caption, "UnInstaller");
  EXPECT_EQ(state.boxes[0].type, MB_YESNO | MB_ICONQUESTION);
  EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, "SOFTWARE\\KORAX\\VANTPLUS-TWS"));
  EXPECT_TRUE(PathExists("C:\\VANTProDB-TWS\\VANTPlusTWS.exe"));
  EXPECT_TRUE(PathExists(profile + "\\Desktop\\VANTPlusTWS.lnk"));
  EXPECT_TRUE(EnabledAgain());
  EXPECT_EQ(state.enabled.count(IDC_UNINSTALL), 0u);
  EXPECT_FALSE(state.endedWith.has_value());
}

TEST_F(UninstallSequence, RemovesTheVariantFromEveryFixedDriveAndEnds) {
  Installed();
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, "SOFTWARE\\KORAX\\VANTPLUSFO-TWS\\Application Settings",
                         "InstalledDrive", "D"));
  ASSERT_TRUE(MakeEntries("D:", {"VantFODB-TWS\\VANTPlusFOTWS.exe"}));
  ASSERT_TRUE(MakeEntries(profile, {"Desktop\\Other.lnk"}));
  const std::string entry = std::string(kUninstallKeyPath) + "\\VANTPLUS-TWS";
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, entry, "DisplayName", "VANTPlusTWS"));
  CUninstallSequence(state).Run();
  EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, entry));

  EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, "SOFTWARE\\KORAX\\VANTPLUS-TWS"));
  EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, "SOFTWARE\\KORAX\\VANTPLUSFO-TWS"));
  for (const char* gone : {"C:\\VANTProDB-TWS", "C:\\VANTProData-TWS", "C:\\VANTProSetup"})
    EXPECT_FALSE(PathExists(gone)) << gone;
  // The user's client database backups outlive the program.
  EXPECT_TRUE(PathExists("D:\\VNXTBackUpDB-TWS\\ComVantPlusDB.dbd"));
  EXPECT_TRUE(PathExists("D:\\BackUpDB-TWS\\old.dbd"));
  EXPECT_TRUE(PathExists("D:\\VantFODB-TWS\\VANTPlusFOTWS.exe"));
  EXPECT_EQ(Listing(profile), (std::set<std::string>{"desktop\\", "desktop\\other.lnk", "start menu\\",
                                                     "start menu\\programs\\"}));
  // Run from a download folder: that folder and its files are not the installer's to delete.
  EXPECT_EQ(Listing(elsewhere), (std::set<std::string>{"holiday.jpg", "vantplustwssetup.exe"}));

  EXPECT_EQ(state.BoxTexts(), (std::vector<std::string>{kQuestion, "Application uninstalled successfully!"}));
  EXPECT_EQ(state.boxes[1].caption, "UnInstaller");
  EXPECT_TRUE(EnabledAgain());
  EXPECT_EQ(state.enabled[IDC_UNINSTALL], FALSE);
  EXPECT_EQ(state.endedWith, 0u);
}

TEST_F(UninstallSequence, AFolderWithoutTheKeyStillCountsAsInstalled) {
  ASSERT_TRUE(MakeEntries("D:", {"VANTProData-TWS\\Theme\\t.txt"}));
  CUninstallSequence(state).Run();
  EXPECT_FALSE(PathExists("D:\\VANTProData-TWS"));
  EXPECT_EQ(state.boxes.back().text, "Application uninstalled successfully!");
  EXPECT_EQ(state.endedWith, 0u);
}

TEST_F(UninstallSequence, AFileThatStaysIsReportedWhileEverythingElseGoes) {
  Installed();
  ASSERT_TRUE(MakeEntries("C:", {"VANTProDB-TWS\\a.dat", "VANTProDB-TWS\\z.dat"}));
  HANDLE held = CreateFileA("C:\\VANTProDB-TWS\\VANTPlusTWS.exe", GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string entry = std::string(kUninstallKeyPath) + "\\VANTPLUS-TWS";
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, entry, "DisplayName", "VANTPlusTWS"));
  CUninstallSequence(state).Run();
  CloseHandle(held);
  // Apps & features keeps listing what is still there.
  EXPECT_TRUE(KeyPresent(HKEY_CURRENT_USER, entry));
  EXPECT_EQ(Listing("C:\\VANTProDB-TWS"), std::set<std::string>{"vantplustws.exe"});
  EXPECT_FALSE(PathExists("C:\\VANTProData-TWS"));
  EXPECT_TRUE(PathExists("D:\\VNXTBackUpDB-TWS"));
  EXPECT_EQ(state.BoxTexts(),
            (std::vector<std::string>{kQuestion, "Some files could not be removed. Close the "
                                                 "programs that use them and uninstall again."}));
  EXPECT_EQ(state.endedWith, 0u);
}

TEST_F(UninstallSequence, NothingFoundTellsByModeAndTypeAndKeepsTheDialog) {
  struct Case {
    const char* mode;
    const char* type;
    const char* text;     // null: no message
    const char* caption;
  };
  const Case cases[] = {
      {"F", "VANTPLUS", "VANTProFO not yet installed!", "VANTProFO UnInstaller"},
      {"P", "VANTPLUS", "VANTPlusTWS not yet installed!", "VANTPlusTWS UnInstaller"},
      {"P", "FO", "VANTPlusFOTWS not yet installed!", "VANTPlusTWS UnInstaller"},
      {"P", "CM", "VANTPlusCMTWS not yet installed!", "VANTPlusTWS UnInstaller"},
      {"C", "CM", nullptr, nullptr},
      {"", "VANTPLUS", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + "/" + c.type);
    SelectProductProfile(c.type, "7.0.3");
    // A setup folder alone does not make the variant installed, but is dealt with all the same.
    ASSERT_TRUE(MakeEntries("C:", {g_profile.SetupBaseName + "\\VANTPlusTWSSetup.exe"}));
    FakeInstallerState fresh;
    fresh.driveEntries = {"[-C-]", "[-D-]"};
    fresh.mode = c.mode;
    fresh.appType = "VANTPLUS";  // stale: the sequence reads the combo box again
    fresh.appTypeCombo = c.type;
    CUninstallSequence(fresh).Run();
    EXPECT_FALSE(PathExists("C:\\" + g_profile.SetupBaseName));
    EXPECT_EQ(fresh.appType, c.type);
    ASSERT_EQ(fresh.boxes.size(), c.text ? 2u : 1u);
    if (c.text) {
      EXPECT_EQ(fresh.boxes[1].text, c.text);
      EXPECT_EQ(fresh.boxes[1].caption, c.caption);
      EXPECT_EQ(fresh.boxes[1].type, MB_OK | MB_ICONSTOP);
    }
    EXPECT_FALSE(fresh.endedWith.has_value());
    EXPECT_EQ(fresh.installed, FALSE);
    EXPECT_EQ(fresh.enabled.count(IDC_UNINSTALL), 0u);
    state = fresh;
    EXPECT_TRUE(EnabledAgain());
  }
}

TEST_F(UninstallSequence, SetupFolderRules) {
  CUninstallSequence sequence(state);
  // The folder the installer runs from, named in other letter case: it stays.
  ASSERT_TRUE(MakeEntries("C:", {"VANTProSetup\\VANTPlusTWSSetup.exe"}));
  state.setupDir = "c:\\vantprosetup";
  sequence.RemoveFromDrive("C:\\");
  EXPECT_TRUE(PathExists("C:\\VANTProSetup\\VANTPlusTWSSetup.exe"));
  EXPECT_EQ(state.deleteSetupOnExit, TRUE);
  EXPECT_EQ(state.installed, FALSE);  // a setup folder alone is no installed variant

  // Shared with the older setup program: only the variant's own program goes.
  state.setupDir.clear();
  ASSERT_TRUE(MakeEntries("D:", {"VANTProSetup\\VANTProSetup.exe", "VANTProSetup\\VANTPlusTWSSetup.exe",
                                 "VANTProSetup\\notes.txt"}));
  sequence.RemoveFromDrive("D:\\");
  EXPECT_EQ(Listing("D:\\VANTProSetup"), (std::set<std::string>{"notes.txt", "vantprosetup.exe"}));

  // Any other setup folder goes whole.
  sequence.RemoveFromDrive("C:\\");
  EXPECT_FALSE(PathExists("C:\\VANTProSetup"));

  // Names that are empty never make the drive root a folder to delete.
  ASSERT_TRUE(MakeEntries("D:", {"VANTProData-TWS\\x.txt"}));
  g_profile = ProductProfile{};
  sequence.RemoveFromDrive("D:\\");
  EXPECT_TRUE(PathExists("D:\\VANTProData-TWS\\x.txt"));
}

TEST_F(UninstallSequence, OnlyTheVariantSetupFolderIsEmptiedAsCurrentDirectory) {
  EXPECT_TRUE(IsVariantSetupFolder("C:\\VANTProSetup"));
  EXPECT_TRUE(IsVariantSetupFolder("d:\\vantprosetup"));
  EXPECT_FALSE(IsVariantSetupFolder("C:\\"));
  EXPECT_FALSE(IsVariantSetupFolder("C:\\Users\\me\\VANTProSetup"));
  EXPECT_FALSE(IsVariantSetupFolder("C:\\VANTFOSetup"));
  EXPECT_FALSE(IsVariantSetupFolder("\\\\server\\VANTProSetup"));

  Installed();
  ASSERT_TRUE(MakeEntries("C:", {"VANTProSetup\\readme.txt"}));
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\VANTProSetup"));
  state.setupDir = "C:\\VANTProSetup";
  // The setup program is not there: its deletion after exit fails without starting anything.
  ASSERT_TRUE(DeleteFileA("C:\\VANTProSetup\\VANTPlusTWSSetup.exe"));
  CUninstallSequence(state).Run();
  EXPECT_EQ(state.deleteSetupOnExit, TRUE);
  EXPECT_FALSE(PathExists("C:\\VANTProSetup\\readme.txt"));
  EXPECT_EQ(state.endedWith, 0u);
}

TEST_F(UninstallSequence, ShortcutsRemovedFollowTheMode) {
  Installed();
  ASSERT_TRUE(MakeEntries(profile, {"Desktop\\VANTCM TWS.lnk", "Start Menu\\Programs\\VANTCM TWS.lnk",
                                    "Start Menu\\Programs\\VANTPro-TWS\\VANTCM TWS.lnk"}));
  // Started from the "Install-UnInstall" link: no mode, only the old "VANTPro TWS" links go.
  state.mode = "";
  CUninstallSequence(state).Run();
  EXPECT_FALSE(PathExists(profile + "\\Desktop\\VANTPro TWS.lnk"));
  EXPECT_TRUE(PathExists(profile + "\\Desktop\\VANTPlusTWS.lnk"));
  EXPECT_TRUE(PathExists(profile + "\\Start Menu\\Programs\\VANTPro-TWS\\Help.lnk"));

  // Mode C: the CM links and the programs sub-folder; the P links stay.
  Installed();
  ASSERT_TRUE(DeleteFileA((profile + "\\Start Menu\\Programs\\VANTPro-TWS\\VANTPlusTWS.lnk").c_str()));
  state.mode = "C";
  CUninstallSequence(state).Run();
  EXPECT_EQ(Listing(profile), (std::set<std::string>{"desktop\\", "desktop\\vantplustws.lnk",
                                                     "start menu\\", "start menu\\programs\\",
                                                     "start menu\\vant-fo.lnk"}));
}

#ifndef _WIN32
// Adds drives to the emulated machine: each letter with its type and a folder of its own.
void AddDrives(const std::vector<std::pair<char, const char*>>& drives) {
  std::ofstream conf(vp::machine::Root() + "/drives.conf", std::ios::app);
  for (const auto& [letter, type] : drives) {
    std::string folder = vp::machine::Root() + "/drive_" + std::string(1, letter);
    mkdir(folder.c_str(), 0755);
    conf << letter << ' ' << type << ' ' << folder << '\n';
  }
  conf.close();
  vp::machine::UseRoot(vp::machine::Root());
}

TEST_F(UninstallSequence, RemovableAndRemoteDrivesAreNeverTouched) {
  AddDrives({{'R', "removable"}, {'N', "remote"}, {'F', "fixed"}});
  for (const char* drive : {"R:", "N:", "F:"})
    ASSERT_TRUE(MakeEntries(drive, {"VANTProData-TWS\\d.txt", "VANTProSetup\\VANTPlusTWSSetup.exe"}));
  state.driveEntries = {"[-c-]", "[-f-]", "[-n-]", "[-r-]"};
  CUninstallSequence(state).Run();
  EXPECT_FALSE(PathExists("F:\\VANTProData-TWS"));
  EXPECT_FALSE(PathExists("F:\\VANTProSetup"));
  for (const char* drive : {"R:", "N:"}) {
    EXPECT_TRUE(PathExists(std::string(drive) + "\\VANTProData-TWS\\d.txt")) << drive;
    EXPECT_TRUE(PathExists(std::string(drive) + "\\VANTProSetup\\VANTPlusTWSSetup.exe")) << drive;
  }
  EXPECT_EQ(state.endedWith, 0u);
}

TEST_F(UninstallSequence, ASecondDriveLetterOnTheFolderRunFromIsNoFailure) {
  std::ofstream(vp::machine::Root() + "/drives.conf", std::ios::app)
      << "E fixed " << vp::machine::Root() << "/drive_c\n";
  vp::machine::UseRoot(vp::machine::Root());
  Installed();
  state.driveEntries = {"[-c-]", "[-d-]", "[-e-]"};
  state.setupDir = "C:\\VANTProSetup";
  // The running installer's file cannot be deleted, through either letter.
  HANDLE running = CreateFileA("C:\\VANTProSetup\\VANTPlusTWSSetup.exe", GENERIC_READ,
                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(running, INVALID_HANDLE_VALUE);
  CUninstallSequence(state).Run();
  CloseHandle(running);
  // The hand-over of the program's deletion raised this process's priority.
  SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
  EXPECT_EQ(state.BoxTexts(),
            (std::vector<std::string>{kQuestion, "Application uninstalled successfully!"}));
  EXPECT_TRUE(state.deleteSetupOnExit);
}

TEST_F(UninstallSequence, ALinkedFolderOutsideTheProductSurvives) {
  Installed();
  ASSERT_TRUE(MakeEntries(root, {"outside\\precious.dat"}));
  DWORD error = 0;
  auto outside = vp::path::ToHost(root + "\\outside", vp::path::Need::Existing, &error);
  auto database = vp::path::ToHost("C:\\VANTProDB-TWS", vp::path::Need::Existing, &error);
  ASSERT_TRUE(outside && database);
  ASSERT_EQ(symlink(outside->host.c_str(), (database->host + "/Linked").c_str()), 0);
  CUninstallSequence(state).Run();
  EXPECT_FALSE(PathExists("C:\\VANTProDB-TWS"));
  EXPECT_EQ(vp::test::ReadTextFile(root + "\\outside\\precious.dat"), "outside\\precious.dat");
}
#endif

}  // namespace
