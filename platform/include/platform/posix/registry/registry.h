// The registry with its Windows meaning: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE are hive files
// of the emulated machine (see platform/posix/registry/hive_store.h); every call returns a
// Windows error code (LONG) as the 8-bit registry entry points do. Key and value names are
// case-insensitive and keep the case they were created with.
//
// HKEY_CLASSES_ROOT is the user's classes (HKEY_CURRENT_USER\Software\Classes) over the
// machine's (HKEY_LOCAL_MACHINE\SOFTWARE\Classes): a subkey opens where the user has it, else
// where the machine has it, and a new one is made in the machine's; its subkeys are listed from
// both, and its own values are the machine's classes key's. A predefined key is known by its low 32 bits, zero- or sign-extended. A failed
// RegOpenKeyExA leaves a null handle. A caller may aim the type and the size at one DWORD: the
// buffer's size is read first and the data's size written last, as wine does.
// REG_OPTION_VOLATILE is accepted and the key kept as any other: the emulated machine never
// restarts, so nothing would discard it, and no volatility is kept (ERROR_CHILD_MUST_BE_VOLATILE
// never arises).
#pragma once

#include "platform/posix/core/errors.h"
#include "platform/posix/core/types.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LSTATUS = LONG;

// Predefined keys, sign-extended on 64-bit targets as Windows defines them.
#define VP_PREDEFINED_HKEY(value) \
  (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(value))))
#define HKEY_CLASSES_ROOT VP_PREDEFINED_HKEY(0x80000000)
#define HKEY_CURRENT_USER VP_PREDEFINED_HKEY(0x80000001)
#define HKEY_LOCAL_MACHINE VP_PREDEFINED_HKEY(0x80000002)
#define HKEY_USERS VP_PREDEFINED_HKEY(0x80000003)

// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// Access rights.
#ifndef DELETE
#  define DELETE 0x00010000u
#endif
#ifndef SYNCHRONIZE
#  define READ_CONTROL 0x00020000u
#  define WRITE_DAC 0x00040000u
#  define WRITE_OWNER 0x00080000u
#  define SYNCHRONIZE 0x00100000u
#  define MAXIMUM_ALLOWED 0x02000000u
#endif
#ifndef GENERIC_READ
#  define GENERIC_READ 0x80000000u
#  define GENERIC_WRITE 0x40000000u
#  define GENERIC_EXECUTE 0x20000000u
#  define GENERIC_ALL 0x10000000u
#endif
#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define KEY_CREATE_LINK 0x0020u
#define KEY_WOW64_64KEY 0x0100u
#define KEY_WOW64_32KEY 0x0200u
#define KEY_READ 0x20019u
#define KEY_EXECUTE KEY_READ
#define KEY_WRITE 0x20006u
#define KEY_ALL_ACCESS 0xF003Fu

// Create options and dispositions.
#define REG_OPTION_RESERVED 0x00000000
#define REG_OPTION_NON_VOLATILE 0x00000000
#define REG_OPTION_VOLATILE 0x00000001
#define REG_OPTION_CREATE_LINK 0x00000002
#define REG_OPTION_BACKUP_RESTORE 0x00000004
#define REG_OPTION_OPEN_LINK 0x00000008
#define REG_CREATED_NEW_KEY 0x00000001
#define REG_OPENED_EXISTING_KEY 0x00000002

// Error codes the registry reports beyond those of errors.h.
#ifndef ERROR_BAD_PATHNAME
#  define ERROR_BAD_PATHNAME 161L
#endif
#ifndef ERROR_NOACCESS
#  define ERROR_NOACCESS 998L
#endif
// A hive whose lock another process holds for longer than the bounded wait.
#ifndef ERROR_TIMEOUT
#  define ERROR_TIMEOUT 1460L
#endif

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                        REGSAM desired, LPSECURITY_ATTRIBUTES security, PHKEY result,
                        LPDWORD disposition);
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize);
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName);
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameChars, LPDWORD reserved,
                      LPSTR keyClass, LPDWORD classChars, LPFILETIME lastWriteTime);
LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameChars, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD dataSize);
LSTATUS RegCloseKey(HKEY key);
