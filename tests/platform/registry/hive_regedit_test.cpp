// An independent reader of our hive files: wine's regedit imports one into a wine prefix; what
// wine's "reg query" lists must be what our layer reads, and names and data in scripts the code
// page lacks come back from wine's "reg export" as our hive holds them. Runs when
// VP_WINE_PREFIX names a prefix made by scripts/wine-prefix.sh (the import adds test keys),
// with the loader VP_WINE_LOADER names.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "registry/hive_store.h"
#include "host_files.h"
#include "platform/machine.h"
#include "platform/win.h"

namespace {

using vp::test::ReadHost;
using vp::test::WriteHost;

constexpr const char* kKey = "Software\\VpRegeditCheck";

std::string RunCommand(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

// How "reg query" prints a value of each type.
std::string Printed(DWORD type, const std::string& data) {
  char number[32];
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return data.substr(0, data.find('\0'));
    case REG_DWORD:
      std::snprintf(number, sizeof number, "0x%x", static_cast<unsigned>(
          static_cast<unsigned char>(data[0]) | static_cast<unsigned char>(data[1]) << 8 |
          static_cast<unsigned char>(data[2]) << 16 | static_cast<unsigned>(static_cast<unsigned char>(data[3])) << 24));
      return number;
    case REG_MULTI_SZ: {
      std::string text, rest = data;
      while (!rest.empty() && rest[0] != '\0') {
        std::size_t end = rest.find('\0');
        text += (text.empty() ? "" : "\\0") + rest.substr(0, end);
        rest.erase(0, end + 1);
      }
      return text;
    }
    default: {
      std::string hex;
      for (unsigned char c : data) {
        std::snprintf(number, sizeof number, "%02X", c);
        hex += number;
      }
      return hex;
    }
  }
}

// "    Name    REG_TYPE    data" lines of one key, by name.
std::map<std::string, std::string> ListedValues(const std::string& output) {
  std::map<std::string, std::string> values;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("    ", 0) != 0) continue;
    std::size_t type = line.find("    REG_", 4);
    if (type == std::string::npos) continue;
    std::size_t data = line.find("    ", type + 4);
    std::string name = line.substr(4, type - 4);
    std::string kind = line.substr(type + 4, data == std::string::npos ? std::string::npos : data - type - 4);
    values[name] = kind + " " + (data == std::string::npos ? "" : line.substr(data + 4));
  }
  return values;
}

void ExpectSameTree(const vp::registry::Key& a, const vp::registry::Key& b) {
  EXPECT_EQ(a.Name(), b.Name());
  ASSERT_EQ(a.Values().size(), b.Values().size()) << a.Name();
  for (const vp::registry::Value& v : a.Values()) {
    const vp::registry::Value* other = b.FindValue(v.name);
    ASSERT_NE(other, nullptr) << v.name;
    EXPECT_EQ(other->name, v.name);
    EXPECT_EQ(other->type, v.type) << v.name;
    EXPECT_EQ(other->data, v.data) << v.name;
  }
  ASSERT_EQ(a.Subkeys().size(), b.Subkeys().size()) << a.Name();
  for (std::size_t i = 0; i < a.Subkeys().size(); ++i) ExpectSameTree(*a.Subkeys()[i], *b.Subkeys()[i]);
}

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
    default: return "REG_NONE";
  }
}

// The start of a shell command that runs a wine program in the prefix, with the loader that made
// it (VP_WINE_LOADER, set with it by the test command): Debian's "wine" picks the 32-bit loader,
// which some hosts cannot run.
std::string WineCommand(const char* prefix) {
  const char* loader = std::getenv("VP_WINE_LOADER");
  std::string wine = loader && *loader ? loader : "wine";
  std::string env = "WINEPREFIX='" + std::string(prefix) + "' WINEDEBUG=-all ";
  if (loader && *loader) env += "WINELOADER='" + wine + "' ";
  return env + "'" + wine + "' ";
}

TEST(HiveRegedit, WineReadsWhatOurLayerReads) {
  const char* prefix = std::getenv("VP_WINE_PREFIX");
  if (!prefix || !*prefix) GTEST_SKIP() << "VP_WINE_PREFIX names no wine prefix";

  // Other programs' keys in several scripts, one of them volatile, as the file holds them...
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\VpRegeditUnicode]\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software\\VpRegeditUnicode\\Данные]\r\n;volatile\r\n"
      "\"Ключ\"=\"first\"\r\n\"Цвет\"=\"second\"\r\n\"Name\"=\"日本語\"\r\n\"Emoji 😀\"=\"😀 ünïcödé\"\r\n"
      "\"Expand\"=hex(2):25,00,14,04,25,00,00,00\r\n"
      "\r\n[HKEY_CURRENT_USER\\Software\\VpRegeditUnicode\\Привет\\日本]\r\n";
  std::string hive = vp::machine::RegistryFolder() + "/HKEY_CURRENT_USER.reg";
  std::ofstream(hive, std::ios::binary | std::ios::trunc) << "\xff\xfe" + vp::registry::WideFromName(text);

  // ...and values of every type written through our layer, which rewrites the file.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  struct Write {
    const char* name;
    DWORD type;
    std::string data;
  } writes[] = {
      {"Text", REG_SZ, std::string("plain \"quoted\" C:\\Program Files\\x\0", 34)},
      {"", REG_SZ, std::string("the default\0", 12)},
      {"Tabbed", REG_SZ, std::string("one\ttwo\0", 8)},  // written as hex(1)
      {"Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\x\0", 15)},
      {"Multi", REG_MULTI_SZ, std::string("first\0second\0\0", 14)},
      {"Number", REG_DWORD, std::string("\x2a\x01\0\x80", 4)},
      {"Bytes", REG_BINARY, std::string("\0\x01\xfe\xff", 4)},
      {"Long Bytes", REG_BINARY, std::string(100, '\x5a')},
  };
  for (const Write& w : writes)
    ASSERT_EQ(RegSetValueExA(key, w.name, 0, w.type, reinterpret_cast<const BYTE*>(w.data.data()),
                             static_cast<DWORD>(w.data.size())),
              ERROR_SUCCESS);
  HKEY sub = nullptr;
  ASSERT_EQ(RegCreateKeyExA(key, "Empty Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), ERROR_SUCCESS);
  RegCloseKey(sub);

  // What our layer reads back, printed as reg.exe prints it.
  std::map<std::string, std::string> ours;
  char name[256];
  BYTE data[512];
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = sizeof name, size = sizeof data, type = 0;
    if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    std::string shown = nameLength ? std::string(name, nameLength) : "(Default)";
    ours[shown] = std::string(TypeName(type)) + " " + Printed(type, std::string(reinterpret_cast<char*>(data), size));
  }
  RegCloseKey(key);
  ASSERT_EQ(ours.size(), std::size(writes));
  // A large hive keeps its latest changes in the journal beside it until they are folded in.
  ASSERT_EQ(vp::registry::StoreOf(vp::registry::Hive::CurrentUser).Fold(), ERROR_SUCCESS);

  std::string env = WineCommand(prefix);
  std::string copy = std::string(prefix) + "/drive_c/vp-hive-import.reg";
  std::string exported = std::string(prefix) + "/drive_c/vp-hive-export.reg";
  std::ofstream(copy, std::ios::binary | std::ios::trunc) << ReadHost(hive);
  RunCommand(env + "regedit /S 'C:\\vp-hive-import.reg' 2>&1");

  // The values of every type, as reg.exe lists them.
  std::string listed = RunCommand(env + "reg query 'HKCU\\" + kKey + "' /s 2>&1");
  EXPECT_EQ(ListedValues(listed), ours) << listed;
  EXPECT_NE(listed.find("HKEY_CURRENT_USER\\Software\\VpRegeditCheck\\Empty Sub"), std::string::npos) << listed;

  // The names and data of every script, exported by wine as our hive holds them.
  RunCommand(env + "reg export 'HKCU\\Software\\VpRegeditUnicode' 'C:\\vp-hive-export.reg' /y 2>&1");
  auto mine = vp::registry::ParseHive(ReadHost(hive), "HKEY_CURRENT_USER");
  auto wine = vp::registry::ParseHive(ReadHost(exported), "HKEY_CURRENT_USER");
  ASSERT_NE(mine, nullptr);
  ASSERT_NE(wine, nullptr) << vp::registry::HiveText(ReadHost(exported));
  const vp::registry::Key* ourUnicode = mine->FindSubkey("Software")->FindSubkey("VpRegeditUnicode");
  const vp::registry::Key* theirs = wine->FindSubkey("Software")->FindSubkey("VpRegeditUnicode");
  ASSERT_NE(theirs, nullptr) << vp::registry::HiveText(ReadHost(exported));
  ExpectSameTree(*ourUnicode, *theirs);
  EXPECT_NE(theirs->FindSubkey("Данные")->FindValue("Name"), nullptr);
  // The volatile key's marker is a comment to regedit: the key and its values are imported.
  EXPECT_TRUE(ourUnicode->FindSubkey("Данные")->IsVolatile());

  RunCommand(env + "reg delete 'HKCU\\" + kKey + "' /f 2>&1");
  RunCommand(env + "reg delete 'HKCU\\Software\\VpRegeditUnicode' /f 2>&1");
  std::remove(copy.c_str());
  std::remove(exported.c_str());
}

}  // namespace
