// Named mutexes as lock files in the machine's named-object folder. Every handle holds a shared
// open-file-description lock on its name's file; the kernel drops that lock when the handle is
// closed or its process dies, however it dies, so a name never outlives its last holder.
// "Already exists" is decided by trying an exclusive lock first: it succeeds only when no other
// handle holds the name, and is then turned into a shared one atomically.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/handles.h"
#include "core/internal.h"
#include "platform/posix/process/sync.h"

using vp::posix::Fail;

namespace {

struct MutexObject : vp::handles::Object {
  int fd = -1;
  std::string file;
  ~MutexObject() override {
    if (fd < 0) return;
    // The last holder removes the file, under the exclusive lock so that nobody can take the
    // name in between; a process that opened the old file sees it unlinked and starts over.
    struct flock whole = {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (fcntl(fd, F_OFD_SETLK, &whole) == 0) unlink(file.c_str());
    close(fd);
  }
};

bool SetLock(int fd, short type, bool wait) {
  struct flock whole = {};
  whole.l_type = type;
  whole.l_whence = SEEK_SET;
  for (;;) {
    if (fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &whole) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// The file of a name: letters, digits and a few safe marks stay as they are, every other byte
// becomes "%XX". A name too long for a file name is known by two independent hashes instead.
std::string FileNameOf(const std::string& name, bool global) {
  std::string escaped = global ? "global." : "local.";
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '_' || c == '.') {
      escaped += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      escaped += hex;
    }
  }
  if (escaped.size() <= 200) return escaped;
  std::uint64_t fnv = 0xcbf29ce484222325ull, djb = 5381;
  for (unsigned char c : name) {
    fnv = (fnv ^ c) * 0x100000001b3ull;
    djb = djb * 33 + c;
  }
  char hashed[64];
  std::snprintf(hashed, sizeof hashed, "%s#%016llx%016llx", global ? "global" : "local",
                static_cast<unsigned long long>(fnv), static_cast<unsigned long long>(djb));
  return hashed;
}

bool SameFile(int fd, const std::string& path) {
  struct stat held, named;
  return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

}  // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR name) {
  auto mutex = std::make_shared<MutexObject>();
  if (!name || !*name) {  // a private mutex: nobody else can find it
    SetLastError(ERROR_SUCCESS);
    return vp::handles::Insert(std::move(mutex));
  }
  if (std::strlen(name) > MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE, HANDLE{});
  std::string object = name;
  bool global = false;
  if (object.rfind("Local\\", 0) == 0) {
    object.erase(0, 6);
  } else if (object.rfind("Global\\", 0) == 0) {
    object.erase(0, 7);
    global = true;
  }
  if (object.find('\\') != std::string::npos) return Fail(ERROR_PATH_NOT_FOUND, HANDLE{});

  // A store that cannot be used gives no handle at all: a handle would tell the caller that
  // nobody holds the name, which nobody could know.
  std::string folder = vp::machine::ObjectsFolder();
  mkdir(folder.c_str(), 0755);
  struct stat store;
  if (stat(folder.c_str(), &store) != 0 || !S_ISDIR(store.st_mode)) return Fail(ERROR_ACCESS_DENIED, HANDLE{});
  // Judged by the bits, so that the superuser is refused the store its users are refused.
  if (!vp::posix::HasWriteBits(store)) return Fail(ERROR_ACCESS_DENIED, HANDLE{});
  mutex->file = folder + "/" + FileNameOf(object, global);
  bool existed = false;
  for (int attempt = 0;; ++attempt) {
    if (attempt == 100) return Fail(ERROR_ACCESS_DENIED, HANDLE{});
    int fd = open(mutex->file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return Fail(vp::posix::ErrorFromErrno(errno), HANDLE{});
    bool alone = SetLock(fd, F_WRLCK, false);
    bool held = alone || errno == EAGAIN || errno == EACCES;
    // A holder's own conversion never conflicts; others hold the exclusive lock only for a
    // moment, so the wait for a shared one is short. A lock that fails otherwise is an error.
    if (!held || !SetLock(fd, F_RDLCK, !alone)) {
      DWORD error = vp::posix::ErrorFromErrno(errno);
      close(fd);
      return Fail(error == ERROR_SUCCESS ? ERROR_ACCESS_DENIED : error, HANDLE{});
    }
    // The last holder may have removed the file between our open and our lock.
    if (SameFile(fd, mutex->file)) {
      mutex->fd = fd;
      existed = !alone;
      break;
    }
    close(fd);
  }
  HANDLE handle = vp::handles::Insert(std::move(mutex));
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}
