// The registry's 8-bit entry points over the hive stores. A key handle remembers the path of
// its key and the key's identity: once that key is deleted (through any handle), every call on
// the handle fails with ERROR_KEY_DELETED, as on Windows. Names and string data cross from and
// to the code page here; the hive keeps them in Unicode.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <type_traits>
#include <vector>

#include "core/handles.h"
#include "hive_store.h"
#include "core/internal.h"
#include "platform/posix/registry/registry.h"

using vp::registry::Change;
using vp::registry::ChangeList;
using vp::registry::Hive;
using vp::registry::HiveStore;
using vp::registry::Key;
using vp::registry::Value;

namespace {

// One registry call at a time in this process; the hive locks order the processes.
std::mutex g_registryLock;

struct KeyHandle : vp::handles::Object {
  HiveStore* store = nullptr;
  Hive hive = Hive::CurrentUser;
  std::vector<std::string> path;  // key names from the hive's root, as the hive holds them
  std::uint64_t id = 0;           // 0 for a root, which is never deleted
  REGSAM access = 0;
  bool classesRoot = false;       // HKEY_CLASSES_ROOT: subkeys are looked up in both classes keys
};

constexpr REGSAM kReadRights = KEY_READ | SYNCHRONIZE;

// What `desired` becomes once generic rights are mapped; MAXIMUM_ALLOWED asks for what the
// hive grants.
REGSAM MapGeneric(REGSAM desired) {
  REGSAM mapped = desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL |
                              KEY_WOW64_32KEY | KEY_WOW64_64KEY);
  if (desired & GENERIC_READ) mapped |= KEY_READ;
  if (desired & GENERIC_WRITE) mapped |= KEY_WRITE;
  if (desired & GENERIC_EXECUTE) mapped |= KEY_EXECUTE;
  if (desired & GENERIC_ALL) mapped |= KEY_ALL_ACCESS;
  return mapped;
}

bool HiveIsReadOnly(Hive hive) {
  return hive == Hive::LocalMachine && !vp::machine::UserIsAdministrator();
}

// The rights a new handle gets, or false when the hive refuses them (a user who is no
// administrator may only read HKEY_LOCAL_MACHINE).
bool Grant(Hive hive, REGSAM desired, REGSAM* granted) {
  REGSAM mapped = MapGeneric(desired);
  bool maximum = mapped & MAXIMUM_ALLOWED;
  mapped &= ~static_cast<REGSAM>(MAXIMUM_ALLOWED);
  REGSAM allowed = HiveIsReadOnly(hive) ? kReadRights : KEY_ALL_ACCESS | SYNCHRONIZE;
  if (mapped & ~allowed) return false;
  *granted = maximum ? allowed : mapped;
  return true;
}

// A resolved handle: the predefined roots, or an entry of the handle table.
struct Target {
  std::shared_ptr<KeyHandle> handle;
  LONG error = ERROR_SUCCESS;
};

std::shared_ptr<KeyHandle> RootHandle(Hive hive) {
  auto root = std::make_shared<KeyHandle>();
  root->hive = hive;
  root->store = &vp::registry::StoreOf(hive);
  root->access = HiveIsReadOnly(hive) ? kReadRights : KEY_ALL_ACCESS | SYNCHRONIZE;
  return root;
}

// The classes key of a hive: HKEY_CURRENT_USER\Software\Classes, HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
std::shared_ptr<KeyHandle> ClassesHandle(Hive hive) {
  auto classes = RootHandle(hive);
  classes->path = {hive == Hive::CurrentUser ? "Software" : "SOFTWARE", "Classes"};
  return classes;
}

// HKEY_CLASSES_ROOT itself holds the values of the machine's classes key; its subkeys are
// the user's where the user has them (see OpenClasses, ClassNames).
std::shared_ptr<KeyHandle> ClassesRootHandle() {
  auto root = ClassesHandle(Hive::LocalMachine);
  root->classesRoot = true;
  return root;
}

// The predefined key a handle names. Windows looks at its low 32 bits only, so a predefined
// key zero-extended from 32 bits names it as well as the sign-extended constant.
enum class Predefined { None, ClassesRoot, CurrentUser, LocalMachine };
Predefined PredefinedKey(HKEY key) {
  switch (static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(key))) {
    case 0x80000000u: return Predefined::ClassesRoot;
    case 0x80000001u: return Predefined::CurrentUser;
    case 0x80000002u: return Predefined::LocalMachine;
    default: return Predefined::None;
  }
}

Target Resolve(HKEY key) {
  switch (PredefinedKey(key)) {
    case Predefined::ClassesRoot: return {ClassesRootHandle()};
    case Predefined::CurrentUser: return {RootHandle(Hive::CurrentUser)};
    case Predefined::LocalMachine: return {RootHandle(Hive::LocalMachine)};
    case Predefined::None: break;
  }
  auto handle = key ? vp::handles::LookupAs<KeyHandle>(key) : nullptr;
  if (!handle) return {nullptr, ERROR_INVALID_HANDLE};
  return {handle};
}

// The handle's key in `root`, or null when it was deleted. HKEY_CLASSES_ROOT is never deleted:
// while the machine has no classes key, it reads as an empty key.
template <class K>
K* Find(K& root, const KeyHandle& h) {
  K* key = &root;
  for (const std::string& name : h.path) {
    key = key->FindSubkey(name);
    if constexpr (std::is_const_v<K>) {
      static const Key noClasses("Classes");
      if (!key && h.classesRoot) return &noClasses;
    }
    if (!key) return nullptr;
  }
  return h.id == 0 || key->Id() == h.id ? key : nullptr;
}

// Splits a subkey path into held names. A leading backslash is refused; doubled and trailing
// ones are not. A name longer than the registry allows is refused as Windows refuses it.
LONG SplitPath(LPCSTR subKey, std::vector<std::string>* names) {
  names->clear();
  if (!subKey || !*subKey) return ERROR_SUCCESS;
  if (subKey[0] == '\\') return ERROR_BAD_PATHNAME;
  std::string_view rest(subKey);
  while (!rest.empty()) {
    std::size_t end = std::min(rest.find('\\'), rest.size());
    std::string_view name = rest.substr(0, end);
    // The hive's text cannot keep a line break in a key name.
    if (name.find_first_of("\r\n") != std::string_view::npos) return ERROR_INVALID_PARAMETER;
    if (name.size() > vp::registry::kMaxKeyNameUnits) return ERROR_INVALID_PARAMETER;
    if (!name.empty()) names->push_back(vp::registry::NameFromAnsi(name));
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  return ERROR_SUCCESS;
}

std::vector<std::string> Joined(const std::vector<std::string>& path, const std::vector<std::string>& names) {
  std::vector<std::string> full = path;
  full.insert(full.end(), names.begin(), names.end());
  return full;
}

HKEY NewHandle(const KeyHandle& parent, const std::vector<std::string>& names, const Key& key,
               REGSAM access) {
  auto handle = std::make_shared<KeyHandle>();
  handle->store = parent.store;
  handle->hive = parent.hive;
  handle->path = parent.path;
  handle->path.insert(handle->path.end(), names.begin(), names.end());
  handle->id = key.Id();
  handle->access = access;
  return reinterpret_cast<HKEY>(vp::handles::Insert(std::move(handle)));
}

std::string ValueName(LPCSTR name) { return name ? vp::registry::NameFromAnsi(name) : std::string(); }

// What a value's data reads as through the 8-bit calls: string types in the code page.
std::string AnsiData(const Value& v) {
  return vp::registry::IsStringType(v.type) ? vp::registry::AnsiFromWide(v.data) : v.data;
}

// A value's data into the caller's buffer of `capacity` bytes, as the 8-bit calls read it
// (`bytes`); ERROR_MORE_DATA, writing nothing, when it does not fit.
LONG CopyValueData(const Value& v, const std::string& bytes, LPBYTE data, DWORD capacity) {
  auto length = static_cast<DWORD>(bytes.size());
  if (capacity < length) return ERROR_MORE_DATA;
  std::memcpy(data, bytes.data(), length);
  // A string stored without its terminator still reads as a string when there is room.
  if (vp::registry::IsStringType(v.type) && capacity > length && (length == 0 || data[length - 1] != 0))
    data[length] = 0;
  return ERROR_SUCCESS;
}

// An enumerated key or value name into the caller's buffer of `*nameChars` characters, the
// terminator included; `*nameChars` becomes the length without it. The buffer is left alone
// when the name does not fit.
LONG CopyEnumeratedName(const std::string& text, LPSTR name, LPDWORD nameChars) {
  if (text.size() >= *nameChars) return ERROR_MORE_DATA;
  std::memcpy(name, text.c_str(), text.size() + 1);
  *nameChars = static_cast<DWORD>(text.size());
  return ERROR_SUCCESS;
}

}  // namespace

namespace {

LONG OpenBelow(const KeyHandle& parent, const std::vector<std::string>& names, REGSAM desired, PHKEY result) {
  return parent.store->Read([&](const Key& root) -> LONG {
    const Key* k = Find(root, parent);
    if (!k) return ERROR_KEY_DELETED;
    for (const std::string& name : names)
      if (!(k = k->FindSubkey(name))) return ERROR_FILE_NOT_FOUND;
    REGSAM granted = 0;
    if (!Grant(parent.hive, desired, &granted)) return ERROR_ACCESS_DENIED;
    *result = NewHandle(parent, names, *k, granted);
    return ERROR_SUCCESS;
  });
}

// A subkey of HKEY_CLASSES_ROOT: the user's classes over the machine's. The key opens where the
// user has it, else where the machine has it.
LONG OpenClasses(const std::vector<std::string>& names, REGSAM desired, PHKEY result) {
  for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) {
    // A hive without a classes key has none of its subkeys either.
    LONG status = OpenBelow(*ClassesHandle(hive), names, desired, result);
    if (status != ERROR_FILE_NOT_FOUND && status != ERROR_KEY_DELETED) return status;
  }
  return ERROR_FILE_NOT_FOUND;
}

// The subkeys of HKEY_CLASSES_ROOT: the user's and the machine's classes in the registry's
// order (by folded name), a class both have listed once, as the user spells it.
LONG ClassNames(std::vector<std::string>* names) {
  std::map<std::string, std::string> byFoldedName;
  for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
    auto classes = ClassesHandle(hive);
    LONG status = classes->store->Read([&](const Key& root) -> LONG {
      if (const Key* k = Find(root, *classes))
        for (const auto& subkey : k->Subkeys()) byFoldedName[subkey->FoldedName()] = subkey->Name();
      return ERROR_SUCCESS;
    });
    if (status != ERROR_SUCCESS) return status;
  }
  for (auto& entry : byFoldedName) names->push_back(std::move(entry.second));
  return ERROR_SUCCESS;
}

}  // namespace

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
  std::lock_guard guard(g_registryLock);
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;  // whatever fails, the caller holds no stale handle
  Target t = Resolve(key);
  if (!t.handle) return t.error;
  std::vector<std::string> names;
  if (LONG e = SplitPath(subKey, &names)) return e;
  if (t.handle->classesRoot) {
    if (!names.empty()) return OpenClasses(names, desired, result);
    // HKEY_CLASSES_ROOT opened again lists and opens both classes keys as the original does.
    auto again = std::make_shared<KeyHandle>(*t.handle);
    if (!Grant(again->hive, desired, &again->access)) return ERROR_ACCESS_DENIED;
    *result = reinterpret_cast<HKEY>(vp::handles::Insert(std::move(again)));
    return ERROR_SUCCESS;
  }
  return OpenBelow(*t.handle, names, desired, result);
}

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR, DWORD, REGSAM desired,
                        LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
  std::lock_guard guard(g_registryLock);
  if (!result || reserved) return ERROR_INVALID_PARAMETER;
  Target t = Resolve(key);
  if (!t.handle) return t.error;
  std::vector<std::string> names;  // a null name, like an empty one, opens the key itself
  if (LONG e = SplitPath(subKey, &names)) return e;
  if (t.handle->classesRoot && !names.empty()) {
    // A class the user or the machine has opens there; a new one is the machine's.
    LONG opened = OpenClasses(names, desired, result);
    if (opened != ERROR_FILE_NOT_FOUND) {
      if (opened == ERROR_SUCCESS && disposition) *disposition = REG_OPENED_EXISTING_KEY;
      return opened;
    }
    names.insert(names.begin(), {"SOFTWARE", "Classes"});
    t.handle = RootHandle(Hive::LocalMachine);
  }
  return t.handle->store->Write([&](Key& root, ChangeList& changes) -> LONG {
    Key* k = Find(root, *t.handle);
    if (!k) return ERROR_KEY_DELETED;
    REGSAM granted = 0;
    if (!Grant(t.handle->hive, desired, &granted)) return ERROR_ACCESS_DENIED;
    std::size_t existing = 0;
    for (Key* probe = k; existing < names.size(); ++existing) {
      if (!(probe = probe->FindSubkey(names[existing]))) break;
    }
    bool create = existing < names.size();
    if (create && HiveIsReadOnly(t.handle->hive)) return ERROR_ACCESS_DENIED;
    if (create && !changes.Apply(root, Change{Change::kCreateKey, Joined(t.handle->path, names), {}, 0, {}}))
      return ERROR_INVALID_PARAMETER;  // deeper than the registry allows
    for (const std::string& name : names) k = k->FindSubkey(name);
    if (disposition) *disposition = create ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(*t.handle, names, *k, granted);
    return ERROR_SUCCESS;
  });
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
  std::lock_guard guard(g_registryLock);
  if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  Target t = Resolve(key);
  if (!t.handle) return t.error;
  return t.handle->store->Read([&](const Key& root) -> LONG {
    const Key* k = Find(root, *t.handle);
    if (!k) return ERROR_KEY_DELETED;
    if (!(t.handle->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    const Value* v = k->FindValue(ValueName(valueName));
    if (!v) return ERROR_FILE_NOT_FOUND;
    // The buffer's size is read before anything is written: a caller may aim the type and the
    // size at one DWORD, which then ends holding the size.
    DWORD capacity = dataSize ? *dataSize : 0;
    std::string bytes = AnsiData(*v);
    LONG status = data ? CopyValueData(*v, bytes, data, capacity) : ERROR_SUCCESS;
    if (type) *type = v->type;
    if (dataSize) *dataSize = static_cast<DWORD>(bytes.size());
    return status;
  });
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                       DWORD dataSize) {
  std::lock_guard guard(g_registryLock);
  Target t = Resolve(key);
  if (!t.handle) return t.error;
  if (!data && dataSize) return ERROR_NOACCESS;
  // The registry counts a string's terminator that the caller left out of the size.
  if (vp::registry::IsStringType(type) && dataSize && data[dataSize - 1] && !data[dataSize]) ++dataSize;
  std::string bytes = data ? std::string(reinterpret_cast<const char*>(data), dataSize) : std::string();
  if (vp::registry::IsStringType(type)) bytes = vp::registry::WideFromAnsi(bytes);
  if (valueName && std::strlen(valueName) > vp::registry::kMaxValueNameUnits) return ERROR_INVALID_PARAMETER;
  return t.handle->store->Write([&](Key& root, ChangeList& changes) -> LONG {
    if (!Find(root, *t.handle)) return ERROR_KEY_DELETED;
    if (!(t.handle->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    changes.Apply(root, Change{Change::kSetValue, t.handle->path, ValueName(valueName), type, std::move(bytes)});
    return ERROR_SUCCESS;
  });
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) {
  std::lock_guard guard(g_registryLock);
  Target t = Resolve(key);
  if (!t.handle) return t.error;
  return t.handle->store->Write([&](Key& root, ChangeList& changes) -> LONG {
    Key* k = Find(root, *t.handle);
    if (!k) return ERROR_KEY_DELETED;
    if (!(t.handle->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (!k->FindValue(ValueName(valueName))) return ERROR_FILE_NOT_FOUND;
    changes.Apply(root, Change{Change::kDeleteValue, t.handle->path, ValueName(valueName), 0, {}});
    return ERROR_SUCCESS;
  });
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  std::lock_guard guard(g_registryLock);
  Target t = Resolve(key);
  if (!t.handle) return t.error;
  if (!subKey) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> names;
  if (LONG e = SplitPath(subKey, &names)) return e;
  return t.handle->store->Write([&](Key& root, ChangeList& changes) -> LONG {
    Key* target = Find(root, *t.handle);
    if (!target) return ERROR_KEY_DELETED;
    for (const std::string& name : names)
      if (!(target = target->FindSubkey(name))) return ERROR_FILE_NOT_FOUND;
    bool isRoot = target == &root;
    if (isRoot || HiveIsReadOnly(t.handle->hive) || !target->Subkeys().empty())
      return ERROR_ACCESS_DENIED;
    changes.Apply(root, Change{Change::kDeleteKey, Joined(t.handle->path, names), {}, 0, {}});
    return ERROR_SUCCESS;
  });
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameChars, LPDWORD, LPSTR keyClass,
                      LPDWORD classChars, LPFILETIME lastWriteTime) {
  std::lock_guard guard(g_registryLock);
  if (!name || !nameChars) return ERROR_INVALID_PARAMETER;
  Target t = Resolve(key);
  if (!t.handle) return t.error;
  auto report = [&](const std::string& subkey, const HiveStore& store) -> LONG {
    LONG copied = CopyEnumeratedName(vp::registry::AnsiFromName(subkey), name, nameChars);
    if (copied != ERROR_SUCCESS) return copied;
    if (keyClass && classChars && *classChars) keyClass[0] = '\0';
    if (classChars) *classChars = 0;
    if (lastWriteTime) *lastWriteTime = store.LastWriteTime();
    return ERROR_SUCCESS;
  };
  if (t.handle->classesRoot) {
    if (!(t.handle->access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    std::vector<std::string> classes;
    if (LONG e = ClassNames(&classes)) return e;
    if (index >= classes.size()) return ERROR_NO_MORE_ITEMS;
    return report(classes[index], *t.handle->store);
  }
  return t.handle->store->Read([&](const Key& root) -> LONG {
    const Key* k = Find(root, *t.handle);
    if (!k) return ERROR_KEY_DELETED;
    if (!(t.handle->access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    if (index >= k->Subkeys().size()) return ERROR_NO_MORE_ITEMS;
    return report(k->Subkeys()[index]->Name(), *t.handle->store);
  });
}

LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameChars, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  std::lock_guard guard(g_registryLock);
  if (!name || !nameChars || reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  Target t = Resolve(key);
  if (!t.handle) return t.error;
  return t.handle->store->Read([&](const Key& root) -> LONG {
    const Key* k = Find(root, *t.handle);
    if (!k) return ERROR_KEY_DELETED;
    if (!(t.handle->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (index >= k->Values().size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = k->Values()[index];
    // The type and the size the data needs come back whatever does not fit; the name is written
    // only once the data fit, so a caller that grows its data buffer keeps its name buffer.
    DWORD capacity = dataSize ? *dataSize : 0;
    std::string bytes = dataSize ? AnsiData(v) : std::string();
    LONG status = data ? CopyValueData(v, bytes, data, capacity) : ERROR_SUCCESS;
    if (status == ERROR_SUCCESS) status = CopyEnumeratedName(vp::registry::AnsiFromName(v.name), name, nameChars);
    if (type) *type = v.type;
    if (dataSize) *dataSize = static_cast<DWORD>(bytes.size());
    return status;
  });
}

LSTATUS RegCloseKey(HKEY key) {
  std::lock_guard guard(g_registryLock);
  if (PredefinedKey(key) != Predefined::None) return ERROR_SUCCESS;
  if (!key || !vp::handles::LookupAs<KeyHandle>(key)) return ERROR_INVALID_HANDLE;
  vp::handles::Remove(key);
  return ERROR_SUCCESS;
}
