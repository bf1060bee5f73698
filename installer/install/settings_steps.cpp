#include "install/settings_steps.h"

#include <cstdint>
#include <limits>

#include "common/product_profile.h"
#include "common/setup_log.h"

namespace {

constexpr const char* kApplicationSettings = "Application Settings";
constexpr const char* kUserSettings = "User Settings";
// The version the settings migration from HKLM to HKCU belongs to.
constexpr const char* kMigrationVersion = "7.0.0";

// Writes one text value of the settings key through `w` and logs what became of it.
BOOL WriteSetting(CRegistry& w, const char* root, const char* name, const std::string& value) {
  BOOL written = w.WriteString(name, value.c_str());
  SetupLog().Step(std::string("registry ") + root + "\\" + g_profile.RegistryKeyPath + "\\" +
                  kApplicationSettings + ": " + name + " = \"" + value + "\"" +
                  (written ? "" : " (not written)"));
  return written;
}

}  // namespace

std::string ReadEarlierFoRetentionDrive(CRegistry& w) {
  return w.ReadString(HKEY_CURRENT_USER, g_profile.RegistryKeyPath.c_str(), kApplicationSettings,
                      "DBRetentionDrive_FO", "A");
}

void WriteVersionAndBackupDrive(CRegistry& w, const std::string& driveLetter) {
  WriteSetting(w, "HKCU", "Version", kSettingsVersion);
  WriteSetting(w, "HKCU", "BackUPDrive", driveLetter);
}

bool WriteInstalledDrive(CRegistry& w, const std::string& driveLetter) {
  const char* path = g_profile.RegistryKeyPath.c_str();
  if (!w.Open(HKEY_CURRENT_USER, path, kApplicationSettings, FALSE) &&
      !w.Open(HKEY_CURRENT_USER, path, kApplicationSettings, TRUE))
    return false;
  return WriteSetting(w, "HKCU", "InstalledDrive", driveLetter) != FALSE;
}

void WriteCmRetentionDrive(CRegistry& w, const std::string& driveLetter) {
  WriteSetting(w, "HKCU", "DBRetentionDrive", driveLetter);
}

void WriteFoRetentionDrive(CRegistry& w, bool foUsersFound, const std::string& driveLetter,
                           const std::string& earlierFoDrive) {
  std::string value = foUsersFound ? driveLetter : earlierFoDrive.substr(0, 1);
  WriteSetting(w, "HKCU", "DBRetentionDrive_FO", value);
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
    WriteSetting(machine, "HKLM", "Version", kSettingsVersion);
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
      if (child.DeleteValue(valueName.c_str()))
        SetupLog().Step("registry HKCU\\" + parentPath + "\\" + name + ": " + valueName +
                        " removed");
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
