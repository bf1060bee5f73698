// Entry point of every test executable. On POSIX each run gets a new emulated machine in a
// temporary folder (unless VP_MACHINE_ROOT is set by the caller); on Windows each run works in
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
  std::string machineRoot;
  bool ownRoot = std::getenv(vp::machine::kRootVariable) == nullptr;
  if (ownRoot) {
    char pattern[] = "/tmp/vp-test-machine-XXXXXX";
    if (!mkdtemp(pattern)) return 2;
    machineRoot = pattern;
    setenv(vp::machine::kRootVariable, machineRoot.c_str(), 1);
  }
  vp::machine::UseRoot(std::getenv(vp::machine::kRootVariable));
#endif
  vp::test::g_workRoot = "C:\\vptest-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(vp::test::g_workRoot.c_str(), nullptr);
  int result = RUN_ALL_TESTS();
  SetCurrentDirectoryA("C:\\");
  vp::test::RemoveTree(vp::test::g_workRoot);
#ifndef _WIN32
  if (ownRoot && std::getenv("VP_TEST_KEEP_MACHINE") == nullptr) RemoveHostTree(machineRoot);
#endif
  return result;
}
