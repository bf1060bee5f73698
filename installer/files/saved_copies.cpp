#include "files/saved_copies.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <utility>
#include <vector>

#include "common/setup_log.h"
#include "files/folder_walk.h"
#include "files/tree_operations.h"
#include "platform/win.h"

namespace files {

namespace {

bool IsFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A generation's folder name is its number: "1", "2", ... Anything else is not a generation.
long GenerationNumber(const std::string& name) {
  if (name.empty() || name.size() > 9) return -1;
  for (char c : name)
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
  return std::stol(name);
}

// The generations in `folder`, oldest first, each as its number and its folder's name.
std::vector<std::pair<long, std::string>> GenerationsIn(const std::string& folder) {
  std::vector<std::pair<long, std::string>> generations;
  WalkFolder(folder, [&](const FolderEntry& entry) {
    long number = GenerationNumber(entry.name);
    if (entry.IsFolder() && !entry.IsLink() && number >= 0)
      generations.emplace_back(number, entry.name);
    return true;
  });
  std::sort(generations.begin(), generations.end());
  return generations;
}

// Creates the folders of `relative` (a path beginning with a backslash, ending with a file
// name) below `root`.
void CreateFoldersOf(const std::string& root, const std::string& relative) {
  for (size_t slash = relative.find('\\', 1); slash != std::string::npos;
       slash = relative.find('\\', slash + 1))
    CreateDirectoryA((root + relative.substr(0, slash)).c_str(), nullptr);
}

// The installer's own "~<name>.part", and "~vpcopy-*" of a host where CopyFileA writes beside
// its target. Only one installer runs at a time, so no copy is under way in these folders.
bool IsCopyLeftover(const std::string& name) {
  if (name.size() > 6 && name[0] == '~' && name.compare(name.size() - 5, 5, ".part") == 0)
    return true;
  return name.compare(0, 8, "~vpcopy-") == 0;
}

}  // namespace

CSavedCopies::CSavedCopies(std::string drive, std::string backupFolder, Purpose purpose)
    : m_drive(std::move(drive)), m_backupFolder(std::move(backupFolder)), m_purpose(purpose) {}

CSavedCopies::~CSavedCopies() {
  if (!m_generation.empty()) RemoveOldGenerations();
}

std::string GenerationsFolderOf(const std::string& drive, const std::string& backupFolder) {
  return drive + backupFolder + "-Generations";
}

std::string CSavedCopies::GenerationsFolder() const {
  return GenerationsFolderOf(m_drive, m_backupFolder);
}

CopyOutcome CSavedCopies::Save(const std::string& live, bool delivered,
                               const std::string& relative) {
  // What the install itself placed is no user data, whatever the saved copy holds.
  if (delivered || !IsFile(live)) return CopyOutcome::kNoSource;
  std::string saved = m_drive + m_backupFolder + relative;
  bool savedExists = IsFile(saved);
  if (savedExists && SameFileContent(live, saved)) return CopyOutcome::kNoSource;
  if (m_purpose == Purpose::kKeepAsVersion && savedExists) return KeepInGeneration(live, relative);
  // The saved copy is never replaced before its content is kept elsewhere.
  if (savedExists && KeepInGeneration(saved, relative) != CopyOutcome::kCopied)
    return CopyOutcome::kFailed;
  CreateDirectoryA((m_drive + m_backupFolder).c_str(), nullptr);
  CreateFoldersOf(m_drive + m_backupFolder, relative);
  CopyOutcome outcome = CopyIntoPlace(live, saved);
  SetupLog().Step("backup " + live + (outcome == CopyOutcome::kCopied ? " saved to " : " could not be saved to ") + saved);
  return outcome;
}

const std::string& CSavedCopies::ThisGeneration() {
  if (!m_generation.empty()) return m_generation;
  std::string folder = GenerationsFolder();
  CreateDirectoryA(folder.c_str(), nullptr);
  auto existing = GenerationsIn(folder);
  long next = existing.empty() ? 1 : existing.back().first + 1;
  // A number taken since the listing (another run) is skipped, never shared.
  // What an uninstall could not tell from the package's files is no replaced copy: it is kept
  // apart ("uninstall-<n>") and never counted among the generations that are removed.
  std::string prefix = m_purpose == Purpose::kKeepAsVersion ? "uninstall-" : "";
  for (int attempt = 0; attempt < 16; ++attempt, ++next) {
    std::string candidate = folder + "\\" + prefix + std::to_string(next);
    if (CreateDirectoryA(candidate.c_str(), nullptr)) return m_generation = candidate;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  return m_generation;
}

CopyOutcome CSavedCopies::KeepInGeneration(const std::string& source,
                                           const std::string& relative) {
  const std::string& generation = ThisGeneration();
  if (generation.empty()) return CopyOutcome::kFailed;
  CreateFoldersOf(generation, relative);
  CopyOutcome outcome = CopyIntoPlace(source, generation + relative);
  SetupLog().Step("backup " + source + (outcome == CopyOutcome::kCopied ? " kept as " : " could not be kept as ") +
                  generation + relative);
  return outcome;
}

void CSavedCopies::RemoveOldGenerations() {
  std::string folder = GenerationsFolder();
  auto generations = GenerationsIn(folder);
  size_t surplus =
      generations.size() > kGenerationsKept ? generations.size() - kGenerationsKept : 0;
  for (size_t i = 0; i < surplus; ++i) DeleteTree(folder + "\\" + generations[i].second);
}

void RemoveCopyLeftovers(const std::string& folder) {
  WalkFolder(folder, [](const FolderEntry& entry) {
    if (entry.IsLink()) {
      if (IsCopyLeftover(entry.name)) RemoveLink(entry.path, entry.attributes);
    } else if (entry.IsFolder()) {
      RemoveCopyLeftovers(entry.path);
    } else if (IsCopyLeftover(entry.name)) {
      DeleteFoundFile(entry);
    }
    return true;
  });
}

}  // namespace files
