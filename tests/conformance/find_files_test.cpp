// Folder listings with FindFirstFileA / FindNextFileA.
#include <gtest/gtest.h>

#include <set>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

namespace {

using Names = std::multiset<std::string>;

Names List(const std::string& pattern, DWORD* error = nullptr) {
  Names names;
  WIN32_FIND_DATAA data;
  SetLastError(0);
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    if (error) *error = GetLastError();
    return names;
  }
  do names.insert(data.cFileName);
  while (FindNextFileA(find, &data));
  if (error) *error = GetLastError();
  FindClose(find);
  return names;
}

}  // namespace

TEST(FindFiles, ListsDotEntriesFilesAndFolders) {
  std::string dir = TestFolder();
  ASSERT_TRUE(WriteTextFile(dir + "\\a.txt", "a"));
  ASSERT_TRUE(WriteTextFile(dir + "\\README", "r"));
  ASSERT_TRUE(CreateDirectoryA((dir + "\\Sub").c_str(), nullptr));
  DWORD error = 0;
  EXPECT_EQ(List(dir + "\\*", &error), (Names{".", "..", "a.txt", "README", "Sub"}));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_NO_MORE_FILES));
  // "*.*" also matches names without a dot.
  EXPECT_EQ(List(dir + "\\*.*"), (Names{".", "..", "a.txt", "README", "Sub"}));
  EXPECT_EQ(List(dir + "\\*.TXT"), (Names{"a.txt"}));
  EXPECT_EQ(List(dir + "\\s*"), (Names{"Sub"}));
  EXPECT_EQ(List(dir + "\\?.txt"), (Names{"a.txt"}));
  EXPECT_EQ(List(dir + "\\readme.*"), (Names{"README"}));
}

TEST(FindFiles, ReportsAttributesAndSizes) {
  std::string dir = TestFolder();
  ASSERT_TRUE(WriteTextFile(dir + "\\five.bin", "12345"));
  ASSERT_TRUE(CreateDirectoryA((dir + "\\folder").c_str(), nullptr));
  ASSERT_TRUE(SetFileAttributesA((dir + "\\five.bin").c_str(), FILE_ATTRIBUTE_READONLY));
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "\\five.bin").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(FindNextFileA(find, &data));
  EXPECT_TRUE(FindClose(find));
  find = FindFirstFileA((dir + "\\FOLDER").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "folder");
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  FindClose(find);
  SetFileAttributesA((dir + "\\five.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FindFiles, MissingNamesAndFolders) {
  std::string dir = TestFolder();
  DWORD error = 0;
  EXPECT_TRUE(List(dir + "\\*.none", &error).empty());
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(List(dir + "\\missing.txt", &error).empty());
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(List(dir + "\\nofolder\\*", &error).empty());
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  // A trailing backslash names no file: a folder that is there has none to find, a missing one
  // is a missing path.
  EXPECT_TRUE(List(dir + "\\", &error).empty());
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(List(dir + "\\nofolder\\", &error).empty());
  if (!WineDiffers("wine answers ERROR_FILE_NOT_FOUND for a missing folder with a trailing backslash")) {
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  }
  WIN32_FIND_DATAA data;
  SetLastError(0);
  EXPECT_FALSE(FindNextFileA(INVALID_HANDLE_VALUE, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(FindFiles, DriveRootHasNoDotEntries) {
  Names root = List("C:\\*");
  EXPECT_EQ(root.count("."), 0u);
  EXPECT_EQ(root.count(".."), 0u);
  EXPECT_FALSE(root.empty());
}

TEST(FindFiles, DeviceNamesAreFound) {
  for (const char* name : {"nul", "NUL", "lpt1", "C:\\nul"}) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(name, &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << name;
    std::string bare = name;
    bare = bare.substr(bare.find_last_of('\\') + 1);
    EXPECT_EQ(std::string(data.cFileName), bare);
    EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)) << name;
    EXPECT_FALSE(FindNextFileA(find, &data));
    FindClose(find);
    EXPECT_EQ(GetFileAttributesA(name), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)) << name;
  }
}
