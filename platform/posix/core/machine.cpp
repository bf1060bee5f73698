// The emulated machine: a root folder holding the drive table, the drives' folders, the user
// profile, the registry hives and the named objects. Created on first use, like a new PC.
#include "platform/machine.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

#include "internal.h"

namespace vp::machine {
namespace {

struct State {
  std::mutex lock;
  std::string root;
  bool loaded = false;
  std::vector<Drive> drives;
  bool admin = false;
};

State& TheState() {
  static State* state = new State;  // lives until _exit: handles close during exit too
  return *state;
}

void MakeFolders(const std::string& path) {
  std::string partial;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || (path[i] == '/' && i > 0)) {
      partial = path.substr(0, i);
      mkdir(partial.c_str(), 0755);
    }
  }
}

bool Exists(const std::string& hostPath) {
  struct stat st;
  return lstat(hostPath.c_str(), &st) == 0;
}

[[noreturn]] void StopWith(const std::string& why) {
  std::fprintf(stderr, "%s\n", why.c_str());
  std::exit(EXIT_FAILURE);
}

// Without a home, the machine lives in a folder of the temporary folder that this user made and
// only this user can enter; a folder of that name someone else made (with a drive table of
// their choosing) is refused, never used.
std::string OwnTemporaryRoot() {
  const char* temporary = std::getenv("TMPDIR");
  std::string base = temporary && *temporary == '/' ? temporary : "/tmp";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::string folder = base + "/vp-machine-" + std::to_string(geteuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    StopWith("No home folder, and the machine folder " + folder + " cannot be made: " + std::strerror(errno) +
             ". Set HOME or " + kRootVariable + ".");
  struct stat st;
  if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 077) != 0)
    StopWith("No home folder, and " + folder +
             " is not a folder of this user's own (another owner, a link, or open to others): refused as the "
             "machine folder. Set HOME or " + kRootVariable + ".");
  return folder;
}

std::string DefaultRoot() {
  const char* chosen = std::getenv(kRootVariable);
  if (chosen && *chosen) return chosen;
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* pw = getpwuid(getuid());
    home = pw && pw->pw_dir && *pw->pw_dir ? pw->pw_dir : nullptr;
  }
  if (!home) return OwnTemporaryRoot();
  return std::string(home) + "/.vp-machine";
}

std::string SanitisedUserName() {
  const char* user = std::getenv("USER");
  std::string name;
  if (user && *user) {
    name = user;
  } else if (const passwd* pw = getpwuid(getuid())) {
    name = pw->pw_name;
  }
  std::string clean;
  for (char c : name)
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.') clean += c;
  return clean.empty() ? "user" : clean;
}

const char* TypeName(DriveType t) {
  switch (t) {
    case DriveType::Fixed: return "fixed";
    case DriveType::Removable: return "removable";
    case DriveType::Remote: return "remote";
    case DriveType::Cdrom: return "cdrom";
  }
  return "fixed";
}

std::optional<DriveType> ParseType(const std::string& text) {
  for (DriveType t : {DriveType::Fixed, DriveType::Removable, DriveType::Remote, DriveType::Cdrom})
    if (text == TypeName(t)) return t;
  return std::nullopt;
}

// A new machine: fixed C: and D:, a user profile with the folders a Windows profile offers.
void CreateMachine(const std::string& root) {
  MakeFolders(root);
  MakeFolders(root + "/drive_c");
  MakeFolders(root + "/drive_d");
  std::string profile = root + "/drive_c/Users/" + SanitisedUserName();
  for (const char* sub : {"Desktop", "Documents", "Start Menu/Programs", "AppData/Local/Temp"})
    MakeFolders(profile + "/" + sub);
  MakeFolders(root + "/drive_c/Windows/System32");
  MakeFolders(root + "/registry");
  MakeFolders(root + "/objects");
  std::ofstream conf(root + "/drives.conf");
  conf << "# Drives of this machine: letter, type (fixed, removable, remote, cdrom), folder.\n"
          "# A relative folder lies in the machine root. Z: (remote, read-only) maps every other\n"
          "# host path unless a line here names Z: (e.g. \"Z remote /\" makes the host's root writable).\n"
          "C fixed drive_c\n"
          "D fixed drive_d\n";
  std::ofstream machine(root + "/machine.conf");
  machine << "# admin=1 makes the user an administrator (HKEY_LOCAL_MACHINE writable).\n"
             "admin=0\n";
}

std::string Absolute(const std::string& root, const std::string& folder) {
  std::string path = folder.empty() || folder[0] == '/' ? folder : root + "/" + folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  char resolved[4096];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
}

void LoadLocked(State& s) {
  if (s.loaded) return;
  if (s.root.empty()) s.root = DefaultRoot();
  while (s.root.size() > 1 && s.root.back() == '/') s.root.pop_back();
  if (!Exists(s.root + "/drives.conf")) CreateMachine(s.root);
  char resolved[4096];
  if (realpath(s.root.c_str(), resolved)) s.root = resolved;

  s.drives.clear();
  std::string table = s.root + "/drives.conf";
  std::ifstream conf(table);
  std::string line;
  while (std::getline(conf, line)) {
    std::istringstream fields(line);
    std::string letter, type, folder;
    if (!(fields >> letter >> type) || letter.empty() || letter[0] == '#') continue;
    std::getline(fields >> std::ws, folder);
    char l = static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
    auto t = ParseType(type);
    if (letter.size() != 1 || l < 'A' || l > 'Z' || !t || folder.empty()) continue;
    bool duplicate = false;
    for (const Drive& d : s.drives) duplicate = duplicate || d.letter == l;
    if (!duplicate) s.drives.push_back({l, *t, Absolute(s.root, folder), false});
  }
  if (s.drives.empty())
    std::fprintf(stderr, "The drive table %s cannot be read or names no drive: this machine has no drive.\n",
                 table.c_str());
  // The host's root stays reachable for reading (programs started from host folders see their
  // own paths) but is never written unless the table lists Z: itself.
  bool tableHasZ = false;
  for (const Drive& d : s.drives) tableHasZ = tableHasZ || d.letter == 'Z';
  if (!tableHasZ) s.drives.push_back({'Z', DriveType::Remote, "/", true});
  std::sort(s.drives.begin(), s.drives.end(),
            [](const Drive& a, const Drive& b) { return a.letter < b.letter; });

  s.admin = false;
  std::ifstream machine(s.root + "/machine.conf");
  while (std::getline(machine, line))
    if (line == "admin=1") s.admin = true;
  s.loaded = true;
}

}  // namespace

const std::string& Root() {
  State& s = TheState();
  std::lock_guard guard(s.lock);
  LoadLocked(s);
  return s.root;
}

void UseRoot(const std::string& hostFolder) {
  {
    State& s = TheState();
    std::lock_guard guard(s.lock);
    s.root = hostFolder;
    s.loaded = false;
    LoadLocked(s);
  }
  vp::path::ForgetCachedFolders();
  vp::path::ResetCurrentDirectory();
}

std::vector<Drive> Drives() {
  State& s = TheState();
  std::lock_guard guard(s.lock);
  LoadLocked(s);
  return s.drives;
}

// Looked up in place: every path resolution asks, so the table is not copied for it.
std::optional<Drive> FindDrive(char letter) {
  char l = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  State& s = TheState();
  std::lock_guard guard(s.lock);
  LoadLocked(s);
  for (const Drive& d : s.drives)
    if (d.letter == l) return d;
  return std::nullopt;
}

std::string UserName() { return SanitisedUserName(); }

std::string ProfileFolder() { return "C:\\Users\\" + SanitisedUserName(); }

std::string RegistryFolder() { return Root() + "/registry"; }

std::string ObjectsFolder() { return Root() + "/objects"; }

bool UserIsAdministrator() {
  State& s = TheState();
  std::lock_guard guard(s.lock);
  LoadLocked(s);
  return s.admin;
}

}  // namespace vp::machine
