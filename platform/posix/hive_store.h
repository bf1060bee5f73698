// One registry hive on disk, shared by every process of the emulated machine.
//
// "<name>.reg" holds the hive's text; "<name>.reg.lock" is never replaced: processes lock it
// (shared to read, exclusive to change) and its first 8 bytes count the saves, so that a
// process sees another one's change on its next call. A save writes a temporary file, flushes
// it to disk, bumps the counter and renames the file over the hive: a crash at any moment
// leaves either the old or the new hive. A hive that cannot be parsed is never written.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "hive_model.h"

namespace vp::registry {

class HiveStore {
 public:
  // `rootName` is the hive's name in the file ("HKEY_CURRENT_USER"); `defaultKeys` are made
  // in a hive that has no file yet.
  HiveStore(std::string folder, std::string rootName, std::vector<std::string> defaultKeys);
  HiveStore(const HiveStore&) = delete;
  HiveStore& operator=(const HiveStore&) = delete;
  ~HiveStore();

  const std::string& RootName() const { return rootName_; }

  // Runs `read` on the current tree under the shared lock. Returns the hive's own error
  // (ERROR_REGISTRY_CORRUPT, ...) or what `read` returns.
  LONG Read(const std::function<LONG(const Key& root)>& read);

  // Runs `change` on the current tree under the exclusive lock; when it returns 0 and set
  // `*changed`, the hive is saved before Write returns. A failed save leaves the file as it
  // was and the change undone.
  LONG Write(const std::function<LONG(Key& root, bool* changed)>& change);

  // Last change of the hive as the file system recorded it.
  FILETIME LastWriteTime() const { return lastWrite_; }

 private:
  bool Lock(int operation);
  void Unlock();
  LONG Refresh();
  bool Save();
  void Forget() { loaded_ = false; }

  std::string folder_, rootName_, hivePath_, lockPath_;
  std::vector<std::string> defaultKeys_;
  int lockFd_ = -1;
  pid_t lockPid_ = 0;

  // The cached view and what it was read from.
  std::unique_ptr<Key> tree_;
  bool loaded_ = false;
  bool corrupt_ = false;
  std::uint64_t counter_ = 0;
  bool fileExists_ = false;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  off_t size_ = 0;
  struct timespec mtime_ = {};
  FILETIME lastWrite_ = {};
};

// The hive of a predefined root key in the current machine's registry folder.
enum class Hive { CurrentUser, LocalMachine };
HiveStore& StoreOf(Hive hive);

}  // namespace vp::registry
