// The launcher as users start it: the executable copied under a terminal's name beside a test
// module named "VantPlusUI.dll", run with the script front end so that its message boxes can
// be read from its output.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/machine.h"
#include "platform/win.h"
#include "staging/install_transaction.h"
#include "test_support.h"

extern char** environ;

namespace {

std::string Host(const std::string& windowsPath) {
  DWORD error = 0;
  auto resolved = vp::path::ToHost(windowsPath, vp::path::Need::Creatable, &error);
  return resolved ? resolved->host : std::string();
}

// A folder holding the launcher under `exeName` and, unless empty, a test module.
struct Installation {
  std::string folder;  // Windows path
  std::string exe;     // host path of the launcher
  Installation(const std::string& where, const std::string& exeName, const std::string& module) {
    folder = where;
    CreateDirectoryA(folder.c_str(), nullptr);
    exe = Host(folder + "\\" + exeName);
    CopyFileA(vp::path::FromHost(VP_LAUNCHER).c_str(), (folder + "\\" + exeName).c_str(), FALSE);
    chmod(exe.c_str(), 0755);
    if (!module.empty()) {
      std::string probe = std::string(VP_PROBE_FOLDER) + "/" + module + "/VantPlusUI.dll";
      CopyFileA(vp::path::FromHost(probe).c_str(), (folder + "\\VantPlusUI.dll").c_str(), FALSE);
    }
  }
  std::string Log() const { return vp::test::ReadTextFile(folder + "\\probe.log"); }
};

struct Launch {
  pid_t pid = 0;
  std::string outputPath;
  int status = 0;
  std::string Output() const { return vp::test::ReadTextFile(vp::path::FromHost(outputPath)); }
};

// Starts the launcher in its folder with the probe's switches; output goes to a file there.
Launch Start(const Installation& at, std::vector<std::string> settings,
             std::vector<std::string> arguments = {}, const std::string& input = "") {
  Launch run;
  std::string hostFolder = Host(at.folder);
  std::string inputPath = "/dev/null";
  if (!input.empty()) {
    vp::test::WriteTextFile(at.folder + "\\input.txt", input);
    inputPath = hostFolder + "/input.txt";
  }
  run.outputPath = hostFolder + "/output-" + std::to_string(std::rand()) + ".txt";
  settings.push_back("VP_UI=script");
  settings.push_back("VP_PROBE_LOG=" + hostFolder + "/probe.log");
  std::vector<std::string> environment(settings);
  for (char** e = environ; *e; ++e) environment.push_back(*e);
  std::vector<char*> envp, argv{const_cast<char*>(at.exe.c_str())};
  for (std::string& e : environment) envp.push_back(e.data());
  for (std::string& a : arguments) argv.push_back(a.data());
  envp.push_back(nullptr);
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inputPath.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, run.outputPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, hostFolder.c_str());
  EXPECT_EQ(posix_spawn(&run.pid, at.exe.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

Launch Finish(Launch run) {
  waitpid(run.pid, &run.status, 0);
  return run;
}

Launch RunLauncher(const Installation& at, std::vector<std::string> settings = {},
                std::vector<std::string> arguments = {}) {
  return Finish(Start(at, std::move(settings), std::move(arguments)));
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}
int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}
bool ExitedWith(const Launch& run, int code) {
  return WIFEXITED(run.status) && WEXITSTATUS(run.status) == code;
}

std::vector<std::string> DumpsIn(const std::string& folder) {
  return vp::test::NamesMatching(folder + "\\VPLSCrash_*.dmp");
}

}  // namespace

TEST(Launcher, AnyOtherExecutableNameIsRefusedWithExitCodeZero) {
  Installation at(vp::test::TestFolder() + "\\build", "VantPro.exe", "probe");
  Launch run = RunLauncher(at);
  EXPECT_TRUE(ExitedWith(run, 0)) << run.status;
  EXPECT_TRUE(Contains(run.Output(), "text No proper application name found. 1")) << run.Output();
  EXPECT_EQ(at.Log(), "");  // nothing else of the launcher ran
}

TEST(Launcher, TerminalNameInOtherCaseRunsTheModuleFromStartToShutDown) {
  Installation at(vp::test::TestFolder() + "\\db", "vantplustws.exe", "probe");
  Launch run = RunLauncher(at, {}, {"\\LVantFOUI"});  // the argument does not change the module
  EXPECT_TRUE(ExitedWith(run, 0)) << run.status;
  EXPECT_FALSE(Contains(run.Output(), "messagebox")) << run.Output();
  // A null main window ends the program at once, through the usual shut-down.
  EXPECT_EQ(at.Log(), "DLLInitInstance\nDLLExitInstance\n");
}

TEST(Launcher, MissingModuleAndMissingStartExportAreReported) {
  std::string root = vp::test::TestFolder();
  Installation bare(root + "\\bare", "VANTPlusTWS.exe", "");
  Launch run = RunLauncher(bare);
  EXPECT_TRUE(Contains(run.Output(), "text Unable to load DLL: VantPlusUI.dll")) << run.Output();
  EXPECT_TRUE(ExitedWith(run, 0)) << run.status;

  Installation noInit(root + "\\noinit", "VANTPlusTWS.exe", "probe-no-init");
  run = RunLauncher(noInit);
  EXPECT_TRUE(Contains(run.Output(), "text Unable to load FUNCTION: DLLInitInstance"))
      << run.Output();
  EXPECT_EQ(noInit.Log(), "DLLExitInstance\n");  // still shut down and freed
}

TEST(Launcher, SecondTerminalOfAVariantIsRefusedWhileOtherVariantsRun) {
  std::string root = vp::test::TestFolder();
  std::string gate = Host(root) + "/gate";
  Installation first(root + "\\first", "VANTPlusTWS.exe", "probe");
  Installation second(root + "\\second", "VANTPlusTWS.exe", "probe");
  Installation fo(root + "\\fo", "VANTPlusFOTWS.exe", "probe");
  Launch running = Start(first, {"VP_PROBE_BLOCK=" + gate});
  for (int i = 0; i < 250 && first.Log().empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(first.Log(), "DLLInitInstance\n");

  Launch refused = RunLauncher(second);
  EXPECT_TRUE(Contains(refused.Output(), "text APPLICATION ALREADY RUNNING")) << refused.Output();
  EXPECT_EQ(second.Log(), "");  // no module loaded
  Launch other = RunLauncher(fo);
  EXPECT_FALSE(Contains(other.Output(), "messagebox")) << other.Output();
  EXPECT_EQ(fo.Log(), "DLLInitInstance\nDLLExitInstance\n");

  vp::test::WriteTextFile(vp::path::FromHost(gate), "go");
  running = Finish(running);
  EXPECT_TRUE(ExitedWith(running, 0)) << running.status;
  // Once the first has ended, the variant starts again.
  Launch again = RunLauncher(second);
  EXPECT_FALSE(Contains(again.Output(), "ALREADY")) << again.Output();
}

TEST(Launcher, WithoutUsableNamedObjectsTheTerminalSaysWhyAndDoesNotStart) {
  Installation at(vp::test::TestFolder() + "\\noobjects", "VANTPlusTWS.exe", "probe");
  // The machine's named-objects folder is a file: the instance mutex cannot be made.
  std::string objects = vp::machine::ObjectsFolder();
  std::string aside = objects + ".aside";
  rename(objects.c_str(), aside.c_str());
  std::fclose(std::fopen(objects.c_str(), "w"));
  Launch run = RunLauncher(at);
  unlink(objects.c_str());
  rename(aside.c_str(), objects.c_str());
  EXPECT_TRUE(ExitedWith(run, 0)) << run.status;
  EXPECT_TRUE(Contains(run.Output(), "text Cannot check whether the application is already "
                                     "running: the system's named objects cannot be used."))
      << run.Output();
  EXPECT_EQ(at.Log(), "");  // the module never started
}

TEST(Launcher, AnInstallRunningOnItsDriveKeepsItFromStartingAndOneCutOffIsSettledFirst) {
  Installation at(vp::test::TestFolder() + "\\db", "VANTPlusTWS.exe", "probe");
  const std::string drive = at.folder.substr(0, 3);
  const staging::SwitchedFolder app{drive + "VPTestApp"};
  ASSERT_TRUE(CreateDirectoryA(app.final.c_str(), nullptr));
  {
    staging::CInstallTransaction install;
    ASSERT_TRUE(install.Begin(staging::TransactionFolder(drive, "VPTestSetup"), drive));
    ASSERT_TRUE(install.StageFolder(app));
    Launch busy = RunLauncher(at);
    EXPECT_TRUE(ExitedWith(busy, 0)) << busy.status;
    EXPECT_TRUE(Contains(busy.Output(), "text Setup is changing the installation. Start the "
                                        "terminal again when setup has finished."))
        << busy.Output();
    EXPECT_EQ(at.Log(), "");  // the module never started
    // The install ends here as if killed: its journal and staged folder stay behind.
  }
  Launch run = RunLauncher(at);
  EXPECT_FALSE(Contains(run.Output(), "messagebox")) << run.Output();
  EXPECT_EQ(at.Log(), "DLLInitInstance\nDLLExitInstance\n");
  EXPECT_FALSE(vp::test::PathExists(staging::TransactionFolder(drive, "VPTestSetup")));
  EXPECT_FALSE(vp::test::PathExists(app.Staged()));
  EXPECT_TRUE(vp::test::PathExists(app.final));
}

TEST(Launcher, CrashInTheModuleWritesADumpThatLldbReads) {
  std::string root = vp::test::TestFolder();
  std::string dumps = root + "\\dumps";
  CreateDirectoryA(dumps.c_str(), nullptr);
  Installation at(root + "\\db", "VANTPlusTWS.exe", "probe");
  Launch run = RunLauncher(at, {"VP_PROBE_CRASH=init", "VP_PROBE_DUMP_FOLDER=" + dumps});
  EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGSEGV) << run.status;
  EXPECT_FALSE(Contains(run.Output(), "messagebox")) << run.Output();
  std::vector<std::string> written = DumpsIn(dumps);
  ASSERT_EQ(written.size(), 1u);

  std::string command = "lldb --batch -c '" + Host(dumps + "\\" + written[0]) + "' '" + at.exe +
                        "' -o 'bt' 2>&1";
  std::string lldb;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) lldb.append(buffer, n);
    pclose(pipe);
  }
  EXPECT_TRUE(Contains(lldb, "SIGSEGV")) << lldb;
  EXPECT_TRUE(Contains(lldb, "CrashInModuleInit")) << lldb;
  EXPECT_TRUE(Contains(lldb, "DLLInitInstance")) << lldb;
}

TEST(Launcher, CrashWithoutDumpPathExportTellsTheUserThenDumpsIntoTheCurrentFolder) {
  std::string root = vp::test::TestFolder();
  Installation at(root + "\\db", "VANTPlusTWS.exe", "probe-no-dump-path");
  Launch run = RunLauncher(at, {"VP_PROBE_CRASH=init"});
  EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGSEGV) << run.status;
  std::string output = run.Output();
  EXPECT_EQ(Count(output, "text Unable to load FUNCTION: DLLGetDumpPath"), 1) << output;
  EXPECT_EQ(DumpsIn(at.folder).size(), 1u);  // the launcher ran in its own folder
}

TEST(Launcher, SampleModuleMainWindowRunsTheTerminalUntilItIsClosed) {
  Installation at(vp::test::TestFolder() + "\\db", "VANTPlusTWS.exe", "");
  std::string sample = std::string(VP_PROBE_FOLDER) + "/sample/VantPlusUI.dll";
  ASSERT_TRUE(CopyFileA(vp::path::FromHost(sample).c_str(), (at.folder + "\\VantPlusUI.dll").c_str(),
                        FALSE));
  for (const char* closing : {"key close\n", "click 2\n"}) {
    Launch run = Finish(Start(at, {}, {"\\LVantPlusUI"}, closing));
    EXPECT_TRUE(ExitedWith(run, 0)) << run.status;
    std::string output = run.Output();
    EXPECT_TRUE(Contains(output, "dialog 100 VantPlus Terminal")) << output;
    EXPECT_TRUE(Contains(output, "The terminal is running.")) << output;
    EXPECT_TRUE(Contains(output, "destroy 100")) << output;
    EXPECT_FALSE(Contains(output, "error")) << output;
  }
}

TEST(Launcher, TheModulesMainWindowRunsTheLoopAndSeesEachMessagePreTranslatedFirst) {
  Installation at(vp::test::TestFolder() + "\\db", "VANTPlusTWS.exe", "probe");
  Launch run = RunLauncher(at, {"VP_PROBE_WINDOW=3"});
  EXPECT_TRUE(ExitedWith(run, 0)) << run.status;
  EXPECT_EQ(at.Log(),
            "DLLInitInstance\n"
            "DLLPreTranslateMessage 1\nreceived 1\n"
            "DLLPreTranslateMessage 2\nreceived 2\n"
            "DLLPreTranslateMessage 3\nreceived 3\n"
            "DLLExitInstance\n");
}

TEST(Launcher, AModuleWithoutPreTranslationIsReportedOnceOverManyMessages) {
  Installation at(vp::test::TestFolder() + "\\db", "VANTPlusTWS.exe", "probe-no-pretranslate");
  Launch run = RunLauncher(at, {"VP_PROBE_WINDOW=3"});
  EXPECT_TRUE(ExitedWith(run, 0)) << run.status;
  std::string output = run.Output();
  EXPECT_EQ(Count(output, "text Unable to load FUNCTION: DLLPreTranslateMessage"), 1) << output;
  EXPECT_EQ(at.Log(), "DLLInitInstance\nreceived 1\nreceived 2\nreceived 3\nDLLExitInstance\n");
}

TEST(Launcher, ABareLaunchSwitchShowsTheLaunchScreenWhoseChoiceIsLoadedAndWhoseCancelEndsQuietly) {
  Installation at(vp::test::TestFolder() + "\\db", "VANTPlusTWS.exe", "");
  std::string probe = std::string(VP_PROBE_FOLDER) + "/probe/VantPlusUI.dll";
  ASSERT_TRUE(CopyFileA(vp::path::FromHost(probe).c_str(), (at.folder + "\\VANTFOUI.dll").c_str(), FALSE));

  // Only the FO module is there: the PLUS choice cannot be loaded and says so.
  struct Case {
    const char* input;
    const char* loaded;
    const char* report;
  } cases[] = {{"click 20000\n", "DLLInitInstance\nDLLExitInstance\n", "end 1"},
               {"focus 20000\nkey enter\n", "DLLInitInstance\nDLLExitInstance\n", "end 1"},
               {"click 20001\n", "", "text Unable to load DLL: VantPlusUI.dll"},
               {"key escape\n", "", "end 2"},
               {"key close\n", "", "end 2"}};
  for (const Case& c : cases) {
    vp::test::WriteTextFile(at.folder + "\\probe.log", "");
    Launch run = Finish(Start(at, {}, {"\\L"}, c.input));
    EXPECT_TRUE(ExitedWith(run, 0)) << c.input << run.status;
    std::string output = run.Output();
    EXPECT_TRUE(Contains(output, "dialog 15003 \n")) << output;
    EXPECT_TRUE(Contains(output, c.report)) << output;
    EXPECT_EQ(at.Log(), c.loaded) << c.input;
    if (std::string(c.report) == "end 2") {
      EXPECT_FALSE(Contains(output, "messagebox")) << output;
    }
  }
  // Any other argument keeps the fixed module and shows no screen.
  Launch run = Finish(Start(at, {}, {"\\LVantFOUI"}, "answer OK\n"));
  EXPECT_FALSE(Contains(run.Output(), "dialog 15003")) << run.Output();
  EXPECT_TRUE(Contains(run.Output(), "text Unable to load DLL: VantPlusUI.dll")) << run.Output();
}
