// The in-memory tree of one registry hive: keys with case-preserving, case-insensitive names;
// subkeys kept in the registry's sorted order, values in the order they were first set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/posix/types.h"

namespace vp::registry {

// Names compare as the registry does: ASCII letters folded to upper case.
std::string FoldName(std::string_view name);
bool NameLess(std::string_view a, std::string_view b);

struct Value {
  std::string name;
  DWORD type = 0;
  std::string data;  // the bytes as the 8-bit entry points read and write them
};

class Key {
 public:
  explicit Key(std::string name);
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  const std::string& Name() const { return name_; }
  // Identity of this key in this process; a key deleted and made again gets a new one.
  std::uint64_t Id() const { return id_; }
  void AdoptId(std::uint64_t id) { id_ = id; }

  const std::vector<std::unique_ptr<Key>>& Subkeys() const { return subkeys_; }
  Key* FindSubkey(std::string_view name) const;
  Key& AddSubkey(std::string_view name, bool* created = nullptr);
  bool RemoveSubkey(std::string_view name);

  const std::vector<Value>& Values() const { return values_; }
  const Value* FindValue(std::string_view name) const;
  // Sets a value; a new name is added last, an existing one keeps its place and spelling.
  void SetValue(std::string_view name, DWORD type, std::string data);
  bool RemoveValue(std::string_view name);

 private:
  std::string name_;
  std::uint64_t id_;
  std::vector<std::unique_ptr<Key>> subkeys_;
  std::vector<Value> values_;
  std::unordered_map<std::string, std::size_t> valueIndex_;  // folded name -> position
};

// Gives every key of `fresh` that has a counterpart at the same path in `old` the old key's id,
// so that handles opened before a reload stay valid for keys that still exist.
void CarryIds(const Key& old, Key& fresh);

// The .reg file of a hive whose root is named `rootName` ("HKEY_CURRENT_USER"), in UTF-16LE
// with a byte order mark as regedit writes them.
std::string SerializeHive(const Key& root, std::string_view rootName);
// Parses a hive file, UTF-16LE with its mark or 8-bit text; null when any line is not
// understood (the file is then left alone).
std::unique_ptr<Key> ParseHive(std::string_view file, std::string_view rootName);
// The 8-bit text of a hive file (for reading it in tests and tools).
std::string HiveText(std::string_view file);

// The code page conversions of the string types: bytes of the system code page <-> UTF-16LE.
std::string WideFromAnsi(std::string_view ansi);
std::string AnsiFromWide(std::string_view wide);
bool IsStringType(DWORD type);

}  // namespace vp::registry
