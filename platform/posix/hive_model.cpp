#include "hive_model.h"

#include <algorithm>
#include <atomic>

namespace vp::registry {
namespace {

std::uint64_t NewKeyId() {
  static std::atomic<std::uint64_t> next{1};
  return next++;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Windows-1252 code points of the bytes 0x80..0x9F; undefined bytes map to the control
// character of the same number, as the system's conversion does.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

auto SubkeyLess = [](const std::unique_ptr<Key>& k, std::string_view n) {
  return NameLess(k->Name(), n);
};

}  // namespace

std::string FoldName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = Upper(c);
  return folded;
}

bool NameLess(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(Upper(a[i]));
    auto cb = static_cast<unsigned char>(Upper(b[i]));
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

Key::Key(std::string name) : name_(std::move(name)), id_(NewKeyId()) {}

Key* Key::FindSubkey(std::string_view name) const {
  auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), name, SubkeyLess);
  if (it == subkeys_.end() || NameLess(name, (*it)->Name())) return nullptr;
  return it->get();
}

Key& Key::AddSubkey(std::string_view name, bool* created) {
  auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), name, SubkeyLess);
  bool isNew = it == subkeys_.end() || NameLess(name, (*it)->Name());
  if (created) *created = isNew;
  if (!isNew) return **it;
  it = subkeys_.insert(it, std::make_unique<Key>(std::string(name)));
  return **it;
}

bool Key::RemoveSubkey(std::string_view name) {
  auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), name, SubkeyLess);
  if (it == subkeys_.end() || NameLess(name, (*it)->Name())) return false;
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

std::string WideFromAnsi(std::string_view ansi) {
  std::string wide;
  wide.reserve(ansi.size() * 2);
  for (char c : ansi) {
    auto byte = static_cast<unsigned char>(c);
    char16_t unit = byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
    wide += static_cast<char>(unit & 0xFF);
    wide += static_cast<char>(unit >> 8);
  }
  return wide;
}

std::string AnsiFromWide(std::string_view wide) {
  std::string ansi;
  std::size_t i = 0;
  for (; i + 1 < wide.size(); i += 2) {
    char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(wide[i]) |
                                          static_cast<unsigned char>(wide[i + 1]) << 8);
    char byte = '?';  // a character outside the code page
    if (unit < 0x80 || (unit >= 0xA0 && unit < 0x100)) {
      byte = static_cast<char>(unit);
    } else {
      for (int b = 0; b < 32; ++b)
        if (kHighControls[b] == unit) byte = static_cast<char>(0x80 + b);
    }
    ansi += byte;
  }
  if (i < wide.size()) ansi += wide[i];  // an odd last byte is kept as it is
  return ansi;
}

}  // namespace vp::registry
