// CreateFileA and the calls on its handles.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/handles.h"
#include "core/internal.h"
#include "share_access.h"

using vp::posix::Fail;

namespace {

struct FileObject : vp::handles::Object {
  int fd = -1;
  bool canRead = false;
  bool canWrite = false;
  bool deleteOnClose = false;
  std::string host;
  vp::posix::ShareLock shareLock;
  ~FileObject() override {
    if (fd >= 0) close(fd);
    if (deleteOnClose) unlink(host.c_str());
  }
};

std::shared_ptr<FileObject> FileOf(HANDLE h) { return vp::handles::LookupAs<FileObject>(h); }

// A reserved device name: "nul" swallows what is written and reads as empty; this machine has
// no other device behind those names (no ports, no console through a file).
HANDLE OpenDevice(const std::string& device, bool wantRead, bool wantWrite) {
  if (!vp::path::NamesEqual(device, "nul")) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  auto file = std::make_shared<FileObject>();
  file->fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (file->fd < 0) return Fail(vp::posix::ErrorFromErrno(errno), INVALID_HANDLE_VALUE);
  file->canRead = wantRead;
  file->canWrite = wantWrite;
  HANDLE handle = vp::handles::Insert(file);
  SetLastError(ERROR_SUCCESS);
  return handle;
}

}  // namespace

namespace vp::posix {
int FileDescriptor(HANDLE file) {
  auto f = FileOf(file);
  return f ? f->fd : -1;
}
}  // namespace vp::posix

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD flags, HANDLE) {
  if (!path) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  // The data access the handle gives (execute access reads no data through ReadFile)...
  bool wantRead = access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA);
  bool wantWrite = access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA);
  bool wantDelete = access & (DELETE | GENERIC_ALL);
  // ...and what the open counts as for sharing.
  vp::posix::ShareAccess sharing = vp::posix::ShareAccessOf(access);
  // Truncation asks for GENERIC_WRITE itself; the file rights that write data do not do.
  if (disposition == TRUNCATE_EXISTING && !(access & GENERIC_WRITE)) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  if (auto device = vp::path::DeviceName(path)) return OpenDevice(*device, wantRead, wantWrite);

  bool mayCreate = disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
  DWORD error = 0;
  auto r = vp::path::ToHost(path, mayCreate ? vp::path::Need::Creatable : vp::path::Need::Existing, &error);
  if (!r) return Fail(error, INVALID_HANDLE_VALUE);
  bool changes = wantWrite || wantDelete || (flags & FILE_FLAG_DELETE_ON_CLOSE) || (mayCreate && !r->exists) ||
                 disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
  if (changes)
    if (DWORD denied = vp::posix::DriveWriteError(r->windows)) return Fail(denied, INVALID_HANDLE_VALUE);

  struct stat st;
  bool exists = r->exists && stat(r->host.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    // A new file where a folder is counts as an access to the folder, unless the caller asked
    // for folders (then the name is simply taken).
    if (disposition == CREATE_NEW && (flags & FILE_FLAG_BACKUP_SEMANTICS)) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
    if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || disposition == CREATE_NEW) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    wantRead = wantWrite = sharing.read = sharing.write = false;  // a folder handle carries no data access
  }
  if (exists && disposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
  bool readOnly = exists && !vp::posix::HasWriteBits(st);
  bool replaces = exists && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING);
  if (readOnly && (wantWrite || wantDelete || replaces)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);

  auto file = std::make_shared<FileObject>();
  file->host = r->host;
  auto takeShareLocks = [&] {
    return !sharing.TakesPart() || file->shareLock.Acquire(r->host, sharing.read, sharing.write, sharing.del, share);
  };
  if (exists && !takeShareLocks()) return INVALID_HANDLE_VALUE;

  int mode = wantWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;
  int openFlags = mode | O_CLOEXEC;
  if (!exists) openFlags |= O_CREAT | O_EXCL;
  if (replaces) openFlags |= O_TRUNC;
  if (exists && S_ISDIR(st.st_mode)) openFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  file->fd = open(r->host.c_str(), openFlags, 0666);
  if (file->fd < 0) return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : vp::posix::ErrorFromErrno(errno), INVALID_HANDLE_VALUE);
  if (!exists) {
    if (!takeShareLocks()) return INVALID_HANDLE_VALUE;
    // A new file asked to be read-only becomes so; this handle may still write it.
    if (flags & FILE_ATTRIBUTE_READONLY) fchmod(file->fd, 0444);
  }
  file->canRead = wantRead;
  file->canWrite = wantWrite;
  file->deleteOnClose = flags & FILE_FLAG_DELETE_ON_CLOSE;
  HANDLE handle = vp::handles::Insert(file);
  // OPEN_ALWAYS and CREATE_ALWAYS tell the caller that the file was there already.
  SetLastError(exists && (disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS) ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL WriteFile(HANDLE h, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED) {
  if (written) *written = 0;
  auto file = FileOf(h);
  if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED, FALSE);
  const char* bytes = static_cast<const char*>(data);
  DWORD done = 0;
  while (done < size) {
    ssize_t put = write(file->fd, bytes + done, size - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      if (written) *written = done;
      return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
    }
    done += static_cast<DWORD>(put);
  }
  if (written) *written = done;
  return TRUE;
}

BOOL ReadFile(HANDLE h, LPVOID data, DWORD size, LPDWORD read, LPOVERLAPPED) {
  if (read) *read = 0;
  auto file = FileOf(h);
  if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!file->canRead) return Fail(ERROR_ACCESS_DENIED, FALSE);
  ssize_t got;
  do {
    got = ::read(file->fd, data, size);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
  if (read) *read = static_cast<DWORD>(got);
  return TRUE;
}

DWORD GetFileSize(HANDLE h, LPDWORD high) {
  auto file = FileOf(h);
  struct stat st;
  if (!file || fstat(file->fd, &st) != 0) return Fail(ERROR_INVALID_HANDLE, INVALID_FILE_SIZE);
  if (high) *high = static_cast<DWORD>(static_cast<std::uint64_t>(st.st_size) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(st.st_size);
}

DWORD SetFilePointer(HANDLE h, LONG distance, PLONG high, DWORD method) {
  auto file = FileOf(h);
  if (!file) return Fail(ERROR_INVALID_HANDLE, INVALID_SET_FILE_POINTER);
  off_t offset = high ? static_cast<off_t>((static_cast<std::uint64_t>(static_cast<DWORD>(*high)) << 32) | static_cast<DWORD>(distance))
                      : static_cast<off_t>(distance);
  int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : -1;
  if (whence < 0) return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
  off_t now = lseek(file->fd, offset, whence);
  if (now < 0) return Fail(ERROR_NEGATIVE_SEEK, INVALID_SET_FILE_POINTER);
  if (high) *high = static_cast<LONG>(static_cast<std::uint64_t>(now) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(now);
}

BOOL FlushFileBuffers(HANDLE h) {
  auto file = FileOf(h);
  if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (fsync(file->fd) != 0) return Fail(vp::posix::ErrorFromErrno(errno), FALSE);
  return TRUE;
}

BOOL CloseHandle(HANDLE object) {
  if (!vp::handles::Remove(object)) return Fail(ERROR_INVALID_HANDLE, FALSE);
  return TRUE;
}
