// Copies that cannot finish leave nothing partial behind, a limit or a closed pipe is an error
// the program sees rather than the end of it, and links are never written through.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

#include "core/internal.h"
#include "other_machine.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

const std::string kDatabase(1 << 20, 'd');  // a client database of 1 MB

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") names.insert(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

std::string HostOf(const std::string& windows) {
  DWORD error = 0;
  auto r = vp::path::ToHost(windows, vp::path::Need::Creatable, &error);
  return r ? r->host : std::string();
}

std::string HostText(const std::string& host) {
  std::ifstream in(host);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

// Under a file-size limit of 64 KB: each failure is reported by its own exit code.
VP_CHILD(copy_under_size_limit) {
  struct rlimit limit {64 << 10, 64 << 10};
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 1;
  std::string dir = argument;
  SetLastError(0);
  if (CopyFileA((dir + "\\ComVantPlusDB.dbd").c_str(), (dir + "\\new.dbd").c_str(), FALSE)) return 10;
  if (GetLastError() != ERROR_DISK_FULL) return 11;
  SetLastError(0);
  if (CopyFileA((dir + "\\ComVantPlusDB.dbd").c_str(), (dir + "\\backup.dbd").c_str(), FALSE)) return 12;
  if (GetLastError() != ERROR_DISK_FULL) return 13;
  // A plain write past the limit fails as well, and the program goes on.
  HANDLE h = CreateFileA((dir + "\\direct.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 14;
  DWORD written = 0;
  SetLastError(0);
  BOOL wrote = WriteFile(h, kDatabase.data(), static_cast<DWORD>(kDatabase.size()), &written, nullptr);
  DWORD error = GetLastError();
  CloseHandle(h);
  if (wrote || error != ERROR_DISK_FULL) return 15;
  if (written != 64u << 10) return 16;
  return 0;
}

TEST(CopySafety, AFileSizeLimitFailsTheCopyWithoutAPartialTarget) {
  std::string dir = vp::test::TestFolder();
  ASSERT_TRUE(vp::test::WriteTextFile(dir + "\\ComVantPlusDB.dbd", kDatabase));
  ASSERT_TRUE(vp::test::WriteTextFile(dir + "\\backup.dbd", "the previous backup"));
  EXPECT_EQ(vp::test::RunChild("copy_under_size_limit", dir), 0);
  EXPECT_FALSE(vp::test::PathExists(dir + "\\new.dbd"));
  EXPECT_EQ(vp::test::ReadTextFile(dir + "\\backup.dbd"), "the previous backup");
  EXPECT_EQ(Names(dir), (std::set<std::string>{"ComVantPlusDB.dbd", "backup.dbd", "direct.bin"}));
}

TEST(CopySafety, AFullDiskFailsTheCopyWithoutAPartialTarget) {
  OtherMachine m;
  std::string small = m.Host() + "/small";
  ASSERT_EQ(mkdir(small.c_str(), 0755), 0);
  if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0)
    GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
  struct Unmount {
    std::string at;
    ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
  } unmount{small};
  m.SetDriveTable("C fixed drive_c\nE fixed " + small + "\n");
  ASSERT_TRUE(vp::test::WriteTextFile("C:\\ComVantPlusDB.dbd", kDatabase));
  ASSERT_TRUE(vp::test::WriteTextFile("E:\\backup.dbd", "the previous backup"));

  SetLastError(0);
  EXPECT_FALSE(CopyFileA("C:\\ComVantPlusDB.dbd", "E:\\new.dbd", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  SetLastError(0);
  EXPECT_FALSE(CopyFileA("C:\\ComVantPlusDB.dbd", "E:\\backup.dbd", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(vp::test::ReadTextFile("E:\\backup.dbd"), "the previous backup");
  EXPECT_EQ(Names("E:"), (std::set<std::string>{"backup.dbd"}));
}

TEST(CopySafety, AClosedPipeIsAnErrorNotTheEnd) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  errno = 0;
  EXPECT_EQ(write(ends[1], "x", 1), -1);
  EXPECT_EQ(vp::posix::ErrorFromErrno(errno), static_cast<DWORD>(ERROR_NO_DATA));
  close(ends[1]);
}

TEST(CopySafety, ALinkInThePlaceOfTheTargetIsReplacedNotWrittenThrough) {
  OtherMachine m;
  std::string outside = m.Host() + "/outside.dbd";  // not on any drive
  std::ofstream(outside) << "somebody else's file";
  ASSERT_TRUE(CreateDirectoryA("C:\\VNXTBackUpDB-TWS", nullptr));
  ASSERT_TRUE(vp::test::WriteTextFile("C:\\ComVantPlusDB.dbd", "client data"));
  std::string link = HostOf("C:\\VNXTBackUpDB-TWS\\ComVantPlusDB.dbd");
  ASSERT_EQ(symlink(outside.c_str(), link.c_str()), 0);

  SetLastError(0);
  EXPECT_FALSE(CopyFileA("C:\\ComVantPlusDB.dbd", "C:\\VNXTBackUpDB-TWS\\ComVantPlusDB.dbd", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_TRUE(CopyFileA("C:\\ComVantPlusDB.dbd", "C:\\VNXTBackUpDB-TWS\\ComVantPlusDB.dbd", FALSE));
  EXPECT_EQ(HostText(outside), "somebody else's file");
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(vp::test::ReadTextFile("C:\\VNXTBackUpDB-TWS\\ComVantPlusDB.dbd"), "client data");
}

TEST(CopySafety, AttributesSetOnALinkNeverReachItsTarget) {
  OtherMachine m;
  std::string writable = m.Host() + "/writable.txt", readOnly = m.Host() + "/read-only.txt";
  std::ofstream(writable) << "w";
  std::ofstream(readOnly) << "r";
  ASSERT_EQ(chmod(writable.c_str(), 0644), 0);
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
  ASSERT_TRUE(CreateDirectoryA("C:\\MWBackup", nullptr));
  ASSERT_EQ(symlink(writable.c_str(), HostOf("C:\\MWBackup\\a.txt").c_str()), 0);
  ASSERT_EQ(symlink(readOnly.c_str(), HostOf("C:\\MWBackup\\b.txt").c_str()), 0);

  EXPECT_TRUE(SetFileAttributesA("C:\\MWBackup\\a.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(SetFileAttributesA("C:\\MWBackup\\b.txt", FILE_ATTRIBUTE_NORMAL));
  struct stat st;
  ASSERT_EQ(stat(writable.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  ASSERT_EQ(stat(readOnly.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);

  // A link is replaced by a move even where its target is read-only.
  ASSERT_TRUE(vp::test::WriteTextFile("C:\\MWBackup\\new.txt", "n"));
  EXPECT_TRUE(MoveFileExA("C:\\MWBackup\\new.txt", "C:\\MWBackup\\b.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(HostText(readOnly), "r");
}

TEST(CopySafety, CopiesKeepTheSourcesPermissionsWhateverTheCreationMask) {
  ASSERT_TRUE(vp::test::WriteTextFile("C:\\source.txt", "s"));
  std::string source = HostOf("C:\\source.txt");
  // Read-only, more than the usual mask lets through, less, and executable.
  for (mode_t mode : {0444u, 0666u, 0600u, 0755u, 0640u}) {
    ASSERT_EQ(chmod(source.c_str(), mode), 0);
    std::string target = "C:\\copy" + std::to_string(mode) + ".txt";
    ASSERT_TRUE(CopyFileA("C:\\source.txt", target.c_str(), TRUE)) << std::oct << mode;
    struct stat st;
    ASSERT_EQ(stat(HostOf(target).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
  }
}

// The first copy of a fresh process onto the name its own first temporary would have.
VP_CHILD(copy_onto_own_temporary_name) {
  std::string target = argument + "\\~vpcopy-" + std::to_string(getpid()) + "-1.tmp";
  if (!CopyFileA((argument + "\\source.txt").c_str(), target.c_str(), TRUE)) return static_cast<int>(GetLastError());
  return vp::test::ReadTextFile(target) == "source" ? 0 : 1;
}

// A caller's name that follows the copy's temporary pattern is copied to like any other, and
// what a killed copy left is removed by the next copy into its folder, nothing else.
TEST(CopySafety, TemporariesNeverTakeACallersNameAndKilledCopiesLeaveNoneForLong) {
  std::string dir = vp::test::TestFolder();
  ASSERT_TRUE(vp::test::WriteTextFile(dir + "\\source.txt", "source"));
  auto child = vp::test::StartChild("copy_onto_own_temporary_name", dir);
  ASSERT_NE(child, 0);
  EXPECT_EQ(vp::test::WaitChild(child), 0);
  std::string dead = std::to_string(child);  // the child's number, now no process's
  std::string host = HostOf(dir);
  auto leave = [&](const std::string& name, mode_t mode) {
    std::ofstream(host + "/" + name) << "partial";
    ASSERT_EQ(chmod((host + "/" + name).c_str(), mode), 0);
  };
  leave("~vpcopy-" + dead + "-7.tmp", 0);                              // a killed copy's
  leave("~vpcopy-" + dead + "-8.tmp", 0644);                           // a caller's
  leave("~vpcopy-" + std::to_string(getpid()) + "-9.tmp", 0);          // a live copy's
  ASSERT_TRUE(CopyFileA((dir + "\\source.txt").c_str(), (dir + "\\copy.txt").c_str(), TRUE));
  std::set<std::string> expected = {"source.txt", "copy.txt", "~vpcopy-" + dead + "-1.tmp",
                                    "~vpcopy-" + dead + "-8.tmp", "~vpcopy-" + std::to_string(getpid()) + "-9.tmp"};
  EXPECT_EQ(Names(dir), expected);
}
