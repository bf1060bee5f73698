// Where a user's processes announce the files they hold (see share_lock.cpp): a file only this
// user can write, "file-holds" in the folder vp-holds-<uid> of the temporary folder (mode 0700),
// so no other user can lock it, replace it or plant something else under its name.
//
// The announcements are only a shortcut; the truth is on each file's own markers. A deletion
// may skip the file's markers only while the holds file is the one every holder announces on.
// Each process that may announce therefore keeps a shared lock on the folder's parent for its
// whole life, and a holds file is made (or made again) only by a process that finds that lock
// free, exclusively: no process lives that could have announced on an older, deleted one. A
// process that finds the file missing, replaced or not ours while others live announces
// nothing and looks at every file's own markers, as does one whose holds file goes away.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "core/internal.h"

namespace vp::posix {
namespace {

constexpr const char* kHoldsName = "file-holds";
constexpr int kLockWaitMs = 2000;  // the longest a holds-file lock is waited for

void SleepMs(int ms) {
  struct timespec pause {0, ms * 1000000L};
  nanosleep(&pause, nullptr);
}

// Takes `operation` (LOCK_SH or LOCK_EX) on `fd`, waiting at most kLockWaitMs.
bool LockWithin(int fd, int operation) {
  for (int waited = 0;; waited += 5) {
    if (flock(fd, operation | LOCK_NB) == 0) return true;
    if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= kLockWaitMs) return false;
    SleepMs(5);
  }
}

bool OursAlone(const struct stat& st) { return st.st_uid == geteuid() && (st.st_mode & 077) == 0; }

// The folder of the holds file; tests point VP_HOLDS_FOLDER elsewhere.
std::string HoldsFolder() {
  const char* chosen = std::getenv("VP_HOLDS_FOLDER");
  if (chosen && *chosen == '/') return chosen;
  return "/tmp/vp-holds-" + std::to_string(geteuid());
}

// The holds file in the open folder `folder`, when it is a plain file of ours alone; else -1.
int OpenHoldsFile(int folder) {
  int fd = openat(folder, kHoldsName, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !OursAlone(st) || st.st_nlink != 1) {
    close(fd);
    return -1;
  }
  return fd;
}

// Opened once per process; -1 when there is no holds file to trust.
int OpenHolds() {
  std::string folderPath = HoldsFolder();
  std::string parentPath = folderPath.substr(0, folderPath.find_last_of('/'));
  int parent = open(parentPath.empty() ? "/" : parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0) return -1;
  // Kept for the process's life (never closed): the lock says this process may hold files.
  bool alone = flock(parent, LOCK_EX | LOCK_NB) == 0;
  if (alone) mkdir(folderPath.c_str(), 0700);
  int fd = -1;
  int folder = open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  struct stat st;
  if (folder >= 0 && fstat(folder, &st) == 0 && OursAlone(st)) {
    fd = OpenHoldsFile(folder);
    if (fd < 0 && alone) {  // no one else could have announced: a new file is safe
      unlinkat(folder, kHoldsName, 0);
      int made = openat(folder, kHoldsName, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (made >= 0) close(made);
      fd = OpenHoldsFile(folder);
    }
  }
  if (folder >= 0) close(folder);
  // Shared from now on. Converting gives the lock up for a moment; a process that takes it then
  // is alone only if this one is too, and finds the file this one found.
  if (!LockWithin(parent, LOCK_SH)) {
    // Not counted among the holders: announcements could go unseen, so none are made.
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

std::atomic<bool> g_holdsGone{false};

}  // namespace

int HoldsFile() {
  static const int fd = OpenHolds();
  if (fd < 0 || g_holdsGone) return -1;
  // Deleted since (a temporary-folder cleaner): its announcements no longer reach anyone.
  struct stat st;
  if (fstat(fd, &st) != 0 || st.st_nlink == 0) {
    g_holdsGone = true;
    return -1;
  }
  return fd;
}

bool LockHoldsFileExclusively(int holds) { return LockWithin(holds, LOCK_EX); }

}  // namespace vp::posix
