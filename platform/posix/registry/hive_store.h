// One registry hive on disk, shared by every process of the emulated machine.
//
//   "<name>.reg"       the hive's text (hive_format.cpp), written whole now and then
//   "<name>.reg.log"   the journal of changes since (hive_journal.h), appended and synced by
//                      every change, replayed on load
//   "<name>.reg.lock"  locked shared to read, exclusive to change; never written
//
// A change is on disk when its call returns: appended to the journal and synced, or, while the
// hive is small, written into a new hive file. When the journal has grown as large as the hive
// the hive is written whole (a fresh temporary file, synced and renamed over it) and the
// journal removed, so a change costs its own size, plus the rewrite spread over as many bytes
// of changes as the hive holds. A crash at any moment leaves the old or the new state.
// A journal is never deleted unless its changes are in the hive file: one that names another
// hive file (the hive was edited by hand) is moved to "<name>.reg.log.unmatched-...", a
// damaged one stays in place, never written, the hive answering ERROR_REGISTRY_CORRUPT, with a
// copy linked as "<name>.reg.log.damaged-..."; both are told on stderr.
// Temporary and lock files are opened so that a link put in their place is never followed, and
// a hive or journal that cannot be read is never written. A lock that stays taken (a holder
// stopped in a debugger) makes a call fail with ERROR_TIMEOUT after a bounded wait.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hive_journal.h"
#include "hive_model.h"
#include "platform/posix/registry/registry.h"

namespace vp::registry {

// The changes of one call: each applied to the tree and kept for the journal.
class ChangeList {
 public:
  // False when the change breaks the registry's bounds (nothing is applied then).
  bool Apply(Key& root, Change change);
  const std::vector<Change>& Items() const { return items_; }

 private:
  std::vector<Change> items_;
};

class HiveStore {
 public:
  // How long a call waits for the hive's lock. Longer than any rewrite of a hive takes on a
  // slow disk, short enough that a stopped holder shows as an error rather than a hang.
  static constexpr std::chrono::milliseconds kDefaultLockWait{10000};
  static void SetLockWait(std::chrono::milliseconds wait);

  // Below this size the hive file is rewritten by every change, so it always holds them all.
  static constexpr off_t kRewriteBelow = 32 * 1024;
  // The journal is folded into the hive once it is larger than this and than the hive.
  static constexpr off_t kFoldAtLeast = 256 * 1024;

  // `rootName` is the hive's name in the file ("HKEY_CURRENT_USER"); `defaultKeys` are made
  // in a hive that has no file yet, or an empty one.
  HiveStore(std::string folder, std::string rootName, std::vector<std::string> defaultKeys);
  HiveStore(const HiveStore&) = delete;
  HiveStore& operator=(const HiveStore&) = delete;
  ~HiveStore();

  const std::string& RootName() const { return rootName_; }

  // Runs `read` on the current tree under the shared lock. Returns the hive's own error
  // (ERROR_REGISTRY_CORRUPT, ERROR_TIMEOUT, ...) or what `read` returns.
  LONG Read(const std::function<LONG(const Key& root)>& read);

  // Runs `change` on the current tree under the exclusive lock; when it returns 0, the changes
  // it applied through the list are on disk before Write returns. When they cannot be saved the
  // call fails and the tree is read again on the next call.
  LONG Write(const std::function<LONG(Key& root, ChangeList& changes)>& change);

  // Writes every change into the hive file now and removes the journal (for tools and tests
  // that read the file itself).
  LONG Fold();

  // Last change of the hive as the file system recorded it.
  FILETIME LastWriteTime() const;

 private:
  struct FileId {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    struct timespec mtime = {};
  };

  LONG Lock(int operation);
  void Unlock();
  LONG Refresh();
  LONG Reload();
  bool ReadJournalTail(off_t size);
  bool Append(const std::vector<Change>& changes);
  // A damaged journal stays in place, never written, with a second link of its own; told on
  // stderr by each process that meets it.
  void KeepDamagedJournal(const struct stat& st, off_t damageAt);
  // Moves a journal that names another hive file to a name of its own (told on stderr); false
  // when it cannot be moved and stays in place.
  bool SetAsideUnmatchedJournal(const struct stat& st);
  bool StartJournal();
  bool RewriteHive();
  void RemoveStaleTemporaries();
  void Forget() { loaded_ = false; }

  std::string folder_, rootName_, hivePath_, journalPath_, lockPath_;
  std::vector<std::string> defaultKeys_;
  int lockFd_ = -1;
  pid_t lockPid_ = 0;

  // The cached view and what it was read from.
  std::unique_ptr<Key> tree_;
  bool loaded_ = false;
  bool corrupt_ = false;
  FileId hive_, journal_;
  std::uint64_t hiveChecksum_ = 0;
  bool journalActive_ = false;  // the journal continues the hive file read
  off_t journalEnd_ = 0;        // end of its last whole record
};

// The hive of a predefined root key in the current machine's registry folder.
enum class Hive { CurrentUser, LocalMachine };
HiveStore& StoreOf(Hive hive);

}  // namespace vp::registry
