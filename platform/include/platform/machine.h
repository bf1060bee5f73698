// The emulated Windows machine behind the POSIX platform layer: its root folder, its drive
// table, its user profile, and the mapping between "X:\a\b" paths and host paths.
// Only the POSIX build has this header's implementation; Windows is the real machine.
#pragma once

#ifndef _WIN32

#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/core/types.h"

namespace vp::machine {

// The environment variable that names the machine root; its default is "$HOME/.vp-machine".
inline constexpr const char* kRootVariable = "VP_MACHINE_ROOT";

enum class DriveType { Fixed, Removable, Remote, Cdrom };

struct Drive {
  char letter;             // upper case
  DriveType type;
  std::string hostFolder;  // absolute host path, no trailing slash (except "/")
  bool readOnly = false;   // nothing on it may be changed (the host's root unless listed)
};

// Host folder of the machine root, created with a new machine's contents on first use.
const std::string& Root();

// Points this process at another machine root (tests, tools), dropping every cached view.
void UseRoot(const std::string& hostFolder);

// The drive table: "drives.conf" in the machine root, one "<letter> <type> <folder>" a line,
// folders relative to the root or absolute. Z: is always present: the host's root, remote and
// read-only, unless the table gives Z: a line of its own. A table that cannot be read or names
// no drive leaves only that Z: (and says so on stderr): never a writable host root.
std::vector<Drive> Drives();
std::optional<Drive> FindDrive(char letter);

std::string UserName();
// "C:\Users\<user name>", created with the machine.
std::string ProfileFolder();
// Host folders of the machine root for other services.
std::string RegistryFolder();
std::string ObjectsFolder();

// Whether the emulated user is an administrator ("admin=1" in "machine.conf"; default no).
bool UserIsAdministrator();

}  // namespace vp::machine

namespace vp::path {

// What a resolution is for: an existing object, or a name that may be created in an existing
// folder. A missing last component is then no error.
enum class Need { Existing, Creatable };

struct Resolved {
  std::string windows;  // full, normalised Windows path ("C:\A\b.txt", case as on disk)
  std::string host;     // host path of the same object
  bool exists = false;
  struct stat linkStat {};  // lstat of the object when it exists, taken while resolving
};

// Full Windows path of `path` against the current directory: separators unified, "." and ".."
// folded, trailing dots and blanks of names removed, as Windows does. Empty on invalid input
// (error in `error`).
std::string FullWindowsPath(const std::string& path, DWORD* error);

// Resolves a Windows path to the host. On failure returns nullopt and `error` holds the
// Windows code (ERROR_PATH_NOT_FOUND, ERROR_FILE_NOT_FOUND, ERROR_INVALID_NAME, ...).
std::optional<Resolved> ToHost(const std::string& windowsPath, Need need, DWORD* error);

// Windows path of a host path: the drive whose folder holds it, else Z:.
std::string FromHost(const std::string& hostPath);

// Case-insensitive name comparison as the Windows file system does it (ASCII letters folded).
bool NamesEqual(const std::string& a, const std::string& b);

// Current directory of the process, as a full Windows path ending without a backslash except
// for a drive root.
std::string CurrentDirectory();
bool SetCurrentDirectory(const std::string& windowsPath, DWORD* error);

}  // namespace vp::path

#endif
