// CreateFileA dispositions, reading and writing, and share modes.
#include <gtest/gtest.h>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

namespace {

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition, DWORD* error) {
  SetLastError(0xdead);
  HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  *error = GetLastError();
  return h;
}

}  // namespace

TEST(Opening, Dispositions) {
  std::string path = TestFolder() + "\\f.txt";
  DWORD error = 0;
  EXPECT_EQ(Open(path, GENERIC_READ, 0, OPEN_EXISTING, &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Open(path, GENERIC_WRITE, 0, TRUNCATE_EXISTING, &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  HANDLE h = Open(path, GENERIC_WRITE, 0, CREATE_NEW, &error);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(h, "hello", 5, &written, nullptr));
  EXPECT_EQ(written, 5u);
  EXPECT_EQ(GetFileSize(h, nullptr), 5u);
  CloseHandle(h);

  EXPECT_EQ(Open(path, GENERIC_WRITE, 0, CREATE_NEW, &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_EXISTS));

  h = Open(path, GENERIC_READ, 0, OPEN_ALWAYS, &error);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  char buffer[16] = {};
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "hello");
  EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
  EXPECT_EQ(read, 0u);  // end of file is a success with nothing read
  // A handle opened for reading cannot write.
  SetLastError(0);
  EXPECT_FALSE(WriteFile(h, "x", 1, &written, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(h);

  h = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, &error);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(GetFileSize(h, nullptr), 0u);
  CloseHandle(h);

  h = Open(path + "2", GENERIC_WRITE, 0, CREATE_ALWAYS, &error);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(h);

  SetLastError(0);
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Opening, FoldersAndMissingParents) {
  std::string dir = TestFolder();
  DWORD error = 0;
  EXPECT_EQ(Open(dir, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Open(dir + "\\no\\f.txt", GENERIC_WRITE, 0, CREATE_ALWAYS, &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Open(dir + "\\bad|name.txt", GENERIC_WRITE, 0, CREATE_ALWAYS, &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST(ShareModes, OpensMustShareWhatOthersHold) {
  std::string path = TestFolder() + "\\s.txt";
  ASSERT_TRUE(WriteTextFile(path, "s"));
  DWORD error = 0;
  HANDLE reader = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &error);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  // Another reader that shares reading is fine.
  HANDLE second = Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &error);
  EXPECT_NE(second, INVALID_HANDLE_VALUE);
  CloseHandle(second);
  // A writer is refused: the first open does not share writing.
  EXPECT_EQ(Open(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  // A reader that refuses to share reading is refused: the first open reads.
  EXPECT_EQ(Open(path, GENERIC_READ, 0, OPEN_EXISTING, &error), INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(reader);
  HANDLE exclusive = Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, &error);
  EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
  CloseHandle(exclusive);
}

VP_CHILD(hold_file_open) {
  HANDLE h = CreateFileA(argument.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 2;
  // Tells the parent it holds the file, then holds it until the parent removes the flag.
  std::string flag = argument + ".flag";
  if (!WriteTextFile(flag, "held")) return 3;
  for (int i = 0; i < 1000 && GetFileAttributesA(flag.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
  CloseHandle(h);
  return 0;
}

TEST(ShareModes, HoldAcrossProcesses) {
  std::string path = TestFolder() + "\\other.txt";
  ASSERT_TRUE(WriteTextFile(path, "o"));
  auto child = StartChild("hold_file_open", path);
  ASSERT_NE(child, 0);
  for (int i = 0; i < 1000 && !PathExists(path + ".flag"); ++i) Sleep(10);
  ASSERT_TRUE(PathExists(path + ".flag"));
  DWORD error = 0;
  EXPECT_EQ(Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, &error),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  // The child may still be closing the flag file it wrote.
  for (int i = 0; i < 1000 && !DeleteFileA((path + ".flag").c_str()); ++i) Sleep(10);
  EXPECT_EQ(WaitChild(child), 0);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(Opening, ErrorsOfFoldersAndTruncation) {
  std::string dir = TestFolder();
  DWORD error = 0;
  // A new file where a folder is: refused as an access to the folder, not as an existing file.
  EXPECT_EQ(Open(dir, GENERIC_WRITE, 0, CREATE_NEW, &error), INVALID_HANDLE_VALUE);
  if (!WineDiffers("wine answers ERROR_FILE_EXISTS for a new file where a folder is")) {
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  SetLastError(0);
  EXPECT_EQ(CreateFileA(dir.c_str(), GENERIC_READ, 0, nullptr, CREATE_NEW, FILE_FLAG_BACKUP_SEMANTICS, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_TRUE(IsFolder(dir));

  // Truncation needs GENERIC_WRITE itself: the file rights that write data are not enough.
  std::string path = dir + "\\kept.txt";
  ASSERT_TRUE(WriteTextFile(path, "kept"));
  for (DWORD access : {static_cast<DWORD>(GENERIC_READ), static_cast<DWORD>(FILE_WRITE_DATA),
                       static_cast<DWORD>(FILE_WRITE_DATA | FILE_APPEND_DATA), static_cast<DWORD>(GENERIC_ALL)}) {
    HANDLE h = Open(path, access, 0, TRUNCATE_EXISTING, &error);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (WineDiffers("wine truncates without GENERIC_WRITE")) continue;
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << std::hex << access;
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << std::hex << access;
    EXPECT_EQ(ReadTextFile(path), "kept") << std::hex << access;
  }
  HANDLE h = Open(path, GENERIC_WRITE, 0, TRUNCATE_EXISTING, &error);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(h, nullptr), 0u);
  CloseHandle(h);
}

TEST(Opening, TheNullDevice) {
  std::string dir = TestFolder();
  char saved[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
  for (const char* name : {"nul", "NUL", "C:\\nul"}) {
    DWORD error = 0;
    HANDLE h = Open(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, &error);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << name << ": " << error;
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(h, "gone", 4, &done, nullptr)) << name;
    EXPECT_EQ(done, 4u) << name;
    char buffer[8];
    EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &done, nullptr)) << name;
    EXPECT_EQ(done, 0u) << name;
    CloseHandle(h);
  }
  SetCurrentDirectoryA(saved);
  // What was written went nowhere: no file of that name appeared.
  EXPECT_EQ(NamesMatching(dir + "\\*").size(), 2u);
}
