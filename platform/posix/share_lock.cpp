// Windows share modes on POSIX. Each open of a file takes shared open-file-description locks
// on marker bytes far beyond any data: one byte per kind of access it holds, one per kind of
// access it refuses to share. A new open conflicts when a byte it must check is locked by any
// other open, in this process or another; a process that dies drops its locks with it.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "internal.h"

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

bool Take(int fd, Marker marker) {
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kMarkers + marker;
  lock.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Serialises check-then-take across the machine's processes.
class MachineShareGuard {
 public:
  MachineShareGuard() {
    static int fd = open((vp::machine::ObjectsFolder() + "/share-modes.lock").c_str(),
                         O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    fd_ = fd;
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~MachineShareGuard() {
    if (fd_ >= 0) flock(fd_, LOCK_UN);
  }
 private:
  int fd_;
};

}  // namespace

ShareLock::~ShareLock() {
  if (fd_ >= 0) close(fd_);
}

bool ShareLock::Acquire(const std::string& hostPath, bool wantRead, bool wantWrite,
                        bool wantDelete, DWORD share) {
  fd_ = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) return true;  // nothing to lock (e.g. no read permission): no sharing rules
  MachineShareGuard guard;
  bool sharesRead = share & FILE_SHARE_READ, sharesWrite = share & FILE_SHARE_WRITE,
       sharesDelete = share & FILE_SHARE_DELETE;
  bool conflict = (wantRead && Locked(fd_, kDeniesRead)) || (wantWrite && Locked(fd_, kDeniesWrite)) ||
                  (wantDelete && Locked(fd_, kDeniesDelete)) || (!sharesRead && Locked(fd_, kHoldsRead)) ||
                  (!sharesWrite && Locked(fd_, kHoldsWrite)) || (!sharesDelete && Locked(fd_, kHoldsDelete));
  if (conflict) {
    close(fd_);
    fd_ = -1;
    SetLastError(ERROR_SHARING_VIOLATION);
    return false;
  }
  if (wantRead) Take(fd_, kHoldsRead);
  if (wantWrite) Take(fd_, kHoldsWrite);
  if (wantDelete) Take(fd_, kHoldsDelete);
  if (!sharesRead) Take(fd_, kDeniesRead);
  if (!sharesWrite) Take(fd_, kDeniesWrite);
  if (!sharesDelete) Take(fd_, kDeniesDelete);
  return true;
}

int HoldImage(const std::string& hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  // Taken without the machine's guard: a program starts however others hold its file, and
  // this runs before the program has chosen its machine.
  Take(fd, kHoldsRead);
  Take(fd, kDeniesWrite);
  Take(fd, kRunsAsImage);
  return fd;
}

bool IsImageInUse(const std::string& hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  bool inUse = Locked(fd, kRunsAsImage);
  close(fd);
  return inUse;
}

bool DeleteIsDenied(const std::string& hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  bool denied = Locked(fd, kDeniesDelete);
  close(fd);
  return denied;
}

}  // namespace vp::posix
