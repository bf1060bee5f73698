// Drives, full and short path names, the executable's own path.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

TEST(Drives, FixedCAndD) {
  EXPECT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_FIXED));
  EXPECT_EQ(GetDriveTypeA("D:\\"), static_cast<UINT>(DRIVE_FIXED));
  EXPECT_EQ(GetDriveTypeA("C:"), static_cast<UINT>(DRIVE_FIXED));
  EXPECT_EQ(GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
  if (!WineDiffers("wine takes the drive of any path, not only of a root")) {
    EXPECT_EQ(GetDriveTypeA("C:\\Windows"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
  }

  DWORD mask = GetLogicalDrives();
  EXPECT_TRUE(mask & (1u << 2));
  EXPECT_TRUE(mask & (1u << 3));
  EXPECT_FALSE(mask & (1u << ('Q' - 'A')));
}

TEST(Drives, DriveStringsFollowTheBufferRule) {
  DWORD needed = GetLogicalDriveStringsA(0, nullptr);
  ASSERT_GT(needed, 8u);
  std::string buffer(needed, 'x');
  DWORD n = GetLogicalDriveStringsA(needed, buffer.data());
  EXPECT_EQ(n + 1, needed);
  EXPECT_EQ(std::string(buffer.c_str()), "C:\\");
  // Entries of four characters each, "X:\" and a terminator, the list ending in an empty one.
  EXPECT_EQ(n % 4, 0u);
  EXPECT_EQ(buffer[n], '\0');
  EXPECT_EQ(std::string(buffer.c_str() + 4), "D:\\");
  char small[5];
  EXPECT_EQ(GetLogicalDriveStringsA(sizeof small, small), needed);
}

TEST(Paths, FullPathNames) {
  std::string dir = TestFolder();
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
  char buffer[MAX_PATH];
  char* filePart = nullptr;
  DWORD n = GetFullPathNameA("sub\\..\\name.txt", MAX_PATH, buffer, &filePart);
  EXPECT_EQ(std::string(buffer, n), dir + "\\name.txt");
  ASSERT_NE(filePart, nullptr);
  EXPECT_STREQ(filePart, "name.txt");
  n = GetFullPathNameA("C:/a/./b/../c", MAX_PATH, buffer, nullptr);
  EXPECT_EQ(std::string(buffer, n), "C:\\a\\c");
  n = GetFullPathNameA("\\x", MAX_PATH, buffer, nullptr);
  EXPECT_EQ(std::string(buffer, n), "C:\\x");
  char small[3];
  EXPECT_EQ(GetFullPathNameA("C:\\abc", sizeof small, small, nullptr), 7u);
  SetCurrentDirectoryA(saved);
}

TEST(Paths, ShortPathNamesOfShortNames) {
  std::string dir = TestFolder();
  ASSERT_TRUE(CreateDirectoryA((dir + "\\SETUP").c_str(), nullptr));
  ASSERT_TRUE(WriteTextFile(dir + "\\SETUP\\INST.EXE", "x"));
  std::string path = dir + "\\SETUP\\INST.EXE";
  // The test folder's own name is long; only the tail, already short, is compared.
  char buffer[MAX_PATH];
  DWORD n = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
  ASSERT_GT(n, 15u);
  std::string shortPath(buffer, n);
  EXPECT_EQ(shortPath.substr(shortPath.size() - 15), "\\SETUP\\INST.EXE");
  EXPECT_NE(GetFileAttributesA(shortPath.c_str()), INVALID_FILE_ATTRIBUTES);
  char small[4];
  EXPECT_EQ(GetShortPathNameA(path.c_str(), small, sizeof small), n + 1);
  SetLastError(0);
  EXPECT_EQ(GetShortPathNameA((dir + "\\NONE.EXE").c_str(), buffer, MAX_PATH), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Paths, ModuleFileNameOfTheProgram) {
  char buffer[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  ASSERT_GT(n, 3u);
  EXPECT_EQ(std::strlen(buffer), n);
  EXPECT_EQ(buffer[1], ':');
  EXPECT_EQ(buffer[2], '\\');
  EXPECT_NE(GetFileAttributesA(buffer), INVALID_FILE_ATTRIBUTES);
  // A short buffer gets a cut, terminated text and the buffer's size.
  char small[5];
  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 5u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  if (!WineDiffers("wine leaves the cut module path unterminated, as Windows XP did")) {
    EXPECT_EQ(small[4], '\0');
    EXPECT_EQ(std::string(small), std::string(buffer, 4));
  }
}

TEST(Paths, LongPathPrefixReachesTheSameFiles) {
  std::string dir = TestFolder();
  std::string prefixed = "\\\\?\\" + dir;
  ASSERT_TRUE(CreateDirectoryA((prefixed + "\\sub").c_str(), nullptr)) << GetLastError();
  HANDLE h = CreateFileA((prefixed + "\\sub\\a.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(h);
  EXPECT_TRUE(PathExists(dir + "\\sub\\a.txt"));
  EXPECT_NE(GetFileAttributesA((prefixed + "\\sub\\a.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(CopyFileA((prefixed + "\\sub\\a.txt").c_str(), (prefixed + "\\sub\\b.txt").c_str(), TRUE));
  EXPECT_TRUE(MoveFileA((prefixed + "\\sub\\b.txt").c_str(), (prefixed + "\\sub\\c.txt").c_str()));
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((prefixed + "\\sub\\c.*").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_STREQ(data.cFileName, "c.txt");
  FindClose(find);
  EXPECT_TRUE(DeleteFileA((prefixed + "\\sub\\a.txt").c_str()));
  EXPECT_TRUE(DeleteFileA((prefixed + "\\sub\\c.txt").c_str()));
  EXPECT_TRUE(RemoveDirectoryA((prefixed + "\\sub").c_str())) << GetLastError();
  EXPECT_FALSE(PathExists(dir + "\\sub"));
}
