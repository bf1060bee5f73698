// Attributes and deletion of files and folders.
#include <gtest/gtest.h>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

namespace {

DWORD AttributesOrError(const std::string& path, DWORD* error) {
  SetLastError(0);
  DWORD a = GetFileAttributesA(path.c_str());
  *error = GetLastError();
  return a;
}

}  // namespace

TEST(FileAttributes, FilesFoldersAndMissingPaths) {
  std::string dir = TestFolder();
  ASSERT_TRUE(WriteTextFile(dir + "\\plain.txt", "x"));
  DWORD error = 0;
  DWORD file = AttributesOrError(dir + "\\plain.txt", &error);
  EXPECT_EQ(file & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY), 0u);
  EXPECT_NE(file, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(AttributesOrError(dir, &error) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

  EXPECT_EQ(AttributesOrError(dir + "\\missing.txt", &error), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(AttributesOrError(dir + "\\no\\such.txt", &error), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(FileAttributes, NamesIgnoreLetterCaseAndForwardSlashes) {
  std::string dir = TestFolder();
  ASSERT_TRUE(CreateDirectoryA((dir + "\\MixedCase").c_str(), nullptr));
  ASSERT_TRUE(WriteTextFile(dir + "\\MixedCase\\Data.TXT", "abc"));
  std::string upper = dir + "\\MIXEDCASE\\data.txt";
  EXPECT_NE(GetFileAttributesA(upper.c_str()), INVALID_FILE_ATTRIBUTES);
  std::string slashes = dir + "/mixedcase/DATA.txt";
  EXPECT_EQ(ReadTextFile(slashes), "abc");
  // Trailing dots and blanks of a name are dropped, as Windows drops them.
  EXPECT_EQ(ReadTextFile(dir + "\\MixedCase\\Data.TXT. "), "abc");
}

TEST(FileAttributes, ReadOnlyIsSetAndCleared) {
  std::string path = TestFolder() + "\\ro.txt";
  ASSERT_TRUE(WriteTextFile(path, "keep"));
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
  // A read-only file cannot be opened for writing.
  SetLastError(0);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD error = GetLastError();
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (!WineDiffers("wine run by root opens a read-only file for writing")) {
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(WriteTextFile(path, "changed"));

  SetLastError(0);
  EXPECT_FALSE(SetFileAttributesA((path + ".missing").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Deleting, RemovesFilesAndRefusesEverythingElse) {
  std::string dir = TestFolder();
  std::string file = dir + "\\a.txt";
  ASSERT_TRUE(WriteTextFile(file, "a"));
  EXPECT_TRUE(DeleteFileA(file.c_str()));
  EXPECT_FALSE(PathExists(file));

  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(file.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA((dir + "\\none\\a.txt").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  // A folder is not a file.
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(dir.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(IsFolder(dir));

  // A read-only file stays until its attribute is cleared.
  std::string ro = dir + "\\ro.txt";
  ASSERT_TRUE(WriteTextFile(ro, "r"));
  ASSERT_TRUE(SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY));
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(ro.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ReadTextFile(ro), "r");
  ASSERT_TRUE(SetFileAttributesA(ro.c_str(), 0));
  EXPECT_TRUE(DeleteFileA(ro.c_str()));
}

TEST(Deleting, AFileHeldOpenWithoutDeleteSharingStays) {
  std::string path = TestFolder() + "\\held.txt";
  ASSERT_TRUE(WriteTextFile(path, "held"));
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  SetLastError(0);
  EXPECT_FALSE(MoveFileA(path.c_str(), (path + ".moved").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(h);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(Deleting, DeleteSharingAllowsIt) {
  std::string path = TestFolder() + "\\shared.txt";
  ASSERT_TRUE(WriteTextFile(path, "x"));
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  CloseHandle(h);
  EXPECT_FALSE(PathExists(path));
}
