// Names another process changes in a folder this process has already looked into in another
// letter case: the next lookup sees the change at once.
#include <gtest/gtest.h>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

}  // namespace

VP_CHILD(create_named_file) { return WriteTextFile(argument, "from the child") ? 0 : 1; }

VP_CHILD(delete_named_file) { return DeleteFileA(argument.c_str()) ? 0 : 1; }

VP_CHILD(rename_named_file) {
  size_t bar = argument.find('|');
  return MoveFileA(argument.substr(0, bar).c_str(), argument.substr(bar + 1).c_str()) ? 0 : 1;
}

TEST(CaseLookup, ChangesByAnotherProcessAreSeenByTheNextLookup) {
  std::string dir = TestFolder();
  ASSERT_TRUE(WriteTextFile(dir + "\\Known.txt", "known"));
  // Wrong-case lookups, a hit and a miss, so the folder's listing is known to this process.
  ASSERT_NE(Attributes(dir + "\\KNOWN.TXT"), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(Attributes(dir + "\\x"), INVALID_FILE_ATTRIBUTES);

  ASSERT_EQ(RunChild("create_named_file", dir + "\\X"), 0);
  HANDLE file = CreateFileA((dir + "\\x").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
  char text[32] = {};
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(file, text, sizeof text - 1, &got, nullptr));
  EXPECT_STREQ(text, "from the child");
  CloseHandle(file);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "\\x").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "X");
  FindClose(find);

  // A rename and a deletion by the other process are seen the same way.
  ASSERT_EQ(RunChild("rename_named_file", dir + "\\X|" + dir + "\\Moved"), 0);
  EXPECT_EQ(Attributes(dir + "\\x"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(Attributes(dir + "\\MOVED"), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(RunChild("delete_named_file", dir + "\\Known.txt"), 0);
  EXPECT_EQ(Attributes(dir + "\\known.TXT"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(CaseLookup, OwnChangesToAFolderAreSeenInEveryCase) {
  std::string dir = TestFolder();
  // Created, looked up in another case, renamed and deleted one after the other, as a copy
  // into a new folder and an uninstall do.
  for (int i = 0; i < 300; ++i) {
    std::string name = dir + "\\File" + std::to_string(i) + ".Dat";
    ASSERT_EQ(Attributes(dir + "\\FILE" + std::to_string(i) + ".DAT"), INVALID_FILE_ATTRIBUTES) << i;
    ASSERT_TRUE(WriteTextFile(name, "x")) << i;
    ASSERT_NE(Attributes(dir + "\\file" + std::to_string(i) + ".dat"), INVALID_FILE_ATTRIBUTES) << i;
  }
  ASSERT_TRUE(MoveFileA((dir + "\\file7.dat").c_str(), (dir + "\\Seven.Dat").c_str()));
  EXPECT_EQ(Attributes(dir + "\\FILE7.DAT"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(Attributes(dir + "\\SEVEN.DAT"), INVALID_FILE_ATTRIBUTES);
  for (int i = 0; i < 300; i += 3) ASSERT_TRUE(DeleteFileA((dir + "\\FILE" + std::to_string(i) + ".DAT").c_str())) << i;
  for (int i = 0; i < 300; ++i) {
    bool kept = i % 3 != 0 && i != 7;
    EXPECT_EQ(Attributes(dir + "\\fILE" + std::to_string(i) + ".dAT") != INVALID_FILE_ATTRIBUTES, kept) << i;
  }
}
