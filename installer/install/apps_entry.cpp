#include "install/apps_entry.h"

#include <ctime>

#include "common/product_profile.h"
#include "common/setup_log.h"
#include "install/settings_steps.h"
#include "registry/registry.h"

namespace {

std::string SetupProgram(const InstallerState& state) {
  return state.GetDrive() + g_profile.SetupBaseName + g_profile.SetupExeName;
}

std::string Today() {
  std::time_t now = std::time(nullptr);
  char text[16] = {};
  if (const std::tm* local = std::localtime(&now)) std::strftime(text, sizeof text, "%Y%m%d", local);
  return text;
}

}  // namespace

std::string AppsEntryKeyName() { return g_profile.RegistryProductName; }

std::string UninstallCommand(const InstallerState& state) {
  std::string command = "\"" + SetupProgram(state) + "\"";
  if (!state.GetMode().empty()) command += " M:" + state.GetMode();
  // The setup folder as the plain argument: the uninstaller knows it runs from there.
  return command + " \"" + state.GetDrive() + g_profile.SetupBaseName + "\"";
}

std::string QuietUninstallCommand(const InstallerState& state) {
  return UninstallCommand(state) + " /UNINSTALL /VERYSILENT /TYPE=" + state.GetAppType();
}

bool WriteAppsEntry(const InstallerState& state, unsigned long long installedBytes) {
  std::string key = AppsEntryKeyName();
  // A reinstall replaces the entry: nothing of an earlier one stays beside the new values.
  CRegistry parent;
  if (parent.Open(HKEY_CURRENT_USER, kUninstallKeyPath, "", FALSE) && parent.SubKeyExists(key.c_str()))
    parent.DeleteKey(key.c_str());
  parent.Close();
  CRegistry entry;
  if (!entry.Open(HKEY_CURRENT_USER, kUninstallKeyPath, key.c_str(), TRUE)) return false;
  std::string version = state.GetVersion().empty() ? kSettingsVersion : state.GetVersion();
  std::string terminal = state.GetDrive() + g_profile.DbFolderName + g_profile.TerminalExeName;
  const std::pair<const char*, std::string> texts[] = {
      {"DisplayName", g_profile.TerminalName},
      {"DisplayVersion", version},
      {"Publisher", kPublisher},
      {"InstallLocation", state.GetDrive() + g_profile.DbFolderName},
      {"DisplayIcon", terminal + ",0"},
      {"UninstallString", UninstallCommand(state)},
      {"QuietUninstallString", QuietUninstallCommand(state)},
      {"InstallDate", Today()},
  };
  bool whole = true;
  for (const auto& [name, value] : texts) whole &= entry.WriteString(name, value.c_str()) != FALSE;
  DWORD kilobytes = static_cast<DWORD>((installedBytes + 1023) / 1024);
  whole &= entry.WriteDWord("EstimatedSize", kilobytes) != FALSE;
  whole &= entry.WriteDWord("NoModify", 1) != FALSE;
  whole &= entry.WriteDWord("NoRepair", 1) != FALSE;
  SetupLog().Step(std::string("Apps & features entry HKCU\\") + kUninstallKeyPath + "\\" + key +
                  (whole ? " written" : " could not be written") + " (" + g_profile.TerminalName +
                  " " + version + ", " + std::to_string(kilobytes) + " KB)");
  return whole;
}

bool RemoveAppsEntry() {
  CRegistry parent;
  if (!parent.Open(HKEY_CURRENT_USER, kUninstallKeyPath, "", FALSE)) return true;
  std::string key = AppsEntryKeyName();
  if (!parent.SubKeyExists(key.c_str())) return true;
  bool removed = parent.DeleteKey(key.c_str()) != FALSE;
  SetupLog().Step(std::string("Apps & features entry HKCU\\") + kUninstallKeyPath + "\\" + key +
                  (removed ? " removed" : " could not be removed"));
  return removed;
}
