// The crash dump filter called as the system calls it: where the dump goes, what happens
// without the module's export, paths that do not fit, and two failures at once.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "crash_dump_filter.h"
#include "launcher_test_support.h"
#include "platform/win.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

using vp::test::ProbeLog;
using vp::test::ProbeModule;
using vp::test::RecordingHost;
using vp::test::SetProbeVariable;
using Lines = std::vector<std::string>;

namespace {

std::vector<std::string> DumpsIn(const std::string& folder) {
  return vp::test::NamesMatching(folder + "\\VPLSCrash_*.dmp");
}

// What the system hands the filter: a record and this thread's registers.
struct FakeFailure {
  EXCEPTION_RECORD record{};
  CONTEXT context{};
  EXCEPTION_POINTERS pointers{&record, &context};
  FakeFailure() {
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
#ifdef _WIN32
    RtlCaptureContext(&context);
#endif
  }
};

class CrashDumpFilterTest : public testing::Test {
 protected:
  void SetUp() override {
    // As the launcher's start-up does; it also makes DBGHELP.DLL available on every backend.
    previousFilter = SetUnhandledExceptionFilter(CrashDumpFilter);
    folder = vp::test::TestFolder();
    vp::test::StartProbeLog(folder);
    SetProbeVariable("VP_PROBE_DUMP_FOLDER", folder.c_str());
  }
  void TearDown() override {
    SetUnhandledExceptionFilter(previousFilter);
    host.StopUIModule();
    SetProbeVariable("VP_PROBE_DUMP_FOLDER", nullptr);
    SetProbeVariable("VP_PROBE_DUMP_DELAY", nullptr);
  }
  void Load(const std::string& module) {
    host.m_strUIModule = ProbeModule(module);
    ASSERT_TRUE(host.LoadUIModule());
  }

  LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
  std::string folder;
  RecordingHost host;
  FakeFailure failure;
};

}  // namespace

TEST(DumpPath, IsFolderBackslashNameSecondsAndNeverCut) {
  char path[kDumpPathSize];
  ASSERT_TRUE(FormatDumpPath("D:\\Dumps", 1700000000, path));
  EXPECT_STREQ(path, "D:\\Dumps\\VPLSCrash_1700000000.dmp");
  ASSERT_TRUE(FormatDumpPath(".\\", 12, path));
  EXPECT_STREQ(path, ".\\\\VPLSCrash_12.dmp");

  std::string tail = "\\VPLSCrash_12.dmp";
  std::string fits(kDumpPathSize - 1 - tail.size(), 'f');
  ASSERT_TRUE(FormatDumpPath(fits.c_str(), 12, path));
  EXPECT_EQ(std::strlen(path), kDumpPathSize - 1);
  std::string tooLong = fits + "g";
  EXPECT_FALSE(FormatDumpPath(tooLong.c_str(), 12, path));
  EXPECT_STREQ(path, "");
}

TEST(DumpPath, AFolderBufferWithoutTerminatorIsNotReadPastItsEnd) {
  // The buffer is followed by other data; only its own 1040 bytes may be looked at.
  struct {
    char folder[kDumpPathSize];
    char after[16];
  } memory;
  std::memset(memory.folder, 'x', sizeof memory.folder);
  std::memcpy(memory.after, "\0\0\0\0", 4);
  char path[kDumpPathSize];
  EXPECT_FALSE(FormatDumpPath(memory.folder, 12, path));
}

TEST_F(CrashDumpFilterTest, WritesTheDumpIntoTheModulesFolderAndLetsTheSystemGoOn) {
  Load("probe");
  EXPECT_EQ(CrashDumpFilter(&failure.pointers), EXCEPTION_CONTINUE_SEARCH);
  std::vector<std::string> dumps = DumpsIn(folder);
  ASSERT_EQ(dumps.size(), 1u);
  std::string content = vp::test::ReadTextFile(folder + "\\" + dumps[0]);
  EXPECT_EQ(content.substr(0, 4), "MDMP");
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(ProbeLog(), (Lines{"DLLGetDumpPath begins", "DLLGetDumpPath ends"}));
}

TEST_F(CrashDumpFilterTest, NoExceptionRecordMeansNothingAtAll) {
  Load("probe");
  EXPECT_EQ(CrashDumpFilter(nullptr), EXCEPTION_CONTINUE_SEARCH);
  EXPECT_TRUE(DumpsIn(folder).empty());
  EXPECT_TRUE(ProbeLog().empty());
}

TEST_F(CrashDumpFilterTest, WithoutTheExportTheUserIsToldAndTheDumpGoesToTheCurrentFolder) {
  Load("probe-no-dump-path");
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(folder.c_str());
  EXPECT_EQ(CrashDumpFilter(&failure.pointers), EXCEPTION_CONTINUE_SEARCH);
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(host.crashMessages, Lines{"Unable to load FUNCTION: DLLGetDumpPath"});
  EXPECT_TRUE(host.messages.empty());  // never through the main window
  EXPECT_EQ(DumpsIn(folder).size(), 1u);
}

TEST_F(CrashDumpFilterTest, AfterShutDownTheFreedModuleIsNotCalled) {
  Load("probe");
  host.StopUIModule();
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(folder.c_str());
  CrashDumpFilter(&failure.pointers);
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(ProbeLog(), Lines{"DLLExitInstance"});
  EXPECT_EQ(host.crashMessages, Lines{"Unable to load FUNCTION: DLLGetDumpPath"});
  EXPECT_EQ(DumpsIn(folder).size(), 1u);
}

TEST_F(CrashDumpFilterTest, AFolderThatLeavesNoRoomGetsNoDumpRatherThanACutPath) {
  Load("probe");
  std::string deep = folder + "\\" + std::string(1000, 'd');
  SetProbeVariable("VP_PROBE_DUMP_FOLDER", deep.c_str());
  EXPECT_EQ(CrashDumpFilter(&failure.pointers), EXCEPTION_CONTINUE_SEARCH);
  SetProbeVariable("VP_PROBE_DUMP_FOLDER", "<fill>");
  EXPECT_EQ(CrashDumpFilter(&failure.pointers), EXCEPTION_CONTINUE_SEARCH);
  EXPECT_TRUE(DumpsIn(folder).empty());
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(CrashDumpFilterTest, TwoThreadsFailingTogetherWriteOneAfterTheOther) {
  Load("probe");
  SetProbeVariable("VP_PROBE_DUMP_DELAY", "150");
  FakeFailure other;
  std::thread second([&] { CrashDumpFilter(&other.pointers); });
  CrashDumpFilter(&failure.pointers);
  second.join();
  EXPECT_EQ(ProbeLog(), (Lines{"DLLGetDumpPath begins", "DLLGetDumpPath ends",
                               "DLLGetDumpPath begins", "DLLGetDumpPath ends"}));
  EXPECT_GE(DumpsIn(folder).size(), 1u);  // the same second gives the same name
}

TEST_F(CrashDumpFilterTest, AnEmptyFolderFromTheModuleMeansTheCurrentFolderNotTheDriveRoot) {
  Load("probe");
  SetProbeVariable("VP_PROBE_DUMP_FOLDER", "");
  std::string work = folder + "\\work";
  CreateDirectoryA(work.c_str(), nullptr);
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  SetCurrentDirectoryA(work.c_str());
  std::vector<std::string> atRootBefore = DumpsIn(folder.substr(0, 2));
  CrashDumpFilter(&failure.pointers);
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(DumpsIn(work).size(), 1u);
  EXPECT_EQ(DumpsIn(folder.substr(0, 2)), atRootBefore);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(host.crashMessages.empty());
}

#ifndef _WIN32
TEST_F(CrashDumpFilterTest, ADumpThatCannotBeWrittenWholeIsRemoved) {
  Load("probe");
  // A file system that fills up after 4,096 bytes: writes beyond fail with EFBIG.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  CrashDumpFilter(&failure.pointers);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousSignal);
  std::vector<std::string> left = DumpsIn(folder);
  for (const std::string& name : left) {
    ADD_FAILURE() << name << " left with " << vp::test::ReadTextFile(folder + "\\" + name).size() << " bytes";
  }
  // With room again the same failure writes its dump.
  CrashDumpFilter(&failure.pointers);
  EXPECT_EQ(DumpsIn(folder).size(), 1u);
}
#endif
