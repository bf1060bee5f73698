// The whole install, run on a setup package in a test folder: what lands on the drive, the
// registry values, the shortcuts read back from their files, and what the user sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "fake_installer_state.h"
#include "folder_entries.h"
#include "install/install_sequence.h"
#include "staging/install_transaction.h"
#include "link_reading.h"
#include "platform/win.h"
#include "registry_helpers.h"
#include "common/product_profile.h"
#include "test_support.h"
#include "uninstall/setup_folder.h"
#include "uninstall/uninstall_sequence.h"

#ifndef _WIN32
#include <unistd.h>

#include <fstream>

#include "platform/machine.h"
#endif

using vp::test::Listing;

using vp::test::MakeEntries;
using vp::test::PathExists;
using vp::test::ReadTextFile;

namespace {

const std::string kSettings = "SOFTWARE\\KORAX\\VANTPLUS-TWS\\Application Settings";

// The staged, old and transaction folders an install left on the drive, one name per line.
std::string StagingLeftovers(const std::string& drive) {
  std::string found;
  for (const std::string& entry : Listing(drive))
    if (entry.find(".~vp") != std::string::npos) found += entry + "\n";
  return found;
}

class InstallSequence : public testing::Test {
 protected:
  void SetUp() override {
    SelectProductProfile("VANTPLUS", "7.0.3");
    ClearProductKeys();
    root = vp::test::TestFolder();
    char saved[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("USERPROFILE", saved, MAX_PATH);
    savedProfile = std::string(saved, n < MAX_PATH ? n : 0);
    profile = root + "\\profile";
    package = root + "\\package";
    for (const std::string& folder : {profile, package})
      ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(MakeEntries(profile, {"Desktop\\", "Start Menu\\Programs\\"}));
    ASSERT_TRUE(SetEnvironmentVariableA("USERPROFILE", profile.c_str()));

    ASSERT_TRUE(MakeEntries(package, {"VANTPlusTWSSetup.exe", "readme.txt",
                                      "VantProDB-TWS\\VantPro.exe",
                                      "VantProDB-TWS\\VantPlusHelp.chm",
                                      "VantProDB-TWS\\ComVantPlusDB\\ComVantPlusDB.dbd",
                                      "VANTProData-TWS\\Colour\\blue.txt",
                                      "VANTProData-TWS\\MWBackup\\package.txt",
                                      "VantFODB-TWS\\VantPro.exe", "VANTFOData-TWS\\Theme\\t.txt"}));
    ASSERT_TRUE(SetCurrentDirectoryA(package.c_str()));

    drive = root + "\\drive\\";
    ASSERT_TRUE(CreateDirectoryA(drive.c_str(), nullptr));
    letter = drive.substr(0, 1);
    UseVariant("VANTPLUS");
  }
  void TearDown() override {
    SetCurrentDirectoryA(vp::test::ExecutableFolder().c_str());
    SetEnvironmentVariableA("USERPROFILE", savedProfile.c_str());
    ClearProductKeys();
  }

  void UseVariant(const std::string& type) {
    SelectProductProfile(type, "7.0.3");
    state.appType = state.appTypeCombo = type;
    state.ShowSelectedVariantOn(drive);
  }

  LinkProperties Link(const std::string& relative) {
    return ReadLink(profile + "\\" + relative + ".lnk");
  }

  std::string root, profile, package, drive, letter, savedProfile;
  FakeInstallerState state;
};

TEST_F(InstallSequence, RoadOfOneInstallOnACleanMachine) {
  ASSERT_TRUE(MakeEntries(profile, {"Desktop\\VANTPro TWS.lnk", "Start Menu\\VANTPlusTWS.lnk",
                                    "Start Menu\\Programs\\VANTPro-TWS\\VANT-FO.lnk"}));
  CInstallSequence(state).Run();

  // The variant's folders, without the package's own files and without the other variants.
  const std::string db = drive + "VANTProDB-TWS";
  EXPECT_TRUE(PathExists(db + "\\VANTPlusTWS.exe"));
  EXPECT_FALSE(PathExists(db + "\\VantPro.exe"));
  EXPECT_TRUE(PathExists(db + "\\VantPlusHelp.chm"));
  EXPECT_TRUE(PathExists(drive + "VANTProData-TWS\\Colour\\blue.txt"));
  EXPECT_FALSE(PathExists(drive + "VantFODB-TWS"));
  EXPECT_FALSE(PathExists(drive + "VANTFOData-TWS"));
  EXPECT_FALSE(PathExists(drive + "readme.txt"));
  EXPECT_EQ(ReadTextFile(drive + "VANTProSetup\\VANTPlusTWSSetup.exe"), "VANTPlusTWSSetup.exe");
  // The database folder found before the copy was backed up first (there was none: no backup).
  EXPECT_FALSE(PathExists(drive + "VNXTBackUpDB-TWS\\ComVantPlusDB.dbd"));

  // Old links are gone; the new ones point at the installed terminal.
  EXPECT_FALSE(PathExists(profile + "\\Desktop\\VANTPro TWS.lnk"));
  EXPECT_FALSE(PathExists(profile + "\\Start Menu\\VANTPlusTWS.lnk"));
  EXPECT_FALSE(PathExists(profile + "\\Start Menu\\Programs\\VANTPro-TWS\\VANT-FO.lnk"));
  const std::string terminal = db + "\\VANTPlusTWS.exe";
  LinkProperties desktop = Link("Desktop\\VANTPlusTWS");
  ASSERT_TRUE(desktop.loaded);
  EXPECT_EQ(desktop.target, terminal);
  EXPECT_EQ(desktop.arguments, "\\LVantPlusUI");
  EXPECT_EQ(desktop.workingFolder, db);
  LinkProperties programs = Link("Start Menu\\Programs\\VANTPro-TWS\\VANTPlusTWS");
  EXPECT_EQ(programs.target, terminal);
  EXPECT_EQ(programs.arguments, "\\LVantPlusUI");
  LinkProperties help = Link("Start Menu\\Programs\\VANTPro-TWS\\Help");
  EXPECT_EQ(help.target, db + "\\VantPlusHelp.chm");
  EXPECT_EQ(help.arguments, "");
  LinkProperties uninstaller = Link("Start Menu\\Programs\\VANTPro-TWS\\Install-UnInstall");
  EXPECT_EQ(uninstaller.target, drive + "VANTProSetup\\VANTPlusTWSSetup.exe");
  EXPECT_EQ(uninstaller.arguments, "");

  // A first install writes the drive, not "Version" nor "BackUPDrive"; there was no FO user.
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "InstalledDrive"), letter);
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "DBRetentionDrive_FO"), "");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "DBRetentionDrive"), "<missing>");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "Version"), "<missing>");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "BackUPDrive"), "<missing>");

  EXPECT_EQ(state.statusTexts, (std::vector<std::string>{"Please Wait...", "Creating Shortcuts...",
                                                          "Creating Shortcuts...", ""}));
  EXPECT_EQ(state.BoxTexts(), std::vector<std::string>{"Installation Done!"});
  EXPECT_FALSE(state.endedWith.has_value());
}

TEST_F(InstallSequence, OverAnExistingKeyTheDrivesAndVersionAreRewritten) {
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, kSettings, "Version", "6.5.1"));
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, kSettings, "DBRetentionDrive_FO", "Dx"));
  CInstallSequence(state).Run();
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "Version"), "7.0.3");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "BackUPDrive"), letter);
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "InstalledDrive"), letter);
  // No FO user folder: the earlier drive's first character is kept.
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "DBRetentionDrive_FO"), "D");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "DBRetentionDrive"), "<missing>");
}

TEST_F(InstallSequence, UserFoldersDecideTheRetentionDrives) {
  // An existing key without the FO value gets the default "A" first.
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, kSettings, "InstalledDrive", "Q"));
  CInstallSequence(state).Run();
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "DBRetentionDrive_FO"), "A");

  // CM and FO users in the database folder: both backed up, both drives recorded.
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, kSettings, "DBRetentionDrive_FO", "D"));
  ASSERT_TRUE(MakeEntries(drive + "VantProDB-TWS", {"CMUser01\\CMUser01.dbd", "FOUser07\\FOUser07.dbd"}));
  CInstallSequence(state).Run();
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "DBRetentionDrive_FO"), letter);
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "DBRetentionDrive"), letter);
  EXPECT_EQ(ReadTextFile(drive + "VNXTBackUpDB-TWS\\CM\\User01\\User01.dbd"), "CMUser01\\CMUser01.dbd");
  EXPECT_EQ(ReadTextFile(drive + "VNXTBackUpDB-TWS\\FO\\User07\\User07.dbd"), "FOUser07\\FOUser07.dbd");
  // The copy emptied the database folder afterwards.
  EXPECT_FALSE(PathExists(drive + "VantProDB-TWS\\CMUser01"));
}

TEST_F(InstallSequence, SecondInstallKeepsAnUpToDateClientBackup) {
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\ComVantPlusDB\\ComVantPlusDB.dbd",
                                  "VANTProData-TWS\\MWBackup\\mine.txt", "VANTProData-TWS\\Theme\\old.txt"}));
  const std::string live = drive + "VantProDB-TWS\\ComVantPlusDB\\ComVantPlusDB.dbd";
  ASSERT_TRUE(vp::test::WriteTextFile(live, "the user's clients"));
  CInstallSequence(state).Run();
  const std::string saved = drive + "VNXTBackUpDB-TWS\\ComVantPlusDB.dbd";
  EXPECT_EQ(ReadTextFile(saved), "the user's clients");
  // The user's MWBackup survives the replaced data folder; other content does not.
  EXPECT_TRUE(PathExists(drive + "VANTProData-TWS\\MWBackup\\mine.txt"));
  EXPECT_FALSE(PathExists(drive + "VANTProData-TWS\\Theme"));

  // The second install finds the backup and leaves it, but backs CM users up again.
  ASSERT_TRUE(MakeEntries(drive + "VantProDB-TWS", {"CMUser02\\CMUser02.dbd"}));
  ASSERT_TRUE(vp::test::WriteTextFile(live, "the user's clients"));
  CInstallSequence(state).Run();
  EXPECT_EQ(ReadTextFile(saved), "the user's clients");
  EXPECT_TRUE(PathExists(drive + "VNXTBackUpDB-TWS\\CM\\User02\\User02.dbd"));
  EXPECT_TRUE(PathExists(drive + "VANTProDB-TWS\\VANTPlusTWS.exe"));
}

TEST_F(InstallSequence, WithoutModeNoShortcutIsCreatedYetTheStatusLineSaysSo) {
  ASSERT_TRUE(MakeEntries(profile, {"Desktop\\VANTPlusTWS.lnk", "Desktop\\VANTPro TWS.lnk"}));
  state.mode = "";
  CInstallSequence(state).Run();
  EXPECT_TRUE(PathExists(drive + "VANTProDB-TWS\\VANTPlusTWS.exe"));
  EXPECT_TRUE(PathExists(drive + "VANTProSetup\\VANTPlusTWSSetup.exe"));
  EXPECT_EQ(Listing(profile), (std::set<std::string>{"desktop\\", "desktop\\vantplustws.lnk",
                                                     "start menu\\", "start menu\\programs\\"}));
  EXPECT_EQ(state.statusTexts, (std::vector<std::string>{"Please Wait...", "Creating Shortcuts...",
                                                          "Creating Shortcuts...", ""}));

  // Both boxes unticked: the shortcut status never shows.
  state.statusTexts.clear();
  state.checked[IDC_DESKTOP_SHORTCUT] = state.checked[IDC_START_MENU_SHORTCUT] = false;
  state.mode = "P";
  CInstallSequence(state).Run();
  EXPECT_EQ(state.statusTexts, (std::vector<std::string>{"Please Wait...", ""}));
  EXPECT_FALSE(PathExists(profile + "\\Start Menu\\Programs\\VANTPro-TWS"));
}

TEST_F(InstallSequence, ModeCLinksTheCmTerminalAndHelp) {
  state.mode = "C";
  state.checked[IDC_DESKTOP_SHORTCUT] = true;
  CInstallSequence(state).Run();
  const std::string terminal = drive + "VANTProDB-TWS\\VANTPlusTWS.exe";
  EXPECT_EQ(Link("Desktop\\VANTCM TWS").target, terminal);
  EXPECT_EQ(Link("Desktop\\VANTCM TWS").arguments, "\\LVantCMUI");
  EXPECT_EQ(Link("Start Menu\\Programs\\VANTPro-TWS\\VANTCM TWS").arguments, "\\LVantCMUI");
  EXPECT_EQ(Link("Start Menu\\Programs\\VANTPro-TWS\\Help").target,
            drive + "VANTProDB-TWS\\VantCMHelp.chm");
  EXPECT_TRUE(PathExists(profile + "\\Start Menu\\Programs\\VANTPro-TWS\\Install-UnInstall.lnk"));
  EXPECT_EQ(Listing(profile + "\\Desktop"), std::set<std::string>{"vantcm tws.lnk"});
}

TEST_F(InstallSequence, FoAfterVantplusUsesTheFoNamesEverywhere) {
  CInstallSequence(state).Run();
  UseVariant("FO");
  ASSERT_TRUE(MakeEntries(root + "\\drive", {"VantFODB-TWS\\ComVantPlusDB\\ComVantPlusDB.dbd",
                                           "VantFODB-TWS\\FOUser01\\FOUser01.dbd"}));
  CInstallSequence(state).Run();

  EXPECT_TRUE(PathExists(drive + "VantFODB-TWS\\VANTPlusFOTWS.exe"));
  EXPECT_TRUE(PathExists(drive + "VANTFOData-TWS\\Theme\\t.txt"));
  EXPECT_TRUE(PathExists(drive + "VANTFOSetup\\VANTPlusTWSSetup.exe"));
  EXPECT_TRUE(PathExists(drive + "VANTFOBackUpDB-TWS\\ComVantPlusDB.dbd"));
  EXPECT_TRUE(PathExists(drive + "VANTFOBackUpDB-TWS\\FO\\User01\\User01.dbd"));
  const std::string foSettings = "SOFTWARE\\KORAX\\VANTPLUSFO-TWS\\Application Settings";
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, foSettings, "InstalledDrive"), letter);
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, foSettings, "DBRetentionDrive_FO"), letter);
  LinkProperties desktop = Link("Desktop\\VANTPlusFOTWS");
  EXPECT_EQ(desktop.target, drive + "VantFODB-TWS\\VANTPlusFOTWS.exe");
  EXPECT_TRUE(PathExists(profile + "\\Start Menu\\Programs\\VANTProFO-TWS\\Help.lnk"));
  // The first variant's install is left as it was.
  EXPECT_TRUE(PathExists(drive + "VANTProDB-TWS\\VANTPlusTWS.exe"));
  EXPECT_TRUE(PathExists(profile + "\\Desktop\\VANTPlusTWS.lnk"));
}

TEST_F(InstallSequence, SetupFolderGuardEndsTheProcessBeforeAnythingElse) {
  ASSERT_TRUE(MakeEntries(drive, {"keep.txt"}));
  g_profile.SetupBaseName.clear();
  CInstallSequence(state).Run();
  ASSERT_EQ(state.boxes.size(), 1u);
  EXPECT_EQ(state.boxes[0].text, "Cannot delete Log drive");
  EXPECT_EQ(state.boxes[0].caption, "Error!");
  EXPECT_EQ(state.endedWith, 0u);
  // The drive root is not emptied, and the steps after the guard did not run.
  EXPECT_TRUE(PathExists(drive + "keep.txt"));
  EXPECT_FALSE(PathExists(profile + "\\Desktop\\VANTPlusTWS.lnk"));
  // The process ended in the middle of the install: the next start undoes it.
  EXPECT_EQ(staging::RecoverInterruptedInstalls(drive), staging::Recovery::kRolledBack);
  EXPECT_FALSE(PathExists(drive + "VANTProDB-TWS"));
  EXPECT_EQ(StagingLeftovers(drive), "");
}

TEST_F(InstallSequence, UninstallerIsRenewedUnlessItIsTheRunningOne) {
  ASSERT_TRUE(MakeEntries(drive, {"VANTProSetup\\old.txt", "VANTProSetup\\VANTPlusTWSSetup.exe"}));
  ASSERT_TRUE(PlaceUninstaller(state));
  EXPECT_EQ(Listing(drive + "VANTProSetup"), std::set<std::string>{"vantplustwssetup.exe"});
  EXPECT_EQ(ReadTextFile(drive + "VANTProSetup\\VANTPlusTWSSetup.exe"), "VANTPlusTWSSetup.exe");

  // Started from the setup folder itself: the program there is the one running, and stays.
  ASSERT_TRUE(vp::test::WriteTextFile(drive + "VANTProSetup\\notes.txt", "mine"));
  ASSERT_TRUE(SetCurrentDirectoryA((drive + "VANTProSetup").c_str()));
  ASSERT_TRUE(PlaceUninstaller(state));
  EXPECT_EQ(Listing(drive + "VANTProSetup"),
            (std::set<std::string>{"notes.txt", "vantplustwssetup.exe"}));
  EXPECT_TRUE(state.boxes.empty());
}

TEST_F(InstallSequence, ClientDataChangedSinceTheLastBackupIsSavedBeforeTheCopy) {
  const std::string live = drive + "VantProDB-TWS\\ComVantPlusDB\\ComVantPlusDB.dbd";
  const std::string saved = drive + "VNXTBackUpDB-TWS\\ComVantPlusDB.dbd";
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\ComVantPlusDB\\ComVantPlusDB.dbd"}));
  ASSERT_TRUE(vp::test::WriteTextFile(live, "clients v1"));
  CInstallSequence(state).Run();
  ASSERT_EQ(ReadTextFile(saved), "clients v1");
  ASSERT_TRUE(vp::test::WriteTextFile(live, "clients v2"));
  CInstallSequence(state).Run();
  EXPECT_EQ(ReadTextFile(saved), "clients v2");

  // A backup cut short by a kill is made again in full.
  ASSERT_TRUE(vp::test::WriteTextFile(saved, ""));
  ASSERT_TRUE(vp::test::WriteTextFile(live, "clients v3"));
  CInstallSequence(state).Run();
  EXPECT_EQ(ReadTextFile(saved), "clients v3");
  EXPECT_EQ(state.BoxTexts().back(), "Installation Done!");
}

TEST_F(InstallSequence, UnsavedUserDataStopsTheInstallBeforeTheCopy) {
  const std::string live = drive + "VantProDB-TWS\\ComVantPlusDB\\ComVantPlusDB.dbd";
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\ComVantPlusDB\\ComVantPlusDB.dbd",
                                  "VantProDB-TWS\\VANTPlusTWS.exe",
                                  "VNXTBackUpDB-TWS\\ComVantPlusDB.dbd\\"}));
  ASSERT_TRUE(vp::test::WriteTextFile(live, "the only copy"));
  CInstallSequence(state).Run();
  EXPECT_EQ(ReadTextFile(live), "the only copy");
  EXPECT_TRUE(PathExists(drive + "VantProDB-TWS\\VANTPlusTWS.exe"));
  EXPECT_FALSE(PathExists(drive + "VantProDB-TWS\\VantPro.exe"));
  EXPECT_FALSE(PathExists(drive + "VANTProSetup"));
  ASSERT_EQ(state.boxes.size(), 1u);
  EXPECT_EQ(state.boxes[0].text, "Your client databases could not be saved to " + drive +
                                     "VNXTBackUpDB-TWS. Nothing has been replaced. Free some "
                                     "disk space and install again.");
  EXPECT_EQ(state.boxes[0].caption, "Error!");
  EXPECT_TRUE(std::find(state.statusTexts.begin(), state.statusTexts.end(), "Please Wait...") ==
              state.statusTexts.end());
}

TEST_F(InstallSequence, LegacyUsersAreSavedWhenAClientBackupExistsAlready) {
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\ComVantPlusDB.dbd",
                                  "VantProDB-TWS\\CM\\User01\\IdvVantPlusDB.dbd",
                                  "VantProDB-TWS\\CMLegacy.txt"}));
  // The backup holds the live client database already: the client backup is skipped.
  ASSERT_TRUE(MakeEntries(drive, {"VNXTBackUpDB-TWS\\"}));
  ASSERT_TRUE(CopyFileA((drive + "VantProDB-TWS\\ComVantPlusDB.dbd").c_str(),
                        (drive + "VNXTBackUpDB-TWS\\ComVantPlusDB.dbd").c_str(), FALSE));
  CInstallSequence(state).Run();
  EXPECT_EQ(ReadTextFile(drive + "VNXTBackUpDB-TWS\\CM\\User01\\User01.dbd"),
            "VantProDB-TWS\\CM\\User01\\IdvVantPlusDB.dbd");
  EXPECT_FALSE(PathExists(drive + "VantProDB-TWS\\CM"));  // replaced only once saved
}

TEST_F(InstallSequence, APackageAtTheDriveRootIsRefusedBeforeAnythingChanges) {
  ASSERT_TRUE(MakeEntries(drive, {"VANTPlusTWSSetup.exe", "VantProDB-TWS\\VantPro.exe",
                                  "VANTProData-TWS\\Colour\\blue.txt"}));
  ASSERT_TRUE(SetCurrentDirectoryA(drive.c_str()));
  std::set<std::string> before = Listing(drive);
  CInstallSequence(state).Run();
  EXPECT_EQ(Listing(drive), before);
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "InstalledDrive"), "<no key>");
  ASSERT_EQ(state.boxes.size(), 1u);
  EXPECT_EQ(state.boxes[0].text, "The setup package lies in the installation folders on " +
                                     drive + ". Unpack it into another folder and install from there.");

  // Unpacked inside the database folder it would be emptied as well.
  ASSERT_TRUE(MakeEntries(drive, {"VANTProDB-TWS\\Setup\\VantProDB-TWS\\VantPro.exe"}));
  ASSERT_TRUE(SetCurrentDirectoryA((drive + "VantProDB-TWS\\Setup").c_str()));
  CInstallSequence(state).Run();
  EXPECT_TRUE(PathExists(drive + "VantProDB-TWS\\Setup\\VantProDB-TWS\\VantPro.exe"));
  EXPECT_EQ(state.boxes.size(), 2u);
}

TEST_F(InstallSequence, StartedWhereThereIsNoPackageItRefusesBeforeAnythingChanges) {
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\VANTPlusTWS.exe", "VANTProSetup\\VANTPlusTWSSetup.exe"}));
  // The setup folder's copy of the installer: no package beside it.
  ASSERT_TRUE(SetCurrentDirectoryA((drive + "VANTProSetup").c_str()));
  CInstallSequence(state).Run();
  EXPECT_TRUE(PathExists(drive + "VantProDB-TWS\\VANTPlusTWS.exe"));
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "InstalledDrive"), "<no key>");
  ASSERT_EQ(state.boxes.size(), 1u);
  EXPECT_EQ(state.boxes[0].text.rfind("There is no setup package in ", 0), 0u) << state.boxes[0].text;
  EXPECT_EQ(state.boxes[0].caption, "Error!");
}

TEST_F(InstallSequence, ADriveThatCannotBeWrittenIsRefusedAndNothingRecorded) {
  for (const std::string& unwritable : {root + "\\missing\\", std::string(":\\")}) {
    state.drive = unwritable;
    state.boxes.clear();
    CInstallSequence(state).Run();
    EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "InstalledDrive"), "<no key>");
    ASSERT_EQ(state.boxes.size(), 1u) << unwritable;
    EXPECT_EQ(state.boxes[0].caption, "Error!");
    EXPECT_TRUE(state.statusTexts.empty());
  }
  EXPECT_EQ(state.boxes[0].text, "Please choose an installation drive.");
  EXPECT_FALSE(PathExists(root + "\\missing"));
}

TEST_F(InstallSequence, AFileInUseLeavesThePreviousInstallationWhole) {
  // Windows moves no folder that holds a file in use; wine does, and the install then succeeds.
  if (vp::test::RunningUnderWine()) GTEST_SKIP() << "wine moves a folder that holds a file in use";
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\VANTPlusTWS.exe", "VantProDB-TWS\\old.dll"}));
  ASSERT_TRUE(vp::test::WriteTextFile(profile + "\\Desktop\\VANTPlusTWS.lnk", "the old link"));
  std::string running = drive + "VantProDB-TWS\\VANTPlusTWS.exe";
  HANDLE held = CreateFileA(running.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  CInstallSequence(state).Run();
  CloseHandle(held);
  std::vector<std::string> texts = state.BoxTexts();
  EXPECT_TRUE(std::find(texts.begin(), texts.end(), "Installation Done!") == texts.end());
  EXPECT_EQ(texts.back(), "Installation is not complete: some files could not be replaced. Close "
                          "the programs that use them and install again. The previous "
                          "installation is unchanged.");
  // The old folder as it was, nothing of the new one, the old link back, no settings written.
  EXPECT_EQ(Listing(drive + "VantProDB-TWS"), (std::set<std::string>{"old.dll", "vantplustws.exe"}));
  EXPECT_FALSE(PathExists(drive + "VANTProData-TWS"));
  EXPECT_FALSE(PathExists(drive + "VANTProSetup"));
  EXPECT_EQ(StagingLeftovers(drive), "");
  EXPECT_EQ(ReadTextFile(profile + "\\Desktop\\VANTPlusTWS.lnk"), "the old link");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kSettings, "InstalledDrive"), "<no key>");

  // Once the file is free the same install goes through.
  state.boxes.clear();
  CInstallSequence(state).Run();
  EXPECT_EQ(state.BoxTexts().back(), "Installation Done!");
  EXPECT_FALSE(PathExists(drive + "VantProDB-TWS\\old.dll"));
  EXPECT_TRUE(PathExists(drive + "VANTProData-TWS\\Colour\\blue.txt"));
}

TEST_F(InstallSequence, AFailedCopyPutsBackEverySettingAndLinkAndKeepsTheOldFiles) {
  CInstallSequence(state).Run();
  ASSERT_EQ(state.BoxTexts().back(), "Installation Done!");
  // Since then: the user's own file, a stored toolbar, a changed setting.
  ASSERT_TRUE(vp::test::WriteTextFile(drive + "VANTProDB-TWS\\notes.txt", "mine"));
  const std::string layout = "SOFTWARE\\KORAX\\VANTPLUS-TWS\\User Settings\\Desk\\Main";
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, layout, "ToolButtons", "buttons"));
  ASSERT_TRUE(StoreValue(HKEY_CURRENT_USER, kSettings, "InstalledDrive", "Q"));
  const std::vector<staging::RegistryTree> trees = {
      {HKEY_CURRENT_USER, "SOFTWARE\\KORAX\\VANTPLUS-TWS"},
      {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VANTPLUS-TWS"}};
  ASSERT_TRUE(staging::SaveRegistryTrees(trees, root + "\\before.txt"));
  const std::string desktopLink = profile + "\\Desktop\\VANTPlusTWS.lnk";
  const std::string oldLink = ReadTextFile(desktopLink);
  const std::set<std::string> oldFiles = Listing(drive + "VANTProDB-TWS");

  // A package file another program holds cannot be copied.
  HANDLE held = CreateFileA((package + "\\VantProDB-TWS\\VantPlusHelp.chm").c_str(), GENERIC_READ,
                            0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  state.boxes.clear();
  CInstallSequence(state).Run();
  CloseHandle(held);
  ASSERT_EQ(state.boxes.size(), 1u);
  EXPECT_EQ(state.boxes[0].text,
            "Installation is not complete: some files of the setup package could not be copied "
            "to " + drive + " (a file is in use). The previous installation is unchanged. Close "
            "the programs that may use the setup package's files and install again.");
  EXPECT_EQ(state.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
  ASSERT_TRUE(staging::SaveRegistryTrees(trees, root + "\\after.txt"));
  EXPECT_EQ(ReadTextFile(root + "\\after.txt"), ReadTextFile(root + "\\before.txt"));
  EXPECT_EQ(ReadTextFile(desktopLink), oldLink);
  EXPECT_EQ(Listing(drive + "VANTProDB-TWS"), oldFiles);
  EXPECT_EQ(StagingLeftovers(drive), "");

  // Once the file is free the install goes through.
  state.boxes.clear();
  CInstallSequence(state).Run();
  EXPECT_EQ(state.BoxTexts().back(), "Installation Done!");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, layout, "ToolButtons"), "<missing>");
  EXPECT_FALSE(PathExists(drive + "VANTProDB-TWS\\notes.txt"));
  EXPECT_EQ(StagingLeftovers(drive), "");
}

TEST_F(InstallSequence, ReinstallsNeverReplaceTheUsersSavedDatabaseWithThePackagesSample) {
  ASSERT_TRUE(MakeEntries(package, {"VantProDB-TWS\\ComVantPlusDB\\ldbclientinfo.dat"}));
  const std::string live = drive + "VantProDB-TWS\\ComVantPlusDB\\ldbclientinfo.dat";
  const std::string saved = drive + "VNXTBackUpDB-TWS\\ldbclientinfo.dat";
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\ComVantPlusDB\\"}));
  ASSERT_TRUE(vp::test::WriteTextFile(live, "the user's clients"));
  for (int install = 1; install <= 3; ++install) {
    CInstallSequence(state).Run();
    EXPECT_EQ(ReadTextFile(saved), "the user's clients") << "install " << install;
    EXPECT_EQ(state.BoxTexts().back(), "Installation Done!");
  }
  EXPECT_EQ(ReadTextFile(live), "VantProDB-TWS\\ComVantPlusDB\\ldbclientinfo.dat");
  EXPECT_FALSE(PathExists(drive + "VNXTBackUpDB-TWS-Generations\\1"));

  // What the user writes next replaces the saved copy, which is kept as a generation first.
  ASSERT_TRUE(vp::test::WriteTextFile(live, "newer clients"));
  CInstallSequence(state).Run();
  EXPECT_EQ(ReadTextFile(saved), "newer clients");
  EXPECT_EQ(ReadTextFile(drive + "VNXTBackUpDB-TWS-Generations\\1\\ldbclientinfo.dat"),
            "the user's clients");
}

TEST_F(InstallSequence, TheUninstallKeepsTheBackupAndSavesWhatTheUserWroteSince) {
  ASSERT_TRUE(MakeEntries(package, {"VantProDB-TWS\\ComVantPlusDB\\ldbclientinfo.dat"}));
  const std::string common = drive + "VantProDB-TWS\\ComVantPlusDB\\";
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\ComVantPlusDB\\", "VantProDB-TWS\\CMUser01\\"}));
  ASSERT_TRUE(vp::test::WriteTextFile(common + "ldbclientinfo.dat", "clients at the install"));
  ASSERT_TRUE(vp::test::WriteTextFile(common + "ldbmiscinfo.dat", "misc at the install"));
  ASSERT_TRUE(vp::test::WriteTextFile(drive + "VantProDB-TWS\\CMUser01\\CMUser01.dbd", "cm user"));
  CInstallSequence(state).Run();
  // Since the install: one file changed, the package's sample left as it was, a user added.
  ASSERT_TRUE(vp::test::WriteTextFile(common + "ldbmiscinfo.dat", "misc since"));
  ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\CMUser02\\"}));
  ASSERT_TRUE(vp::test::WriteTextFile(drive + "VantProDB-TWS\\CMUser02\\CMUser02.dbd", "new user"));

  // The uninstall has no package at hand (it runs from the setup folder).
  ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
  CUninstallSequence(state).RemoveFromDrive(drive);
  EXPECT_FALSE(PathExists(drive + "VantProDB-TWS"));
  const std::string backup = drive + "VNXTBackUpDB-TWS\\";
  EXPECT_EQ(ReadTextFile(backup + "ldbclientinfo.dat"), "clients at the install");
  EXPECT_EQ(ReadTextFile(backup + "ldbmiscinfo.dat"), "misc since");
  EXPECT_EQ(ReadTextFile(backup + "CM\\User01\\User01.dbd"), "cm user");
  EXPECT_EQ(ReadTextFile(backup + "CM\\User02\\User02.dbd"), "new user");
  EXPECT_EQ(ReadTextFile(drive + "VNXTBackUpDB-TWS-Generations\\1\\ldbmiscinfo.dat"),
            "misc at the install");
}

#ifndef _WIN32
TEST_F(InstallSequence, SettingsThatCannotBeSavedAreReportedInsteadOfSuccess) {
  // A damaged hive: every registry call of the user fails.
  std::ofstream(vp::machine::Root() + "/registry/HKEY_CURRENT_USER.reg") << "not a hive";
  CInstallSequence(state).Run();
  EXPECT_FALSE(PathExists(drive + "VANTProDB-TWS"));
  ASSERT_FALSE(state.boxes.empty());
  EXPECT_EQ(state.boxes.back().text,
            "Your settings could not be saved in the registry (HKEY_CURRENT_USER\\SOFTWARE\\KORAX"
            "\\VANTPLUS-TWS\\Application Settings). Nothing has been installed: the previous "
            "installation is unchanged. Install again once the registry can be written.");
  EXPECT_EQ(state.boxes.back().caption, "Error!");
}

TEST_F(InstallSequence, ALinkedFolderInTheDatabaseFolderIsNotFollowed) {
  ASSERT_TRUE(MakeEntries(root, {"outside\\precious.dat", "drive\\VantProDB-TWS\\old.dbd"}));
  DWORD error = 0;
  auto outside = vp::path::ToHost(root + "\\outside", vp::path::Need::Existing, &error);
  auto database = vp::path::ToHost(drive + "VantProDB-TWS", vp::path::Need::Existing, &error);
  ASSERT_TRUE(outside && database);
  ASSERT_EQ(symlink(outside->host.c_str(), (database->host + "/Linked").c_str()), 0);
  CInstallSequence(state).Run();
  EXPECT_TRUE(PathExists(drive + "VANTProDB-TWS\\VANTPlusTWS.exe"));
  EXPECT_FALSE(PathExists(drive + "VANTProDB-TWS\\old.dbd"));
  EXPECT_EQ(ReadTextFile(root + "\\outside\\precious.dat"), "outside\\precious.dat");
}
#endif

}  // namespace
