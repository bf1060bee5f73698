// "X:\a\b" <-> host paths. Names are matched case-insensitively and keep the case they have
// on disk: the exact name is tried first; only on a miss is the folder's cached listing
// consulted (folder_listings.cpp).
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "core/internal.h"

namespace vp::path {
namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool InvalidNameChar(unsigned char c) {
  return c < 32 || std::strchr("<>:\"|?*", c) != nullptr;
}

// --- Folders found in another letter case ---------------------------------------------------

// A folder whose path was given in another case than it has on disk: remembered, so the next
// path into it does not walk from the drive's root again. It holds while the folder is still
// at that host path (same identity) and no watched folder has gained a case variant since.
struct RememberedPath {
  std::string host;
  std::string windows;  // as on disk, with a trailing backslash
  dev_t dev;
  ino_t ino;
  unsigned long generation;
};

constexpr size_t kMostRememberedFolders = 4096;
std::mutex g_rememberedLock;
std::unordered_map<std::string, RememberedPath> g_remembered;  // folded Windows path -> folder

std::optional<RememberedPath> RememberedFolder(const std::string& foldedWindows) {
  std::lock_guard guard(g_rememberedLock);
  auto it = g_remembered.find(foldedWindows);
  if (it == g_remembered.end()) return std::nullopt;
  if (it->second.generation != CaseVariantGeneration()) {
    g_remembered.erase(it);
    return std::nullopt;
  }
  return it->second;
}

void RememberFolder(const std::string& foldedWindows, RememberedPath path) {
  std::lock_guard guard(g_rememberedLock);
  if (g_remembered.size() >= kMostRememberedFolders) g_remembered.clear();
  g_remembered[foldedWindows] = std::move(path);
}

// The host folder in which this thread last found a name missing.
thread_local std::string t_missedIn;

// The last name of a path in its folder `parent` (a host path), when the folder's watched
// listing can say without looking the name up: nullopt when it cannot.
std::optional<std::optional<Resolved>> MissingNameFromListing(const std::string& parent, const std::string& name,
                                                              const std::string& full, Need need, DWORD* error,
                                                              Resolved* out) {
  struct stat folder;
  const char* folderPath = parent.empty() ? "/" : parent.c_str();
  if (lstat(folderPath, &folder) != 0 || !S_ISDIR(folder.st_mode)) return std::nullopt;
  CaseMatch match = FindCaseVariant(folderPath, name, &folder);
  if (!match.watched) return std::nullopt;
  if (!match.name.empty()) {  // there now: resolved the usual way, from now on too
    t_missedIn.clear();
    return std::nullopt;
  }
  if (need == Need::Existing) {
    *error = ERROR_FILE_NOT_FOUND;
    return std::optional<Resolved>();
  }
  out->windows = full;
  out->host = parent + "/" + name;
  out->exists = false;
  return std::optional<Resolved>(*out);
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
  // The long-path prefix "\\?\" is no name (FullWindowsPath drops it).
  size_t names = windowsPath.rfind("\\\\?\\", 0) == 0 ? 4 : 0;
  for (char c : windowsPath.substr(names)) {
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

  std::vector<std::string> parts, hostParts;
  if (full.size() > 3) parts = SplitComponents(full.substr(3));
  for (const std::string& p : parts) hostParts.push_back(HostNameOf(p));
  std::string base = drive->hostFolder == "/" ? "" : drive->hostFolder;

  Resolved out;
  // Fast path: every name as given exists.
  std::string direct = base;
  for (const std::string& p : hostParts) {
    direct += '/';
    direct += p;
  }
  if (direct.empty()) direct.push_back('/');
  if (direct.size() >= PATH_MAX) {
    *error = ERROR_FILENAME_EXCED_RANGE;
    return std::nullopt;
  }
  struct stat st;
  // A folder in which a name was just found missing is asked first: the next path into it is
  // most often that name again (about to be created) or the next one to be created.
  std::string parent = parts.empty() ? std::string() : direct.substr(0, direct.size() - hostParts.back().size() - 1);
  if (!parts.empty() && parent == t_missedIn) {
    if (auto known = MissingNameFromListing(parent, hostParts.back(), full, need, error, &out)) return *known;
  }
  if (lstat(direct.c_str(), &st) == 0) {
    out.windows = full;
    out.host = direct;
    out.exists = true;
    out.linkStat = st;
    return out;
  }
  // A drive whose folder is gone is a drive without a disk. Asked only once the path as given
  // is not there, and its folder is not either, so creating a file costs no extra call.
  auto driveFolderMissing = [&] {
    struct stat driveFolder;
    return stat(drive->hostFolder.c_str(), &driveFolder) != 0 || !S_ISDIR(driveFolder.st_mode);
  };
  if (parts.empty()) {  // the drive's own folder is missing
    *error = driveFolderMissing() ? ERROR_NOT_READY : ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  int missing = errno;
  const std::string& lastPart = hostParts.back();
  std::string windowsParent = full.substr(0, full.size() - parts.back().size());

  // The last name in its folder, the folder known: found in any case, or creatable.
  auto lastIn = [&](const std::string& folderHost, const struct stat& folderStat, const std::string& folderWindows,
                    bool exactTried) -> std::optional<Resolved> {
    CaseMatch match = FindCaseVariant(folderHost.empty() ? "/" : folderHost, lastPart, &folderStat);
    // A listing not kept current may miss the name as given.
    if (!exactTried && !match.watched && lstat((folderHost + "/" + lastPart).c_str(), &st) == 0) match.name = lastPart;
    if (!match.name.empty() && lstat((folderHost + "/" + match.name).c_str(), &st) == 0) {
      out.windows = folderWindows + WindowsNameOf(match.name);
      out.host = folderHost + "/" + match.name;
      out.exists = true;
      out.linkStat = st;
      return out;
    }
    t_missedIn = folderHost;
    if (need == Need::Existing) {
      *error = ERROR_FILE_NOT_FOUND;
      return std::nullopt;
    }
    out.windows = folderWindows + parts.back();
    out.host = folderHost + "/" + lastPart;
    out.exists = false;
    return out;
  };

  // Next fastest: the folder exists as given and only the last name is missing or in another
  // case (a file about to be created, or looked up in another case).
  struct stat parentStat;
  bool parentMissing = false;
  if (missing == ENOENT) {
    if (lstat(parent.empty() ? "/" : parent.c_str(), &parentStat) != 0) {
      parentMissing = true;
    } else if (S_ISDIR(parentStat.st_mode) ||
               (S_ISLNK(parentStat.st_mode) && stat(parent.c_str(), &parentStat) == 0 && S_ISDIR(parentStat.st_mode))) {
      return lastIn(parent, parentStat, windowsParent, true);
    }
  }
  if (driveFolderMissing()) {
    *error = ERROR_NOT_READY;
    return std::nullopt;
  }
  // Then a folder that was found in another case before and is still there.
  std::string parentKey = Folded(windowsParent);
  if (parentMissing) {
    if (auto known = RememberedFolder(parentKey)) {
      if (lstat(known->host.c_str(), &parentStat) == 0 && S_ISDIR(parentStat.st_mode) &&
          parentStat.st_dev == known->dev && parentStat.st_ino == known->ino) {
        auto found = lastIn(known->host, parentStat, known->windows, false);
        // Checked after the lookup, which has applied every change made so far.
        if (CaseVariantGeneration() == known->generation) return found;
      }
    }
  }

  // Name by name, each in the case it has on disk.
  std::string host = base;
  std::string windows = full.substr(0, 3);
  bool haveFolderStat = false;  // st holds the stat of the folder `host` from the last step
  bool allWatched = true;       // every name found in another case came from a watched listing
  unsigned long generation = CaseVariantGeneration();
  for (size_t i = 0; i < parts.size(); ++i) {
    bool last = i + 1 == parts.size();
    if (last && haveFolderStat) {
      if (allWatched && windows != windowsParent)
        RememberFolder(parentKey, {host, windows, st.st_dev, st.st_ino, generation});
      struct stat folderStat = st;
      return lastIn(host, folderStat, windows, false);
    }
    std::string folder = host.empty() ? "/" : host;
    std::string candidate = host + "/" + hostParts[i];
    std::string name = parts[i];
    struct stat folderStat = st;
    bool knownMissing = parentMissing && i + 2 == parts.size();  // the parent, looked at above
    if (knownMissing || lstat(candidate.c_str(), &st) != 0) {
      CaseMatch match = FindCaseVariant(folder, hostParts[i], haveFolderStat ? &folderStat : nullptr);
      allWatched = allWatched && match.watched;
      if (!match.name.empty() && lstat((host + "/" + match.name).c_str(), &st) != 0) match.name.clear();
      if (match.name.empty()) {
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
      candidate = host + "/" + match.name;
      name = WindowsNameOf(match.name);
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
  // Each name as programs see it.
  for (size_t at = 0; at < rest.size();) {
    size_t slash = rest.find('/', at);
    if (slash == std::string::npos) slash = rest.size();
    out += WindowsNameOf(rest.substr(at, slash - at));
    if (slash < rest.size()) out += '\\';
    at = slash + 1;
  }
  while (out.size() > 3 && out.back() == '\\') out.pop_back();
  if (out.size() == 2) out += '\\';
  return out;
}

}  // namespace vp::path
