// The cached folder listings behind case-insensitive lookups: kept current by every change to
// the folder, without reading the folder again.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "core/internal.h"
#include "platform/machine.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

std::string HostOf(const std::string& windows) {
  DWORD error = 0;
  auto r = vp::path::ToHost(windows, vp::path::Need::Existing, &error);
  return r ? r->host : std::string();
}

bool Exists(const std::string& windows) { return GetFileAttributesA(windows.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST(ListingCache, OwnCreatesAndDeletesDoNotRereadTheFolder) {
  std::string dir = vp::test::TestFolder();
  ASSERT_FALSE(Exists(dir + "\\NEW0.TXT"));  // reads the folder once
  unsigned long reads = vp::path::FolderReads();
  for (int i = 0; i < 200; ++i) {
    std::string name = dir + "\\New" + std::to_string(i) + ".txt";
    ASSERT_TRUE(vp::test::WriteTextFile(name, "x"));
    ASSERT_TRUE(CopyFileA(name.c_str(), (dir + "\\Copy" + std::to_string(i) + ".txt").c_str(), TRUE));
    ASSERT_TRUE(Exists(dir + "\\COPY" + std::to_string(i) + ".TXT"));
  }
  for (int i = 0; i < 200; i += 2) ASSERT_TRUE(DeleteFileA((dir + "\\NEW" + std::to_string(i) + ".TXT").c_str()));
  for (int i = 0; i < 200; ++i) EXPECT_EQ(Exists(dir + "\\nEW" + std::to_string(i) + ".tXT"), i % 2 == 1) << i;
  EXPECT_EQ(vp::path::FolderReads(), reads);
}

TEST(ListingCache, ChangesMadeOnTheHostAreSeenAtOnce) {
  std::string dir = vp::test::TestFolder();
  std::string host = HostOf(dir);
  std::ofstream(host + "/Data.txt") << "1";
  std::ofstream(host + "/data.TXT") << "2";
  EXPECT_EQ(HostOf(dir + "\\DATA.TXT"), host + "/Data.txt");
  // The winner of two case variants goes; the other is found next.
  ASSERT_EQ(unlink((host + "/Data.txt").c_str()), 0);
  EXPECT_EQ(HostOf(dir + "\\DATA.TXT"), host + "/data.TXT");
  ASSERT_EQ(rename((host + "/data.TXT").c_str(), (host + "/Other").c_str()), 0);
  EXPECT_EQ(HostOf(dir + "\\DATA.TXT"), "");
  EXPECT_EQ(HostOf(dir + "\\OTHER"), host + "/Other");
}

TEST(ListingCache, AFolderReplacedUnderTheSameNameIsReadAnew) {
  std::string dir = vp::test::TestFolder();
  std::string host = HostOf(dir);
  ASSERT_EQ(mkdir((host + "/Sub").c_str(), 0755), 0);
  std::ofstream(host + "/Sub/Old.txt") << "o";
  EXPECT_EQ(HostOf(dir + "\\SUB\\OLD.TXT"), host + "/Sub/Old.txt");
  // Moved away, a new folder takes its name: lookups see the new folder's names only, and
  // the moved folder keeps its own.
  ASSERT_EQ(rename((host + "/Sub").c_str(), (host + "/Moved").c_str()), 0);
  ASSERT_EQ(mkdir((host + "/Sub").c_str(), 0755), 0);
  std::ofstream(host + "/Sub/New.txt") << "n";
  EXPECT_EQ(HostOf(dir + "\\SUB\\OLD.TXT"), "");
  EXPECT_EQ(HostOf(dir + "\\SUB\\NEW.TXT"), host + "/Sub/New.txt");
  EXPECT_EQ(HostOf(dir + "\\MOVED\\OLD.TXT"), host + "/Moved/Old.txt");
  // A folder removed and made again, possibly on the same inode, starts empty.
  ASSERT_EQ(unlink((host + "/Moved/Old.txt").c_str()), 0);
  ASSERT_EQ(rmdir((host + "/Moved").c_str()), 0);
  ASSERT_EQ(mkdir((host + "/Moved").c_str(), 0755), 0);
  EXPECT_EQ(HostOf(dir + "\\MOVED\\OLD.TXT"), "");
}

TEST(ListingCache, AForkedChildKeepsItsOwnListings) {
  std::string dir = vp::test::TestFolder();
  std::string host = HostOf(dir);
  ASSERT_FALSE(Exists(dir + "\\A.TXT"));
  pid_t child = fork();
  if (child == 0) {
    // The child's lookups must not take the parent's queued changes away from it.
    std::ofstream(host + "/a.txt") << "a";
    _exit(Exists(dir + "\\A.TXT") ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(Exists(dir + "\\A.TXT"));
}

TEST(ListingCache, AFolderFoundInAnotherCaseIsFoundAgainAfterChanges) {
  std::string dir = vp::test::TestFolder();
  std::string host = HostOf(dir);
  ASSERT_EQ(mkdir((host + "/sub").c_str(), 0755), 0);
  std::ofstream(host + "/sub/f.txt") << "1";
  EXPECT_EQ(HostOf(dir + "\\sUB\\F.TXT"), host + "/sub/f.txt");
  EXPECT_EQ(HostOf(dir + "\\sUB\\f.txt"), host + "/sub/f.txt");
  // A new case variant that sorts first takes over, as a fresh lookup would decide.
  ASSERT_EQ(mkdir((host + "/SUB").c_str(), 0755), 0);
  std::ofstream(host + "/SUB/f.txt") << "2";
  EXPECT_EQ(HostOf(dir + "\\sUB\\F.TXT"), host + "/SUB/f.txt");
  // The folder moved away and another put in its place: the new one is used.
  ASSERT_EQ(rename((host + "/SUB").c_str(), (host + "/Gone").c_str()), 0);
  ASSERT_EQ(rename((host + "/sub").c_str(), (host + "/Old").c_str()), 0);
  ASSERT_EQ(mkdir((host + "/Sub").c_str(), 0755), 0);
  EXPECT_EQ(HostOf(dir + "\\sUB\\F.TXT"), "");
  std::ofstream(host + "/Sub/F.txt") << "3";
  EXPECT_EQ(HostOf(dir + "\\sUB\\f.TXT"), host + "/Sub/F.txt");
  EXPECT_EQ(vp::test::ReadTextFile(dir + "\\SUB\\F.TXT"), "3");
}

namespace {

// Listings taken while it lives are not watched, as where no watches are left.
class WithoutWatches {
 public:
  WithoutWatches() { vp::path::SetFolderWatchesAvailable(false); }
  ~WithoutWatches() { vp::path::SetFolderWatchesAvailable(true); }
};

// Puts the folder's modification time back, as a file system with one-second time stamps
// leaves it over changes made within the same second.
void KeepModificationTime(const std::string& hostFolder, const struct timespec& mtime) {
  struct timespec times[2] = {{0, UTIME_OMIT}, mtime};
  ASSERT_EQ(utimensat(AT_FDCWD, hostFolder.c_str(), times, 0), 0);
}

}  // namespace

TEST(ListingCache, AFolderThatCannotBeWatchedIsReadAgainBeforeANameIsMissing) {
  WithoutWatches unwatched;
  std::string dir = vp::test::TestFolder();
  std::string host = HostOf(dir);
  std::ofstream(host + "/VantPro.exe") << "terminal";
  struct stat folder;
  ASSERT_EQ(stat(host.c_str(), &folder), 0);
  folder.st_mtim.tv_sec -= 10;  // the listing is taken long after the folder's last change
  KeepModificationTime(host, folder.st_mtim);
  EXPECT_TRUE(Exists(dir + "\\VANTPRO.EXE"));
  // Renamed and made behind the layer's back in the same second.
  ASSERT_EQ(rename((host + "/VantPro.exe").c_str(), (host + "/Staged.exe").c_str()), 0);
  std::ofstream(host + "/Fresh.txt") << "f";
  KeepModificationTime(host, folder.st_mtim);
  EXPECT_FALSE(Exists(dir + "\\VANTPRO.EXE"));
  EXPECT_TRUE(Exists(dir + "\\STAGED.EXE"));
  EXPECT_TRUE(Exists(dir + "\\fresh.TXT"));
  ASSERT_TRUE(MoveFileA((dir + "\\staged.EXE").c_str(), (dir + "\\VANTPlusTWS.exe").c_str()));
  KeepModificationTime(host, folder.st_mtim);
  EXPECT_TRUE(Exists(dir + "\\vantplustws.EXE"));
  EXPECT_EQ(HostOf(dir + "\\VANTPLUSTWS.EXE"), host + "/VANTPlusTWS.exe");
}
