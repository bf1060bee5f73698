// Crash dumps on the POSIX layer: fatal signals reach the unhandled-exception filter, the
// built-in DBGHELP.DLL writes a minidump, and LLDB reads the failing thread and frame from it.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "minidump_reader.h"
#include "platform/machine.h"
#include "platform/win.h"
#include "test_support.h"

extern char** environ;

namespace {

struct CrashRun {
  int status = 0;
  std::string folder;              // Windows path of the dump folder
  std::vector<std::string> dumps;  // file names found there
  long long startedAt = 0, endedAt = 0;
};

CrashRun RunVictim(const std::string& mode) {
  CrashRun run;
  run.folder = vp::test::TestFolder();
  std::vector<char*> argv = {const_cast<char*>(VP_CRASH_VICTIM), const_cast<char*>(mode.c_str()),
                             const_cast<char*>(run.folder.c_str()), nullptr};
  run.startedAt = std::time(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, VP_CRASH_VICTIM, nullptr, nullptr, argv.data(), environ) != 0) return run;
  waitpid(pid, &run.status, 0);
  run.endedAt = std::time(nullptr);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((run.folder + "\\*.dmp").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do run.dumps.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
  }
  return run;
}

std::string HostPath(const std::string& windowsPath) {
  DWORD error = 0;
  auto resolved = vp::path::ToHost(windowsPath, vp::path::Need::Existing, &error);
  return resolved ? resolved->host : std::string();
}

// What LLDB prints for the dump's threads and the failing thread's backtrace.
std::string LldbBacktrace(const std::string& dumpHostPath) {
  std::string command = "lldb --batch -c '" + dumpHostPath + "' '" + VP_CRASH_VICTIM +
                        "' -o 'thread list' -o 'bt' 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

// The one dump of a run, checked for its name: "VPLSCrash_<seconds>.dmp" of the run's time.
vp::test::MinidumpReader TheDump(const CrashRun& run, std::string* hostPath) {
  EXPECT_EQ(run.dumps.size(), 1u);
  if (run.dumps.empty()) return vp::test::MinidumpReader("");
  const std::string& name = run.dumps[0];
  long long seconds = -1;
  char tail[8] = {};
  EXPECT_EQ(std::sscanf(name.c_str(), "VPLSCrash_%lld%7s", &seconds, tail), 2) << name;
  EXPECT_STREQ(tail, ".dmp");
  EXPECT_GE(seconds, run.startedAt);
  EXPECT_LE(seconds, run.endedAt);
  std::string path = run.folder + "\\" + name;
  *hostPath = HostPath(path);
  return vp::test::MinidumpReader(vp::test::ReadTextFile(path));
}

bool EndedBySignal(const CrashRun& run, int signo) {
  return WIFSIGNALED(run.status) && WTERMSIG(run.status) == signo;
}

}  // namespace

TEST(CrashDump, NullWriteIsDumpedAndLldbNamesTheFailingFunction) {
  CrashRun run = RunVictim("null-write");
  EXPECT_TRUE(EndedBySignal(run, SIGSEGV)) << "status " << run.status;
  std::string host;
  vp::test::MinidumpReader dump = TheDump(run, &host);
  ASSERT_TRUE(dump.Valid());
  for (std::uint32_t stream : {3u, 4u, 5u, 6u, 7u}) EXPECT_TRUE(dump.HasStream(stream)) << stream;
  EXPECT_EQ(dump.ExceptionCode(), static_cast<std::uint32_t>(SIGSEGV));
  EXPECT_EQ(dump.ThreadIds(), std::vector<std::uint32_t>{dump.ExceptionThreadId()});
  EXPECT_NE(dump.ThreadInstructionPointer(dump.ExceptionThreadId()).value_or(0), 0u);
  bool victimListed = false;
  for (const std::string& name : dump.ModuleNames())
    victimListed = victimListed || name == VP_CRASH_VICTIM;
  EXPECT_TRUE(victimListed);

  std::string lldb = LldbBacktrace(host);
  EXPECT_NE(lldb.find("SIGSEGV"), std::string::npos) << lldb;
  EXPECT_NE(lldb.find("frame #0"), std::string::npos) << lldb;
  EXPECT_NE(lldb.find("CrashByNullWrite"), std::string::npos) << lldb;
  EXPECT_NE(lldb.find("`main"), std::string::npos) << lldb;
}

TEST(CrashDump, FailureOnAnotherThreadDumpsThatThread) {
  CrashRun run = RunVictim("thread");
  EXPECT_TRUE(EndedBySignal(run, SIGSEGV)) << "status " << run.status;
  std::string host;
  vp::test::MinidumpReader dump = TheDump(run, &host);
  ASSERT_TRUE(dump.Valid());
  EXPECT_EQ(dump.ThreadIds(), std::vector<std::uint32_t>{dump.ExceptionThreadId()});
  std::string lldb = LldbBacktrace(host);
  EXPECT_NE(lldb.find("CrashByNullWrite"), std::string::npos) << lldb;
  EXPECT_EQ(lldb.find("`main"), std::string::npos) << "the worker's stack, not main's: " << lldb;
}

TEST(CrashDump, AbortIsDumpedAndStillEndsTheProcessAsAbort) {
  CrashRun run = RunVictim("abort");
  EXPECT_TRUE(EndedBySignal(run, SIGABRT)) << "status " << run.status;
  std::string host;
  vp::test::MinidumpReader dump = TheDump(run, &host);
  ASSERT_TRUE(dump.Valid());
  EXPECT_EQ(dump.ExceptionCode(), static_cast<std::uint32_t>(SIGABRT));
}

#if !defined(__SANITIZE_ADDRESS__)
// The heap is broken when the filter runs: the writer must not need it.
TEST(CrashDump, FailureInsideTheAllocatorStillWritesAReadableDump) {
  CrashRun run = RunVictim("heap");
  // The allocator either notices the broken link (abort) or follows it (access violation).
  EXPECT_TRUE(EndedBySignal(run, SIGABRT) || EndedBySignal(run, SIGSEGV)) << run.status;
  std::string host;
  vp::test::MinidumpReader dump = TheDump(run, &host);
  ASSERT_TRUE(dump.Valid());
  std::string lldb = LldbBacktrace(host);
  EXPECT_NE(lldb.find("CorruptHeapThenAllocate"), std::string::npos) << lldb;
}
#endif

TEST(CrashDump, WithoutAFilterTheSignalEndsTheProcessAndNothingIsWritten) {
  CrashRun run = RunVictim("no-filter");
#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer reports the fault and exits instead
  EXPECT_TRUE(EndedBySignal(run, SIGSEGV)) << "status " << run.status;
#endif
  EXPECT_TRUE(run.dumps.empty());
}

TEST(CrashDump, ExecuteHandlerEndsTheProcessWithTheExceptionCode) {
  CrashRun run = RunVictim("execute-handler");
  ASSERT_TRUE(WIFEXITED(run.status)) << "status " << run.status;
  // The shell sees the low 8 bits of 0xC0000005.
  EXPECT_EQ(WEXITSTATUS(run.status), 5);
  EXPECT_EQ(run.dumps.size(), 1u);
}

TEST(CrashDump, WriterDumpsOnlyThisProcess) {
  HMODULE dbghelp = LoadLibraryA("DbgHelp.dll");
  ASSERT_NE(dbghelp, nullptr);
  EXPECT_NE(GetProcAddress(dbghelp, "MiniDumpWriteDump"), nullptr);
  std::string path = vp::test::TestFolder() + "\\other.dmp";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId() + 1, file,
                                 MiniDumpNormal, nullptr, nullptr, nullptr));
  // Without exception information the calling thread is dumped where it stands.
  EXPECT_TRUE(MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                                nullptr, nullptr, nullptr));
  CloseHandle(file);
  vp::test::MinidumpReader dump(vp::test::ReadTextFile(path));
  ASSERT_TRUE(dump.Valid());
  EXPECT_FALSE(dump.HasStream(6));
  EXPECT_EQ(dump.ThreadIds(), std::vector<std::uint32_t>{GetCurrentThreadId()});
  FreeLibrary(dbghelp);
}
