// Deletion and the opens that refuse to share it: counted per process, so a deletion is
// refused exactly while some open in any process denies delete.
#include <gtest/gtest.h>

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
