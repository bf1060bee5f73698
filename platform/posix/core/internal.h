// Pieces shared by the POSIX implementations of the Windows services.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/posix/core/errors.h"
#include "platform/posix/fs/files.h"

namespace vp::path {
// Drops the cached folder listings (machine change, tests).
void ForgetCachedFolders();
// Forgets the current directory, taking the host's again on next use.
void ResetCurrentDirectory();

// ASCII letters in lower case, as names are compared.
std::string Folded(const std::string& name);
// The name on disk in the host folder `folder` that equals `name` ignoring case (empty when
// none does), and whether the folder's listing is kept current by change notification.
// `known` is the folder's stat when the caller has just taken it.
struct CaseMatch {
  std::string name;
  bool watched = false;
};
CaseMatch FindCaseVariant(const std::string& folder, const std::string& name, const struct stat* known);
// Changes whenever a watched folder gains a name differing only in case from one it holds, or
// a listing is dropped: a resolution remembered under an older value must be made again.
unsigned long CaseVariantGeneration();
// The names in the host folder `folder` that start with `prefix` (ASCII, lower case), from its
// cached listing (read now if there is none); a name of an unwatched listing may be gone.
std::vector<std::string> NamesStartingWith(const std::string& folder, const std::string& prefix);
// Tests: whether listings taken from now on may be watched (false: as where no watches are left).
void SetFolderWatchesAvailable(bool available);
// How many times a folder has been read for its listing in this process.
unsigned long FolderReads();
// How many times this thread has applied the queue of changes: a caller that sees the count
// move over a call knows every change made before that call has been applied.
unsigned long QueueReadsOfThisThread();
// A drive folder's stat (false when it cannot be taken). It is kept, watched, where the folder
// can be watched, until the queue reports a change to the folder itself; the kept one is given
// only when the caller has just applied the queue (`queueJustApplied`), else it is taken anew.
bool DriveFolderStat(const std::string& hostFolder, bool queueJustApplied, struct stat* out);

// The device a path names when its last name is a reserved device name ("nul", "LPT1",
// "C:\\x\\nul.txt" names "nul"), as given; nullopt for any other path.
std::optional<std::string> DeviceName(const std::string& path);

// A host name as programs see it: characters a Windows name cannot hold (and a trailing dot or
// blank) become private-use characters; HostNameOf maps them back.
std::string WindowsNameOf(const std::string& hostName);
std::string HostNameOf(const std::string& windowsName);
}  // namespace vp::path

namespace vp::posix {

// The Windows error code for a failed host call's errno.
DWORD ErrorFromErrno(int error);

// Sets the last error and returns the given result: `return Fail(ERROR_X, FALSE);`.
template <class T>
T Fail(DWORD error, T result) {
  SetLastError(error);
  return result;
}

FILETIME ToFileTime(const struct timespec& ts);

// Windows attributes of a host object, from lstat (a symbolic link is a reparse point; a link
// to a folder is a folder too, as a junction is).
DWORD AttributesOf(const std::string& hostPath, const struct stat& linkStat);

bool HasWriteBits(const struct stat& st);

// Share modes across processes. Windows refuses an open whose access another open does not
// share, and whose sharing another open's access exceeds; deleting or renaming a file needs
// every open to share delete. Locks live on a separate descriptor of the file, in a byte range
// far past any data, so they never meet the file's own content.
class ShareLock {
 public:
  ShareLock() = default;
  ShareLock(const ShareLock&) = delete;
  ShareLock& operator=(const ShareLock&) = delete;
  ~ShareLock();
  // Takes the locks for an open with `access` (read/write/delete bits) and `share`; false with
  // ERROR_SHARING_VIOLATION when another open conflicts.
  bool Acquire(const std::string& hostPath, bool wantRead, bool wantWrite, bool wantDelete,
               DWORD share);
  // The same on a descriptor the caller opened for reading, which the lock then owns (closed
  // with it): the file is opened once instead of once for the data and once for the markers.
  bool AcquireOn(int fd, bool wantRead, bool wantWrite, bool wantDelete, DWORD share);
  int Descriptor() const { return fd_; }
 private:
  int fd_ = -1;
  off_t deleteDenyingHold_ = -1;  // the announcement of an open that refuses to share delete
};

// The file on which this user's processes announce the files they hold (holds_file.cpp), or
// -1 when there is none to trust: every question is then asked of the file itself.
int HoldsFile();
// Takes the holds file's whole-file lock, waiting a bounded time; false when it stays taken.
bool LockHoldsFileExclusively(int holds);

// The host descriptor behind a file handle of CreateFileA, or -1.
int FileDescriptor(HANDLE file);

// True when some open of the file does not share delete (so it cannot be deleted or renamed).
// `linkStat` is the file's lstat, taken by the caller just now.
bool DeleteIsDenied(const std::string& hostPath, const struct stat& linkStat);

// A running program's file and the modules it has loaded are held as Windows holds a mapped
// image: others may read and rename it, but neither write nor delete it while it is in use.
// Returns the descriptor that keeps the hold (close it to let go), or -1; the hold ends with
// the process, however it ends.
int HoldImage(const std::string& hostPath);
// True when some process runs the file or has it loaded as a module; `linkStat` is the file's
// lstat, taken by the caller just now.
bool IsImageInUse(const std::string& hostPath, const struct stat& linkStat);
// Both questions of a deletion at once, at the cost of one: ERROR_SHARING_VIOLATION when some
// open does not share delete, ERROR_ACCESS_DENIED when the file is a running image, else 0.
DWORD DeleteBlocker(const std::string& hostPath, const struct stat& linkStat);
// False only when no file below the host folder can be held: no other process announces any
// hold, and this process holds nothing but programs and modules it runs from elsewhere. Saves
// a folder's move the look at every file beneath it.
bool SomeHoldMayBeBelow(const std::string& hostFolder);

// The error Windows gives for changing anything at `windowsPath` (a full path) because of its
// drive, or 0: the host's root outside the drive table is read-only (ERROR_ACCESS_DENIED), a
// drive whose folder has no write permission is write-protected, one whose folder is missing
// is not ready.
// `queueJustApplied`: the caller applied the queue of changes during its call (see
// QueueReadsOfThisThread), so a kept stat of the drive folder is current.
DWORD DriveWriteError(const std::string& windowsPath, bool queueJustApplied = false);

}  // namespace vp::posix
