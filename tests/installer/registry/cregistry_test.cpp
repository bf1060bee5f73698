// CRegistry on the real registry of the backend (our hives on POSIX, the registry under wine):
// paths it builds, what it writes back, its enumeration cursor, ownership of its handle and
// the recursive delete.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/win.h"
#include "registry/registry.h"
#include "test_support.h"

namespace {

class CRegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = "Software\\VpRegistryTest-" + std::to_string(GetCurrentProcessId());
    base_ = root_ + "\\" + testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  void TearDown() override {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, root_.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      std::string leaf = testing::UnitTest::GetInstance()->current_test_info()->name();
      CRegistry::DeleteKeyTree(key, leaf.c_str());
      RegCloseKey(key);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, root_.c_str());
  }

  // Reads a value straight through the platform: type and bytes, or "<missing>".
  std::string Stored(const std::string& subPath, const char* name, DWORD* type = nullptr) {
    std::string path = subPath.empty() ? base_ : base_ + "\\" + subPath;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
    DWORD size = 0;
    std::string data = "<missing>";
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS) {
      data.assign(size, '\0');
      RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size);
    }
    RegCloseKey(key);
    return data;
  }

  bool Exists(const std::string& subPath) {
    return CRegistry::KeyExists(HKEY_CURRENT_USER, (subPath.empty() ? base_ : base_ + "\\" + subPath).c_str());
  }

  std::string root_, base_;
};

TEST_F(CRegistryTest, OpenAddsTheSubPathOnlyWhenItIsNotEmpty) {
  CRegistry reg;
  EXPECT_EQ(reg.Open(HKEY_CURRENT_USER, base_.c_str(), "", 1), 1);
  EXPECT_EQ(reg.GetDisposition(), static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_EQ(reg.WriteString("Where", "base"), 1);
  EXPECT_EQ(Stored("", "Where"), std::string("base\0", 5));

  EXPECT_EQ(reg.Open(HKEY_CURRENT_USER, base_.c_str(), "Sub", 1), 1);
  EXPECT_TRUE(Exists("Sub"));
  EXPECT_EQ(reg.Open(HKEY_CURRENT_USER, base_.c_str(), "Sub", 1), 1);
  EXPECT_EQ(reg.GetDisposition(), static_cast<DWORD>(REG_OPENED_EXISTING_KEY));

  // Without the create flag a missing key is not made, and the wrapper holds nothing.
  EXPECT_EQ(reg.Open(HKEY_CURRENT_USER, base_.c_str(), "Missing", 0), 0);
  EXPECT_FALSE(Exists("Missing"));
  EXPECT_EQ(reg.WriteString("Lost", "value"), 0);
  EXPECT_EQ(reg.Close(), 0);

  // ReadString always separates path and sub-path: an empty sub-path reads the path itself.
  EXPECT_EQ(reg.ReadString(HKEY_CURRENT_USER, base_.c_str(), "", "Where", "other"), "base");
}

TEST_F(CRegistryTest, ReadStringOnAMissingKeyWritesNothing) {
  CRegistry reg;
  EXPECT_EQ(reg.ReadString(HKEY_CURRENT_USER, base_.c_str(), "Absent", "Name", "default"), "");
  EXPECT_FALSE(Exists("Absent"));
  EXPECT_EQ(reg.WriteString("Name", "value"), 0);
  EXPECT_EQ(reg.Close(), 0);
}

TEST_F(CRegistryTest, ReadStringWritesTheDefaultOfAMissingValueOnce) {
  CRegistry reg(HKEY_CURRENT_USER, base_.c_str(), "Key", 1);
  CRegistry reader;
  EXPECT_EQ(reader.ReadString(HKEY_CURRENT_USER, base_.c_str(), "Key", "Name", "first"), "first");
  DWORD type = 0;
  EXPECT_EQ(Stored("Key", "Name", &type), std::string("first\0", 6));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(reader.ReadString(HKEY_CURRENT_USER, base_.c_str(), "Key", "Name", "second"), "first");

  // The key stays held: a write that follows goes to it.
  EXPECT_EQ(reader.WriteString("Next", "written"), 1);
  EXPECT_EQ(Stored("Key", "Next"), std::string("written\0", 8));

  // Without a default nothing is written; a null value name reads nothing but keeps the key.
  EXPECT_EQ(reader.ReadString(HKEY_CURRENT_USER, base_.c_str(), "Key", "Other", nullptr), "");
  EXPECT_EQ(Stored("Key", "Other"), "<missing>");
  EXPECT_EQ(reader.ReadString(HKEY_CURRENT_USER, base_.c_str(), "Key", nullptr, "x"), "");
  EXPECT_EQ(reader.Close(), 1);
}

TEST_F(CRegistryTest, TextReadsOfOtherTypesStopAtTheFirstZeroByte) {
  CRegistry reg(HKEY_CURRENT_USER, base_.c_str(), "", 1);
  const BYTE blob[] = {'a', 'b', 0, 'c', 'd'};
  ASSERT_EQ(reg.WriteBinary("Blob", blob, sizeof blob), 1);
  ASSERT_EQ(reg.WriteDWord("Number", 0x41), 1);
  EXPECT_EQ(reg.GetStringValue("Blob"), "ab");
  EXPECT_EQ(reg.GetStringValue("Number"), "A");
  EXPECT_EQ(reg.ReadString(HKEY_CURRENT_USER, base_.c_str(), "", "Blob", "unused"), "ab");
  EXPECT_EQ(reg.GetStringValue("Missing"), "");
  EXPECT_EQ(reg.GetStringValue(nullptr), "");
  EXPECT_EQ(Stored("", "Missing"), "<missing>");
}

TEST_F(CRegistryTest, NumbersAndBytes) {
  CRegistry reg(HKEY_CURRENT_USER, base_.c_str(), "", 1);
  EXPECT_EQ(reg.ReadDWord("Fresh", 7), 7u);
  DWORD type = 0;
  EXPECT_EQ(Stored("", "Fresh", &type), std::string("\x07\0\0\0", 4));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(reg.ReadDWord("Fresh", 9), 7u);
  EXPECT_EQ(reg.ReadDWord("Marker", 0xDEF0), 0xDEF0u);  // that default is never written
  EXPECT_EQ(Stored("", "Marker"), "<missing>");
  EXPECT_EQ(reg.WriteDWord(nullptr, 1), 0);

  const BYTE data[] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(reg.WriteBinary("Bytes", nullptr, 3), 0);
  ASSERT_EQ(reg.WriteBinary("Bytes", data, sizeof data), 1);
  DWORD size = 0;
  ASSERT_EQ(reg.ReadBinary("Bytes", nullptr, &size), 1);
  EXPECT_EQ(size, 6u);
  BYTE small[4] = {};
  size = sizeof small;
  EXPECT_EQ(reg.ReadBinary("Bytes", small, &size), 0);
  BYTE back[8] = {};
  size = sizeof back;
  ASSERT_EQ(reg.ReadBinary("Bytes", back, &size), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back), size), std::string("\1\2\3\4\5\6", 6));
  // A value longer than 4 bytes cannot be read as a number, but it is not replaced either.
  EXPECT_EQ(reg.ReadDWord("Bytes", 3), 3u);
  EXPECT_EQ(Stored("", "Bytes"), std::string("\1\2\3\4\5\6", 6));

  EXPECT_TRUE(reg.ValueExists("Bytes"));
  EXPECT_FALSE(reg.ValueExists(nullptr));
  EXPECT_EQ(reg.DeleteValue("Bytes"), 1);
  EXPECT_EQ(reg.DeleteValue("Bytes"), 0);
  EXPECT_FALSE(reg.ValueExists("Bytes"));
}

TEST_F(CRegistryTest, ExplicitPositionsMoveTheSubkeyCursor) {
  CRegistry reg(HKEY_CURRENT_USER, base_.c_str(), "", 1);
  for (const char* name : {"a", "b", "c", "d"}) ASSERT_EQ(reg.OpenSubKey(name, 1), 1);
  ASSERT_EQ(reg.Open(HKEY_CURRENT_USER, base_.c_str(), "", 0), 1);
  std::string name;
  ASSERT_EQ(reg.EnumSubKeyAt(name, 3), 1);
  EXPECT_EQ(name, "d");
  EXPECT_EQ(reg.EnumNextSubKey(name), 1);  // the cursor stayed at 3
  EXPECT_EQ(name, "d");
  EXPECT_EQ(reg.EnumNextSubKey(name), 0);
  EXPECT_EQ(name, "");
  ASSERT_EQ(reg.EnumFirstSubKey(name), 1);
  EXPECT_EQ(name, "a");
  EXPECT_EQ(reg.EnumNextSubKey(name), 1);
  EXPECT_EQ(name, "a");
  EXPECT_EQ(reg.EnumNextSubKey(name), 1);
  EXPECT_EQ(name, "b");
}

TEST_F(CRegistryTest, SubkeyWalkEndsAtTheFirstNameThatDoesNotFit) {
  HKEY base = nullptr, child = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &base, nullptr),
            ERROR_SUCCESS);
  std::string fits = "b" + std::string(258, 'x');      // 259 characters + terminator = 260
  std::string tooLong = "c" + std::string(259, 'x');   // 260 characters
  for (const std::string& name : {std::string("a"), fits, tooLong, std::string("d")}) {
    LONG status = RegCreateKeyExA(base, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
    // Windows refuses key names over 255 characters, and so do our hives: the walk's limit
    // only shows in a registry that keeps longer ones.
    if (status != ERROR_SUCCESS) RegCloseKey(base);
    if (status != ERROR_SUCCESS) GTEST_SKIP() << "this registry refuses a key name of " << name.size();
    RegCloseKey(child);
  }
  RegCloseKey(base);
  CRegistry reg;
  ASSERT_EQ(reg.Open(HKEY_CURRENT_USER, base_.c_str(), "", 0), 1);
  std::string name = "stale";
  ASSERT_EQ(reg.EnumNextSubKey(name), 1);
  EXPECT_EQ(name, "a");
  ASSERT_EQ(reg.EnumNextSubKey(name), 1);
  EXPECT_EQ(name, fits);
  EXPECT_EQ(reg.EnumNextSubKey(name), 0);
  EXPECT_EQ(name, "");
  name = "stale";
  EXPECT_EQ(reg.EnumNextSubKey(name), 0);  // the cursor stayed on the long name
  EXPECT_EQ(name, "");

  // Explicit positions move the cursor and keep it there.
  ASSERT_EQ(reg.EnumSubKeyAt(name, 3), 1);
  EXPECT_EQ(name, "d");
  EXPECT_EQ(reg.EnumNextSubKey(name), 1);
  EXPECT_EQ(name, "d");
  EXPECT_EQ(reg.EnumNextSubKey(name), 0);
  ASSERT_EQ(reg.EnumFirstSubKey(name), 1);
  EXPECT_EQ(name, "a");
  EXPECT_EQ(reg.EnumNextSubKey(name), 1);
  EXPECT_EQ(name, "a");

  // The recursive delete cannot read that name either, so it stops there.
  EXPECT_EQ(CRegistry::DeleteKeyTree(HKEY_CURRENT_USER, base_.c_str()), 0);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, base_.c_str(), 0, KEY_ALL_ACCESS, &base), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(base, tooLong.c_str()), ERROR_SUCCESS);
  RegCloseKey(base);
}

TEST_F(CRegistryTest, ValueWalkVisitsEveryName) {
  CRegistry reg(HKEY_CURRENT_USER, base_.c_str(), "", 1);
  std::string name = "kept";
  EXPECT_EQ(reg.EnumFirstValue(name), 0);
  EXPECT_EQ(name, "kept");  // a failed value read leaves the name alone
  for (const char* n : {"One", "Two", "Three"}) ASSERT_EQ(reg.WriteString(n, "x"), 1);
  std::set<std::string> seen;
  for (bool more = reg.EnumFirstValue(name); more; more = reg.EnumNextValue(name)) seen.insert(name);
  EXPECT_EQ(seen, (std::set<std::string>{"One", "Two", "Three"}));
  EXPECT_EQ(reg.EnumNextValue(name), 0);
}

TEST_F(CRegistryTest, DeleteKeyRemovesEveryLevel) {
  {
    CRegistry deep(HKEY_CURRENT_USER, base_.c_str(), "Top\\Middle\\Bottom", 1);
    ASSERT_EQ(deep.WriteString("Leaf", "x"), 1);
    CRegistry side(HKEY_CURRENT_USER, base_.c_str(), "Top\\Side", 1);
    ASSERT_EQ(side.WriteDWord("N", 1), 1);
  }
  CRegistry reg(HKEY_CURRENT_USER, base_.c_str(), "", 0);
  EXPECT_EQ(reg.SubKeyExists("Top\\Middle\\Bottom"), 1);
  EXPECT_EQ(reg.DeleteKey("Top"), 1);
  EXPECT_EQ(reg.SubKeyExists("Top"), 0);
  EXPECT_FALSE(Exists("Top"));
  EXPECT_TRUE(Exists(""));
  EXPECT_EQ(reg.DeleteKey("Top"), 0);
  EXPECT_EQ(reg.DeleteKey(nullptr), 0);

  CRegistry none;
  EXPECT_EQ(none.DeleteKey("Top"), 0);
  EXPECT_EQ(none.SubKeyExists("Top"), 0);
}

TEST_F(CRegistryTest, OpenSubKeyDescendsOrMovesBesideThePath) {
  CRegistry reg(HKEY_CURRENT_USER, base_.c_str(), "", 1);
  EXPECT_EQ(reg.OpenSubKey("", 0), 0);
  ASSERT_EQ(reg.OpenSubKey("Child", 0), 1);
  EXPECT_EQ(reg.GetDisposition(), static_cast<DWORD>(REG_CREATED_NEW_KEY));
  ASSERT_EQ(reg.WriteString("At", "child"), 1);
  EXPECT_EQ(Stored("Child", "At"), std::string("child\0", 6));

  // Mode 1 opens path + name under the root; the path already carries "\Child".
  ASSERT_EQ(reg.OpenSubKey("Grand", 1), 1);
  ASSERT_EQ(reg.WriteString("At", "grand"), 1);
  EXPECT_EQ(Stored("Child\\Grand", "At"), std::string("grand\0", 6));

  EXPECT_EQ(reg.OpenSubKey("Ignored", 7), 1);
  EXPECT_FALSE(Exists("Child\\Grand\\Ignored"));
  EXPECT_FALSE(Exists("Child\\Ignored"));
}

TEST_F(CRegistryTest, CopiesHoldTheirOwnHandle) {
  CRegistry original(HKEY_CURRENT_USER, base_.c_str(), "", 1);
  CRegistry copy(original);
  EXPECT_EQ(original.Close(), 1);
  EXPECT_EQ(copy.WriteString("ViaCopy", "yes"), 1);
  EXPECT_EQ(Stored("", "ViaCopy"), std::string("yes\0", 4));

  CRegistry empty;
  CRegistry emptyCopy(empty);
  EXPECT_EQ(emptyCopy.Close(), 0);
}

TEST_F(CRegistryTest, ClosingReleasesTheKey) {
  CRegistry reg;
  EXPECT_EQ(reg.Close(), 0);
  ASSERT_EQ(reg.Open(HKEY_CURRENT_USER, base_.c_str(), "", 1), 1);
  EXPECT_EQ(reg.Close(), 1);
  EXPECT_EQ(reg.Close(), 0);
  EXPECT_EQ(reg.WriteDWord("After", 1), 0);
  EXPECT_EQ(Stored("", "After"), "<missing>");
}

#ifndef _WIN32
// Our emulated user is no administrator: HKEY_LOCAL_MACHINE may be read, not written, so a
// wrapper that asks for full access finds nothing there.
TEST(CRegistryLocalMachine, KeysTheUserMayOnlyReadCountAsAbsent) {
  HKEY readable = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &readable), ERROR_SUCCESS);
  RegCloseKey(readable);
  CRegistry reg;
  EXPECT_EQ(reg.Open(HKEY_LOCAL_MACHINE, "SOFTWARE", "", 0), 0);
  EXPECT_EQ(reg.Open(HKEY_LOCAL_MACHINE, "SOFTWARE", "Maker", 1), 0);
  EXPECT_EQ(reg.ReadString(HKEY_LOCAL_MACHINE, "SOFTWARE", "", "Value", "default"), "");
  EXPECT_EQ(CRegistry::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE"), 0);
  EXPECT_EQ(reg.WriteString("Value", "x"), 0);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker", 0, KEY_READ, &readable), ERROR_FILE_NOT_FOUND);
}
#endif

}  // namespace
