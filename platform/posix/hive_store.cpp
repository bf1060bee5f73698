#include "hive_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include "internal.h"

namespace vp::registry {
namespace {

bool ReadWhole(const std::string& path, std::string* text, struct stat* st) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fstat(fd, st) == 0;
  text->clear();
  char buffer[65536];
  while (ok) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    text->append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return ok;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::uint64_t ReadCounter(int fd) {
  unsigned char bytes[8] = {};
  if (pread(fd, bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) return 0;
  std::uint64_t n = 0;
  for (int i = 7; i >= 0; --i) n = n << 8 | bytes[i];
  return n;
}

bool WriteCounter(int fd, std::uint64_t n) {
  unsigned char bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(n >> (8 * i));
  return pwrite(fd, bytes, sizeof bytes, 0) == static_cast<ssize_t>(sizeof bytes);
}

}  // namespace

HiveStore::HiveStore(std::string folder, std::string rootName, std::vector<std::string> defaultKeys)
    : folder_(std::move(folder)),
      rootName_(std::move(rootName)),
      hivePath_(folder_ + "/" + rootName_ + ".reg"),
      lockPath_(hivePath_ + ".lock"),
      defaultKeys_(std::move(defaultKeys)) {}

HiveStore::~HiveStore() {
  if (lockFd_ >= 0) close(lockFd_);
}

bool HiveStore::Lock(int operation) {
  // A forked child shares its parent's open file description, and with it the parent's lock:
  // it needs one of its own.
  if (lockFd_ >= 0 && lockPid_ != getpid()) {
    close(lockFd_);
    lockFd_ = -1;
  }
  if (lockFd_ < 0) {
    mkdir(folder_.c_str(), 0755);
    lockFd_ = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ < 0) return false;
    lockPid_ = getpid();
  }
  while (flock(lockFd_, operation) != 0)
    if (errno != EINTR) return false;
  return true;
}

void HiveStore::Unlock() { flock(lockFd_, LOCK_UN); }

LONG HiveStore::Refresh() {
  std::uint64_t counter = ReadCounter(lockFd_);
  struct stat st;
  bool exists = stat(hivePath_.c_str(), &st) == 0;
  bool same = loaded_ && counter == counter_ && exists == fileExists_ &&
              (!exists || (st.st_dev == dev_ && st.st_ino == ino_ && st.st_size == size_ &&
                           st.st_mtim.tv_sec == mtime_.tv_sec && st.st_mtim.tv_nsec == mtime_.tv_nsec));
  if (same) return corrupt_ ? ERROR_REGISTRY_CORRUPT : ERROR_SUCCESS;

  std::unique_ptr<Key> fresh;
  if (exists) {
    std::string text;
    if (!ReadWhole(hivePath_, &text, &st)) return ERROR_CANTREAD;
    fresh = ParseHive(text, rootName_);
  } else {
    fresh = std::make_unique<Key>(rootName_);
    for (const std::string& name : defaultKeys_) fresh->AddSubkey(name);
  }
  corrupt_ = fresh == nullptr;
  if (fresh && tree_) CarryIds(*tree_, *fresh);
  if (fresh) tree_ = std::move(fresh);
  loaded_ = true;
  counter_ = counter;
  fileExists_ = exists;
  if (exists) {
    dev_ = st.st_dev;
    ino_ = st.st_ino;
    size_ = st.st_size;
    mtime_ = st.st_mtim;
    lastWrite_ = vp::posix::ToFileTime(st.st_mtim);
  }
  return corrupt_ ? ERROR_REGISTRY_CORRUPT : ERROR_SUCCESS;
}

bool HiveStore::Save() {
  std::string text = SerializeHive(*tree_, rootName_);
  std::string temporary = hivePath_ + ".new";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat st;
  bool ok = WriteAll(fd, text) && fsync(fd) == 0 && fstat(fd, &st) == 0;
  close(fd);
  // The counter moves before the rename: a reader that sees the new file also sees the new
  // count, and a crash in between only makes readers reload the same text.
  std::uint64_t counter = ReadCounter(lockFd_) + 1;
  ok = ok && WriteCounter(lockFd_, counter) && rename(temporary.c_str(), hivePath_.c_str()) == 0;
  if (!ok) {
    unlink(temporary.c_str());
    return false;
  }
  int folder = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  counter_ = counter;
  fileExists_ = true;
  dev_ = st.st_dev;
  ino_ = st.st_ino;
  size_ = st.st_size;
  mtime_ = st.st_mtim;
  lastWrite_ = vp::posix::ToFileTime(st.st_mtim);
  return true;
}

LONG HiveStore::Read(const std::function<LONG(const Key&)>& read) {
  if (!Lock(LOCK_SH)) return ERROR_CANTOPEN;
  LONG result = Refresh();
  if (result == ERROR_SUCCESS) result = read(*tree_);
  Unlock();
  return result;
}

LONG HiveStore::Write(const std::function<LONG(Key&, bool*)>& change) {
  if (!Lock(LOCK_EX)) return ERROR_CANTOPEN;
  LONG result = Refresh();
  if (result == ERROR_SUCCESS) {
    bool changed = false;
    result = change(*tree_, &changed);
    if (changed && result == ERROR_SUCCESS && !Save()) result = ERROR_CANTWRITE;
    // The tree no longer matches the file: read it again on the next call.
    if (changed && result != ERROR_SUCCESS) Forget();
  }
  Unlock();
  return result;
}

HiveStore& StoreOf(Hive hive) {
  // Stores live as long as the process: handles refer to them. One per machine root and hive.
  static auto* stores = new std::map<std::string, std::unique_ptr<HiveStore>>;
  std::string folder = vp::machine::RegistryFolder();
  bool user = hive == Hive::CurrentUser;
  std::string key = folder + (user ? "|user" : "|machine");
  auto& store = (*stores)[key];
  if (!store) {
    if (user)
      store = std::make_unique<HiveStore>(folder, "HKEY_CURRENT_USER", std::vector<std::string>{"Software"});
    else
      store = std::make_unique<HiveStore>(folder, "HKEY_LOCAL_MACHINE", std::vector<std::string>{"SOFTWARE"});
  }
  return *store;
}

}  // namespace vp::registry
