// LoadLibraryA, GetProcAddress, FreeLibrary.
#include <gtest/gtest.h>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

TEST(Modules, LoadsFromTheProgramsFolderIgnoringCase) {
  HMODULE m = LoadLibraryA("confmodule.DLL");
  ASSERT_NE(m, nullptr) << GetLastError();
  auto add = reinterpret_cast<int (*)(int, int)>(reinterpret_cast<void (*)()>(GetProcAddress(m, "ConfAdd")));
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add(2, 3), 5);
  // Loading again gives the same module; each load needs its own free.
  HMODULE again = LoadLibraryA("ConfModule");
  EXPECT_EQ(again, m);
  EXPECT_TRUE(FreeLibrary(again));
  EXPECT_EQ(GetModuleHandleA("ConfModule.dll"), m);

  SetLastError(0);
  EXPECT_EQ(GetProcAddress(m, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(m, path, MAX_PATH);
  ASSERT_GT(n, 14u);
  EXPECT_EQ(_stricmp(std::string(path).substr(n - 14).c_str(), "ConfModule.dll"), 0);
  EXPECT_TRUE(FreeLibrary(m));
}

TEST(Modules, MissingModule) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA("NoSuchModule.dll"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA((TestFolder() + "\\absent.dll").c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(Modules, AFileThatIsNoModule) {
  std::string fake = TestFolder() + "\\fake.dll";
  ASSERT_TRUE(WriteTextFile(fake, "this is not a module"));
  SetLastError(0);
  EXPECT_EQ(LoadLibraryA(fake.c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}
