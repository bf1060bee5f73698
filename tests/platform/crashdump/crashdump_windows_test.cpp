// Crash dumps on Windows (and under wine): the same failing program, with the system's
// DBGHELP.DLL writing the dump, ends with the exception's code and leaves a minidump.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "minidump_reader.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

struct CrashRun {
  DWORD exitCode = 0;
  std::string folder;
  std::vector<std::string> dumps;
};

CrashRun RunVictim(const std::string& mode) {
  CrashRun run;
  run.folder = vp::test::TestFolder();
  std::string command = "\"" + vp::test::ExecutableFolder() + "crash_victim.exe\" " + mode +
                        " \"" + run.folder + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "cannot start " << command;
    return run;
  }
  WaitForSingleObject(process.hProcess, 60000);
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((run.folder + "\\VPLSCrash_*.dmp").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do run.dumps.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
  }
  return run;
}

}  // namespace

TEST(CrashDump, NullWriteLeavesAWindowsMinidump) {
  CrashRun run = RunVictim("null-write");
  EXPECT_EQ(run.exitCode, EXCEPTION_ACCESS_VIOLATION);
  ASSERT_EQ(run.dumps.size(), 1u);
  vp::test::MinidumpReader dump(vp::test::ReadTextFile(run.folder + "\\" + run.dumps[0]));
  ASSERT_TRUE(dump.Valid());
  EXPECT_EQ(dump.ExceptionCode(), EXCEPTION_ACCESS_VIOLATION);
  EXPECT_TRUE(dump.HasStream(3));  // threads
  EXPECT_TRUE(dump.HasStream(4));  // modules
}

TEST(CrashDump, ExecuteHandlerEndsWithTheExceptionCode) {
  CrashRun run = RunVictim("execute-handler");
  EXPECT_EQ(run.exitCode, EXCEPTION_ACCESS_VIOLATION);
  EXPECT_EQ(run.dumps.size(), 1u);
}
