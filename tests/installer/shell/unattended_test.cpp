// The installer with no one at the desk: the options it takes, the answer it gives each message
// box, and whole unattended runs on the machine (the exit code, what was changed, the log).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/exit_codes.h"
#include "common/product_profile.h"
#include "common/setup_log.h"
#include "folder_entries.h"
#include "install/apps_entry.h"
#include "platform/win.h"
#include "registry_helpers.h"
#include "shell/installer_command_line.h"
#include "test_support.h"
#include "unattended/unattended_setup.h"

using vp::test::MakeEntries;
using vp::test::PathExists;
using vp::test::ReadTextFile;

namespace {

CInstallerCommandLineInfo Parse(const std::vector<std::string>& arguments) {
  CInstallerCommandLineInfo info;
  vp::fw::ParseArguments(info, arguments);
  return info;
}

TEST(SetupOptions, AreKnownInAnyCaseWithEitherSwitchAndLeaveTheOtherArgumentsAlone) {
  CInstallerCommandLineInfo info =
      Parse({"-verysilent", "/Drive=e:", "/TYPE=fo", "/tasks=StartMenu", "M:P", "V:7.0.3",
             "D:\\VANTFOSetup", "/LOG=C:\\logs\\i.log", "/norestart", "/SUPPRESSMSGBOXES"});
  const SetupOptions& options = info.m_options;
  EXPECT_TRUE(options.silent);
  EXPECT_FALSE(options.uninstall);
  EXPECT_EQ(options.drive, "E:\\");
  EXPECT_EQ(VariantOf(options), "FO");
  EXPECT_FALSE(options.desktopShortcut);
  EXPECT_TRUE(options.startMenuShortcut);
  EXPECT_TRUE(options.logGiven);
  EXPECT_EQ(options.logPath, "C:\\logs\\i.log");
  EXPECT_TRUE(options.problems.empty());
  EXPECT_EQ(info.m_strMode, "P");
  EXPECT_EQ(info.m_strVersion, "7.0.3");
  EXPECT_EQ(info.m_strSetupDir, "D:\\VANTFOSetup");

  for (const char* alias : {"/SILENT", "/S", "-quiet"}) EXPECT_TRUE(Parse({alias}).m_options.silent) << alias;
  EXPECT_EQ(VariantOf(Parse({"/S"}).m_options), "VANTPLUS");
  SetupOptions noIcons = Parse({"/NOICONS", "/UNINSTALL"}).m_options;
  EXPECT_FALSE(noIcons.desktopShortcut || noIcons.startMenuShortcut);
  EXPECT_TRUE(noIcons.uninstall);
  // Without a switch character the word is the setup folder, as it always was.
  CInstallerCommandLineInfo plain = Parse({"VERYSILENT"});
  EXPECT_FALSE(plain.m_options.silent);
  EXPECT_EQ(plain.m_strSetupDir, "VERYSILENT");
}

TEST(SetupOptions, BadValuesAndUnknownSwitchesAreProblemsOfASilentRun) {
  for (const char* bad : {"/DRIVE=QQ", "/DRIVE=1", "/DRIVE", "/TYPE=XX", "/TASKS=quicklaunch",
                          "/LOG", "/FOO"}) {
    CInstallerCommandLineInfo info = Parse({"/VERYSILENT", bad});
    EXPECT_EQ(info.m_options.problems, std::vector<std::string>{bad}) << bad;
  }
  // The dialog keeps its old reading of a switch it does not know.
  EXPECT_EQ(Parse({"/dde"}).m_strSetupDir, "dde");
  EXPECT_TRUE(Parse({"/TASKS=", "/S"}).m_options.problems.empty());
}

TEST(UnattendedAnswers, EachBoxOfTheDialogGetsItsAnswerAndCode) {
  SetupOptions install, uninstall;
  uninstall.uninstall = true;
  CUnattendedSetup installing(install, "P", "", ""), uninstalling(uninstall, "P", "", "");
  const char* question = "All application related data will be lost! Please take backup. Do you wish to continue?";
  auto answer = installing.AnswerFor(question, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(answer.button, IDNO);
  EXPECT_EQ(answer.exitCode, kExitCancelled);
  answer = uninstalling.AnswerFor(question, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(answer.button, IDYES);
  EXPECT_FALSE(answer.exitCode.has_value());

  struct Case {
    const char* text;
    UINT type;
    std::optional<UINT> code;
  } cases[] = {
      {"Installation Done!", MB_OK, std::nullopt},
      {"Application uninstalled successfully!", MB_OK, kExitSuccess},
      {"Destination file \"D:\\x\" \nalready exists, but couldn't be replaced by the new file.", MB_OK, std::nullopt},
      {"Installation is not complete: some files could not be replaced.", MB_OK | MB_ICONSTOP, kExitFatal},
      {"Your client databases could not be saved to D:\\VNXTBackUpDB-TWS.", MB_OK | MB_ICONSTOP, kExitFatal},
      {"VANTPlusFOTWS not yet installed!", MB_OK | MB_ICONSTOP, kExitNotInstalled},
      {"All Terminals should be closed during Installation/UnInstallation....!!", MB_OK, kExitTerminalRunning},
      {"Cannot write to drive Q:\\. Nothing has been installed.", MB_OK | MB_ICONSTOP, kExitFatal},
  };
  for (const Case& c : cases) {
    answer = installing.AnswerFor(c.text, c.type);
    EXPECT_EQ(answer.button, IDOK) << c.text;
    EXPECT_EQ(answer.exitCode, c.code) << c.text;
  }
  // A full disk behind a failure is told apart.
  installing.NoteFailure(ERROR_DISK_FULL);
  for (const char* text : {"Installation is not complete: ...",
                           "Setup cannot prepare the installation in D:\\VANTFOSetup.~vpinstall "
                           "(the disk is full). Nothing has been installed."})
    EXPECT_EQ(installing.AnswerFor(text, MB_OK | MB_ICONSTOP).exitCode, kExitDiskFull) << text;
}

class UnattendedRun : public testing::Test {
 protected:
  void SetUp() override {
    ClearProductKeys();
    root = vp::test::TestFolder();
    std::string package = root + "\\package";
    ASSERT_TRUE(CreateDirectoryA(package.c_str(), nullptr));
    ASSERT_TRUE(MakeEntries(package, {"VANTPlusTWSSetup.exe", "VantFODB-TWS\\VantPro.exe",
                                      "VantFODB-TWS\\ComVantPlusDB\\ComVantPlusDB.dbd",
                                      "VANTFOData-TWS\\Theme\\t.txt"}));
    ASSERT_TRUE(SetCurrentDirectoryA(package.c_str()));
    char saved[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA("USERPROFILE", saved, MAX_PATH);
    savedProfile = std::string(saved, n < MAX_PATH ? n : 0);
    profile = root + "\\profile";
    ASSERT_TRUE(MakeEntries(root, {"profile\\Desktop\\", "profile\\Start Menu\\Programs\\"}));
    ASSERT_TRUE(SetEnvironmentVariableA("USERPROFILE", profile.c_str()));
    log = root + "\\setup.log";
    ASSERT_TRUE(SetupLog().Open(log));
  }
  void TearDown() override {
    SetupLog().Finish(0);
    SetCurrentDirectoryA(vp::test::ExecutableFolder().c_str());
    SetEnvironmentVariableA("USERPROFILE", savedProfile.c_str());
    ClearProductKeys();
    vp::test::RemoveTree("D:\\VantFODB-TWS");
    vp::test::RemoveTree("D:\\VANTFOData-TWS");
    vp::test::RemoveTree("D:\\VANTFOSetup");
    vp::test::RemoveTree("D:\\VANTFOBackUpDB-TWS-Generations");
  }

  UINT Run(const std::vector<std::string>& arguments) {
    CInstallerCommandLineInfo info = Parse(arguments);
    CUnattendedSetup setup(info.m_options, info.m_strMode, info.m_strVersion, info.m_strSetupDir);
    return setup.Run();
  }

  std::string root, profile, log, savedProfile;
  const std::string kEntry = std::string(kUninstallKeyPath) + "\\VANTPLUSFO-TWS";
};

TEST_F(UnattendedRun, InstallsWhatTheOptionsChooseAndListsItInAppsAndFeatures) {
  EXPECT_EQ(Run({"/VERYSILENT", "/DRIVE=D", "/TYPE=FO", "/TASKS=desktopicon", "M:P", "V:7.0.4"}),
            kExitSuccess);
  EXPECT_TRUE(PathExists("D:\\VantFODB-TWS\\VANTPlusFOTWS.exe"));
  EXPECT_TRUE(PathExists("D:\\VANTFOData-TWS\\Theme\\t.txt"));
  EXPECT_TRUE(PathExists(profile + "\\Desktop\\VANTPlusFOTWS.lnk"));
  EXPECT_FALSE(PathExists(profile + "\\Start Menu\\Programs\\VANTProFO-TWS"));
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, "SOFTWARE\\KORAX\\VANTPLUSFO-TWS\\Application Settings",
                        "InstalledDrive"),
            "D");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kEntry, "DisplayName"), "VANTPlusFOTWS");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kEntry, "DisplayVersion"), "7.0.4");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kEntry, "QuietUninstallString"),
            "\"D:\\VANTFOSetup\\VANTPlusTWSSetup.exe\" M:P \"D:\\VANTFOSetup\" /UNINSTALL "
            "/VERYSILENT /TYPE=FO");

  // A reinstall replaces the entry: one key, this install's values.
  EXPECT_EQ(Run({"/VERYSILENT", "/DRIVE=D", "/TYPE=FO", "M:F"}), kExitSuccess);
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kEntry, "DisplayVersion"), "7.0.3");
  EXPECT_EQ(StoredValue(HKEY_CURRENT_USER, kEntry, "UninstallString"),
            "\"D:\\VANTFOSetup\\VANTPlusTWSSetup.exe\" M:F \"D:\\VANTFOSetup\"");
}

TEST_F(UnattendedRun, ARefusedRunChangesNothingAndSaysWhyInTheLog) {
  EXPECT_EQ(Run({"/VERYSILENT", "/DRIVE=Q", "/TYPE=FO"}), kExitInvalidCommandLine);
  EXPECT_EQ(Run({"/VERYSILENT", "/TYPE=XX"}), kExitInvalidCommandLine);
  EXPECT_EQ(Run({"/VERYSILENT", "/TYPE=FO", "/UNINSTALL"}), kExitNotInstalled);
  HANDLE terminal = CreateMutexA(nullptr, FALSE, "OFSWTSULPTNAV");
  EXPECT_EQ(Run({"/VERYSILENT", "/DRIVE=D", "/TYPE=FO"}), kExitTerminalRunning);
  CloseHandle(terminal);
  EXPECT_FALSE(PathExists("D:\\VantFODB-TWS"));
  EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, "SOFTWARE\\KORAX\\VANTPLUSFO-TWS"));
  SetupLog().Finish(kExitTerminalRunning);
  std::string text = ReadTextFile(log);
  EXPECT_NE(text.find("invalid command line: /DRIVE: no drive Q:\\"), std::string::npos) << text;
  EXPECT_NE(text.find("invalid command line: /TYPE=XX"), std::string::npos) << text;
  EXPECT_NE(text.find("a terminal is running: nothing was changed"), std::string::npos) << text;
  EXPECT_NE(text.find("exit code 1900 (a terminal of the product is running)\r\n"), std::string::npos);
}

}  // namespace
