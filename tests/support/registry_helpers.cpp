#include "registry_helpers.h"

#include "registry/registry.h"

#ifndef _WIN32
#include <fstream>

#include "platform/machine.h"
#endif

void ClearProductKeys() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY software = nullptr;
    if (RegOpenKeyExA(root, "SOFTWARE", 0, KEY_ALL_ACCESS, &software) != ERROR_SUCCESS) continue;
    CRegistry::DeleteKeyTree(software, "KORAX");
    RegCloseKey(software);
  }
  // The product's Apps & features entries.
  HKEY uninstall = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0,
                    KEY_ALL_ACCESS, &uninstall) != ERROR_SUCCESS)
    return;
  for (const char* key : {"VANTPLUS-TWS", "VANTPLUSFO-TWS", "VANTPLUSCM-TWS"})
    CRegistry::DeleteKeyTree(uninstall, key);
  RegCloseKey(uninstall);
}

std::string StoredValue(HKEY root, const std::string& path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
  char data[512] = {};
  DWORD size = sizeof data - 1;
  LSTATUS status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? std::string(data) : "<missing>";
}

bool KeyPresent(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool StoreValue(HKEY root, const std::string& path, const char* name, const std::string& value) {
  CRegistry reg;
  return reg.Open(root, path.c_str(), "", TRUE) && reg.WriteString(name, value.c_str());
}

void SetAdministrator([[maybe_unused]] bool admin) {
#ifndef _WIN32
  std::ofstream(vp::machine::Root() + "/machine.conf") << (admin ? "admin=1\n" : "admin=0\n");
  vp::machine::UseRoot(vp::machine::Root());
#endif
}
