// The names of the selected variant, held process-wide: one writer (SelectProductProfile, run
// by the dialog), read by every installer operation at the moment it runs.
#pragma once

#include <string>

struct ProductProfile {
  std::string RegistryKeyPath;
  std::string RegistryProductName;
  std::string DataFolderName;
  std::string DbFolderName;
  std::string DbFolderNameB;
  std::string DbFolderNameC;
  std::string CommonDbSubPath;
  std::string BackupDbFolderName;
  std::string SetupBaseName;
  std::string SetupExeName;
  std::string TerminalExeName;
  std::string TerminalName;
  std::string ProgramFolderName;
  std::string InstallerCaption;

  bool operator==(const ProductProfile&) const = default;
};

// The profile of the running installer; all fields empty until the dialog selects one.
extern ProductProfile g_profile;

// Sets every field for "VANTPLUS", "FO" or "CM" (compared case-sensitively); the caption gets
// the version appended. Any other text leaves the profile as it is.
void SelectProductProfile(const std::string& appType, const std::string& version);
