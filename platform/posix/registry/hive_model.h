// The in-memory tree of one registry hive: keys with case-preserving, case-insensitive names;
// subkeys kept in the registry's sorted order, values in the order they were first set. Names
// and string data are held in Unicode (see hive_strings.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "hive_strings.h"
#include "platform/posix/core/types.h"

namespace vp::registry {

// The registry's bounds: a key lies at most 512 levels below its hive's root, a key name has
// at most 255 UTF-16 units and a value name at most 16,383.
constexpr std::size_t kMaxKeyDepth = 512;
constexpr std::size_t kMaxKeyNameUnits = 255;
constexpr std::size_t kMaxValueNameUnits = 16383;

struct Value {
  std::string name;
  DWORD type = 0;
  std::string data;  // as stored: UTF-16LE bytes for the string types
};

class Key {
 public:
  explicit Key(std::string name);
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& FoldedName() const { return folded_; }
  // Identity of this key in this process; a key deleted and made again gets a new one.
  std::uint64_t Id() const { return id_; }
  void AdoptId(std::uint64_t id) { id_ = id; }

  // A volatile key would be gone at the next restart; no non-volatile key is made below one.
  bool IsVolatile() const { return volatile_; }
  void MakeVolatile() { volatile_ = true; }

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
  std::string name_, folded_;
  std::uint64_t id_;
  bool volatile_ = false;
  std::vector<std::unique_ptr<Key>> subkeys_;
  std::vector<Value> values_;
  std::unordered_map<std::string, std::size_t> valueIndex_;  // folded name -> position
};

// Gives every key of `fresh` that has a counterpart at the same path in `old` the old key's id,
// so that handles opened before a reload stay valid for keys that still exist.
void CarryIds(const Key& old, Key& fresh);

// The .reg file of a hive whose root is named `rootName` ("HKEY_CURRENT_USER"), in UTF-16LE
// with a byte order mark as regedit writes them. A volatile key's section starts with the
// comment line ";volatile", which regedit skips as any comment.
std::string SerializeHive(const Key& root, std::string_view rootName);
// Parses a hive file, UTF-16LE with its mark or 8-bit text; null when any line is not
// understood or a key or name breaks the registry's bounds (the file is then left alone).
std::unique_ptr<Key> ParseHive(std::string_view file, std::string_view rootName);
// The text of a hive file as UTF-8 (for reading it in tests and tools).
std::string HiveText(std::string_view file);

bool IsStringType(DWORD type);

}  // namespace vp::registry
