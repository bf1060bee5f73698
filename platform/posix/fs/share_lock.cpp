// Windows share modes on POSIX. Each open of a file takes shared open-file-description locks
// on marker bytes far beyond any data: one byte per kind of access it holds, one per kind of
// access it refuses to share. A new open conflicts when a byte it must check is locked by any
// other open, in this process or another; a process that dies drops its locks with it.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

#include "core/internal.h"

namespace vp::posix {
namespace {

constexpr off_t kMarkers = static_cast<off_t>(1) << 62;
enum Marker : off_t {
  kHoldsRead, kHoldsWrite, kHoldsDelete, kDeniesRead, kDeniesWrite, kDeniesDelete,
  kRunsAsImage,  // a process runs the file or has it loaded as a module
};

bool Locked(int fd, Marker marker) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = kMarkers + marker;
  probe.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return false;
  return probe.l_type != F_UNLCK;
}

// True when some other open holds any marker at all: without one, nothing can conflict.
bool AnyOtherOpen(int fd) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = kMarkers;
  probe.l_len = kDeniesDelete + 1;
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return true;
  return probe.l_type != F_UNLCK;
}

// Takes the markers set in `wanted` (bit i for marker i), one call per run of neighbours.
void Take(int fd, unsigned wanted) {
  for (off_t first = 0; first <= kRunsAsImage; ++first) {
    if (!(wanted & (1u << first))) continue;
    off_t end = first;
    while (end + 1 <= kRunsAsImage && (wanted & (1u << (end + 1)))) ++end;
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kMarkers + first;
    lock.l_len = end - first + 1;
    fcntl(fd, F_OFD_SETLK, &lock);
    first = end;
  }
}

// Lets go of every marker this open took.
void Release(int fd) {
  struct flock lock {};
  lock.l_type = F_UNLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kMarkers;
  lock.l_len = kRunsAsImage + 1;
  fcntl(fd, F_OFD_SETLK, &lock);
}

// The machine's share-mode lock file, opened once per machine the process uses: a process
// that moves to another machine root must meet that machine's processes, not the old ones.
std::mutex g_lockFileMutex;
std::atomic<int> g_lockFile{-1};
std::atomic<unsigned> g_lockFileGeneration{~0u};

int MachineLockFile() {
  unsigned generation = vp::machine::RootGeneration();
  if (g_lockFileGeneration.load(std::memory_order_acquire) == generation) return g_lockFile.load();
  std::lock_guard guard(g_lockFileMutex);
  if (g_lockFileGeneration.load() != generation) {
    int old = g_lockFile.exchange(open((vp::machine::ObjectsFolder() + "/share-modes.lock").c_str(),
                                       O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (old >= 0) close(old);
    g_lockFileGeneration.store(generation, std::memory_order_release);
  }
  return g_lockFile.load();
}

// Serialises the second attempt of opens that met a conflict (a whole-file flock, which never
// meets the record locks below).
class MachineShareGuard {
 public:
  MachineShareGuard() : fd_(MachineLockFile()) {
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~MachineShareGuard() {
    if (fd_ >= 0) flock(fd_, LOCK_UN);
  }
 private:
  int fd_;
};

// Whether any open on the machine may refuse to share delete. A process holding such opens
// keeps a shared record lock on the first byte of the machine's lock file for as long as it
// holds one, so a deletion looks at the file's own markers only when some process does:
// deleting a tree no one has open costs no extra open per file.
constexpr off_t kDeniesDeleteSomewhere = 0;
std::mutex g_denyingLock;
int g_denyingOpens = 0;  // in this process

bool LockIndicator(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = kDeniesDeleteSomewhere;
  lock.l_len = 1;
  return MachineLockFile() >= 0 && fcntl(MachineLockFile(), F_OFD_SETLK, &lock) == 0;
}

void HoldDenyingOpen() {
  std::lock_guard guard(g_denyingLock);
  if (g_denyingOpens++ == 0) LockIndicator(F_RDLCK);
}

void ReleaseDenyingOpen() {
  std::lock_guard guard(g_denyingLock);
  if (--g_denyingOpens == 0) LockIndicator(F_UNLCK);
}

bool SomeOpenMayDenyDelete() {
  std::lock_guard guard(g_denyingLock);
  if (g_denyingOpens > 0 || MachineLockFile() < 0) return true;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = kDeniesDeleteSomewhere;
  probe.l_len = 1;
  return fcntl(MachineLockFile(), F_OFD_GETLK, &probe) != 0 || probe.l_type != F_UNLCK;
}

}  // namespace

ShareLock::~ShareLock() {
  if (fd_ >= 0) close(fd_);
  if (deniesDelete_) ReleaseDenyingOpen();
}

bool ShareLock::Acquire(const std::string& hostPath, bool wantRead, bool wantWrite,
                        bool wantDelete, DWORD share) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return true;  // nothing to lock (e.g. no read permission): no sharing rules
  return AcquireOn(fd, wantRead, wantWrite, wantDelete, share);
}

bool ShareLock::AcquireOn(int fd, bool wantRead, bool wantWrite, bool wantDelete, DWORD share) {
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
  // Announced before the markers are taken, so a deletion that misses the announcement
  // happened before this open.
  if (!(share & FILE_SHARE_DELETE) && !deniesDelete_) {
    HoldDenyingOpen();
    deniesDelete_ = true;
  }
  bool sharesRead = share & FILE_SHARE_READ, sharesWrite = share & FILE_SHARE_WRITE,
       sharesDelete = share & FILE_SHARE_DELETE;
  unsigned markers = (wantRead ? 1u << kHoldsRead : 0) | (wantWrite ? 1u << kHoldsWrite : 0) |
                     (wantDelete ? 1u << kHoldsDelete : 0) | (!sharesRead ? 1u << kDeniesRead : 0) |
                     (!sharesWrite ? 1u << kDeniesWrite : 0) | (!sharesDelete ? 1u << kDeniesDelete : 0);
  // The markers are taken first and the others' looked at after: of two conflicting opens the
  // one that looks last sees the other's markers, so both never succeed, and no machine-wide
  // lock is needed. The usual case, a file no one else has open, costs one probe.
  auto conflicts = [&] {
    return AnyOtherOpen(fd_) &&
           ((wantRead && Locked(fd_, kDeniesRead)) || (wantWrite && Locked(fd_, kDeniesWrite)) ||
            (wantDelete && Locked(fd_, kDeniesDelete)) || (!sharesRead && Locked(fd_, kHoldsRead)) ||
            (!sharesWrite && Locked(fd_, kHoldsWrite)) || (!sharesDelete && Locked(fd_, kHoldsDelete)));
  };
  Take(fd_, markers);
  if (!conflicts()) return true;
  // Two opens racing may each see the other; the second attempt goes one at a time, so a
  // conflict seen then is with an open that holds its markers for good.
  Release(fd_);
  {
    MachineShareGuard guard;
    Take(fd_, markers);
    if (!conflicts()) return true;
  }
  close(fd_);
  fd_ = -1;
  if (deniesDelete_) ReleaseDenyingOpen();
  deniesDelete_ = false;
  SetLastError(ERROR_SHARING_VIOLATION);
  return false;
}

namespace {

// Running images announced host-wide, whatever machine a process chooses (it holds its own
// program before choosing one): a process holding an image keeps a shared lock on the byte of
// the image's bucket (a hash of its identity) of one file, for as long as it lives. A file whose
// bucket no process locks is run by no one, which a deletion learns with one probe instead of
// an open of the file; a locked bucket only sends it to the file's own markers.
constexpr off_t kImageBuckets = 1 << 16;

int RunningImagesFile() {
  static int fd = [] {
    const char* path = "/tmp/vp-running-images.lock";
    int opened = open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (opened >= 0) fchmod(opened, 0666);  // every user's processes announce here
    return opened >= 0 ? opened : open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  }();
  return fd;
}

off_t ImageBucket(const struct stat& st) {
  return static_cast<off_t>((st.st_dev * 0x9E3779B97F4A7C15ull ^ st.st_ino) % kImageBuckets);
}

// This process's own announcements: its probes cannot see its own locks.
std::atomic<bool> g_announced[kImageBuckets];

void AnnounceImage(int imageFd) {
  struct stat st;
  if (fstat(imageFd, &st) != 0 || RunningImagesFile() < 0) return;
  g_announced[ImageBucket(st)] = true;
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = ImageBucket(st);
  lock.l_len = 1;
  fcntl(RunningImagesFile(), F_OFD_SETLK, &lock);
}

// False only when no process holds an image in the bucket of `st`.
bool SomeImageMayBe(const struct stat& st) {
  if (RunningImagesFile() < 0 || g_announced[ImageBucket(st)]) return true;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = ImageBucket(st);
  probe.l_len = 1;
  return fcntl(RunningImagesFile(), F_OFD_GETLK, &probe) != 0 || probe.l_type != F_UNLCK;
}

}  // namespace

int HoldImage(const std::string& hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  // Announced before the hold, so a deletion that misses the announcement came before it.
  AnnounceImage(fd);
  // Taken without the machine's guard: a program starts however others hold its file, and
  // this runs before the program has chosen its machine.
  Take(fd, 1u << kHoldsRead | 1u << kDeniesWrite | 1u << kRunsAsImage);
  return fd;
}

bool IsImageInUse(const std::string& hostPath, const struct stat& linkStat) {
  // Opened without following links, a link is never a running image.
  if (S_ISLNK(linkStat.st_mode) || !SomeImageMayBe(linkStat)) return false;
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  bool inUse = Locked(fd, kRunsAsImage);
  close(fd);
  return inUse;
}

bool DeleteIsDenied(const std::string& hostPath) {
  if (!SomeOpenMayDenyDelete()) return false;
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  bool denied = Locked(fd, kDeniesDelete);
  close(fd);
  return denied;
}

}  // namespace vp::posix
