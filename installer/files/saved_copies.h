// The copies of the user's files that the installer keeps in a backup folder in the drive root.
// A saved copy holds the newest user data and is never replaced by what an install itself
// placed: a live file byte-identical to the package's copy of it is not user data. Before a
// saved copy is replaced, its previous content is kept as a generation in a folder beside the
// backup folder ("<backup>-Generations\<n>", laid out like the backup folder), so the backup
// folder's own layout stays as it always was. The three newest generations are kept.
#pragma once

#include <string>

#include "files/file_into_place.h"

namespace files {

class CSavedCopies {
 public:
  // What a Save does with a live file that is user data and differs from its saved copy.
  enum class Purpose {
    kBackup,         // the live file becomes the saved copy (an install, before it replaces it)
    kKeepAsVersion,  // a live file that differs from its saved copy goes to a generation of its
                     // own ("uninstall-<n>", never removed), the saved copy stays (an uninstall
                     // that cannot tell the package's files from the user's)
  };

  // `drive` is a drive root ("X:\"), `backupFolder` a folder name in it.
  CSavedCopies(std::string drive, std::string backupFolder, Purpose purpose = Purpose::kBackup);
  CSavedCopies(const CSavedCopies&) = delete;
  CSavedCopies& operator=(const CSavedCopies&) = delete;
  // Removes the generations beyond the three newest.
  ~CSavedCopies();

  // Saves `live` as the backup folder's `relative` (beginning with a backslash). Nothing is
  // written when `live` is missing, is what the setup package delivers (`delivered`), or holds
  // the saved copy's bytes. kFailed when user data could not be saved; the saved copy is then
  // as before.
  CopyOutcome Save(const std::string& live, bool delivered, const std::string& relative);

  // The folder of the generations: drive + backup folder + "-Generations".
  std::string GenerationsFolder() const;
  static constexpr int kGenerationsKept = 3;

 private:
  // The folder of this run's generation, made on first use; empty when it cannot be made.
  const std::string& ThisGeneration();
  // Copies `source` to `relative` below this run's generation, making the folders on the way.
  CopyOutcome KeepInGeneration(const std::string& source, const std::string& relative);
  void RemoveOldGenerations();

  std::string m_drive, m_backupFolder;
  Purpose m_purpose;
  std::string m_generation;
};

// The folder of the generations of drive + `backupFolder`: that folder's name + "-Generations".
std::string GenerationsFolderOf(const std::string& drive, const std::string& backupFolder);

// Deletes, in `folder` and below, the temporary files a copy leaves behind when it is cut short
// (a killed install); a run calls it for the folders it writes.
void RemoveCopyLeftovers(const std::string& folder);

}  // namespace files
