// A running program's file and the modules it has loaded: readable and renamable, but never
// overwritten nor deleted while in use, whichever process uses them and however it ends.
#include <gtest/gtest.h>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

namespace {

// Every way of replacing or removing `image`, with `other` as the would-be replacement.
void ExpectCannotBeReplacedOrDeleted(const std::string& image, const std::string& other) {
  std::string before = ReadTextFile(image);
  ASSERT_FALSE(before.empty());  // reading stays allowed
  SetLastError(0);
  EXPECT_FALSE(CopyFileA(other.c_str(), image.c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  for (DWORD disposition : {OPEN_EXISTING, CREATE_ALWAYS, TRUNCATE_EXISTING}) {
    SetLastError(0);
    HANDLE h = CreateFileA(image.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, disposition, 0, nullptr);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << disposition;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << disposition;
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(image.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SetLastError(0);
  EXPECT_FALSE(MoveFileExA(other.c_str(), image.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadTextFile(image), before);
  EXPECT_TRUE(PathExists(other));
}

bool WaitFor(const std::string& path) {
  for (int i = 0; i < 500 && !PathExists(path); ++i) Sleep(20);
  return PathExists(path);
}

// Windows lets go of an ended process's image a moment after it has ended.
bool DeleteSoon(const std::string& path) {
  for (int i = 0; i < 100; ++i) {
    if (DeleteFileA(path.c_str())) return true;
    Sleep(20);
  }
  return false;
}

std::string OwnProgram() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

}  // namespace

// Runs until killed, after saying so in the file named by `argument`.
VP_CHILD(hold_own_image) {
  WriteTextFile(argument, "running");
  for (;;) Sleep(1000);
}

TEST(RunningImages, ALoadedModuleIsProtectedUntilFreed) {
  std::string dir = TestFolder();
  std::string module = dir + "\\Loaded.dll", other = dir + "\\other.txt";
  ASSERT_TRUE(CopyFileA((ExecutableFolder() + "ConfModule.dll").c_str(), module.c_str(), FALSE));
  ASSERT_TRUE(WriteTextFile(other, "not a module"));
  HMODULE m = LoadLibraryA(module.c_str());
  ASSERT_NE(m, nullptr) << GetLastError();
  ExpectCannotBeReplacedOrDeleted(module, other);

  // A module in use may be renamed; it stays protected under its new name.
  std::string renamed = dir + "\\Renamed.dll";
  EXPECT_TRUE(MoveFileA(module.c_str(), renamed.c_str())) << GetLastError();
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(renamed.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_TRUE(DeleteFileA(renamed.c_str())) << GetLastError();
}

TEST(RunningImages, AProgramRunByAnotherProcessIsProtectedUntilItIsKilled) {
  std::string dir = TestFolder();
  std::string program = dir + "\\Terminal.exe", other = dir + "\\other.txt", ready = dir + "\\ready.txt";
  ASSERT_TRUE(CopyFileA(OwnProgram().c_str(), program.c_str(), FALSE)) << GetLastError();
  ASSERT_TRUE(WriteTextFile(other, "not a program"));
  std::intptr_t child = StartChildFrom(program, "hold_own_image", ready);
  ASSERT_NE(child, 0);
  if (!WaitFor(ready)) {
    KillChild(child);
    FAIL() << "the program did not start";
  }
  ExpectCannotBeReplacedOrDeleted(program, other);
  KillChild(child);
  EXPECT_TRUE(DeleteSoon(program)) << GetLastError();
}
