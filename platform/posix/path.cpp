// "X:\a\b" <-> host paths. Names are matched case-insensitively and keep the case they have
// on disk: the exact name is tried first; only on a miss is the folder's listing consulted,
// and that listing is cached per folder until the folder changes.
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "internal.h"

namespace vp::path {
namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Folded(const std::string& name) {
  std::string out = name;
  for (char& c : out) c = Fold(c);
  return out;
}

bool InvalidNameChar(unsigned char c) {
  return c < 32 || std::strchr("<>:\"|?*", c) != nullptr;
}

// --- Cached folder listings --------------------------------------------------------------

struct Listing {
  dev_t dev = 0;
  ino_t ino = 0;
  struct timespec mtime {};
  // A listing taken in the same clock tick as the folder's last change may miss a change made
  // right after it with an equal time stamp; such a listing is used only when it finds a name.
  bool settled = false;
  std::unordered_map<std::string, std::string> byFoldedName;  // folded -> name on disk
};

std::mutex g_cacheLock;
std::unordered_map<std::string, Listing> g_listings;

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool Scan(const std::string& folder, const struct stat& st, Listing& out) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  out = Listing{};
  out.dev = st.st_dev;
  out.ino = st.st_ino;
  out.mtime = st.st_mtim;
  while (const dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    auto [it, inserted] = out.byFoldedName.emplace(Folded(name), name);
    // Two names that differ only in case: the smaller in byte order wins, every time.
    if (!inserted && name < it->second) it->second = name;
  }
  closedir(dir);
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  long long ageNs = (now.tv_sec - st.st_mtim.tv_sec) * 1000000000LL + (now.tv_nsec - st.st_mtim.tv_nsec);
  out.settled = ageNs > 50'000'000LL;
  return true;
}

// The on-disk name in `folder` that equals `name` ignoring case, or empty. `known` is the
// folder's stat when the caller has just taken it.
std::string FindCaseVariant(const std::string& folder, const std::string& name, const struct stat* known) {
  struct stat st;
  if (known && S_ISDIR(known->st_mode)) st = *known;
  else if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
  std::string key = Folded(name);
  std::lock_guard guard(g_cacheLock);
  Listing& listing = g_listings[folder];
  bool current = listing.dev == st.st_dev && listing.ino == st.st_ino && SameTime(listing.mtime, st.st_mtim);
  if (current) {
    auto it = listing.byFoldedName.find(key);
    if (it != listing.byFoldedName.end()) return it->second;
    if (listing.settled) return {};
  }
  if (!Scan(folder, st, listing)) {
    g_listings.erase(folder);
    return {};
  }
  auto it = listing.byFoldedName.find(key);
  return it == listing.byFoldedName.end() ? std::string() : it->second;
}

// --- Current directory ---------------------------------------------------------------------

std::mutex g_cwdLock;
std::string g_cwd;  // empty: take the host's

std::string HostCurrentDirectory() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string("/");
}

std::vector<std::string> SplitComponents(const std::string& rest) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : rest) {
    if (c == '\\') {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  parts.push_back(current);
  return parts;
}

}  // namespace

void ForgetCachedFolders() {
  std::lock_guard guard(g_cacheLock);
  g_listings.clear();
}

void ResetCurrentDirectory() {
  std::lock_guard guard(g_cwdLock);
  g_cwd.clear();
}

bool NamesEqual(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

std::string CurrentDirectory() {
  std::lock_guard guard(g_cwdLock);
  if (g_cwd.empty()) g_cwd = FromHost(HostCurrentDirectory());
  return g_cwd;
}

bool SetCurrentDirectory(const std::string& windowsPath, DWORD* error) {
  auto resolved = ToHost(windowsPath, Need::Existing, error);
  if (!resolved) return false;
  struct stat st;
  if (stat(resolved->host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    *error = ERROR_DIRECTORY;
    return false;
  }
  if (chdir(resolved->host.c_str()) != 0) {
    *error = vp::posix::ErrorFromErrno(errno);
    return false;
  }
  std::lock_guard guard(g_cwdLock);
  g_cwd = resolved->windows;
  return true;
}

std::string FullWindowsPath(const std::string& input, DWORD* error) {
  *error = ERROR_SUCCESS;
  std::string path = input;
  for (char& c : path)
    if (c == '/') c = '\\';
  if (path.empty()) {
    *error = ERROR_PATH_NOT_FOUND;
    return {};
  }
  if (path.rfind("\\\\?\\", 0) == 0) path = path.substr(4);
  if (path.rfind("\\\\", 0) == 0) {  // no network shares on this machine
    *error = ERROR_BAD_NETPATH;
    return {};
  }

  std::string cwd = CurrentDirectory();
  char drive;
  std::string rest;
  bool driveGiven = path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
  if (driveGiven) {
    drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    rest = path.substr(2);
    if (rest.empty() || rest[0] != '\\') {  // "X:name": relative to that drive's directory
      std::string base = (std::toupper(static_cast<unsigned char>(cwd[0])) == drive) ? cwd.substr(2) : "";
      rest = base + "\\" + rest;
    }
  } else {
    drive = cwd[0];
    rest = path[0] == '\\' ? path : cwd.substr(2) + "\\" + path;
  }

  std::vector<std::string> folded;
  for (std::string part : SplitComponents(rest)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!folded.empty()) folded.pop_back();
      continue;
    }
    // Windows ignores trailing dots and blanks of a name.
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (part.empty()) continue;
    folded.push_back(part);
  }
  std::string full(1, drive);
  full += ":\\";
  for (size_t i = 0; i < folded.size(); ++i) {
    if (i) full += '\\';
    full += folded[i];
  }
  return full;
}

std::optional<Resolved> ToHost(const std::string& windowsPath, Need need, DWORD* error) {
  for (char c : windowsPath) {
    // '*' and '?' are wildcards, never names; ':' only after the drive letter.
    if (c != ':' && c != '\\' && c != '/' && InvalidNameChar(static_cast<unsigned char>(c))) {
      *error = ERROR_INVALID_NAME;
      return std::nullopt;
    }
  }
  std::string full = FullWindowsPath(windowsPath, error);
  if (full.empty()) return std::nullopt;
  if (full.find(':', 2) != std::string::npos) {
    *error = ERROR_INVALID_NAME;
    return std::nullopt;
  }
  if (full.size() >= MAX_PATH) {
    *error = ERROR_FILENAME_EXCED_RANGE;
    return std::nullopt;
  }
  auto drive = vp::machine::FindDrive(full[0]);
  if (!drive) {
    *error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }

  std::vector<std::string> parts;
  if (full.size() > 3) parts = SplitComponents(full.substr(3));
  std::string base = drive->hostFolder == "/" ? "" : drive->hostFolder;

  Resolved out;
  // Fast path: every name as given exists.
  std::string direct = base;
  for (const std::string& p : parts) {
    direct += '/';
    direct += p;
  }
  if (direct.empty()) direct.push_back('/');
  if (direct.size() >= PATH_MAX) {
    *error = ERROR_FILENAME_EXCED_RANGE;
    return std::nullopt;
  }
  struct stat st;
  if (lstat(direct.c_str(), &st) == 0) {
    out.windows = full;
    out.host = direct;
    out.exists = true;
    out.linkStat = st;
    return out;
  }

  struct stat driveFolder;  // a drive whose folder is gone is a drive without a disk
  if (stat(drive->hostFolder.c_str(), &driveFolder) != 0 || !S_ISDIR(driveFolder.st_mode)) {
    *error = ERROR_NOT_READY;
    return std::nullopt;
  }
  if (parts.empty()) {  // the drive's own folder is missing
    *error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  std::string host = base;
  std::string windows = full.substr(0, 3);
  bool haveFolderStat = false;  // st holds the stat of the folder `host` from the last step
  for (size_t i = 0; i < parts.size(); ++i) {
    bool last = i + 1 == parts.size();
    std::string folder = host.empty() ? "/" : host;
    std::string candidate = host + "/" + parts[i];
    std::string name = parts[i];
    struct stat folderStat = st;
    if (lstat(candidate.c_str(), &st) != 0) {
      name = FindCaseVariant(folder, parts[i], haveFolderStat ? &folderStat : nullptr);
      if (!name.empty() && lstat((host + "/" + name).c_str(), &st) != 0) name.clear();
      if (name.empty()) {
        if (!last) {
          *error = ERROR_PATH_NOT_FOUND;
          return std::nullopt;
        }
        if (need == Need::Existing) {
          *error = ERROR_FILE_NOT_FOUND;
          return std::nullopt;
        }
        out.windows = windows + parts[i];
        out.host = candidate;
        out.exists = false;
        return out;
      }
      candidate = host + "/" + name;
    }
    if (!last && !S_ISDIR(st.st_mode)) {  // only a link needs a second look at its target
      struct stat target;
      if (!S_ISLNK(st.st_mode) || stat(candidate.c_str(), &target) != 0 || !S_ISDIR(target.st_mode)) {
        *error = ERROR_PATH_NOT_FOUND;
        return std::nullopt;
      }
    }
    host = candidate;
    haveFolderStat = S_ISDIR(st.st_mode);
    windows += name;
    if (!last) windows += '\\';
  }
  out.windows = windows;
  out.host = host.empty() ? "/" : host;
  out.exists = true;
  out.linkStat = st;
  return out;
}

std::string FromHost(const std::string& hostPath) {
  const vp::machine::Drive* best = nullptr;
  auto drives = vp::machine::Drives();
  for (const auto& d : drives) {
    if (d.hostFolder == "/") continue;
    bool inside = hostPath == d.hostFolder ||
                  (hostPath.size() > d.hostFolder.size() && hostPath.compare(0, d.hostFolder.size(), d.hostFolder) == 0 &&
                   hostPath[d.hostFolder.size()] == '/');
    if (inside && (!best || d.hostFolder.size() > best->hostFolder.size())) best = &d;
  }
  std::string rest = best ? hostPath.substr(best->hostFolder.size()) : hostPath;
  std::string out(1, best ? best->letter : 'Z');
  out += ":";
  for (char c : rest) out += (c == '/') ? '\\' : c;
  while (out.size() > 3 && out.back() == '\\') out.pop_back();
  if (out.size() == 2) out += '\\';
  return out;
}

}  // namespace vp::path
