// CopyFileA. The copy is written beside the target under a temporary name and renamed into
// place only when complete, so the target is never seen partial: a full disk, a file-size
// limit or a killed process leaves the old target (or none) and removes what was written.
#include <fcntl.h>
#include <pthread.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

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

// The process's file-creation mask, read once (asking the kernel for it would change it for a
// moment, under every other thread); all bits when it cannot be read, so that every copy then
// sets its mode afterwards. Nothing in these programs changes the mask while they run.
mode_t CreationMask() {
  static const mode_t mask = [] {
    mode_t found = 0777;
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
      char line[256];
      unsigned value = 0;
      while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "Umask: %o", &value) == 1) {
          found = static_cast<mode_t>(value & 0777);
          break;
        }
      std::fclose(status);
    }
    return found;
  }();
  return mask;
}

// A name in the target's folder that no one else uses and that Windows can spell.
std::string TemporaryBeside(const std::string& hostTarget) {
  static std::atomic<unsigned> counter{0};
  std::string folder = hostTarget.substr(0, hostTarget.find_last_of('/') + 1);
  return folder + "~vpcopy-" + std::to_string(ProcessId()) + "-" + std::to_string(++counter) + ".tmp";
}

// Writes the copy under a temporary name; its host path, or empty with the last error set.
std::string WriteTemporaryCopy(int source, const struct stat& src, const std::string& hostTarget) {
  // Created with the source's permissions, so only a mask that takes some away, or special
  // bits, cost a change of mode once the bytes are in.
  mode_t mode = src.st_mode & 07777;
  bool modeChanges = (mode & (CreationMask() | 07000)) != 0;
  std::string temporary;
  int out = -1;
  for (int attempt = 0; attempt < 100 && out < 0; ++attempt) {
    temporary = TemporaryBeside(hostTarget);
    out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 0777);
    if (out < 0 && errno != EEXIST) return Fail(vp::posix::ErrorFromErrno(errno), std::string());
  }
  if (out < 0) return Fail(ERROR_ACCESS_DENIED, std::string());
  // The copy keeps the source's last write time and its read-only attribute. Like Windows'
  // copy it is not flushed: a caller that needs the bytes on the disk before the name (a backup
  // of the user's data) flushes the copy itself, so an install of many files is not one disk
  // flush per file.
  struct timespec times[2] = {src.st_atim, src.st_mtim};
  bool done = CopyBytes(source, out, src.st_size) && futimens(out, times) == 0 &&
              (!modeChanges || fchmod(out, mode) == 0);
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
