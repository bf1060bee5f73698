#include "staging/install_transaction.h"

#include <algorithm>

#include "common/setup_log.h"
#include "files/file_into_place.h"
#include "files/folder_walk.h"
#include "files/tree_operations.h"
#include "staging/text_file.h"

namespace staging {

namespace {

constexpr const char* kJournalName = "\\journal";
constexpr const char* kRegistryFile = "registry";

CInstallTransaction* g_active = nullptr;

std::string MWBackupOf(const std::string& folder) { return folder + "\\MWBackup"; }

bool Move(const std::string& from, const std::string& to) {
  if (MoveFileA(from.c_str(), to.c_str())) return true;
  SetupLog().Step("could not move " + from + " to " + to + " (error " +
                  std::to_string(GetLastError()) + ")");
  return false;
}

// What a journal says, read back.
struct Plan {
  std::string drive;
  bool registrySaved = false;
  struct Link {
    std::string path, saved;  // saved empty: the link was missing
  };
  std::vector<Link> links;
  std::vector<std::string> linkFolders;
  std::vector<SwitchedFolder> folders;
  std::vector<std::string> movesMWBackup;  // finals whose user MWBackup moves at the switch
  enum State { kPreparing, kSwitching, kSwitched } state = kPreparing;

  bool Moves(const SwitchedFolder& f) const {
    return std::find(movesMWBackup.begin(), movesMWBackup.end(), f.final) != movesMWBackup.end();
  }
};

Plan ReadPlan(const std::vector<Record>& records) {
  Plan plan;
  for (const Record& r : records) {
    const std::string& kind = r[0];
    if (kind == "drive" && r.size() == 2) plan.drive = r[1];
    else if (kind == "registry") plan.registrySaved = true;
    else if (kind == "link" && r.size() >= 3) plan.links.push_back({r[1], r.size() == 4 ? r[3] : ""});
    else if (kind == "linkfolder" && r.size() == 2) plan.linkFolders.push_back(r[1]);
    else if (kind == "folder" && r.size() == 3) plan.folders.push_back({r[1], r[2] == "1"});
    else if (kind == "mwbackup" && r.size() == 2) plan.movesMWBackup.push_back(r[1]);
    else if (kind == "switch") plan.state = Plan::kSwitching;
    else if (kind == "unswitch") plan.state = Plan::kPreparing;
    else if (kind == "switched") plan.state = Plan::kSwitched;
  }
  return plan;
}

// The three moves of the switch, each done only when the disk shows it still due, so that a
// switch cut off anywhere is finished by running them again. The old folder is the final one
// until it has been moved aside.
std::string OldFolder(const SwitchedFolder& f) {
  return files::PathExists(f.Aside()) ? f.Aside() : f.final;
}
bool MoveMWBackupIn(const SwitchedFolder& f) {
  std::string mine = MWBackupOf(OldFolder(f));
  if (!files::PathExists(f.Staged()) || files::PathExists(MWBackupOf(f.Staged())) ||
      !files::PathExists(mine))
    return true;
  return Move(mine, MWBackupOf(f.Staged()));
}
bool MoveOldAside(const SwitchedFolder& f) {
  if (!files::PathExists(f.Staged()) || !files::PathExists(f.final) || files::PathExists(f.Aside()))
    return true;
  return Move(f.final, f.Aside());
}
bool MoveStagedIn(const SwitchedFolder& f) {
  if (!files::PathExists(f.Staged()) || files::PathExists(f.final)) return true;
  return Move(f.Staged(), f.final);
}

// The moves of the switch undone, last first; each only when the disk shows it done.
bool UndoFolder(const SwitchedFolder& f, bool movesMWBackup) {
  bool undone = true;
  if (!files::PathExists(f.Staged()) && files::PathExists(f.final))
    undone = Move(f.final, f.Staged()) && undone;
  if (files::PathExists(f.Aside()) && !files::PathExists(f.final))
    undone = Move(f.Aside(), f.final) && undone;
  // The package's MWBackup left the staged folder before the switch: one there is the user's.
  if (movesMWBackup && files::PathExists(MWBackupOf(f.Staged())) && files::PathExists(f.final) &&
      !files::PathExists(MWBackupOf(f.final)))
    undone = Move(MWBackupOf(f.Staged()), MWBackupOf(f.final)) && undone;
  return undone;
}

// Folder by folder, so that each final name is missing for one rename at most; the user's
// MWBackup moves first, while the old folder still has its name.
bool SwitchFolders(const Plan& plan) {
  for (const SwitchedFolder& f : plan.folders)
    if ((plan.Moves(f) && !MoveMWBackupIn(f)) || !MoveOldAside(f) || !MoveStagedIn(f)) return false;
  return true;
}

bool UndoSwitch(const Plan& plan) {
  bool undone = true;
  for (auto f = plan.folders.rbegin(); f != plan.folders.rend(); ++f)
    undone = UndoFolder(*f, plan.Moves(*f)) && undone;
  return undone;
}

// Puts back what the install changed before the switch and removes what it staged.
bool UndoPreparation(const Plan& plan, const std::string& folder) {
  bool undone = true;
  for (const SwitchedFolder& f : plan.folders)
    if (!DeleteTree(f.Staged())) undone = false;
  if (plan.registrySaved && !RestoreRegistryTrees(folder + "\\" + kRegistryFile)) {
    SetupLog().Step("the registry could not be put back as it was before the install");
    undone = false;
  }
  for (auto link = plan.links.rbegin(); link != plan.links.rend(); ++link) {
    if (link->saved.empty()) {
      if (files::PathExists(link->path) && !DeleteFileA(link->path.c_str())) undone = false;
    } else if (files::CopyIntoPlace(folder + "\\" + link->saved, link->path) !=
               files::CopyOutcome::kCopied) {
      undone = false;
    }
  }
  for (auto made = plan.linkFolders.rbegin(); made != plan.linkFolders.rend(); ++made)
    RemoveDirectoryA(made->c_str());  // only when empty: anything the user put there stays
  return undone;
}

bool RemoveAsideFolders(const Plan& plan) {
  bool removed = true;
  for (const SwitchedFolder& f : plan.folders)
    if (!DeleteTree(f.Aside())) removed = false;
  return removed;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && files::EqualsNoCase(text.substr(text.size() - end.size()), end);
}

}  // namespace

std::string TransactionFolder(const std::string& drive, const std::string& setupBaseName) {
  return drive + setupBaseName + ".~vpinstall";
}

void BeforeLinkChange(const std::string& linkPath) {
  if (g_active) g_active->NoteLinkChange(linkPath);
}

void BeforeLinkFolderMade(const std::string& folder) {
  if (g_active) g_active->NoteFolderMade(folder);
}

CInstallTransaction::~CInstallTransaction() {
  if (g_active == this) g_active = nullptr;
}

bool CInstallTransaction::Record(const staging::Record& record) { return m_journal.Append(record); }

bool CInstallTransaction::Begin(const std::string& folder, const std::string& drive) {
  m_folder = folder;
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  if (!m_journal.Open(folder + kJournalName) || !Record({"drive", drive})) {
    DWORD error = GetLastError();
    m_journal.Close();
    DeleteTree(folder);
    SetLastError(error);
    return false;
  }
  g_active = this;
  return true;
}

bool CInstallTransaction::SaveRegistry(const std::vector<RegistryTree>& trees) {
  return SaveRegistryTrees(trees, m_folder + "\\" + kRegistryFile) && Record({"registry", kRegistryFile});
}

bool CInstallTransaction::NoteLinkChange(const std::string& linkPath) {
  if (std::find(m_notedLinks.begin(), m_notedLinks.end(), linkPath) != m_notedLinks.end()) return true;
  bool noted;
  if (files::PathExists(linkPath)) {
    std::string saved = "link-" + std::to_string(++m_savedLinks) + ".lnk";
    noted = CopyFileA(linkPath.c_str(), (m_folder + "\\" + saved).c_str(), FALSE) &&
            Record({"link", linkPath, "saved", saved});
  } else {
    noted = Record({"link", linkPath, "absent"});
  }
  if (noted) m_notedLinks.push_back(linkPath);
  return noted;
}

bool CInstallTransaction::NoteFolderMade(const std::string& folder) {
  return Record({"linkfolder", folder});
}

bool CInstallTransaction::StageFolder(const SwitchedFolder& folder) {
  // Left by a run that no journal speaks for any more: no one's data.
  if (!DeleteTree(folder.Staged()) || !DeleteTree(folder.Aside())) return false;
  if (!Record({"folder", folder.final, folder.keepsMWBackup ? "1" : "0"})) return false;
  m_folders.push_back(folder);
  return CreateDirectoryA(folder.Staged().c_str(), nullptr) != FALSE;
}

bool CInstallTransaction::IsStaged(const std::string& final) const {
  return std::any_of(m_folders.begin(), m_folders.end(),
                     [&](const SwitchedFolder& f) { return files::EqualsNoCase(f.final, final); });
}

bool CInstallTransaction::Switch() {
  Plan plan;
  plan.folders = m_folders;
  // The user's MWBackup takes the place of any the package brings.
  for (const SwitchedFolder& f : m_folders) {
    if (!f.keepsMWBackup || !files::PathExists(MWBackupOf(f.final))) continue;
    if (!DeleteTree(MWBackupOf(f.Staged())) || !Record({"mwbackup", f.final})) return false;
    plan.movesMWBackup.push_back(f.final);
  }
  if (!Record({"switch"})) return false;
  if (SwitchFolders(plan)) return true;
  DWORD error = GetLastError();
  // Back to the state before the switch, told to the journal so that a later run undoes the
  // install rather than finishing it.
  if (UndoSwitch(plan)) Record({"unswitch"});
  SetLastError(error);
  return false;
}

bool CInstallTransaction::Finish() {
  Plan plan;
  plan.folders = m_folders;
  Record({"switched"});
  bool removed = RemoveAsideFolders(plan);
  m_journal.Close();
  DeleteTree(m_folder);
  if (g_active == this) g_active = nullptr;
  return removed;
}

bool CInstallTransaction::RollBack() {
  std::vector<staging::Record> records = m_journal.ReadRecords();
  bool undone = UndoPreparation(ReadPlan(records), m_folder);
  m_journal.Close();
  if (undone) DeleteTree(m_folder);
  if (g_active == this) g_active = nullptr;
  return undone;
}

namespace {

Recovery RecoverOne(const std::string& folder) {
  CInstallJournal journal;
  if (!journal.Open(folder + kJournalName)) {
    if (GetLastError() == ERROR_SHARING_VIOLATION) return Recovery::kBusy;
    return DeleteTree(folder) ? Recovery::kNothing : Recovery::kFailed;
  }
  Plan plan = ReadPlan(journal.ReadRecords());
  Recovery outcome = Recovery::kRolledBack;
  if (plan.state == Plan::kSwitching) {
    if (SwitchFolders(plan)) {
      journal.Append({"switched"});
      plan.state = Plan::kSwitched;
    } else if (UndoSwitch(plan)) {
      journal.Append({"unswitch"});
      plan.state = Plan::kPreparing;
    } else {
      SetupLog().Step("an install cut off in " + folder + " could be neither finished nor undone");
      return Recovery::kFailed;
    }
  }
  if (plan.state == Plan::kSwitched) {
    RemoveAsideFolders(plan);
    outcome = Recovery::kFinished;
  } else {
    // Registry or links that cannot be put back now are not worth a broken start later: the
    // files are the previous installation's either way.
    UndoPreparation(plan, folder);
  }
  SetupLog().Step(std::string("an install cut off in ") + folder +
                  (outcome == Recovery::kFinished ? " was finished" : " was undone"));
  journal.Close();
  DeleteTree(folder);
  return outcome;
}

}  // namespace

namespace {
int Severity(Recovery r) {
  return r == Recovery::kFailed ? 3 : r == Recovery::kBusy ? 2 : r == Recovery::kNothing ? 0 : 1;
}
}  // namespace

Recovery RecoverInterruptedInstallsOnFixedDrives() {
  Recovery worst = Recovery::kNothing;
  DWORD drives = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    std::string root = std::string(1, static_cast<char>('A' + i)) + ":\\";
    if (!(drives & (1u << i)) || GetDriveTypeA(root.c_str()) != DRIVE_FIXED) continue;
    Recovery r = RecoverInterruptedInstalls(root);
    if (Severity(r) >= Severity(worst)) worst = r;
  }
  return worst;
}

Recovery RecoverInterruptedInstalls(const std::string& drive) {
  // The worst outcome counts: a failure, then an install running now, then any recovery.
  Recovery worst = Recovery::kNothing;
  auto note = [&](Recovery r) {
    if (Severity(r) >= Severity(worst)) worst = r;
  };
  std::string root = !drive.empty() && drive.back() == '\\' ? drive.substr(0, drive.size() - 1) : drive;
  std::vector<std::string> transactions, leftovers;
  files::WalkFolder(root, [&](const files::FolderEntry& entry) {
    if (!entry.IsFolder() || entry.IsLink()) return true;
    if (EndsWith(entry.name, ".~vpinstall")) transactions.push_back(entry.path);
    else if (EndsWith(entry.name, ".~vpnew") || EndsWith(entry.name, ".~vpold")) leftovers.push_back(entry.path);
    return true;
  });
  for (const std::string& t : transactions) note(RecoverOne(t));
  // Staged or old folders that no install owns any more (their journal is gone): removed,
  // unless some install on the drive still runs and may own them.
  if (worst == Recovery::kBusy || worst == Recovery::kFailed) return worst;
  for (const std::string& folder : leftovers)
    if (files::PathExists(folder)) DeleteTree(folder);
  return worst;
}

}  // namespace staging
