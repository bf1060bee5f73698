// The hive files behind the registry calls: what a change leaves on disk, a damaged file (cut,
// garbage, beyond the registry's bounds) that no call may touch, and HKEY_LOCAL_MACHINE for a
// user who is or is not an administrator.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

#include <fstream>
#include <sstream>
#include <string>

#include "registry/hive_model.h"
#include "platform/machine.h"
#include "host_files.h"
#include "platform/win.h"

namespace {

using vp::test::ReadHost;
using vp::test::WriteHost;

std::string HivePath(const char* root) { return vp::machine::RegistryFolder() + "/" + root + ".reg"; }

LONG SetDword(HKEY key, const char* name, DWORD n) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&n), 4);
}

class HiveFile : public testing::Test {
 protected:
  void TearDown() override {
    remove(HivePath("HKEY_CURRENT_USER").c_str());
    remove((HivePath("HKEY_CURRENT_USER") + ".log").c_str());
    remove(HivePath("HKEY_LOCAL_MACHINE").c_str());
    SetAdministrator(false);
  }
  static void SetAdministrator(bool admin) {
    WriteHost(vp::machine::Root() + "/machine.conf", admin ? "admin=1\n" : "admin=0\n");
    vp::machine::UseRoot(vp::machine::Root());
  }
};

TEST_F(HiveFile, EveryChangeIsOnDiskWhenTheCallReturns) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Maker", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, "Count", 42), ERROR_SUCCESS);
  std::string text = vp::registry::HiveText(ReadHost(HivePath("HKEY_CURRENT_USER")));
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Maker]\r\n\"Count\"=dword:0000002a\r\n"),
            std::string::npos);
  ASSERT_EQ(RegDeleteValueA(key, "Count"), ERROR_SUCCESS);
  EXPECT_EQ(vp::registry::HiveText(ReadHost(HivePath("HKEY_CURRENT_USER"))).find("Count"), std::string::npos);
  RegCloseKey(key);
}

TEST_F(HiveFile, ADamagedHiveIsNeverWritten) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Maker\\Sub", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Maker", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, "Kept", 1), ERROR_SUCCESS);
  std::string good = ReadHost(HivePath("HKEY_CURRENT_USER"));

  // Beyond the registry's bounds: 20,000 levels, and a key name longer than 255 characters.
  std::string deep = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software";
  for (int depth = 0; depth < 20000; ++depth) deep += "\\a";
  const std::string damaged[] = {good.substr(0, good.size() - 6),  // cut inside the last line
                                 good.substr(0, good.size() - 1),  // cut inside a character
                                 std::string("\x00\xff garbage \x01", 12),
                                 good + vp::registry::WideFromAnsi("[broken\r\n"),
                                 "\xff\xfe" + vp::registry::WideFromName(deep + "]\r\n"),
                                 "\xff\xfe" + vp::registry::WideFromName(
                                     "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\" +
                                     std::string(300, 'n') + "]\r\n")};
  for (const std::string& text : damaged) {
    WriteHost(HivePath("HKEY_CURRENT_USER"), text);
    HKEY out = nullptr;
    DWORD size = 4, n = 0;
    char name[64];
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &out), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &out, nullptr),
              ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(SetDword(key, "Kept", 2), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(SetDword(HKEY_CURRENT_USER, "Root", 2), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegQueryValueExA(key, "Kept", nullptr, nullptr, reinterpret_cast<BYTE*>(&n), &size),
              ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegDeleteValueA(key, "Kept"), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegDeleteKeyA(key, "Sub"), ERROR_REGISTRY_CORRUPT);
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_REGISTRY_CORRUPT);
    size = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(ReadHost(HivePath("HKEY_CURRENT_USER")), text);
    EXPECT_NE(access((HivePath("HKEY_CURRENT_USER") + ".log").c_str(), F_OK), 0);  // nor journaled
    // The other hive is not affected.
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &out), ERROR_SUCCESS);
    RegCloseKey(out);
  }

  // Once the file is repaired, the same handle works again.
  WriteHost(HivePath("HKEY_CURRENT_USER"), good);
  EXPECT_EQ(SetDword(key, "Kept", 3), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(HiveFile, LocalMachineIsReadOnlyForAUserWhoIsNoAdministrator) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(key, "V", 1), ERROR_ACCESS_DENIED);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_SET_VALUE, &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker", 0, nullptr, 0, KEY_READ, nullptr, &key,
                            &disposition),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(SetDword(HKEY_LOCAL_MACHINE, "V", 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_ACCESS_DENIED);
  // Opening an existing key for reading through the create call is allowed.
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, nullptr, 0, KEY_READ, nullptr, &key,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(key);

  SetAdministrator(true);
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_EQ(SetDword(key, "V", 1), ERROR_SUCCESS);
  RegCloseKey(key);

  // The administrator's key is readable afterwards, never writable.
  SetAdministrator(false);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker", 0, KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD n = 0, size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "V", nullptr, nullptr, reinterpret_cast<BYTE*>(&n), &size), ERROR_SUCCESS);
  EXPECT_EQ(n, 1u);
  RegCloseKey(key);
}

// HKEY_CLASSES_ROOT: a class opens from the user's classes where the user has it, else from
// the machine's; a new class is the machine's, so only an administrator makes one.
TEST_F(HiveFile, ClassesRootIsTheUsersClassesOverTheMachines) {
  auto make = [](HKEY root, const char* path, const char* text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS)
        << path;
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(strlen(text) + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  };
  auto classText = [](const char* name) {
    HKEY key = nullptr;
    if (LONG e = RegOpenKeyExA(HKEY_CLASSES_ROOT, name, 0, KEY_READ, &key)) return "error " + std::to_string(e);
    char text[64] = {};
    DWORD size = sizeof text;
    LONG e = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return e ? "error " + std::to_string(e) : std::string(text);
  };
  // Without any classes key, the classes root is an empty key, never a deleted one.
  HKEY again = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "", 0, KEY_READ, &again), ERROR_SUCCESS);
  char name[64];
  DWORD length = sizeof name;
  EXPECT_EQ(RegQueryValueExA(again, "", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegEnumValueA(again, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  SetAdministrator(true);
  make(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.vpx", "machine");
  make(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\MachineOnly", "machine only");
  SetAdministrator(false);
  EXPECT_EQ(classText(".vpx"), "machine");
  make(HKEY_CURRENT_USER, "Software\\Classes\\.VPX", "user");
  EXPECT_EQ(classText(".vpx"), "user");
  EXPECT_EQ(classText("MachineOnly"), "machine only");
  EXPECT_EQ(classText("Missing"), "error " + std::to_string(ERROR_FILE_NOT_FOUND));
  make(HKEY_CURRENT_USER, "Software\\Classes\\UserOnly", "user only");
  std::vector<std::string> listed;
  for (DWORD i = 0;; ++i) {
    length = sizeof name;
    if (RegEnumKeyExA(again, i, name, &length, nullptr, nullptr, nullptr, nullptr)) break;
    listed.emplace_back(name, length);
  }
  EXPECT_EQ(listed, (std::vector<std::string>{".VPX", "MachineOnly", "UserOnly"}));
  RegCloseKey(again);

  // Writing reaches the class where it opens: the user's, or the machine's for its administrator.
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "MachineOnly", 0, KEY_ALL_ACCESS, &key), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "NewClass", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_ACCESS_DENIED);
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".vpx", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(SetDword(key, "Seen", 1), ERROR_SUCCESS);
  RegCloseKey(key);
  HKEY user = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\.vpx", 0, KEY_READ, &user), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(user, "Seen", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  RegCloseKey(user);
  SetAdministrator(true);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "NewClass", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\NewClass", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace
