#include "staging/registry_snapshot.h"

#include <cstdlib>
#include <map>
#include <memory>

#include "files/file_into_place.h"
#include "files/folder_walk.h"
#include "registry/registry.h"
#include "staging/text_file.h"

namespace staging {

namespace {

struct SavedValue {
  std::string name;
  DWORD type = REG_NONE;
  std::string data;
};

// One key as saved: values and subkeys by their names folded to lower case, as the registry
// compares them.
struct KeyImage {
  std::map<std::string, SavedValue> values;
  std::map<std::string, std::pair<std::string, std::unique_ptr<KeyImage>>> subkeys;
};

const char* RootName(HKEY root) { return root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU"; }
HKEY RootOfName(const std::string& name) {
  if (name == "HKLM") return HKEY_LOCAL_MACHINE;
  if (name == "HKCU") return HKEY_CURRENT_USER;
  return nullptr;
}

void ReadKey(HKEY key, KeyImage* image) {
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD nameLength = sizeof name, type = 0, size = 0;
    if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
      break;
    SavedValue value{std::string(name, nameLength), type, std::string(size, '\0')};
    DWORD got = size;
    if (size && RegQueryValueExA(key, value.name.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(&value.data[0]), &got) == ERROR_SUCCESS)
      value.data.resize(got);
    image->values[files::FoldCase(value.name)] = std::move(value);
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameLength = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    std::string child(name, nameLength);
    auto sub = std::make_unique<KeyImage>();
    HKEY subKey = nullptr;
    if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &subKey) == ERROR_SUCCESS) {
      ReadKey(subKey, sub.get());
      RegCloseKey(subKey);
    }
    image->subkeys[files::FoldCase(child)] = {child, std::move(sub)};
  }
}

void WriteKey(const KeyImage& image, const std::string& relative, std::string* out) {
  if (!relative.empty()) *out += "key\t" + ToHex(relative) + "\n";
  for (const auto& [folded, v] : image.values)
    *out += "value\t" + ToHex(relative) + "\t" + ToHex(v.name) + "\t" + std::to_string(v.type) +
            "\t" + ToHex(v.data) + "\n";
  for (const auto& [folded, sub] : image.subkeys)
    WriteKey(*sub.second, relative.empty() ? sub.first : relative + "\\" + sub.first, out);
}

// The image of the key at `relative` below `top`, made with its parents when missing.
KeyImage* ImageAt(KeyImage* top, const std::string& relative) {
  KeyImage* image = top;
  size_t from = 0;
  while (from < relative.size()) {
    size_t slash = relative.find('\\', from);
    std::string name = relative.substr(from, slash == std::string::npos ? std::string::npos : slash - from);
    auto& slot = image->subkeys[files::FoldCase(name)];
    if (!slot.second) slot = {name, std::make_unique<KeyImage>()};
    image = slot.second.get();
    from = slash == std::string::npos ? relative.size() : slash + 1;
  }
  return image;
}

// Makes the key at `path` under `root` equal to `image`; true when it is.
bool Sync(HKEY root, const std::string& path, const KeyImage& image) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  KeyImage now;
  ReadKey(key, &now);
  bool same = true;
  for (const auto& [folded, v] : now.values)
    if (!image.values.count(folded) && RegDeleteValueA(key, v.name.c_str()) != ERROR_SUCCESS) same = false;
  for (const auto& [folded, v] : image.values) {
    auto found = now.values.find(folded);
    if (found != now.values.end() && found->second.type == v.type && found->second.data == v.data)
      continue;
    if (RegSetValueExA(key, v.name.c_str(), 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                       static_cast<DWORD>(v.data.size())) != ERROR_SUCCESS)
      same = false;
  }
  RegCloseKey(key);
  for (const auto& [folded, sub] : now.subkeys)
    if (!image.subkeys.count(folded) && !CRegistry::DeleteKeyTree(root, (path + "\\" + sub.first).c_str()))
      same = false;
  for (const auto& [folded, sub] : image.subkeys)
    if (!Sync(root, path + "\\" + sub.first, *sub.second)) same = false;
  return same;
}

}  // namespace

bool SaveRegistryTrees(const std::vector<RegistryTree>& trees, const std::string& file) {
  std::string out;
  for (const RegistryTree& tree : trees) {
    HKEY key = nullptr;
    bool present = RegOpenKeyExA(tree.root, tree.path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    out += std::string("tree\t") + RootName(tree.root) + "\t" + ToHex(tree.path) + "\t" +
           (present ? "1" : "0") + "\n";
    if (!present) continue;
    KeyImage image;
    ReadKey(key, &image);
    RegCloseKey(key);
    WriteKey(image, "", &out);
  }
  return files::WriteIntoPlace(file, out);
}

bool RestoreRegistryTrees(const std::string& file) {
  std::string text;
  if (!files::ReadWholeFile(file, &text)) return false;
  struct Tree {
    HKEY root;
    std::string path;
    bool present;
    KeyImage image;
  };
  std::vector<std::unique_ptr<Tree>> trees;
  for (const std::vector<std::string>& f : SplitRecords(text)) {
    if (f[0] == "tree" && f.size() == 4) {
      trees.push_back(std::make_unique<Tree>(Tree{RootOfName(f[1]), FromHex(f[2]), f[3] == "1", {}}));
    } else if (trees.empty()) {
      return false;
    } else if (f[0] == "key" && f.size() == 2) {
      ImageAt(&trees.back()->image, FromHex(f[1]));
    } else if (f[0] == "value" && f.size() == 5) {
      SavedValue v{FromHex(f[2]), static_cast<DWORD>(std::strtoul(f[3].c_str(), nullptr, 10)), FromHex(f[4])};
      ImageAt(&trees.back()->image, FromHex(f[1]))->values[files::FoldCase(v.name)] = std::move(v);
    } else {
      return false;
    }
  }
  bool restored = true;
  for (const auto& tree : trees) {
    if (!tree->root) return false;
    if (tree->present) {
      if (!Sync(tree->root, tree->path, tree->image)) restored = false;
      continue;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(tree->root, tree->path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    RegCloseKey(key);
    if (!CRegistry::DeleteKeyTree(tree->root, tree->path.c_str())) restored = false;
  }
  return restored;
}

}  // namespace staging
