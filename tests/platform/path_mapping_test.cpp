// Windows paths to host paths and back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "core/internal.h"
#include "platform/machine.h"
#include "platform/win.h"
#include "test_support.h"

using vp::path::Need;

namespace {

std::string HostOf(const std::string& windows, Need need = Need::Existing, DWORD* error = nullptr) {
  DWORD e = 0;
  auto r = vp::path::ToHost(windows, need, &e);
  if (error) *error = e;
  return r ? r->host : std::string();
}

std::string DriveC() { return vp::machine::FindDrive('C')->hostFolder; }

void Touch(const std::string& host) { std::ofstream(host) << "x"; }

}  // namespace

TEST(PathMapping, BothWays) {
  std::string c = DriveC();
  EXPECT_EQ(HostOf("C:\\"), c);
  EXPECT_EQ(HostOf("c:/Users"), c + "/Users");
  EXPECT_EQ(vp::path::FromHost(c + "/Users/x"), "C:\\Users\\x");
  EXPECT_EQ(vp::path::FromHost(c), "C:\\");
  // Host paths outside every drive are on Z:.
  EXPECT_EQ(vp::path::FromHost("/usr/bin"), "Z:\\usr\\bin");
  EXPECT_EQ(HostOf("Z:\\usr\\bin"), "/usr/bin");
  EXPECT_EQ(vp::path::FromHost("/"), "Z:\\");
  DWORD error = 0;
  EXPECT_EQ(HostOf("Q:\\x", Need::Creatable, &error), "");
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(PathMapping, CaseInsensitiveAndCasePreserving) {
  std::string dir = vp::test::TestFolder();
  ASSERT_TRUE(CreateDirectoryA((dir + "\\VantProDB-TWS").c_str(), nullptr));
  DWORD error = 0;
  auto r = vp::path::ToHost(dir + "\\VANTProDB-TWS\\new.txt", Need::Creatable, &error);
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->exists);
  // The folder keeps its case on disk; the new name keeps the case it is given.
  EXPECT_NE(r->host.find("/VantProDB-TWS/new.txt"), std::string::npos);
  EXPECT_NE(r->windows.find("\\VantProDB-TWS\\new.txt"), std::string::npos);
}

TEST(PathMapping, TwoNamesDifferingOnlyInCaseResolveTheSameWayEveryTime) {
  std::string dir = vp::test::TestFolder();
  std::string host = HostOf(dir);
  Touch(host + "/data.TXT");
  Touch(host + "/Data.txt");
  // The exact name wins; otherwise the smallest in byte order ("Data.txt" < "data.TXT").
  EXPECT_EQ(HostOf(dir + "\\data.TXT"), host + "/data.TXT");
  EXPECT_EQ(HostOf(dir + "\\Data.txt"), host + "/Data.txt");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(HostOf(dir + "\\DATA.TXT"), host + "/Data.txt");
}

TEST(PathMapping, ACachedListingSeesLaterChanges) {
  std::string dir = vp::test::TestFolder();
  std::string host = HostOf(dir);
  Touch(host + "/First");
  EXPECT_EQ(HostOf(dir + "\\FIRST"), host + "/First");  // listing now cached
  // Changes made at once, within the folder's time-stamp resolution, are still seen.
  Touch(host + "/Second");
  EXPECT_EQ(HostOf(dir + "\\SECOND"), host + "/Second");
  ASSERT_EQ(rename((host + "/First").c_str(), (host + "/Renamed").c_str()), 0);
  DWORD error = 0;
  EXPECT_EQ(HostOf(dir + "\\FIRST", Need::Existing, &error), "");
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(HostOf(dir + "\\RENAMED"), host + "/Renamed");
}

TEST(PathMapping, BadNamesAndLongPathsFailCleanly) {
  std::string dir = vp::test::TestFolder();
  DWORD error = 0;
  for (const char* bad : {"a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "a:b", "tab\there"}) {
    EXPECT_EQ(HostOf(dir + "\\" + bad, Need::Creatable, &error), "") << bad;
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_NAME)) << bad;
  }
  // A path that does not fit MAX_PATH is refused whole; nothing is created for it.
  std::string longName(300, 'n');
  EXPECT_FALSE(CreateDirectoryA((dir + "\\" + longName).c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  std::string nearly = dir + "\\" + std::string(MAX_PATH - 2 - dir.size(), 'm');
  ASSERT_EQ(nearly.size(), static_cast<size_t>(MAX_PATH - 1));
  EXPECT_TRUE(CreateDirectoryA(nearly.c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryA((nearly + "x").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  // Bytes above 127 are names like any other.
  EXPECT_TRUE(vp::test::WriteTextFile(dir + "\\caf\xe9.txt", "latin"));
  EXPECT_EQ(vp::test::ReadTextFile(dir + "\\CAF\xe9.TXT"), "latin");
}

TEST(PathMapping, SymbolicLinksAreReparsePoints) {
  std::string dir = vp::test::TestFolder();
  std::string host = HostOf(dir);
  ASSERT_EQ(mkdir((host + "/target").c_str(), 0755), 0);
  Touch(host + "/target/inside.txt");
  ASSERT_EQ(symlink((host + "/target").c_str(), (host + "/link").c_str()), 0);
  DWORD attributes = GetFileAttributesA((dir + "\\link").c_str());
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "\\link").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
  FindClose(find);
  // Removing the link as a folder removes the link only.
  EXPECT_FALSE(DeleteFileA((dir + "\\link").c_str()));
  EXPECT_TRUE(RemoveDirectoryA((dir + "\\link").c_str()));
  EXPECT_EQ(access((host + "/target/inside.txt").c_str(), F_OK), 0);
}
