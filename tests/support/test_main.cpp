// Entry point of every test executable. On POSIX each test gets a new emulated machine in a
// temporary folder (unless VP_MACHINE_ROOT is set by the caller); on Windows each test works in
// its own folder on C:, and only on a machine that may be wiped (see machine_guard.h). Both are
// removed afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win.h"
#include "machine_guard.h"
#include "test_support.h"

#ifndef _WIN32
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/machine.h"
#endif

namespace vp::test {

static std::string g_workRoot;

std::string WorkRoot() { return g_workRoot; }

}  // namespace vp::test

#ifndef _WIN32
static int RemoveHostEntry(const char* path, const struct stat*, int, struct FTW*) {
  chmod(path, 0700);
  return remove(path);
}
static int MakeWritable(const char* path, const struct stat* st, int, struct FTW*) {
  if (!S_ISLNK(st->st_mode)) chmod(path, (st->st_mode & 07777) | 0700);
  return 0;
}
static void RemoveHostTree(const std::string& folder) {
  nftw(folder.c_str(), MakeWritable, 32, FTW_PHYS);
  nftw(folder.c_str(), RemoveHostEntry, 32, FTW_DEPTH | FTW_PHYS);
}
#endif

static int g_testNumber = 0;

// "C:\vptest-<pid>-<n>": the running test's work folder, made before it starts.
static void MakeWorkRoot() {
  vp::test::g_workRoot = "C:\\vptest-" + std::to_string(GetCurrentProcessId()) + "-" +
                         std::to_string(++g_testNumber);
  CreateDirectoryA(vp::test::g_workRoot.c_str(), nullptr);
}

static void RemoveWorkRoot() {
  SetCurrentDirectoryA("C:\\");
  vp::test::RemoveTree(vp::test::g_workRoot);
}

#ifndef _WIN32
// Each test starts on a new emulated machine of its own, made in a temporary folder and removed
// after it, so that no test sees what an earlier one left on a drive, in the registry or among
// the named objects. A caller that names a machine (VP_MACHINE_ROOT) keeps that one machine.
class FreshMachinePerTest : public testing::EmptyTestEventListener {
 public:
  explicit FreshMachinePerTest(bool ownMachines) : m_ownMachines(ownMachines) {
    char here[4096];
    if (getcwd(here, sizeof here)) m_startFolder = here;
  }
  bool UseNewMachine() {
    if (!m_ownMachines) {
      vp::machine::UseRoot(std::getenv(vp::machine::kRootVariable));
      return true;
    }
    RemoveMachine();
    char pattern[] = "/tmp/vp-test-machine-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    m_root = pattern;
    setenv(vp::machine::kRootVariable, m_root.c_str(), 1);
    vp::machine::UseRoot(m_root);
    return true;
  }

  void OnTestStart(const testing::TestInfo&) override {
    if (!UseNewMachine()) {
      std::fprintf(stderr, "cannot make a temporary machine folder\n");
      std::exit(2);
    }
    MakeWorkRoot();
  }
  void OnTestEnd(const testing::TestInfo&) override { RemoveWorkRoot(); }
  void OnTestProgramEnd(const testing::UnitTest&) override { RemoveMachine(); }

 private:
  void RemoveMachine() {
    if (m_root.empty()) return;
    // Every test starts in the folder the program started in, never in a removed machine (child
    // processes would inherit a folder that no longer exists).
    if (m_startFolder.empty() || chdir(m_startFolder.c_str()) != 0) (void)!chdir("/");
    if (std::getenv("VP_TEST_KEEP_MACHINE") == nullptr) RemoveHostTree(m_root);
    m_root.clear();
  }
  bool m_ownMachines;
  std::string m_root;
  std::string m_startFolder;
};
#endif

int main(int argc, char** argv) {
  // Before anything touches the machine: a Windows test program on a real installation stops here.
  std::string refusal = vp::test::RefusalForThisProcess();
  if (!refusal.empty()) {
    std::fprintf(stderr, "%s: %s\n", argc > 0 ? argv[0] : "test", refusal.c_str());
    return vp::test::kRefusedExitCode;
  }
  int childExit = 0;
  if (vp::test::RunChildIfAsked(argc, argv, &childExit)) return childExit;
  testing::InitGoogleTest(&argc, argv);
#ifndef _WIN32
  bool ownMachines = std::getenv(vp::machine::kRootVariable) == nullptr;
  testing::UnitTest::GetInstance()->listeners().Append(new FreshMachinePerTest(ownMachines));
#else
  // Windows: the machine is the wine prefix the runner made for this program; each test gets a
  // fresh work folder on C:.
  struct FreshWorkFolderPerTest : testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { MakeWorkRoot(); }
    void OnTestEnd(const testing::TestInfo&) override { RemoveWorkRoot(); }
  };
  testing::UnitTest::GetInstance()->listeners().Append(new FreshWorkFolderPerTest);
#endif
  return RUN_ALL_TESTS();
}
