#include "hive_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <map>
#include <thread>

#include "core/internal.h"

namespace vp::registry {
namespace {

std::atomic<long long> g_lockWaitMs{HiveStore::kDefaultLockWait.count()};

bool ReadAll(int fd, off_t from, std::string* text) {
  text->clear();
  char buffer[65536];
  for (off_t at = from;;) {
    ssize_t n = pread(fd, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    text->append(buffer, static_cast<std::size_t>(n));
    at += n;
  }
}

bool WriteAll(int fd, std::string_view text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// A new file under a name no one used before: `base` + ".tmp-<pid>-<n>", created exclusively
// and without following a link, so nothing planted in its place is ever written.
int CreateTemporary(const std::string& base, std::string* name) {
  static std::atomic<unsigned> sequence{0};
  // Names taken by something else (left over, or planted) are skipped.
  for (int attempt = 0; attempt < 10000; ++attempt) {
    *name = base + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(sequence++);
    int fd = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writes `text` to a new temporary file, synced; its identity in `st`.
bool WriteTemporary(const std::string& base, std::string_view text, std::string* name, struct stat* st) {
  int fd = CreateTemporary(base, name);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text) && fsync(fd) == 0 && fstat(fd, st) == 0;
  close(fd);
  if (!ok) unlink(name->c_str());
  return ok;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The name a journal the store will not use is kept under: "<journal>.<why>-<UTC time of its
// last change>-<inode>". It is the same for the same file, so that processes finding the journal
// at once agree on it, and no file of the store is ever given it.
std::string AsideName(const std::string& journal, const char* why, const struct stat& st) {
  struct tm utc = {};
  gmtime_r(&st.st_mtim.tv_sec, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
  return journal + "." + why + "-" + stamp + "-" + std::to_string(st.st_ino);
}

// Gives the journal `st` describes its aside name as a second link, never replacing a file.
// True when it has that name; `fresh` (when asked) says this call gave it rather than an earlier
// one or another process.
bool LinkAside(const std::string& journal, const std::string& aside, const struct stat& st, bool* fresh = nullptr) {
  bool linked = link(journal.c_str(), aside.c_str()) == 0;
  if (fresh) *fresh = linked;
  struct stat kept;
  return lstat(aside.c_str(), &kept) == 0 && SameFile(kept, st);
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

}  // namespace

bool ChangeList::Apply(Key& root, Change change) {
  if (!ApplyChange(root, change)) return false;
  items_.push_back(std::move(change));
  return true;
}

void HiveStore::SetLockWait(std::chrono::milliseconds wait) { g_lockWaitMs = wait.count(); }

HiveStore::HiveStore(std::string folder, std::string rootName, std::vector<std::string> defaultKeys)
    : folder_(std::move(folder)),
      rootName_(std::move(rootName)),
      hivePath_(folder_ + "/" + rootName_ + ".reg"),
      journalPath_(hivePath_ + ".log"),
      lockPath_(hivePath_ + ".lock"),
      defaultKeys_(std::move(defaultKeys)) {}

HiveStore::~HiveStore() {
  if (lockFd_ >= 0) close(lockFd_);
}

LONG HiveStore::Lock(int operation) {
  // A forked child shares its parent's open file description, and with it the parent's lock:
  // it needs one of its own.
  if (lockFd_ >= 0 && lockPid_ != getpid()) {
    close(lockFd_);
    lockFd_ = -1;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(g_lockWaitMs.load());
  auto pause = std::chrono::microseconds(200);
  for (int replaced = 0;;) {
    if (lockFd_ < 0) {
      mkdir(folder_.c_str(), 0755);
      lockFd_ = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
      struct stat st;
      if (lockFd_ >= 0 && (fstat(lockFd_, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(lockFd_);
        lockFd_ = -1;
        errno = ELOOP;
      }
      if (lockFd_ < 0) {
        // Something else (a link) is in the lock file's place: put a file of our own there.
        std::string fresh;
        struct stat ignored;
        if (errno != ELOOP || ++replaced > 3 || !WriteTemporary(lockPath_, "", &fresh, &ignored))
          return ERROR_CANTOPEN;
        if (rename(fresh.c_str(), lockPath_.c_str()) != 0) unlink(fresh.c_str());
        continue;
      }
      lockPid_ = getpid();
    }
    if (flock(lockFd_, operation | LOCK_NB) == 0) {
      // The lock counts only on the file that is in place now (it may have been replaced).
      struct stat held, current;
      if (fstat(lockFd_, &held) == 0 && lstat(lockPath_.c_str(), &current) == 0 && SameFile(held, current))
        return ERROR_SUCCESS;
      close(lockFd_);
      lockFd_ = -1;
      continue;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) return ERROR_CANTOPEN;
    if (std::chrono::steady_clock::now() >= deadline) return ERROR_TIMEOUT;
    std::this_thread::sleep_for(pause);
    pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(20));
  }
}

void HiveStore::Unlock() { flock(lockFd_, LOCK_UN); }

FILETIME HiveStore::LastWriteTime() const {
  const struct timespec& h = hive_.mtime;
  const struct timespec& j = journal_.mtime;
  bool journalLater = journalActive_ && (j.tv_sec > h.tv_sec || (j.tv_sec == h.tv_sec && j.tv_nsec > h.tv_nsec));
  return vp::posix::ToFileTime(journalLater ? j : h);
}

LONG HiveStore::Refresh() {
  struct stat hs, js;
  bool hiveExists = stat(hivePath_.c_str(), &hs) == 0;  // a link at the hive is read through
  if (!hiveExists && errno != ENOENT) return ERROR_CANTREAD;
  // A link in the journal's place is not ours: it counts as no journal.
  bool journalExists = lstat(journalPath_.c_str(), &js) == 0 && S_ISREG(js.st_mode);
  bool sameHive = hiveExists == hive_.exists &&
                  (!hiveExists || (hs.st_dev == hive_.dev && hs.st_ino == hive_.ino && hs.st_size == hive_.size &&
                                   SameTime(hs.st_mtim, hive_.mtime)));
  bool sameJournal = journalExists == journal_.exists &&
                     (!journalExists || (js.st_dev == journal_.dev && js.st_ino == journal_.ino));
  if (!loaded_ || !sameHive || !sameJournal) return Reload();
  if (corrupt_) return ERROR_REGISTRY_CORRUPT;
  if (!journalExists || (js.st_size == journal_.size && SameTime(js.st_mtim, journal_.mtime))) return ERROR_SUCCESS;
  // Another process appended to the journal: apply what it added. Anything else is read anew.
  if (!journalActive_ || js.st_size <= journal_.size) return Reload();
  if (!ReadJournalTail(js.st_size)) return corrupt_ ? ERROR_REGISTRY_CORRUPT : ERROR_CANTREAD;
  journal_.mtime = js.st_mtim;
  return ERROR_SUCCESS;
}

bool HiveStore::ReadJournalTail(off_t size) {
  int fd = open(journalPath_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  std::string tail;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && ReadAll(fd, journalEnd_, &tail);
  close(fd);
  if (!ok) return false;
  ReplayResult replay = ReplayRecords(tail, *tree_);
  if (replay.damaged) {
    corrupt_ = true;
    KeepDamagedJournal(st, journalEnd_ + static_cast<off_t>(replay.consumed));
    return false;
  }
  journalEnd_ += static_cast<off_t>(replay.consumed);
  journal_.size = size;
  return true;
}

LONG HiveStore::Reload() {
  loaded_ = false;
  std::string text;
  struct stat st = {};
  int fd = open(hivePath_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && errno != ENOENT) return ERROR_CANTREAD;
  if (fd >= 0) {
    bool ok = fstat(fd, &st) == 0 && ReadAll(fd, 0, &text);
    close(fd);
    if (!ok) return ERROR_CANTREAD;
  }
  FileId hive{fd >= 0, st.st_dev, st.st_ino, st.st_size, st.st_mtim};

  // An empty file is an empty hive, as is no file.
  std::unique_ptr<Key> fresh;
  if (text.empty()) {
    fresh = std::make_unique<Key>(rootName_);
    for (const std::string& name : defaultKeys_) fresh->AddSubkey(name);
  } else {
    fresh = ParseHive(text, rootName_);
  }
  std::uint64_t checksum = Checksum(text);

  FileId journal;
  bool active = false, damaged = fresh == nullptr;
  off_t end = 0;
  int jfd = open(journalPath_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  // A journal that is there but cannot be opened is not the same as none: its changes would be
  // missing. A link in its place (ELOOP) is no journal.
  if (jfd < 0 && errno != ENOENT && errno != ELOOP) return ERROR_CANTREAD;
  if (jfd >= 0) {
    std::string records;
    bool ok = fstat(jfd, &st) == 0 && ReadAll(jfd, 0, &records);
    close(jfd);
    if (!ok) return ERROR_CANTREAD;
    if (S_ISREG(st.st_mode) && !records.empty() && fresh) {
      journal = FileId{true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
      std::uint64_t continues = 0;
      if (!ReadJournalHeader(records, &continues)) {
        damaged = true;
        KeepDamagedJournal(st, 0);
      } else if (continues != checksum) {
        // The hive file was replaced after the journal (edited by hand, or a rewrite cut short
        // before the journal went): its changes are not replayed over another file, nor lost.
        if (SetAsideUnmatchedJournal(st)) journal = FileId{};
      } else {
        ReplayResult replay = ReplayRecords(std::string_view(records).substr(kJournalHeaderSize), *fresh);
        damaged = replay.damaged;
        active = true;
        end = static_cast<off_t>(kJournalHeaderSize + replay.consumed);
        if (damaged) KeepDamagedJournal(st, end);
      }
    } else if (S_ISREG(st.st_mode)) {
      journal = FileId{true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    }
  }

  hive_ = hive;
  journal_ = journal;
  loaded_ = true;
  corrupt_ = damaged;
  if (damaged) return ERROR_REGISTRY_CORRUPT;
  if (tree_) CarryIds(*tree_, *fresh);
  tree_ = std::move(fresh);
  hiveChecksum_ = checksum;
  journalActive_ = active;
  journalEnd_ = end;
  return ERROR_SUCCESS;
}

void HiveStore::KeepDamagedJournal(const struct stat& st, off_t damageAt) {
  std::string aside = AsideName(journalPath_, "damaged", st);
  bool kept = LinkAside(journalPath_, aside, st);
  std::fprintf(stderr,
               "The registry journal %s is damaged at byte %lld: hive %s answers ERROR_REGISTRY_CORRUPT and "
               "nothing of it is written until the journal is repaired or removed. %s%s\n",
               journalPath_.c_str(), static_cast<long long>(damageAt), BaseName(hivePath_).c_str(),
               kept ? "A copy is kept as " : "No copy could be kept.", kept ? BaseName(aside).c_str() : "");
}

bool HiveStore::SetAsideUnmatchedJournal(const struct stat& st) {
  std::string aside = AsideName(journalPath_, "unmatched", st);
  bool fresh = false;
  if (!LinkAside(journalPath_, aside, st, &fresh)) {
    std::fprintf(stderr, "The registry journal %s does not continue hive %s and cannot be kept aside; it is left "
                 "in place and not replayed.\n", journalPath_.c_str(), BaseName(hivePath_).c_str());
    return false;
  }
  // Another process may have moved it already; only the file that was read leaves its place.
  struct stat current;
  if (lstat(journalPath_.c_str(), &current) == 0 && SameFile(current, st)) unlink(journalPath_.c_str());
  SyncFolder(folder_);
  if (fresh)
    std::fprintf(stderr,
                 "The registry journal %s does not continue hive %s (the hive file was replaced after it); "
                 "its changes are not applied and it is kept as %s.\n",
                 journalPath_.c_str(), BaseName(hivePath_).c_str(), BaseName(aside).c_str());
  return true;
}

bool HiveStore::StartJournal() {
  std::string name;
  struct stat st;
  // A journal in place that this store does not continue (one that could not be kept aside) is
  // never replaced; a link there is no journal.
  struct stat existing;
  if (lstat(journalPath_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) && existing.st_size > 0)
    return false;
  if (!WriteTemporary(journalPath_, JournalHeader(hiveChecksum_), &name, &st)) return false;
  if (rename(name.c_str(), journalPath_.c_str()) != 0) {
    unlink(name.c_str());
    return false;
  }
  SyncFolder(folder_);
  journal_ = FileId{true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
  journalActive_ = true;
  journalEnd_ = static_cast<off_t>(kJournalHeaderSize);
  return true;
}

bool HiveStore::Append(const std::vector<Change>& changes) {
  if (!journalActive_ && !StartJournal()) return false;
  std::string records;
  for (const Change& change : changes) records += EncodeRecord(change);
  int fd = open(journalPath_.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && st.st_dev == journal_.dev && st.st_ino == journal_.ino;
  // A record cut short by a writer that died goes before the next one is added.
  if (ok && st.st_size != journalEnd_) ok = ftruncate(fd, journalEnd_) == 0;
  ok = ok && WriteAll(fd, records) && fdatasync(fd) == 0 && fstat(fd, &st) == 0;
  if (!ok) {
    if (ftruncate(fd, journalEnd_) != 0) {
      // Left as it is: the next writer cuts the tail, a reader skips it.
    }
    close(fd);
    return false;
  }
  close(fd);
  journalEnd_ += static_cast<off_t>(records.size());
  journal_.size = st.st_size;
  journal_.mtime = st.st_mtim;
  return true;
}

void HiveStore::RemoveStaleTemporaries() {
  // Called under the exclusive lock: no save is under way, so every temporary is left over
  // from a writer that died.
  DIR* dir = opendir(folder_.c_str());
  if (!dir) return;
  std::string prefix = rootName_ + ".reg";
  while (struct dirent* entry = readdir(dir)) {
    std::string_view name(entry->d_name);
    if (name.substr(0, prefix.size()) == prefix && name.find(".tmp-") != std::string_view::npos &&
        name.find(".lock.tmp-") == std::string_view::npos)
      unlinkat(dirfd(dir), entry->d_name, 0);
  }
  closedir(dir);
}

bool HiveStore::RewriteHive() {
  RemoveStaleTemporaries();
  std::string text = SerializeHive(*tree_, rootName_);
  std::string name;
  struct stat st;
  if (!WriteTemporary(hivePath_, text, &name, &st)) return false;
  if (rename(name.c_str(), hivePath_.c_str()) != 0) {
    unlink(name.c_str());
    return false;
  }
  // The journal's changes are in the new file; a journal that outlives a crash here names the
  // old file and is kept aside by the next load. A journal this store did not continue stays.
  if (journalActive_) unlink(journalPath_.c_str());
  SyncFolder(folder_);
  hive_ = FileId{true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
  hiveChecksum_ = Checksum(text);
  journal_ = FileId{};
  journalActive_ = false;
  journalEnd_ = 0;
  return true;
}

LONG HiveStore::Read(const std::function<LONG(const Key&)>& read) {
  if (LONG locked = Lock(LOCK_SH)) return locked;
  LONG result = Refresh();
  if (result == ERROR_SUCCESS) result = read(*tree_);
  Unlock();
  return result;
}

LONG HiveStore::Write(const std::function<LONG(Key&, ChangeList&)>& change) {
  if (LONG locked = Lock(LOCK_EX)) return locked;
  LONG result = Refresh();
  if (result == ERROR_SUCCESS) {
    ChangeList changes;
    result = change(*tree_, changes);
    if (!changes.Items().empty()) {
      bool small = hive_.size + (journalActive_ ? journalEnd_ : 0) < kRewriteBelow;
      if (result == ERROR_SUCCESS && !(small ? RewriteHive() : Append(changes.Items()))) result = ERROR_CANTWRITE;
      // The tree no longer matches the files: read them again on the next call.
      if (result != ERROR_SUCCESS) Forget();
      // The change is safe in the journal; folding it in may as well fail.
      if (result == ERROR_SUCCESS && journalActive_ && journalEnd_ > std::max(hive_.size, kFoldAtLeast))
        RewriteHive();
    }
  }
  Unlock();
  return result;
}

LONG HiveStore::Fold() {
  if (LONG locked = Lock(LOCK_EX)) return locked;
  LONG result = Refresh();
  if (result == ERROR_SUCCESS && journalActive_ && !RewriteHive()) result = ERROR_CANTWRITE;
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
