// Cached folder listings for case-insensitive name lookups, keyed by the folder's identity
// (device and inode), so a renamed folder keeps its listing and a folder replaced under the same
// path gets a new one.
//
// On a local file system a listing is watched (inotify): the kernel queues every create, delete
// and rename in the folder, made by this process or any other, before the call that made it
// returns, and each lookup first applies what is queued. A listing is therefore never re-read
// because of a change, ours or foreign, and a name another process created is found by the next
// lookup. Where a folder cannot be watched (network file systems, no watches left) nothing says
// when its listing goes stale (a time stamp may keep its value over many changes): a name it
// holds is looked at on the disk before it is given, and a name it lacks is looked for in the
// folder read anew, so "no such file" never comes from an old listing.
//
// The same queue keeps a drive folder's stat (its write permission makes a write-protected
// drive): kept until the queue reports a change to the folder itself.
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/internal.h"

namespace vp::path {
namespace {

constexpr size_t kMostListings = 4096;  // beyond this, every listing is dropped and re-read on use
constexpr uint32_t kWatchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ONLYDIR;

struct FolderId {
  dev_t dev;
  ino_t ino;
  bool operator==(const FolderId& o) const { return dev == o.dev && ino == o.ino; }
};
struct FolderIdHash {
  size_t operator()(const FolderId& id) const { return std::hash<ino_t>()(id.ino) * 31 + std::hash<dev_t>()(id.dev); }
};

std::atomic<unsigned long> g_reads{0};
std::atomic<unsigned long> g_generation{0};

struct Listing {
  int watch = -1;  // inotify watch, or -1: each answer is checked on the disk
  // folded name -> the names on disk with that folding (almost always one)
  std::unordered_map<std::string, std::vector<std::string>> byFoldedName;

  void Add(const std::string& name) {
    auto& names = byFoldedName[Folded(name)];
    if (std::find(names.begin(), names.end(), name) != names.end()) return;
    if (!names.empty()) ++g_generation;  // a new case variant may change how a name resolves
    names.push_back(name);
  }
  void Remove(const std::string& name) {
    auto it = byFoldedName.find(Folded(name));
    if (it == byFoldedName.end()) return;
    auto& names = it->second;
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
    if (names.empty()) byFoldedName.erase(it);
  }
  // The name as given when it is there; of other names that differ only in case, the
  // smaller in byte order, every time.
  std::string Find(const std::string& name) const {
    auto it = byFoldedName.find(Folded(name));
    if (it == byFoldedName.end()) return {};
    if (std::find(it->second.begin(), it->second.end(), name) != it->second.end()) return name;
    return *std::min_element(it->second.begin(), it->second.end());
  }
};

std::mutex g_lock;
std::unordered_map<FolderId, Listing, FolderIdHash> g_listings;
std::unordered_map<int, FolderId> g_watched;  // watch -> folder
// Drive folders whose stat is kept while the queue reports no change to the folder itself
// (its permissions, or its going away). A drive folder may also have a listing on the same
// watch; the watch is removed only when neither uses it.
constexpr uint32_t kDriveEvents = IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
std::unordered_map<int, struct stat> g_drives;  // watch -> the drive folder's stat, while current
std::unordered_map<std::string, int> g_driveWatchOf;  // drive folder -> its watch, -1: none possible
thread_local unsigned long t_queueReads = 0;
int g_notify = -1;
bool g_notifyFailed = false;
std::atomic<bool> g_watchesAvailable{true};
std::atomic<bool> g_forked{false};

void MarkForked() { g_forked = true; }

void DropAll(bool removeWatches) {
  ++g_generation;
  if (removeWatches && g_notify >= 0) {
    for (const auto& [watch, id] : g_watched) inotify_rm_watch(g_notify, watch);
    for (const auto& [folder, watch] : g_driveWatchOf)
      if (watch >= 0 && !g_watched.count(watch)) inotify_rm_watch(g_notify, watch);
  }
  g_watched.clear();
  g_listings.clear();
  g_drives.clear();
  g_driveWatchOf.clear();
}

bool IsDriveWatch(int watch) {
  for (const auto& [folder, driveWatch] : g_driveWatchOf)
    if (driveWatch == watch) return true;
  return false;
}

void DropListing(FolderId id) {
  auto it = g_listings.find(id);
  if (it == g_listings.end()) return;
  ++g_generation;
  if (it->second.watch >= 0) {
    g_watched.erase(it->second.watch);
    if (!IsDriveWatch(it->second.watch)) inotify_rm_watch(g_notify, it->second.watch);
  }
  g_listings.erase(it);
}

// The notification queue of this process. A child made by fork shares its parent's queue, so
// it drops what it inherited (without touching the parent's watches) and starts its own.
bool NotifyReady() {
  if (g_forked.exchange(false)) {
    if (g_notify >= 0) close(g_notify);
    g_notify = -1;
    g_notifyFailed = false;
    DropAll(false);
  }
  if (g_notify < 0 && !g_notifyFailed) {
    static bool registered = (pthread_atfork(nullptr, nullptr, MarkForked), true);
    (void)registered;
    g_notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    g_notifyFailed = g_notify < 0;
  }
  return g_notify >= 0;
}

// Applies every queued change to the watched listings.
void ApplyQueuedChanges() {
  if (!NotifyReady()) return;
  ++t_queueReads;
  alignas(struct inotify_event) char buffer[16384];
  for (;;) {
    ssize_t got = read(g_notify, buffer, sizeof buffer);
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      return;  // EAGAIN: nothing more queued
    }
    for (char* at = buffer; at < buffer + got;) {
      const auto* event = reinterpret_cast<const struct inotify_event*>(at);
      at += sizeof(struct inotify_event) + event->len;
      if (event->mask & IN_Q_OVERFLOW) {  // changes were lost: nothing watched can be trusted
        DropAll(true);
        continue;
      }
      // A change to a drive folder itself: its state is asked of the disk again.
      if (event->len == 0 && (event->mask & (kDriveEvents | IN_IGNORED | IN_UNMOUNT))) g_drives.erase(event->wd);
      auto watched = g_watched.find(event->wd);
      if (watched == g_watched.end()) continue;
      if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_UNMOUNT)) {
        DropListing(watched->second);
        continue;
      }
      auto listing = g_listings.find(watched->second);
      if (listing == g_listings.end() || event->len == 0) continue;
      if (event->mask & (IN_CREATE | IN_MOVED_TO)) listing->second.Add(event->name);
      if (event->mask & (IN_DELETE | IN_MOVED_FROM)) listing->second.Remove(event->name);
    }
    // Room left for another event of any size: the queue was empty when it was read.
    if (static_cast<size_t>(got) + sizeof(struct inotify_event) + NAME_MAX + 1 <= sizeof buffer) return;
  }
}

// File systems whose other clients change folders without telling this machine's kernel.
bool IsRemoteFileSystem(int fd) {
  struct statfs fs;
  if (fstatfs(fd, &fs) != 0) return true;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL:      // NFS
    case 0x517BUL:      // SMB
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2
    case 0x65735546UL:  // FUSE
    case 0x01021997UL:  // 9P
    case 0x0BD00BD0UL:  // Lustre
    case 0x47504653UL:  // GPFS
    case 0x00C36400UL:  // Ceph
      return true;
    default:
      return false;
  }
}

// Watches the open folder `dir` for `listing`; false when it cannot be watched.
bool Watch(DIR* dir, FolderId id, Listing& listing) {
  if (!g_watchesAvailable || !NotifyReady() || IsRemoteFileSystem(dirfd(dir))) return false;
  // Through the open descriptor, so the watch is on the very folder being read.
  std::string self = "/proc/self/fd/" + std::to_string(dirfd(dir));
  // Added to what the watch asks already: a drive folder's watch may be the same one.
  int watch = inotify_add_watch(g_notify, self.c_str(), kWatchedEvents | IN_MASK_ADD);
  if (watch < 0) return false;
  auto [it, inserted] = g_watched.emplace(watch, id);
  if (!inserted && !(it->second == id)) {  // a stale watch number: drop both
    DropListing(it->second);
    inotify_rm_watch(g_notify, watch);
    g_watched.erase(watch);
    return false;
  }
  listing.watch = watch;
  return true;
}

bool Scan(const std::string& folder, FolderId id, Listing& out) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  struct stat opened;
  if (fstat(dirfd(dir), &opened) != 0 || opened.st_dev != id.dev || opened.st_ino != id.ino) {
    closedir(dir);  // the folder was replaced since the caller looked
    return false;
  }
  ++g_reads;
  out = Listing{};
  // The watch comes first: a change made while the folder is read is applied afterwards.
  Watch(dir, id, out);
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") out.Add(name);
  }
  closedir(dir);
  return true;
}

// True when `name` is still in the host folder `folder`.
bool StillThere(const std::string& folder, const std::string& name) {
  struct stat st;
  return lstat((folder == "/" ? "/" + name : folder + "/" + name).c_str(), &st) == 0;
}

}  // namespace

std::string Folded(const std::string& name) {
  std::string out = name;
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

CaseMatch FindCaseVariant(const std::string& folder, const std::string& name, const struct stat* known) {
  struct stat st;
  if (known && S_ISDIR(known->st_mode)) st = *known;
  else if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  FolderId id{st.st_dev, st.st_ino};
  std::lock_guard guard(g_lock);
  ApplyQueuedChanges();
  auto it = g_listings.find(id);
  if (it != g_listings.end()) {
    Listing& listing = it->second;
    if (listing.watch >= 0) return {listing.Find(name), true};
    std::string found = listing.Find(name);
    if (!found.empty() && StillThere(folder, found)) return {found, false};
    DropListing(id);
  }
  if (g_listings.size() >= kMostListings) DropAll(true);
  Listing fresh;
  if (!Scan(folder, id, fresh)) return {};
  CaseMatch found{fresh.Find(name), fresh.watch >= 0};
  g_listings[id] = std::move(fresh);
  return found;
}

std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  FolderId id{st.st_dev, st.st_ino};
  std::lock_guard guard(g_lock);
  ApplyQueuedChanges();
  auto it = g_listings.find(id);
  if (it == g_listings.end()) {
    if (g_listings.size() >= kMostListings) DropAll(true);
    Listing fresh;
    if (!Scan(folder, id, fresh)) return {};
    it = g_listings.emplace(id, std::move(fresh)).first;
  }
  std::vector<std::string> names;
  for (const auto& [folded, onDisk] : it->second.byFoldedName)
    if (folded.compare(0, prefix.size(), prefix) == 0) names.insert(names.end(), onDisk.begin(), onDisk.end());
  return names;
}

unsigned long QueueReadsOfThisThread() { return t_queueReads; }

bool DriveFolderStat(const std::string& hostFolder, bool queueJustApplied, struct stat* out) {
  std::lock_guard guard(g_lock);
  auto known = g_driveWatchOf.find(hostFolder);
  if (known != g_driveWatchOf.end()) {
    auto kept = g_drives.find(known->second);
    if (kept != g_drives.end() && queueJustApplied) {
      *out = kept->second;
      return true;
    }
    // Watched, or never to be: asked of the disk as before.
    if (kept != g_drives.end() || known->second < 0) return stat(hostFolder.c_str(), out) == 0;
  }
  // First asked, or changed since it was kept: watched (again) and taken.
  int fd = open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return stat(hostFolder.c_str(), out) == 0;
  int watch = -1;
  // Watched before the stat is taken, so a change made after it is reported.
  if (NotifyReady() && !IsRemoteFileSystem(fd) && g_driveWatchOf.size() < 64)
    watch = inotify_add_watch(g_notify, ("/proc/self/fd/" + std::to_string(fd)).c_str(), kDriveEvents | IN_MASK_ADD);
  bool found = fstat(fd, out) == 0;
  close(fd);
  g_driveWatchOf[hostFolder] = watch;
  if (watch >= 0 && found) g_drives[watch] = *out;
  return found;
}

unsigned long CaseVariantGeneration() { return g_generation; }

unsigned long FolderReads() { return g_reads; }

void SetFolderWatchesAvailable(bool available) {
  std::lock_guard guard(g_lock);
  g_watchesAvailable = available;
  DropAll(true);
}

void ForgetCachedFolders() {
  std::lock_guard guard(g_lock);
  DropAll(true);
}

}  // namespace vp::path
