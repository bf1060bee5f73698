// CRegistry: the installer's one road to the registry. A wrapper holds at most one open key
// and reads, writes, enumerates and deletes under it. Every open and create asks for full
// access, so a key the user may only read counts as absent. Operations report 1 or 0 (or a
// text), never throw and never show anything; texts are 8-bit strings of the system code page,
// and a null text given to an operation is refused before the registry is touched.
#pragma once

#include <string>

#include "platform/win.h"

class CRegistry {
 public:
  CRegistry();
  // Constructs a wrapper and opens as Open does.
  CRegistry(HKEY hRootKey, const char* path, const char* subPath, BOOL create);
  // A second handle to the source's key (or none when the source holds none).
  CRegistry(const CRegistry& other);
  CRegistry& operator=(const CRegistry&) = delete;
  virtual ~CRegistry();

  // Holds `path`, followed by a backslash and `subPath` when that is not empty, under the root;
  // with `create` the key is made when missing. 1 when a key is held afterwards.
  BOOL Open(HKEY hRootKey, const char* path, const char* subPath, BOOL create);
  // Opens "path\subPath" (the backslash always) without creating it and reads one text value;
  // a missing value gets `defaultValue` written and returned. The key stays held.
  std::string ReadString(HKEY hRootKey, const char* path, const char* subPath,
                         const char* valueName, const char* defaultValue);
  BOOL WriteString(const char* valueName, const char* value);
  // Mode 0: descends into the named subkey (made when missing). Mode 1: holds the named key
  // beside the current path under the root instead. Other modes do nothing and succeed.
  BOOL OpenSubKey(const char* name, int mode);
  BOOL Close();

  DWORD GetDisposition() const { return m_dwDisposition; }
  static BOOL KeyExists(HKEY hRootKey, const char* path);
  BOOL SubKeyExists(const char* name);
  BOOL ValueExists(const char* valueName);

  std::string GetStringValue(const char* valueName);
  // The 4 bytes of the value; when it cannot be read, `defaultValue`, which is first written
  // when the value is missing, unless it is 0xDEF0.
  DWORD ReadDWord(const char* valueName, DWORD defaultValue);
  BOOL WriteDWord(const char* valueName, DWORD value);
  // `*size` gives the buffer's length and receives the value's; a null buffer asks the length.
  BOOL ReadBinary(const char* valueName, BYTE* buffer, DWORD* size);
  BOOL WriteBinary(const char* valueName, const BYTE* data, DWORD length);
  BOOL DeleteValue(const char* valueName);

  // Subkey names through the cursor: a name of 260 characters or more ends a walk.
  BOOL EnumFirstSubKey(std::string& name);
  BOOL EnumNextSubKey(std::string& name);
  BOOL EnumSubKeyAt(std::string& name, DWORD position);
  BOOL EnumFirstValue(std::string& name);
  BOOL EnumNextValue(std::string& name);

  // Deletes the named subkey of the held key with everything under it.
  BOOL DeleteKey(const char* name);
  // The recursive delete: deepest keys first, stopping at the first key that cannot go.
  static BOOL DeleteKeyTree(HKEY hParentKey, const char* name);

 private:
  static constexpr DWORD kAccess = 0xF003F;  // KEY_ALL_ACCESS, for every open and create
  static constexpr DWORD kNameBuffer = 260;  // enumeration buffer, terminator included

  void Release();
  BOOL ReadSubKeyName(DWORD position, std::string& name);
  BOOL ReadValueName(DWORD position, std::string& name);

  HKEY m_hKey = nullptr;
  HKEY m_hRootKey = nullptr;
  std::string m_strPath;
  DWORD m_dwDisposition = 0;
  DWORD m_dwIndex = 0;
};
