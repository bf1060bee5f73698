#include "registry/registry.h"

#include <cstring>
#include <vector>

namespace {

std::string JoinPath(const char* path, const char* subPath, bool alwaysSeparate) {
  std::string joined = path ? path : "";
  if (alwaysSeparate || (subPath && *subPath)) joined += '\\';
  if (subPath) joined += subPath;
  return joined;
}

const BYTE* Bytes(const void* data) { return static_cast<const BYTE*>(data); }

}  // namespace

CRegistry::CRegistry() = default;

CRegistry::CRegistry(HKEY hRootKey, const char* path, const char* subPath, BOOL create) {
  Open(hRootKey, path, subPath, create);
}

CRegistry::CRegistry(const CRegistry& other) {
  if (!other.m_hKey) return;
  if (RegCreateKeyExA(other.m_hKey, "", 0, nullptr, 0, kAccess, nullptr, &m_hKey, &m_dwDisposition) ==
      ERROR_SUCCESS)
    m_hRootKey = other.m_hRootKey;
  else
    m_hKey = nullptr;
}

CRegistry::~CRegistry() { Release(); }

void CRegistry::Release() {
  if (m_hKey) RegCloseKey(m_hKey);
  m_hKey = nullptr;
}

BOOL CRegistry::Open(HKEY hRootKey, const char* path, const char* subPath, BOOL create) {
  Release();
  m_dwIndex = 0;
  m_hRootKey = hRootKey;
  m_strPath = path ? path : "";
  if (!path) return 0;
  std::string full = JoinPath(path, subPath, false);
  LONG status = create ? RegCreateKeyExA(hRootKey, full.c_str(), 0, nullptr, 0, kAccess, nullptr,
                                         &m_hKey, &m_dwDisposition)
                       : RegOpenKeyExA(hRootKey, full.c_str(), 0, kAccess, &m_hKey);
  if (status != ERROR_SUCCESS) m_hKey = nullptr;
  return m_hKey != nullptr;
}

std::string CRegistry::ReadString(HKEY hRootKey, const char* path, const char* subPath,
                                  const char* valueName, const char* defaultValue) {
  Release();
  m_dwIndex = 0;
  m_hRootKey = hRootKey;
  m_strPath = path ? path : "";
  if (!path) return std::string();
  std::string full = JoinPath(path, subPath, true);
  if (RegOpenKeyExA(hRootKey, full.c_str(), 0, kAccess, &m_hKey) != ERROR_SUCCESS) {
    m_hKey = nullptr;
    return std::string();
  }
  if (!valueName) return std::string();
  DWORD size = 0;
  if (RegQueryValueExA(m_hKey, valueName, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
    DWORD length = size + 1;
    if (RegQueryValueExA(m_hKey, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                         &length) == ERROR_SUCCESS)
      return std::string(buffer.data());
  }
  if (!defaultValue) return std::string();
  WriteString(valueName, defaultValue);
  return defaultValue;
}

BOOL CRegistry::WriteString(const char* valueName, const char* value) {
  if (!valueName || !value || !m_hKey) return 0;
  auto length = static_cast<DWORD>(std::strlen(value) + 1);
  return RegSetValueExA(m_hKey, valueName, 0, REG_SZ, Bytes(value), length) == ERROR_SUCCESS;
}

BOOL CRegistry::OpenSubKey(const char* name, int mode) {
  if (!name || !*name) return 0;
  if (mode == 0) {
    m_strPath += '\\';
    m_strPath += name;
    HKEY opened = nullptr;
    if (!m_hKey || RegCreateKeyExA(m_hKey, name, 0, nullptr, 0, kAccess, nullptr, &opened,
                                   &m_dwDisposition) != ERROR_SUCCESS)
      return 0;
    Release();
    m_hKey = opened;
    return 1;
  }
  if (mode == 1) {
    Release();
    std::string full = m_strPath + "\\" + name;
    if (RegCreateKeyExA(m_hRootKey, full.c_str(), 0, nullptr, 0, kAccess, nullptr, &m_hKey,
                        &m_dwDisposition) != ERROR_SUCCESS) {
      m_hKey = nullptr;
      return 0;
    }
    return 1;
  }
  return 1;
}

BOOL CRegistry::Close() {
  if (!m_hKey) return 0;
  Release();
  return 1;
}

BOOL CRegistry::KeyExists(HKEY hRootKey, const char* path) {
  if (!path) return 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(hRootKey, path, 0, kAccess, &key) != ERROR_SUCCESS) return 0;
  RegCloseKey(key);
  return 1;
}

BOOL CRegistry::SubKeyExists(const char* name) {
  if (!name || !m_hKey) return 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(m_hKey, name, 0, kAccess, &key) != ERROR_SUCCESS) return 0;
  RegCloseKey(key);
  return 1;
}

BOOL CRegistry::ValueExists(const char* valueName) {
  if (!valueName || !m_hKey) return 0;
  DWORD size = 0;
  return RegQueryValueExA(m_hKey, valueName, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

std::string CRegistry::GetStringValue(const char* valueName) {
  if (!valueName || !m_hKey) return std::string();
  DWORD size = 0;
  if (RegQueryValueExA(m_hKey, valueName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return std::string();
  std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
  DWORD length = size + 1;
  if (RegQueryValueExA(m_hKey, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                       &length) != ERROR_SUCCESS)
    return std::string();
  return std::string(buffer.data());
}

DWORD CRegistry::ReadDWord(const char* valueName, DWORD defaultValue) {
  if (!valueName || !m_hKey) return defaultValue;
  BYTE bytes[4] = {};
  DWORD size = sizeof bytes;
  if (RegQueryValueExA(m_hKey, valueName, nullptr, nullptr, bytes, &size) == ERROR_SUCCESS)
    return static_cast<DWORD>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<DWORD>(bytes[3]) << 24);
  // The default takes the place of a missing value only: a value that exists but does not fit
  // in 4 bytes is somebody's data and stays.
  if (defaultValue != 0xDEF0 && !ValueExists(valueName)) WriteDWord(valueName, defaultValue);
  return defaultValue;
}

BOOL CRegistry::WriteDWord(const char* valueName, DWORD value) {
  if (!valueName || !m_hKey) return 0;
  BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                   static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
  return RegSetValueExA(m_hKey, valueName, 0, REG_DWORD, bytes, sizeof bytes) == ERROR_SUCCESS;
}

BOOL CRegistry::ReadBinary(const char* valueName, BYTE* buffer, DWORD* size) {
  if (!valueName || !size || !m_hKey) return 0;
  return RegQueryValueExA(m_hKey, valueName, nullptr, nullptr, buffer, size) == ERROR_SUCCESS;
}

BOOL CRegistry::WriteBinary(const char* valueName, const BYTE* data, DWORD length) {
  if (!valueName || !data || !m_hKey) return 0;
  return RegSetValueExA(m_hKey, valueName, 0, REG_BINARY, data, length) == ERROR_SUCCESS;
}

BOOL CRegistry::DeleteValue(const char* valueName) {
  if (!valueName || !m_hKey) return 0;
  return RegDeleteValueA(m_hKey, valueName) == ERROR_SUCCESS;
}

BOOL CRegistry::ReadSubKeyName(DWORD position, std::string& name) {
  char buffer[kNameBuffer];
  DWORD length = kNameBuffer;
  if (!m_hKey ||
      RegEnumKeyExA(m_hKey, position, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return 0;
  name.assign(buffer, length);
  return 1;
}

BOOL CRegistry::ReadValueName(DWORD position, std::string& name) {
  char buffer[kNameBuffer];
  DWORD length = kNameBuffer;
  if (!m_hKey ||
      RegEnumValueA(m_hKey, position, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return 0;
  name.assign(buffer, length);
  return 1;
}

BOOL CRegistry::EnumFirstSubKey(std::string& name) { return EnumSubKeyAt(name, 0); }

BOOL CRegistry::EnumNextSubKey(std::string& name) {
  if (!ReadSubKeyName(m_dwIndex, name)) {
    name.clear();
    return 0;
  }
  ++m_dwIndex;
  return 1;
}

BOOL CRegistry::EnumSubKeyAt(std::string& name, DWORD position) {
  m_dwIndex = position;
  if (ReadSubKeyName(position, name)) return 1;
  name.clear();
  return 0;
}

BOOL CRegistry::EnumFirstValue(std::string& name) {
  m_dwIndex = 0;
  return ReadValueName(0, name);
}

BOOL CRegistry::EnumNextValue(std::string& name) {
  ++m_dwIndex;
  return ReadValueName(m_dwIndex, name);
}

BOOL CRegistry::DeleteKey(const char* name) {
  if (!m_hKey) return 0;
  return DeleteKeyTree(m_hKey, name);
}

BOOL CRegistry::DeleteKeyTree(HKEY hParentKey, const char* name) {
  if (!name) return 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(hParentKey, name, 0, kAccess, &key) != ERROR_SUCCESS) return 0;
  // Position 0 every time: the subkey just read is gone once its delete succeeded.
  char child[kNameBuffer];
  DWORD length = kNameBuffer;
  while (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
    if (!DeleteKeyTree(key, child)) {
      RegCloseKey(key);
      return 0;
    }
    length = kNameBuffer;
  }
  RegCloseKey(key);
  return RegDeleteKeyA(hParentKey, name) == ERROR_SUCCESS;
}
