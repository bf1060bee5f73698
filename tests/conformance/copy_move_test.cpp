// Copying and moving files.
#include <gtest/gtest.h>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

TEST(Copying, CopiesAndHonoursFailIfExists) {
  std::string dir = TestFolder();
  std::string src = dir + "\\src.bin", dst = dir + "\\dst.bin";
  std::string payload(100000, 'q');
  payload[5] = '\0';
  ASSERT_TRUE(WriteTextFile(src, payload));
  EXPECT_TRUE(CopyFileA(src.c_str(), dst.c_str(), TRUE));
  EXPECT_EQ(ReadTextFile(dst), payload);

  ASSERT_TRUE(WriteTextFile(src, "new"));
  SetLastError(0);
  EXPECT_FALSE(CopyFileA(src.c_str(), dst.c_str(), TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadTextFile(dst), payload);
  EXPECT_TRUE(CopyFileA(src.c_str(), dst.c_str(), FALSE));
  EXPECT_EQ(ReadTextFile(dst), "new");
}

TEST(Copying, FailuresLeaveTheTargetAlone) {
  std::string dir = TestFolder();
  std::string src = dir + "\\src.txt", dst = dir + "\\dst.txt";
  ASSERT_TRUE(WriteTextFile(src, "source"));
  ASSERT_TRUE(WriteTextFile(dst, "target"));

  SetLastError(0);
  EXPECT_FALSE(CopyFileA((dir + "\\missing.txt").c_str(), dst.c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  SetLastError(0);
  EXPECT_FALSE(CopyFileA(src.c_str(), (dir + "\\no\\dst.txt").c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  // A read-only target is refused, not overwritten.
  ASSERT_TRUE(SetFileAttributesA(dst.c_str(), FILE_ATTRIBUTE_READONLY));
  if (!WineDiffers("wine run by root copies over a read-only file")) {
    SetLastError(0);
    EXPECT_FALSE(CopyFileA(src.c_str(), dst.c_str(), FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadTextFile(dst), "target");
  }
  SetFileAttributesA(dst.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(WriteTextFile(dst, "target"));

  // A target held open without sharing is refused too.
  HANDLE h = CreateFileA(dst.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetLastError(0);
  EXPECT_FALSE(CopyFileA(src.c_str(), dst.c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(h);
  EXPECT_EQ(ReadTextFile(dst), "target");

  // A folder cannot be copied as a file.
  SetLastError(0);
  EXPECT_FALSE(CopyFileA(dir.c_str(), (dir + "\\copy").c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(Copying, HonoursAndThenReleasesTheSourcesSharing) {
  std::string dir = TestFolder();
  std::string src = dir + "\\held.txt", dst = dir + "\\copy.txt";
  ASSERT_TRUE(WriteTextFile(src, "held"));

  // A source open without sharing reading cannot be read by the copy.
  HANDLE h = CreateFileA(src.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetLastError(0);
  EXPECT_FALSE(CopyFileA(src.c_str(), dst.c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(PathExists(dst));
  CloseHandle(h);

  // Shared for reading it copies, and the copy lets go of the source when done: an open that
  // shares nothing succeeds afterwards, twice over.
  h = CreateFileA(src.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CopyFileA(src.c_str(), dst.c_str(), FALSE));
  CloseHandle(h);
  EXPECT_EQ(ReadTextFile(dst), "held");
  for (int round = 0; round < 2; ++round) {
    h = CreateFileA(src.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (round == 0) {
      EXPECT_TRUE(CopyFileA(src.c_str(), dst.c_str(), FALSE));
    }
  }
}

TEST(Copying, CopiesBesideOpensThatShareWhatTheCopyNeeds) {
  std::string dir = TestFolder();
  std::string src = dir + "\\data.dbd", dst = dir + "\\backup.dbd";
  ASSERT_TRUE(WriteTextFile(src, "client data"));
  ASSERT_TRUE(WriteTextFile(dst, "old backup"));

  // A program that has the source open to read and write it, sharing reading only: the copy
  // still reads it.
  HANDLE writer = CreateFileA(src.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CopyFileA(src.c_str(), (dir + "\\fresh.dbd").c_str(), FALSE)) << GetLastError();
  EXPECT_EQ(ReadTextFile(dir + "\\fresh.dbd"), "client data");

  // A target held open by a program that shares writing and deletion is overwritten.
  HANDLE holder = CreateFileA(dst.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CopyFileA(src.c_str(), dst.c_str(), FALSE)) << GetLastError();
  CloseHandle(holder);
  CloseHandle(writer);
  EXPECT_EQ(ReadTextFile(dst), "client data");

  // One that does not share writing keeps its file.
  holder = CreateFileA(dst.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WriteTextFile(src, "newer data"));
  SetLastError(0);
  EXPECT_FALSE(CopyFileA(src.c_str(), dst.c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(holder);
  EXPECT_EQ(ReadTextFile(dst), "client data");
}

TEST(Copying, KeepsTheReadOnlyAttributeOfTheSource) {
  std::string dir = TestFolder();
  std::string src = dir + "\\ro.txt", dst = dir + "\\copy.txt";
  ASSERT_TRUE(WriteTextFile(src, "r"));
  ASSERT_TRUE(SetFileAttributesA(src.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CopyFileA(src.c_str(), dst.c_str(), TRUE));
  EXPECT_TRUE(GetFileAttributesA(dst.c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesA(src.c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA(dst.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Moving, RenamesFilesAndFoldersWithoutReplacing) {
  std::string dir = TestFolder();
  std::string a = dir + "\\a.txt", b = dir + "\\b.txt";
  ASSERT_TRUE(WriteTextFile(a, "a"));
  EXPECT_TRUE(MoveFileA(a.c_str(), b.c_str()));
  EXPECT_FALSE(PathExists(a));
  EXPECT_EQ(ReadTextFile(b), "a");

  ASSERT_TRUE(WriteTextFile(a, "other"));
  SetLastError(0);
  EXPECT_FALSE(MoveFileA(a.c_str(), b.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ReadTextFile(b), "a");
  EXPECT_EQ(ReadTextFile(a), "other");

  SetLastError(0);
  EXPECT_FALSE(MoveFileA((dir + "\\gone.txt").c_str(), (dir + "\\c.txt").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  ASSERT_TRUE(CreateDirectoryA((dir + "\\sub").c_str(), nullptr));
  ASSERT_TRUE(WriteTextFile(dir + "\\sub\\in.txt", "in"));
  EXPECT_TRUE(MoveFileA((dir + "\\sub").c_str(), (dir + "\\renamed").c_str()));
  EXPECT_EQ(ReadTextFile(dir + "\\renamed\\in.txt"), "in");
}

TEST(Moving, KeepsAFolderWhoseTreeHoldsAFileInUse) {
  std::string dir = TestFolder();
  std::string app = dir + "\\App", old = dir + "\\App.old";
  ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((app + "\\Sub").c_str(), nullptr));
  ASSERT_TRUE(WriteTextFile(app + "\\Sub\\db.dat", "records"));
  HANDLE h = CreateFileA((app + "\\Sub\\db.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  if (!WineDiffers("wine moves a folder whose tree holds a file in use")) {
    SetLastError(0);
    EXPECT_FALSE(MoveFileA(app.c_str(), old.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadTextFile(app + "\\Sub\\db.dat"), "records");
  }
  CloseHandle(h);
  EXPECT_TRUE(MoveFileA(app.c_str(), old.c_str()));
  EXPECT_EQ(ReadTextFile(old + "\\Sub\\db.dat"), "records");
}

TEST(Moving, ChangesOnlyTheLetterCase) {
  std::string dir = TestFolder();
  ASSERT_TRUE(WriteTextFile(dir + "\\VantPro.exe", "launcher"));
  EXPECT_TRUE(MoveFileA((dir + "\\VantPro.exe").c_str(), (dir + "\\VANTPRO.EXE").c_str()));
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "\\vantpro.exe").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  if (!WineDiffers("wine keeps the old letter case when a rename changes only the case")) {
    EXPECT_STREQ(data.cFileName, "VANTPRO.EXE");
  }
  FindClose(find);
}
