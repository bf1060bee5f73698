// The installer program as a user starts it, through the script front end (POSIX): the
// dialog of a normal start, and the refusal while a terminal runs in another process.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/machine.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

struct ProgramRun {
  int exitCode = -1;
  std::string output;
};

// Runs the installer with a script on its input and the script front end.
ProgramRun RunInstaller(const std::string& arguments, const std::string& script) {
  std::string scriptFile = "/tmp/vp-installer-script-" + std::to_string(getpid());
  FILE* file = std::fopen(scriptFile.c_str(), "w");
  std::fputs(script.c_str(), file);
  std::fclose(file);
  std::string command = "VP_UI=script '" VP_INSTALLER_PROGRAM "' " + arguments + " < " + scriptFile;
  ProgramRun run;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::remove(scriptFile.c_str());
  return run;
}

// Another process that holds a terminal's instance mutex until destroyed.
class RunningTerminal {
 public:
  explicit RunningTerminal(const char* mutexName) {
    int ready[2], release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    child_ = fork();
    if (child_ == 0) {
      close(ready[0]);
      close(release[1]);
      HANDLE mutex = CreateMutexA(nullptr, FALSE, mutexName);
      char byte = mutex ? 1 : 0;
      (void)!write(ready[1], &byte, 1);
      (void)!read(release[0], &byte, 1);  // until the parent closes its end
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    releaseFd_ = release[1];
    char byte = 0;
    started_ = read(ready[0], &byte, 1) == 1 && byte == 1;
    close(ready[0]);
  }
  ~RunningTerminal() {
    close(releaseFd_);
    if (child_ > 0) waitpid(child_, nullptr, 0);
  }
  bool started() const { return started_; }

 private:
  pid_t child_ = -1;
  int releaseFd_ = -1;
  bool started_ = false;
};

}  // namespace

TEST(InstallerProgram, ShowsTheDialogWithTheCommandLinesVersionAndEndsWithExit) {
  ProgramRun run = RunInstaller("/M:P -V:7.0.3", "select 1004 FO\nclick 2\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output.rfind("dialog 102 VANTPlusTWS Installer 7.0.3\n", 0), 0u) << run.output;
  EXPECT_NE(run.output.find("text 1007 D:\\VantFODB-TWS\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("\nend 2\n"), std::string::npos) << run.output;
}

TEST(InstallerProgram, ARunningTerminalEndsTheProgramBeforeTheDialogShows) {
  RunningTerminal terminal("OFSWTSULPTNAV");
  ASSERT_TRUE(terminal.started());
  ProgramRun run = RunInstaller("M:P", "answer OK\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output,
            "messagebox OK\n"
            "caption VANTPlusTWSSetup\n"
            "text All Terminals should be closed during Installation/UnInstallation....!!\n");
}

TEST(InstallerProgram, ASecondSetupIsToldThatSetupIsRunning) {
  RunningTerminal firstSetup("VANTPLUSTWSSETUPRUNNING");
  ASSERT_TRUE(firstSetup.started());
  ProgramRun run = RunInstaller("M:P", "answer OK\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output,
            "messagebox OK\n"
            "caption VANTPlusTWSSetup\n"
            "text Setup is already running.\n");
}

TEST(InstallerProgram, WithoutUsableNamedObjectsTheInstallerSaysWhyAndDoesNotRun) {
  // The machine's named-objects folder is a file: no mutex can be made or probed.
  namespace fs = std::filesystem;
  fs::path objects = vp::machine::ObjectsFolder();
  fs::path aside = objects.string() + ".aside";
  std::error_code ignored;
  fs::rename(objects, aside, ignored);
  std::fclose(std::fopen(objects.c_str(), "w"));
  ProgramRun run = RunInstaller("M:P", "answer OK\n");
  fs::remove(objects, ignored);
  fs::rename(aside, objects, ignored);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output,
            "messagebox OK stop\n"
            "caption VANTPlusTWSSetup\n"
            "text Cannot check for running terminals or setups: the system's named objects "
            "cannot be used.\n");
}

TEST(InstallerProgram, TheEndOfTheScriptAtTheUninstallQuestionDeletesNothing) {
  std::string root = vp::test::TestFolder();
  ASSERT_TRUE(CreateDirectoryA((root + "\\keep").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA("C:\\VANTProData-TWS", nullptr));
  ProgramRun run = RunInstaller("M:P", "click 1003\n");
  bool kept = vp::test::PathExists("C:\\VANTProData-TWS");
  vp::test::RemoveTree("C:\\VANTProData-TWS");
  EXPECT_TRUE(kept) << run.output;
  EXPECT_NE(run.output.find("text All application related data will be lost!"), std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("uninstalled successfully"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("\nend 2\n"), std::string::npos) << run.output;
}

TEST(InstallerProgram, ControlCharactersOfTheCommandLineReachTheOutputEscaped) {
  ProgramRun run = RunInstaller("'V:7\a\x1b[31m'", "click 2\n");
  EXPECT_EQ(run.output.find('\x1b'), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find('\a'), std::string::npos) << run.output;
  EXPECT_EQ(run.output.rfind("dialog 102 VANTPlusTWS Installer 7\\x07\\x1b[31m\n", 0), 0u)
      << run.output;
}

TEST(InstallerProgram, AReaderThatStopsReadingDoesNotStopTheInstall) {
  std::string package = vp::test::TestFolder() + "\\package";
  ASSERT_TRUE(CreateDirectoryA(package.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((package + "\\VantProDB-TWS").c_str(), nullptr));
  ASSERT_TRUE(vp::test::WriteTextFile(package + "\\VantProDB-TWS\\VantPro.exe", "launcher"));
  ASSERT_TRUE(vp::test::WriteTextFile(package + "\\VANTPlusTWSSetup.exe", "setup"));
  DWORD error = 0;
  auto host = vp::path::ToHost(package, vp::path::Need::Existing, &error);
  ASSERT_TRUE(host);
  // The reader takes one line and goes: every later report meets a closed pipe.
  std::string command = "cd '" + host->host + "' && (sleep 1; printf 'select 1001 [-D-]\\n"
                        "click 1002\\nanswer OK\\nclick 2\\n') | VP_UI=script '" VP_INSTALLER_PROGRAM
                        "' M:P | head -c 1 >/dev/null; echo \\${PIPESTATUS[1]}";
  std::string shell = "bash -c \"" + command + "\"";
  FILE* pipe = popen(shell.c_str(), "r");
  char status[32] = {};
  std::fgets(status, sizeof status, pipe);
  pclose(pipe);
  bool installed = vp::test::PathExists("D:\\VANTProDB-TWS\\VANTPlusTWS.exe") &&
                   vp::test::PathExists("D:\\VANTProSetup\\VANTPlusTWSSetup.exe");
  for (const char* folder : {"D:\\VANTProDB-TWS", "D:\\VANTProSetup", "D:\\VNXTBackUpDB-TWS"})
    vp::test::RemoveTree(folder);
  EXPECT_TRUE(installed);
  EXPECT_STREQ(status, "0\n");
}

#endif
