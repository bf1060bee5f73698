// Deletion and the opens that refuse to share it: counted per process, so a deletion is
// refused exactly while some open in any process, on any machine root, denies delete.
#include <gtest/gtest.h>

#include "core/internal.h"
#include "other_machine.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

HANDLE Open(const std::string& path, DWORD share) {
  return CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

TEST(ShareMarks, DeletionIsRefusedWhileAnyOpenDeniesIt) {
  std::string dir = vp::test::TestFolder();
  std::string a = dir + "\\a.txt", b = dir + "\\b.txt";
  ASSERT_TRUE(vp::test::WriteTextFile(a, "a"));
  ASSERT_TRUE(vp::test::WriteTextFile(b, "b"));
  HANDLE first = Open(a, FILE_SHARE_READ), second = Open(a, FILE_SHARE_READ);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  // A refused open does not count, nor does an open that shares delete.
  EXPECT_EQ(Open(a, 0), INVALID_HANDLE_VALUE);
  HANDLE sharing = Open(b, FILE_SHARE_READ | FILE_SHARE_DELETE);
  CloseHandle(first);
  EXPECT_FALSE(DeleteFileA(a.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(second);
  EXPECT_TRUE(DeleteFileA(a.c_str()));
  EXPECT_TRUE(DeleteFileA(b.c_str()));
  CloseHandle(sharing);
}

VP_CHILD(deny_delete_until_flag_goes) {
  HANDLE held = Open(argument, FILE_SHARE_READ);
  if (held == INVALID_HANDLE_VALUE) return 2;
  std::string flag = argument + ".flag";
  if (!vp::test::WriteTextFile(flag, "held")) return 3;
  for (int i = 0; i < 1000 && GetFileAttributesA(flag.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
  CloseHandle(held);
  return 0;
}

// Two machine roots whose drives share a host folder: an open made through one machine still
// refuses the deletion asked through the other.
TEST(ShareMarks, AnOpenThroughOneMachineRefusesDeletionThroughAnother) {
  std::string dir = vp::test::TestFolder();
  std::string path = dir + "\\held.txt";
  ASSERT_TRUE(vp::test::WriteTextFile(path, "h"));
  DWORD error = 0;
  auto folder = vp::path::ToHost(dir, vp::path::Need::Existing, &error);
  ASSERT_TRUE(folder);
  auto child = vp::test::StartChild("deny_delete_until_flag_goes", path);
  ASSERT_NE(child, 0);
  for (int i = 0; i < 1000 && GetFileAttributesA((path + ".flag").c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(10);
  {
    OtherMachine other;
    other.SetDriveTable("E fixed " + folder->host + "\n");
    SetLastError(0);
    EXPECT_FALSE(DeleteFileA("E:\\held.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }
  // The child may still be closing the flag file it wrote.
  for (int i = 0; i < 1000 && !DeleteFileA((path + ".flag").c_str()); ++i) Sleep(10);
  EXPECT_EQ(vp::test::WaitChild(child), 0);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}
