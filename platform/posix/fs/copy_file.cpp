// CopyFileA. The copy is written beside the target under a temporary name and renamed into
// place only when complete, so the target is never seen partial: a full disk, a file-size
// limit or a killed process leaves the old target (or none). What was written is removed at
// once, or, when the process was killed, by the next copy of any process into that folder.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <unordered_set>

#include "core/internal.h"
#include "platform/posix/fs/files.h"
#include "platform/posix/process/process.h"
#include "share_access.h"

using vp::path::Need;
using vp::posix::Fail;

namespace {

// Copies the bytes of `from` into `to` (both open); false with errno set.
bool CopyBytes(int from, int to, off_t size) {
  off_t remaining = size;
  while (remaining > 0) {
    ssize_t sent = sendfile(to, from, nullptr, static_cast<size_t>(std::min<off_t>(remaining, 1 << 30)));
    if (sent < 0) {
      if (errno == EINTR) continue;
      if (errno != EINVAL && errno != ENOSYS) return false;
      char buffer[1 << 16];  // sendfile refused this pair: plain reads and writes
      ssize_t got;
      while ((got = read(from, buffer, sizeof buffer)) > 0)
        for (ssize_t done = 0; done < got;) {
          ssize_t put = write(to, buffer + done, static_cast<size_t>(got - done));
          if (put < 0) {
            if (errno == EINTR) continue;
            return false;
          }
          done += put;
        }
      return got == 0;
    }
    if (sent == 0) break;
    remaining -= sent;
  }
  return true;
}

// This process's id, asked of the kernel once and again in a child made by fork.
std::atomic<pid_t> g_pid{0};

pid_t ProcessId() {
  static bool registered = (pthread_atfork(nullptr, nullptr, [] { g_pid = 0; }), true);
  (void)registered;
  if (g_pid == 0) g_pid = getpid();
  return g_pid;
}

constexpr char kTemporaryPrefix[] = "~vpcopy-";  // "~vpcopy-<process id>-<count>.tmp"

// A name in the target's folder that no one else uses and that Windows can spell; never the
// target's own, which may follow the same pattern.
std::string TemporaryBeside(const std::string& hostTarget) {
  static std::atomic<unsigned> counter{0};
  std::string folder = hostTarget.substr(0, hostTarget.find_last_of('/') + 1);
  for (;;) {
    std::string name = folder + kTemporaryPrefix + std::to_string(ProcessId()) + "-" + std::to_string(++counter) + ".tmp";
    if (name != hostTarget) return name;
  }
}

// True when the temporary `path` was left by a copy that will never finish: it still has no
// permissions, its process is gone and no one holds the lock a copy keeps on the temporary it
// writes (a process of that number in another process namespace keeps it). A caller's file
// that only has such a name keeps its permissions, so it is never taken for one.
bool LeftByADeadCopy(const std::string& path, const std::string& name) {
  unsigned long pid = 0;
  int end = 0;
  if (std::sscanf(name.c_str(), "~vpcopy-%lu-%*u.tmp%n", &pid, &end) != 1 || end != static_cast<int>(name.size()) ||
      pid == 0 || pid == static_cast<unsigned long>(ProcessId()))
    return false;
  if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) return false;
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool stale = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 07777) == 0 &&
               flock(fd, LOCK_EX | LOCK_NB) == 0;
  close(fd);
  return stale;
}

// Removes the temporaries that copies killed before their end left in the folder of
// `hostTarget`: looked for once per folder and process, in the folder's cached listing, so a
// copy costs no more than a look-up of its folder in a set.
void RemoveDeadCopiesBeside(const std::string& hostTarget) {
  static std::mutex lock;
  static std::unordered_set<std::string> looked;
  std::string folder = hostTarget.substr(0, hostTarget.find_last_of('/'));
  if (folder.empty()) folder = "/";
  {
    std::lock_guard guard(lock);
    if (looked.size() >= 4096) looked.clear();
    if (!looked.insert(folder).second) return;
  }
  for (const std::string& name : vp::path::NamesStartingWith(folder, kTemporaryPrefix)) {
    std::string path = (folder == "/" ? "" : folder) + "/" + name;
    if (LeftByADeadCopy(path, name)) unlink(path.c_str());
  }
}

// Writes the copy under a temporary name; its host path, or empty with the last error set.
std::string WriteTemporaryCopy(int source, const struct stat& src, const std::string& hostTarget) {
  // Created with no permissions at all, which marks a temporary a killed copy left (with its
  // name, its process gone and its lock free), and given the source's once the bytes are in.
  mode_t mode = src.st_mode & 07777;
  std::string temporary;
  int out = -1;
  for (int attempt = 0; attempt < 100 && out < 0; ++attempt) {
    temporary = TemporaryBeside(hostTarget);
    out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0);
    if (out < 0 && errno != EEXIST) return Fail(vp::posix::ErrorFromErrno(errno), std::string());
  }
  if (out < 0) return Fail(ERROR_ACCESS_DENIED, std::string());
  flock(out, LOCK_EX);  // says the copy is alive to whoever looks for dead ones (see above)
  // The copy keeps the source's last write time and its read-only attribute. Like Windows'
  // copy it is not flushed: a caller that needs the bytes on the disk before the name (a backup
  // of the user's data) flushes the copy itself, so an install of many files is not one disk
  // flush per file.
  struct timespec times[2] = {src.st_atim, src.st_mtim};
  bool done = CopyBytes(source, out, src.st_size) && futimens(out, times) == 0 &&
              fchmod(out, mode) == 0;
  int error = errno;
  if (close(out) != 0 && done) {
    done = false;
    error = errno;
  }
  if (done) return temporary;
  unlink(temporary.c_str());
  return Fail(vp::posix::ErrorFromErrno(error), std::string());
}

}  // namespace

BOOL CopyFileA(LPCSTR existing, LPCSTR target, BOOL failIfExists) {
  if (!existing || !target) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  DWORD error = 0;
  auto from = vp::path::ToHost(existing, Need::Existing, &error);
  if (!from) return Fail(error, FALSE);
  unsigned long queueReads = vp::path::QueueReadsOfThisThread();
  auto to = vp::path::ToHost(target, Need::Creatable, &error);
  if (!to) return Fail(error, FALSE);
  bool queueJustApplied = vp::path::QueueReadsOfThisThread() != queueReads;
  // The resolution has just looked at the source; only a link needs a look at what it points to.
  struct stat src = from->linkStat;
  if (S_ISLNK(src.st_mode) && stat(from->host.c_str(), &src) != 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
  if (S_ISDIR(src.st_mode)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (to->exists && failIfExists) return Fail(ERROR_FILE_EXISTS, FALSE);
  if (DWORD denied = vp::posix::DriveWriteError(to->windows, queueJustApplied)) return Fail(denied, FALSE);

  // An existing target is replaced as Windows overwrites it: opened to write and, the copy
  // taking its place, to delete, so every other open of it must share both; the copy itself
  // refuses no one. A running image refuses writing, so it is never replaced. A link in its
  // place is replaced itself; what it points to is never written.
  vp::posix::ShareLock targetLock;
  if (to->exists && !S_ISLNK(to->linkStat.st_mode)) {
    const struct stat& dst = to->linkStat;
    if (S_ISDIR(dst.st_mode) || !vp::posix::HasWriteBits(dst)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) return Fail(ERROR_SHARING_VIOLATION, FALSE);
    vp::posix::ShareAccess replacing = vp::posix::ShareAccessOf(GENERIC_WRITE | DELETE);
    if (!targetLock.Acquire(to->host, replacing.read, replacing.write, replacing.del,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
      return FALSE;
  }

  // The source is opened as Windows opens it: for reading, shared for reading and deletion,
  // and, when some other open writes it, shared for writing too (a database held open by its
  // program is still copied). It is opened by the host name found above, and its share
  // markers are taken on that same open.
  vp::posix::ShareLock sourceLock;
  int in = -1;
  for (DWORD share : {FILE_SHARE_READ | FILE_SHARE_DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE}) {
    in = open(from->host.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
    if (sourceLock.AcquireOn(in, true, false, false, share)) break;
    in = -1;  // closed with the refused lock
  }
  if (in < 0) return FALSE;
  RemoveDeadCopiesBeside(to->host);
  std::string temporary = WriteTemporaryCopy(in, src, to->host);
  error = GetLastError();
  if (temporary.empty()) return Fail(error, FALSE);

  // Without replacing, a target that appeared meanwhile is kept.
  int placed = failIfExists ? renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, to->host.c_str(), RENAME_NOREPLACE)
                            : rename(temporary.c_str(), to->host.c_str());
  if (placed != 0) {
    error = errno == EEXIST ? ERROR_FILE_EXISTS : vp::posix::ErrorFromErrno(errno);
    unlink(temporary.c_str());
    return Fail(error, FALSE);
  }
  return TRUE;
}
