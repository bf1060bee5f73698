// The registry values an install writes under the variant's settings key, the clearing of the
// stored tool-button layouts, the machine-wide version stamp and the settings migration gate.
// Every step goes through CRegistry and is silent about failures: a value that cannot be
// written is absent or unchanged afterwards, and the install carries on.
#pragma once

#include <string>

#include "registry/registry.h"

// The settings version this installer writes.
inline constexpr const char* kSettingsVersion = "7.0.3";

// Step 1: reads "DBRetentionDrive_FO" of HKCU\<key>\Application Settings into `w` (default "A",
// written back when the key exists but lacks the value). Empty when the key does not exist.
std::string ReadEarlierFoRetentionDrive(CRegistry& w);
// Step 2: "Version" and "BackUPDrive" into the key step 1 left held (nothing when it held none).
void WriteVersionAndBackupDrive(CRegistry& w, const std::string& driveLetter);
// Step 3: opens (creating when missing) HKCU\<key>\Application Settings and writes
// "InstalledDrive". False when the key or the value could not be written: the terminal would
// start without its settings.
bool WriteInstalledDrive(CRegistry& w, const std::string& driveLetter);
// Step 4, when the database folder holds a CM* entry: "DBRetentionDrive".
void WriteCmRetentionDrive(CRegistry& w, const std::string& driveLetter);
// Step 5: "DBRetentionDrive_FO" is the install drive when the database folder holds an FO*
// entry, else the first character of the value step 1 read (empty when it read none).
void WriteFoRetentionDrive(CRegistry& w, bool foUsersFound, const std::string& driveLetter,
                           const std::string& earlierFoDrive);
// Step 6: deletes "ToolButtons" from every key two levels below HKCU\<key>\User Settings.
void RemoveStoredToolButtons(CRegistry& w);
// Step 7: stamps "Version" under HKLM\<key>\Application Settings when that key exists and opens
// with full access; never creates it.
void StampMachineVersion();

// Deletes `valueName` from every subkey of HKCU\<key>\User Settings\<subPath>; values elsewhere
// stay.
void DeleteValueInSubKeys(const std::string& subPath, const std::string& valueName);

// The text with every character outside "0" to "9" removed.
std::string StripNonDigits(const std::string& text);
// A version text read as the number of its digits ("7.0.3" is 703); no digits read as 0, and
// a number too large for 32 bits as the largest one.
DWORD VersionNumber(const std::string& text);

// The settings migration gate: due only when `migrationVersion` and `currentVersion` are the
// same number and the version stamped under HKLM\<key>\Application Settings is below it.
bool IsSettingsMigrationDue(const std::string& migrationVersion, const std::string& currentVersion);
// The gate of this installer: the migration belongs to version "7.0.0" and this is "7.0.3", so
// it never answers yes and this build copies no settings from HKLM to HKCU.
bool IsSettingsMigrationDue();
