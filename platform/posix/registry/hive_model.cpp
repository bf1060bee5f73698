#include "hive_model.h"

#include <algorithm>
#include <atomic>

namespace vp::registry {
namespace {

std::uint64_t NewKeyId() {
  static std::atomic<std::uint64_t> next{1};
  return next++;
}

// Subkeys are ordered by their folded names; `folded` is a name already folded.
auto SubkeyLess = [](const std::unique_ptr<Key>& k, std::string_view folded) {
  return k->FoldedName() < folded;
};

}  // namespace

Key::Key(std::string name) : name_(std::move(name)), folded_(FoldName(name_)), id_(NewKeyId()) {}

Key* Key::FindSubkey(std::string_view name) const {
  std::string folded = FoldName(name);
  auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), folded, SubkeyLess);
  if (it == subkeys_.end() || (*it)->FoldedName() != folded) return nullptr;
  return it->get();
}

Key& Key::AddSubkey(std::string_view name, bool* created) {
  std::string folded = FoldName(name);
  auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), folded, SubkeyLess);
  bool isNew = it == subkeys_.end() || (*it)->FoldedName() != folded;
  if (created) *created = isNew;
  if (!isNew) return **it;
  // Keys usually arrive in order (a hive file lists them so): appending is the common case.
  it = subkeys_.insert(it, std::make_unique<Key>(std::string(name)));
  return **it;
}

bool Key::RemoveSubkey(std::string_view name) {
  std::string folded = FoldName(name);
  auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), folded, SubkeyLess);
  if (it == subkeys_.end() || (*it)->FoldedName() != folded) return false;
  subkeys_.erase(it);
  return true;
}

const Value* Key::FindValue(std::string_view name) const {
  auto it = valueIndex_.find(FoldName(name));
  return it == valueIndex_.end() ? nullptr : &values_[it->second];
}

void Key::SetValue(std::string_view name, DWORD type, std::string data) {
  std::string folded = FoldName(name);
  auto it = valueIndex_.find(folded);
  if (it != valueIndex_.end()) {
    values_[it->second].type = type;
    values_[it->second].data = std::move(data);
    return;
  }
  valueIndex_.emplace(std::move(folded), values_.size());
  values_.push_back(Value{std::string(name), type, std::move(data)});
}

bool Key::RemoveValue(std::string_view name) {
  auto it = valueIndex_.find(FoldName(name));
  if (it == valueIndex_.end()) return false;
  std::size_t position = it->second;
  valueIndex_.erase(it);
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(position));
  for (auto& entry : valueIndex_)
    if (entry.second > position) --entry.second;
  return true;
}

void CarryIds(const Key& old, Key& fresh) {
  fresh.AdoptId(old.Id());
  for (const auto& child : fresh.Subkeys())
    if (const Key* before = old.FindSubkey(child->Name())) CarryIds(*before, *child);
}

bool IsStringType(DWORD type) { return type == 1 || type == 2 || type == 7; }

}  // namespace vp::registry
