// The place where a user's processes announce the files they hold: only that user's, and
// never a reason to delete a held file or to wait without end, whatever happens to it.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fcntl.h>
#include <functional>

#include "core/internal.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

bool WaitForFile(const std::string& windowsPath, bool present) {
  for (int i = 0; i < 1000; ++i) {
    if ((GetFileAttributesA(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES) == present) return true;
    Sleep(10);
  }
  return false;
}

// The child's exit code, or -1 when it has not ended within 20 seconds (it is then killed).
int WaitWithin(std::intptr_t child) {
  for (int i = 0; i < 2000; ++i) {
    int status = 0;
    pid_t ended = waitpid(static_cast<pid_t>(child), &status, WNOHANG);
    if (ended == static_cast<pid_t>(child)) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    usleep(10000);
  }
  vp::test::KillChild(child);
  return -1;
}

// The holds of the children started while it lives go to a folder of their own.
class OwnHoldsPlace {
 public:
  OwnHoldsPlace() {
    char pattern[] = "/tmp/vp-holds-test-XXXXXX";
    parent_ = mkdtemp(pattern);
    folder_ = parent_ + "/holds";
    setenv("VP_HOLDS_FOLDER", folder_.c_str(), 1);
  }
  ~OwnHoldsPlace() {
    unsetenv("VP_HOLDS_FOLDER");
    std::string command = "rm -rf '" + parent_ + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "could not remove " << parent_;
  }
  const std::string& Folder() const { return folder_; }
  std::string File() const { return folder_ + "/file-holds"; }
 private:
  std::string parent_, folder_;
};

// Starts a child that runs `image` (holds it as a running program does) until the flag beside
// it goes; does `meanwhile`, then asks a fresh process to delete the image. The deleter's
// answer: 0 refused as a running image, 1 deleted, 2 refused otherwise, -1 no answer in time.
int DeletionWhileRunning(const std::string& image, const std::function<void()>& meanwhile) {
  auto holder = vp::test::StartChild("run_image_until_flag_goes", image);
  if (holder == 0 || !WaitForFile(image + ".flag", true)) return -2;
  meanwhile();
  int answer = WaitWithin(vp::test::StartChild("delete_file", image));
  DeleteFileA((image + ".flag").c_str());
  if (WaitWithin(holder) != 0) return -3;
  return answer;
}

}  // namespace

VP_CHILD(run_image_until_flag_goes) {
  DWORD error = 0;
  auto image = vp::path::ToHost(argument, vp::path::Need::Existing, &error);
  if (!image || vp::posix::HoldImage(image->host) < 0) return 2;
  if (!vp::test::WriteTextFile(argument + ".flag", "running")) return 3;
  return WaitForFile(argument + ".flag", false) ? 0 : 4;
}

VP_CHILD(delete_file) {
  if (DeleteFileA(argument.c_str())) return 1;
  return GetLastError() == ERROR_ACCESS_DENIED ? 0 : 2;
}

VP_CHILD(deny_all_until_flag_goes) {
  HANDLE held = CreateFileA(argument.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (held == INVALID_HANDLE_VALUE) return 2;
  if (!vp::test::WriteTextFile(argument + ".flag", "held")) return 3;
  bool gone = WaitForFile(argument + ".flag", false);
  CloseHandle(held);
  return gone ? 0 : 4;
}

VP_CHILD(open_shared_for_reading) {
  HANDLE opened = CreateFileA(argument.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (opened != INVALID_HANDLE_VALUE) return 1;
  return GetLastError() == ERROR_SHARING_VIOLATION ? 0 : 2;
}

// A temporary-folder cleaner deletes the holds file while a terminal runs: the terminal's file
// is still refused to an uninstall started afterwards.
TEST(HoldsPlace, AHeldImageStaysUndeletableWhenTheHoldsFileIsDeleted) {
  OwnHoldsPlace place;
  std::string image = vp::test::TestFolder() + "\\VANTPlusTWS.exe";
  ASSERT_TRUE(vp::test::WriteTextFile(image, "MZ"));
  EXPECT_EQ(DeletionWhileRunning(image, [&] { ASSERT_EQ(unlink(place.File().c_str()), 0); }), 0);
  // The folder removed with it, the same.
  EXPECT_EQ(DeletionWhileRunning(image, [&] {
              ASSERT_EQ(unlink(place.File().c_str()), 0);
              ASSERT_EQ(rmdir(place.Folder().c_str()), 0);
            }),
            0);
  // Once no process holds anything, a new holds file is made and trusted again.
  EXPECT_EQ(WaitWithin(vp::test::StartChild("delete_file", image)), 1);
  struct stat st;
  ASSERT_EQ(lstat(place.File().c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 077, 0u);
}

// Whatever stands in the holds file's place that is not this user's own is not used, nor
// waited on: deletions look at the file itself.
TEST(HoldsPlace, APlaceThatIsNotTheUsersOwnIsNotTrusted) {
  std::string image = vp::test::TestFolder() + "\\VANTPlusTWS.exe";
  ASSERT_TRUE(vp::test::WriteTextFile(image, "MZ"));
  {
    OwnHoldsPlace place;  // a pipe under the folder's name
    ASSERT_EQ(mkfifo(place.Folder().c_str(), 0666), 0);
    EXPECT_EQ(DeletionWhileRunning(image, [] {}), 0);
  }
  {
    OwnHoldsPlace place;  // a folder open to every user, with a pipe under the file's name
    ASSERT_EQ(mkdir(place.Folder().c_str(), 0777), 0);
    ASSERT_EQ(chmod(place.Folder().c_str(), 0777), 0);
    ASSERT_EQ(mkfifo(place.File().c_str(), 0666), 0);
    EXPECT_EQ(DeletionWhileRunning(image, [] {}), 0);
  }
  if (geteuid() == 0) {
    OwnHoldsPlace place;  // another user's folder, with a holds file they could lock
    ASSERT_EQ(mkdir(place.Folder().c_str(), 0700), 0);
    ASSERT_EQ(close(open(place.File().c_str(), O_RDWR | O_CREAT, 0600)), 0);
    ASSERT_EQ(chown(place.File().c_str(), 12345, 12345), 0);
    ASSERT_EQ(chown(place.Folder().c_str(), 12345, 12345), 0);
    EXPECT_EQ(DeletionWhileRunning(image, [] {}), 0);
  }
  EXPECT_TRUE(DeleteFileA(image.c_str()));
}

// A process that keeps the holds file's whole-file lock (stopped, or hostile) makes an open that
// meets a conflict wait a bounded time, then it is refused as in conflict.
TEST(HoldsPlace, AnOpenWaitsABoundedTimeForTheHoldsFile) {
  OwnHoldsPlace place;
  std::string file = vp::test::TestFolder() + "\\data.txt";
  ASSERT_TRUE(vp::test::WriteTextFile(file, "d"));
  auto holder = vp::test::StartChild("deny_all_until_flag_goes", file);
  ASSERT_NE(holder, 0);
  ASSERT_TRUE(WaitForFile(file + ".flag", true));
  int holds = open(place.File().c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  ASSERT_GE(holds, 0);
  ASSERT_EQ(flock(holds, LOCK_EX), 0);
  EXPECT_EQ(WaitWithin(vp::test::StartChild("open_shared_for_reading", file)), 0);
  close(holds);
  DeleteFileA((file + ".flag").c_str());
  EXPECT_EQ(WaitWithin(holder), 0);
}
