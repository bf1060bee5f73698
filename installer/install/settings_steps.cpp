#include "install/settings_steps.h"

#include <cstdint>
#include <limits>

#include "shell/product_profile.h"

namespace {

constexpr const char* kApplicationSettings = "Application Settings";
constexpr const char* kUserSettings = "User Settings";
// The version the settings migration from HKLM to HKCU belongs to.
constexpr const char* kMigrationVersion = "7.0.0";

}  // namespace

std::string ReadEarlierFoRetentionDrive(CRegistry& w) {
  return w.ReadString(HKEY_CURRENT_USER, g_profile.RegistryKeyPath.c_str(), kApplicationSettings,
                      "DBRetentionDrive_FO", "A");
}

void WriteVersionAndBackupDrive(CRegistry& w, const std::string& driveLetter) {
  w.WriteString("Version", kSettingsVersion);
  w.WriteString("BackUPDrive", driveLetter.c_str());
}

bool WriteInstalledDrive(CRegistry& w, const std::string& driveLetter) {
  const char* path = g_profile.RegistryKeyPath.c_str();
  if (!w.Open(HKEY_CURRENT_USER, path, kApplicationSettings, FALSE) &&
      !w.Open(HKEY_CURRENT_USER, path, kApplicationSettings, TRUE))
    return false;
  return w.WriteString("InstalledDrive", driveLetter.c_str()) != FALSE;
}

void WriteCmRetentionDrive(CRegistry& w, const std::string& driveLetter) {
  w.WriteString("DBRetentionDrive", driveLetter.c_str());
}

void WriteFoRetentionDrive(CRegistry& w, bool foUsersFound, const std::string& driveLetter,
                           const std::string& earlierFoDrive) {
  std::string value = foUsersFound ? driveLetter : earlierFoDrive.substr(0, 1);
  w.WriteString("DBRetentionDrive_FO", value.c_str());
}

void RemoveStoredToolButtons(CRegistry& w) {
  if (!w.Open(HKEY_CURRENT_USER, g_profile.RegistryKeyPath.c_str(), kUserSettings, FALSE)) return;
  std::string name;
  while (w.EnumNextSubKey(name)) DeleteValueInSubKeys(name, "ToolButtons");
}

void StampMachineVersion() {
  CRegistry machine;
  if (machine.Open(HKEY_LOCAL_MACHINE, g_profile.RegistryKeyPath.c_str(), kApplicationSettings,
                   FALSE))
    machine.WriteString("Version", kSettingsVersion);
}

void DeleteValueInSubKeys(const std::string& subPath, const std::string& valueName) {
  std::string base = g_profile.RegistryKeyPath + "\\" + kUserSettings;
  CRegistry parent;
  if (!parent.Open(HKEY_CURRENT_USER, base.c_str(), subPath.c_str(), FALSE)) return;
  std::string parentPath = base + "\\" + subPath;
  std::string name;
  // Deleting values leaves the subkeys in place, so the walk by position stays valid.
  while (parent.EnumNextSubKey(name)) {
    CRegistry child;
    if (child.Open(HKEY_CURRENT_USER, parentPath.c_str(), name.c_str(), FALSE)) {
      child.DeleteValue(valueName.c_str());
      child.Close();
    }
  }
  parent.Close();
}

std::string StripNonDigits(const std::string& text) {
  std::string digits;
  for (char c : text)
    if (c >= '0' && c <= '9') digits += c;
  return digits;
}

DWORD VersionNumber(const std::string& text) {
  constexpr std::uint64_t kLargest = std::numeric_limits<DWORD>::max();
  std::uint64_t number = 0;
  for (char c : StripNonDigits(text)) {
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
    if (number > kLargest) return static_cast<DWORD>(kLargest);
  }
  return static_cast<DWORD>(number);
}

bool IsSettingsMigrationDue(const std::string& migrationVersion, const std::string& currentVersion) {
  DWORD migration = VersionNumber(migrationVersion);
  if (migration != VersionNumber(currentVersion)) return false;
  CRegistry machine;
  std::string stamped = machine.ReadString(HKEY_LOCAL_MACHINE, g_profile.RegistryKeyPath.c_str(),
                                           kApplicationSettings, "Version", nullptr);
  return VersionNumber(stamped) < migration;
}

bool IsSettingsMigrationDue() { return IsSettingsMigrationDue(kMigrationVersion, kSettingsVersion); }
