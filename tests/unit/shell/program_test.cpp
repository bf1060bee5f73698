// The installer program as a user starts it, through the script front end (POSIX): the
// dialog of a normal start, and the refusal while a terminal runs in another process.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/win.h"

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

#endif
