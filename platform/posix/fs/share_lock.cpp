// Windows share modes on POSIX. Each open of a file takes shared open-file-description locks
// on marker bytes far beyond any data: one byte per kind of access it holds, one per kind of
// access it refuses to share. A new open conflicts when a byte it must check is locked by any
// other open, in this process or another; a process that dies drops its locks with it.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <set>
#include <vector>

#include "core/internal.h"

namespace vp::posix {
namespace {

constexpr off_t kMarkers = static_cast<off_t>(1) << 62;
// Ordered so that the most common opens take one run of neighbours, so one call: a reader
// that shares reading (holds read, denies write and delete), a copy's source (holds read,
// denies write) and a running image (those two and its own marker).
enum Marker : off_t {
  kHoldsWrite, kHoldsDelete, kDeniesRead, kDeniesDelete, kHoldsRead, kDeniesWrite,
  kRunsAsImage,  // a process runs the file or has it loaded as a module
};
constexpr off_t kShareMarkers = kDeniesWrite + 1;  // the markers an open's sharing is checked against

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
  probe.l_len = kShareMarkers;
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

// Holds announced to every process of the user, whatever machine root it chooses (it holds
// its own program before choosing one), on the holds file (holds_file.cpp). For each bucket of
// files (a hash of a file's identity) the file has two bytes: one locked, shared, while some
// process runs a file of the bucket or has it loaded as a module, the other while some process
// has an open of such a file that refuses to share delete. A deletion whose bucket no process
// locks learns with one probe that nothing holds the file, instead of opening it to look at its
// markers; a locked bucket, or no holds file to trust, only sends it there.
constexpr off_t kBuckets = 1 << 16;
enum HoldKind : off_t { kImageHold = 0, kDeleteDenyingHold = 1, kHoldKinds = 2 };

off_t HoldByte(const struct stat& st, HoldKind kind) {
  off_t bucket = static_cast<off_t>((st.st_dev * 0x9E3779B97F4A7C15ull ^ st.st_ino) % kBuckets);
  return bucket * kHoldKinds + kind;
}

// This process's holds per byte: its probes cannot see its own locks, and the byte stays
// locked while any of its holds there lasts.
std::atomic<int> g_ownHolds[kBuckets * kHoldKinds];
std::mutex g_ownHoldsLock;

bool LockHoldByte(int holds, off_t byte, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  return fcntl(holds, F_OFD_SETLK, &lock) == 0;
}

// Announces a hold on the file `fd` is open on; the byte to pass to DropHold, or -1 when the
// hold could not be announced (no holds file: every prober then looks at the file itself).
off_t AddHold(int fd, HoldKind kind) {
  struct stat st;
  int holds = HoldsFile();
  if (holds < 0 || fstat(fd, &st) != 0) return -1;
  off_t byte = HoldByte(st, kind);
  std::lock_guard guard(g_ownHoldsLock);
  if (g_ownHolds[byte]++ == 0) LockHoldByte(holds, byte, F_RDLCK);
  return byte;
}

void DropHold(off_t byte) {
  if (byte < 0) return;
  std::lock_guard guard(g_ownHoldsLock);
  if (--g_ownHolds[byte] == 0) LockHoldByte(HoldsFile(), byte, F_UNLCK);
}

// False only when no process holds the file of `st` in any of the ways from `first` to `last`.
bool SomeHoldMayBe(const struct stat& st, HoldKind first, HoldKind last) {
  int holds = HoldsFile();
  if (holds < 0) return true;
  off_t from = HoldByte(st, first), to = HoldByte(st, last);
  for (off_t byte = from; byte <= to; ++byte)
    if (g_ownHolds[byte] > 0) return true;
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = from;
  probe.l_len = to - from + 1;
  return fcntl(holds, F_OFD_GETLK, &probe) != 0 || probe.l_type != F_UNLCK;
}

// The programs and modules this process runs, by canonical host path: their holds stay for its
// life.
std::vector<std::string> g_ownImages;
std::mutex g_ownImagesLock;

// Serialises the second attempt of opens that met a conflict (a whole-file flock on the holds
// file, which never meets the record locks on it). The wait is bounded: a lock kept longer
// (a stopped process) leaves the guard not taken, and the open is refused as in conflict.
class ShareRetryGuard {
 public:
  ShareRetryGuard() : fd_(HoldsFile()) {
    if (fd_ >= 0 && !LockHoldsFileExclusively(fd_)) fd_ = -2;
  }
  ~ShareRetryGuard() {
    if (fd_ >= 0) flock(fd_, LOCK_UN);
  }
  bool Taken() const { return fd_ != -2; }
 private:
  int fd_;
};

// Which markers of the file at `hostPath` are held by some open, looked up on one open of it;
// a link is never held (opened without following links, it cannot be).
struct HeldMarkers {
  bool deniesDelete = false;
  bool runsAsImage = false;
};
HeldMarkers MarkersHeld(const std::string& hostPath, bool askDelete, bool askImage) {
  HeldMarkers held;
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return held;
  held.deniesDelete = askDelete && Locked(fd, kDeniesDelete);
  held.runsAsImage = askImage && !held.deniesDelete && Locked(fd, kRunsAsImage);
  close(fd);
  return held;
}

}  // namespace

namespace {

// This process's opens that refuse to share delete: a folder's move asks where their files
// are now (a file may have been renamed since it was opened).
std::set<const ShareLock*> g_deleteDenyingOpens;
std::mutex g_deleteDenyingOpensLock;

void NoteDeleteDenyingOpen(const ShareLock* lock, bool denies) {
  std::lock_guard guard(g_deleteDenyingOpensLock);
  if (denies) g_deleteDenyingOpens.insert(lock);
  else g_deleteDenyingOpens.erase(lock);
}

bool IsBelow(const std::string& path, const std::string& folder) {
  return path.compare(0, folder.size() + 1, folder + "/") == 0;
}

}  // namespace

ShareLock::~ShareLock() {
  NoteDeleteDenyingOpen(this, false);
  if (fd_ >= 0) close(fd_);
  DropHold(deleteDenyingHold_);
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
  if (!(share & FILE_SHARE_DELETE) && deleteDenyingHold_ < 0) deleteDenyingHold_ = AddHold(fd_, kDeleteDenyingHold);
  if (deleteDenyingHold_ >= 0) NoteDeleteDenyingOpen(this, true);
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
    ShareRetryGuard guard;
    if (guard.Taken()) {
      Take(fd_, markers);
      if (!conflicts()) return true;
    }
  }
  close(fd_);
  fd_ = -1;
  DropHold(deleteDenyingHold_);
  deleteDenyingHold_ = -1;
  SetLastError(ERROR_SHARING_VIOLATION);
  return false;
}

int HoldImage(const std::string& hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  char canonical[PATH_MAX];
  if (realpath(hostPath.c_str(), canonical)) {
    std::lock_guard guard(g_ownImagesLock);
    g_ownImages.push_back(canonical);
  }
  // Announced before the hold, so a deletion that misses the announcement came before it. The
  // announcement stays for the process's life, also after a module is unloaded: a probe that
  // finds it only looks at the file's own markers.
  AddHold(fd, kImageHold);
  // Taken without the retry guard: a program starts however others hold its file.
  Take(fd, 1u << kHoldsRead | 1u << kDeniesWrite | 1u << kRunsAsImage);
  return fd;
}

bool SomeHoldMayBeBelow(const std::string& hostPath) {
  int holds = HoldsFile();
  char canonical[PATH_MAX];
  if (holds < 0 || !realpath(hostPath.c_str(), canonical)) return true;
  const std::string hostFolder = canonical;
  {
    std::lock_guard guard(g_deleteDenyingOpensLock);
    for (const ShareLock* lock : g_deleteDenyingOpens) {
      char path[PATH_MAX];
      std::string link = "/proc/self/fd/" + std::to_string(lock->Descriptor());
      ssize_t length = readlink(link.c_str(), path, sizeof path);
      if (length <= 0 || IsBelow(std::string(path, static_cast<size_t>(length)), hostFolder)) return true;
    }
  }
  {
    std::lock_guard guard(g_ownImagesLock);
    for (const std::string& image : g_ownImages)
      if (IsBelow(image, hostFolder)) return true;
  }
  // Any hold of any other process, in one probe over every byte.
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = 0;
  probe.l_len = kBuckets * kHoldKinds;
  return fcntl(holds, F_OFD_GETLK, &probe) != 0 || probe.l_type != F_UNLCK;
}

bool IsImageInUse(const std::string& hostPath, const struct stat& linkStat) {
  if (S_ISLNK(linkStat.st_mode) || !SomeHoldMayBe(linkStat, kImageHold, kImageHold)) return false;
  return MarkersHeld(hostPath, false, true).runsAsImage;
}

bool DeleteIsDenied(const std::string& hostPath, const struct stat& linkStat) {
  if (S_ISLNK(linkStat.st_mode) || !SomeHoldMayBe(linkStat, kDeleteDenyingHold, kDeleteDenyingHold)) return false;
  return MarkersHeld(hostPath, true, false).deniesDelete;
}

DWORD DeleteBlocker(const std::string& hostPath, const struct stat& linkStat) {
  if (S_ISLNK(linkStat.st_mode) || !SomeHoldMayBe(linkStat, kImageHold, kDeleteDenyingHold)) return 0;
  HeldMarkers held = MarkersHeld(hostPath, true, true);
  if (held.deniesDelete) return ERROR_SHARING_VIOLATION;
  return held.runsAsImage ? ERROR_ACCESS_DENIED : 0;
}

}  // namespace vp::posix
