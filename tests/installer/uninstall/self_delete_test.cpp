// Deleting the installer's own file after it has ended: the command handed to the
// interpreter, the clean failures, and a real deletion after a child process has exited.
#include <gtest/gtest.h>

#include <string>

#include "platform/win.h"
#include "test_support.h"
#include "uninstall/self_delete.h"

using vp::test::PathExists;

namespace {

// Child: asks for its "setup program" to be deleted after exit, then checks that nothing was
// deleted while it still runs. 0 when both hold.
VP_CHILD(delete_after_exit) {
  if (!DeleteFileAfterExit(argument)) return 1;
#ifndef _WIN32
  // Here the helper waits for this process to end, whatever the time it is given.
  Sleep(300);
  if (!PathExists(argument)) return 2;
#endif
  return 0;
}

bool WaitUntilGone(const std::string& path) {
  for (int i = 0; i < 300; ++i) {
    if (!PathExists(path)) return true;
    Sleep(50);
  }
  return false;
}

TEST(SelfDelete, CommandQuotesThePathAndMustFit) {
  std::string parameters;
  ASSERT_TRUE(BuildDeleteCommand("C:\\VANTPR~1\\VANTPL~1.EXE", &parameters));
  EXPECT_EQ(parameters, "/c del \"C:\\VANTPR~1\\VANTPL~1.EXE\" > nul");
  ASSERT_TRUE(BuildDeleteCommand("C:\\My Setup\\a.exe", &parameters));
  EXPECT_EQ(parameters, "/c del \"C:\\My Setup\\a.exe\" > nul");

  // 15 characters around the path and the terminating zero: a 244-character path is the most.
  std::string longest = "C:\\" + std::string(241, 'a');
  EXPECT_TRUE(BuildDeleteCommand(longest, &parameters));
  EXPECT_EQ(parameters.size(), 259u);
  parameters = "unchanged";
  EXPECT_FALSE(BuildDeleteCommand(longest + "b", &parameters));
  EXPECT_EQ(parameters, "unchanged");
}

TEST(SelfDelete, FailsCleanlyWithoutStartingAnything) {
  std::string folder = vp::test::TestFolder();
  std::string file = folder + "\\VANTPlusTWSSetup.exe";
  ASSERT_TRUE(vp::test::WriteTextFile(file, "setup"));

  EXPECT_EQ(DeleteFileAfterExit(folder + "\\missing.exe"), FALSE);

  char comspec[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("COMSPEC", comspec, MAX_PATH);
  ASSERT_GT(length, 0u);
  // An interpreter path that does not fit 260 characters is not used.
  ASSERT_TRUE(SetEnvironmentVariableA("COMSPEC", ("C:\\" + std::string(300, 'x') + "\\cmd.exe").c_str()));
  EXPECT_EQ(DeleteFileAfterExit(file), FALSE);
#ifdef _WIN32
  // (The POSIX layer always has a COMSPEC, as every Windows machine does.)
  ASSERT_TRUE(SetEnvironmentVariableA("COMSPEC", nullptr));
  EXPECT_EQ(DeleteFileAfterExit(file), FALSE);
#endif
  ASSERT_TRUE(SetEnvironmentVariableA("COMSPEC", comspec));

  // A path whose short form is itself (8.3 names only) and too long for the command.
  std::string deep = "C:\\VPSELFDL";
  vp::test::RemoveTree(deep);
  ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
  std::string path = deep;
  while (path.size() + 9 < 245) {
    path += "\\ABCDEFGH";
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path.size();
  }
  path += "\\SETUP.EXE";
  ASSERT_GE(path.size(), 245u);
  ASSERT_TRUE(vp::test::WriteTextFile(path, "setup"));
  EXPECT_EQ(DeleteFileAfterExit(path), FALSE);

  // None of the failures raised the installer's priority or left it raised.
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
  EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_NORMAL);
  Sleep(300);
  EXPECT_TRUE(PathExists(path));
  EXPECT_TRUE(PathExists(file));
  vp::test::RemoveTree(deep);
}

TEST(SelfDelete, TheFileGoesOnceTheProcessHasEnded) {
  std::string folder = vp::test::TestFolder() + "\\VANT Pro Setup";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  std::string file = folder + "\\VANTPlusTWSSetup.exe";
  std::string neighbour = folder + "\\VANTProSetup.exe";
  ASSERT_TRUE(vp::test::WriteTextFile(file, "setup"));
  ASSERT_TRUE(vp::test::WriteTextFile(neighbour, "older setup"));

  EXPECT_EQ(vp::test::RunChild("delete_after_exit", file), 0);
  EXPECT_TRUE(WaitUntilGone(file));
  // Only the named file: the blank in the folder name did not split the path.
  EXPECT_TRUE(PathExists(neighbour));
  EXPECT_TRUE(PathExists(folder));
}

#ifndef _WIN32
TEST(ShellExecute, StartsOnlyTheInterpretersDelete) {
  SHELLEXECUTEINFOA request = {};
  request.cbSize = sizeof request;
  request.fMask = SEE_MASK_NOCLOSEPROCESS;
  request.lpVerb = "open";
  request.lpFile = "C:\\Windows\\notepad.exe";
  request.nShow = SW_HIDE;
  EXPECT_FALSE(ShellExecuteExA(&request));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(request.hProcess, nullptr);
  EXPECT_LE(reinterpret_cast<INT_PTR>(request.hInstApp), 32);

  request.lpFile = "C:\\Windows\\System32\\cmd.exe";
  for (const char* other : {"/c dir", "/c del *.exe", "/c del a.txt b.txt", "/c del \"open", "/k del a.txt"}) {
    request.lpParameters = other;
    EXPECT_FALSE(ShellExecuteExA(&request)) << other;
    EXPECT_EQ(request.hProcess, nullptr);
  }
  EXPECT_FALSE(SetProcessPriorityBoost(reinterpret_cast<HANDLE>(0x1234), TRUE));
  EXPECT_TRUE(SetProcessPriorityBoost(GetCurrentProcess(), TRUE));
}
#endif

}  // namespace
