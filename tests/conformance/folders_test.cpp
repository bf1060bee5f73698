// Creating and removing folders, the C runtime's folder calls, and the current directory.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

TEST(Folders, CreateAndRemove) {
  std::string dir = TestFolder();
  std::string sub = dir + "\\New Folder";
  EXPECT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
  EXPECT_TRUE(IsFolder(sub));

  SetLastError(0);
  EXPECT_FALSE(CreateDirectoryA(sub.c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  SetLastError(0);
  EXPECT_FALSE(CreateDirectoryA((dir + "\\a\\b").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  ASSERT_TRUE(WriteTextFile(sub + "\\f.txt", "f"));
  SetLastError(0);
  EXPECT_FALSE(RemoveDirectoryA(sub.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  ASSERT_TRUE(DeleteFileA((sub + "\\f.txt").c_str()));
  EXPECT_TRUE(RemoveDirectoryA(sub.c_str()));
  EXPECT_FALSE(PathExists(sub));

  SetLastError(0);
  EXPECT_FALSE(RemoveDirectoryA(sub.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  // A file is not a folder.
  ASSERT_TRUE(WriteTextFile(dir + "\\file", "x"));
  SetLastError(0);
  EXPECT_FALSE(RemoveDirectoryA((dir + "\\file").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
}

TEST(Folders, RuntimeMkdirAndRmdir) {
  std::string dir = TestFolder();
  std::string sub = dir + "\\crt";
  EXPECT_EQ(_mkdir(sub.c_str()), 0);
  errno = 0;
  EXPECT_EQ(_mkdir(sub.c_str()), -1);
  EXPECT_EQ(errno, EEXIST);
  errno = 0;
  EXPECT_EQ(_mkdir((dir + "\\x\\y").c_str()), -1);
  EXPECT_EQ(errno, ENOENT);

  ASSERT_TRUE(WriteTextFile(sub + "\\f", "f"));
  errno = 0;
  EXPECT_EQ(_rmdir(sub.c_str()), -1);
  EXPECT_EQ(errno, ENOTEMPTY);
  DeleteFileA((sub + "\\f").c_str());
  EXPECT_EQ(_rmdir(sub.c_str()), 0);
  errno = 0;
  EXPECT_EQ(_rmdir(sub.c_str()), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST(CurrentDirectory, BufferRulesAndRelativePaths) {
  char saved[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, saved), 0u);
  std::string dir = TestFolder();
  ASSERT_TRUE(CreateDirectoryA((dir + "\\Work").c_str(), nullptr));
  ASSERT_TRUE(SetCurrentDirectoryA((dir + "\\work").c_str()));

  char buffer[MAX_PATH];
  DWORD n = GetCurrentDirectoryA(MAX_PATH, buffer);
  ASSERT_EQ(n, std::strlen(buffer));
  std::string cwd(buffer, n);
  EXPECT_EQ(_stricmp(cwd.c_str(), (dir + "\\Work").c_str()), 0);

  // Too small a buffer: the size needed, terminator included, and the buffer untouched.
  char small[4] = {'z', 'z', 'z', 'z'};
  EXPECT_EQ(GetCurrentDirectoryA(sizeof small, small), n + 1);
  EXPECT_EQ(small[0], 'z');
  EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), n + 1);
  EXPECT_EQ(GetCurrentDirectoryA(n, buffer), n + 1);
  EXPECT_EQ(GetCurrentDirectoryA(n + 1, buffer), n);

  // "." and relative names are taken against the current directory.
  ASSERT_TRUE(WriteTextFile("rel.txt", "relative"));
  EXPECT_EQ(ReadTextFile(dir + "\\Work\\rel.txt"), "relative");
  EXPECT_EQ(ReadTextFile(".\\rel.txt"), "relative");
  EXPECT_EQ(ReadTextFile("..\\Work\\rel.txt"), "relative");

  char* got = _getcwd(buffer, MAX_PATH);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(std::string(got), cwd);

  // The current directory is in use and cannot be removed.
  SetLastError(0);
  EXPECT_FALSE(RemoveDirectoryA((dir + "\\Work").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_TRUE(IsFolder(dir + "\\Work"));

  SetLastError(0);
  EXPECT_FALSE(SetCurrentDirectoryA((dir + "\\missing").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(0);
  EXPECT_FALSE(SetCurrentDirectoryA((dir + "\\Work\\rel.txt").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
  EXPECT_EQ(GetCurrentDirectoryA(MAX_PATH, buffer), n);

  ASSERT_TRUE(SetCurrentDirectoryA(saved));
  EXPECT_EQ(_chdir((dir + "\\Work").c_str()), 0);
  errno = 0;
  EXPECT_EQ(_chdir((dir + "\\missing").c_str()), -1);
  EXPECT_EQ(errno, ENOENT);
  ASSERT_TRUE(SetCurrentDirectoryA(saved));
}
