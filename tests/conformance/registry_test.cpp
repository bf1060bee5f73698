// The registry's 8-bit entry points under HKEY_CURRENT_USER (and HKEY_CLASSES_ROOT over it):
// what each call returns, what it writes back into the caller's buffers, and how handles behave
// once their key is gone. Value enumeration order is not relied on; wine keeps key names longer
// than the 255 characters Windows allows, and its HKEY_CLASSES_ROOT shows the machine's classes
// alone.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "platform/win.h"
#include "test_support.h"

namespace {

std::string TestRoot() { return "Software\\VpConformance-" + std::to_string(GetCurrentProcessId()); }

class Registry : public testing::Test {
 protected:
  void SetUp() override {
    base_ = TestRoot() + "\\" + testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, base_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    DeleteTree(HKEY_CURRENT_USER, base_);
    RegDeleteKeyA(HKEY_CURRENT_USER, TestRoot().c_str());  // fails while other cases' keys remain
  }

  static void DeleteTree(HKEY parent, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char child[300];
    DWORD length = sizeof child;
    while (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      DeleteTree(key, child);
      length = sizeof child;
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, name.c_str());
  }

  LONG Create(const char* sub, HKEY* out, DWORD* disposition = nullptr) {
    return RegCreateKeyExA(key_, sub, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, out, disposition);
  }

  static std::string QueryBytes(HKEY key, const char* name, DWORD* type) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return "<missing>";
    std::string data(size, '\0');
    if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
      return "<failed>";
    data.resize(size);
    return data;
  }

  static std::vector<std::string> SubkeyNames(HKEY key) {
    std::vector<std::string> names;
    char name[300];
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      names.emplace_back(name, length);
    }
    return names;
  }

  std::string base_;
  HKEY key_ = nullptr;
};

TEST_F(Registry, CreateMakesMissingParentsAndReportsWhatItDid) {
  HKEY deep = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(Create("One\\Two\\Three", &deep, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(deep);

  ASSERT_EQ(Create("ONE\\two\\THREE", &deep, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(deep);

  // An empty name opens the key itself again (what it reports as disposition varies).
  ASSERT_EQ(Create("", &deep, &disposition), ERROR_SUCCESS);
  RegCloseKey(deep);
  ASSERT_EQ(Create(nullptr, &deep, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(deep), std::vector<std::string>{"One"});
  RegCloseKey(deep);

  HKEY middle = nullptr;
  ASSERT_EQ(RegOpenKeyExA(key_, "one\\TWO", 0, KEY_READ, &middle), ERROR_SUCCESS);
  EXPECT_EQ(SubkeyNames(middle), std::vector<std::string>{"Three"});  // case as created
  RegCloseKey(middle);
}

TEST_F(Registry, PathsRefuseALeadingBackslashOnly) {
  HKEY out = nullptr;
  EXPECT_EQ(Create("\\Lead", &out), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyExA(key_, "\\Lead", 0, KEY_READ, &out), ERROR_BAD_PATHNAME);

  ASSERT_EQ(Create("A\\\\B\\", &out), ERROR_SUCCESS);
  RegCloseKey(out);
  ASSERT_EQ(RegOpenKeyExA(key_, "A\\B", 0, KEY_READ, &out), ERROR_SUCCESS);
  RegCloseKey(out);
  EXPECT_EQ(SubkeyNames(key_), std::vector<std::string>{"A"});
}

TEST_F(Registry, OpenFailsForMissingKeysAndGivesIndependentHandles) {
  HKEY out = nullptr;
  EXPECT_EQ(RegOpenKeyExA(key_, "Missing", 0, KEY_READ, &out), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExA(key_, "Missing\\Deeper", 0, KEY_READ, &out), ERROR_FILE_NOT_FOUND);

  HKEY same = nullptr;
  ASSERT_EQ(RegOpenKeyExA(key_, nullptr, 0, KEY_ALL_ACCESS, &same), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(key_, "", 0, KEY_ALL_ACCESS, &out), ERROR_SUCCESS);
  EXPECT_NE(same, out);
  DWORD one = 1;
  ASSERT_EQ(RegSetValueExA(same, "Through", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
  RegCloseKey(same);
  DWORD type = 0;
  EXPECT_EQ(QueryBytes(out, "Through", &type), std::string("\x01\0\0\0", 4));  // the same key
  RegCloseKey(out);
}

TEST_F(Registry, ValuesKeepEveryTypeByteForByte) {
  struct Case {
    const char* name;
    DWORD type;
    std::string data;
  } cases[] = {
      {"Text", REG_SZ, std::string("hello \"quoted\" C:\\path\0", 23)},
      {"Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9)},
      {"Multi", REG_MULTI_SZ, std::string("one\0two\0\0", 9)},
      {"Number", REG_DWORD, std::string("\x2a\0\0\x80", 4)},
      {"Big", REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\x2a", 4)},
      {"Wide", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
      {"Blob", REG_BINARY, std::string("\0\xff\x10\r\n", 5)},
      {"Nothing", REG_NONE, std::string()},
      {"ShortDword", REG_DWORD, std::string("\x07\x00", 2)},
  };
  for (const Case& c : cases)
    ASSERT_EQ(RegSetValueExA(key_, c.name, 0, c.type, reinterpret_cast<const BYTE*>(c.data.data()),
                             static_cast<DWORD>(c.data.size())),
              ERROR_SUCCESS)
        << c.name;
  for (const Case& c : cases) {
    DWORD type = 0;
    EXPECT_EQ(QueryBytes(key_, c.name, &type), c.data) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
  }
}

TEST_F(Registry, QueryReportsLengthsAndShortBuffers) {
  const char text[] = "value";
  ASSERT_EQ(RegSetValueExA(key_, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 6), ERROR_SUCCESS);

  DWORD type = 0, size = 0;
  ASSERT_EQ(RegQueryValueExA(key_, "NAME", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 6u);

  BYTE small[3] = {};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key_, "Name", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);

  BYTE exact[6] = {};
  size = sizeof exact;
  ASSERT_EQ(RegQueryValueExA(key_, "Name", nullptr, nullptr, exact, &size), ERROR_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(exact), "value");

  EXPECT_EQ(RegQueryValueExA(key_, "Absent", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExA(key_, "Name", nullptr, nullptr, exact, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, SetCountsAForgottenTerminatorAndRefusesMissingData) {
  const char text[] = "abc";
  ASSERT_EQ(RegSetValueExA(key_, "Uncounted", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 3), ERROR_SUCCESS);
  DWORD type = 0;
  EXPECT_EQ(QueryBytes(key_, "Uncounted", &type), std::string("abc\0", 4));

  EXPECT_EQ(RegSetValueExA(key_, "Null", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
  ASSERT_EQ(RegSetValueExA(key_, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  EXPECT_EQ(QueryBytes(key_, "Empty", &type), "");
  EXPECT_EQ(QueryBytes(key_, "Null", &type), "<missing>");
}

TEST_F(Registry, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  DWORD one = 1, two = 2;
  ASSERT_EQ(RegSetValueExA(key_, "MixedCase", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key_, "MIXEDCASE", 0, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4), ERROR_SUCCESS);
  char name[64];
  DWORD length = sizeof name;
  ASSERT_EQ(RegEnumValueA(key_, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "MixedCase");
  length = sizeof name;
  EXPECT_EQ(RegEnumValueA(key_, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  DWORD type = 0;
  EXPECT_EQ(QueryBytes(key_, "mixedcase", &type), std::string("\x02\0\0\0", 4));

  // The unnamed value is the same through a null and an empty name.
  const char text[] = "default";
  ASSERT_EQ(RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 8), ERROR_SUCCESS);
  EXPECT_EQ(QueryBytes(key_, "", &type), std::string("default\0", 8));
}

TEST_F(Registry, CodePageTextReadsBackAsWritten) {
  // Names and data in code page 1252, the euro sign among them, come back byte for byte; its
  // letters fold as letters do.
  const char name[] = "Caf\xe9 \x80";
  const char data[] = "\xe9t\xe9 \x80\x9f";
  ASSERT_EQ(RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data), ERROR_SUCCESS);
  DWORD type = 0;
  EXPECT_EQ(QueryBytes(key_, "CAF\xc9 \x80", &type), std::string(data, sizeof data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  char listed[64];
  DWORD length = sizeof listed;
  ASSERT_EQ(RegEnumValueA(key_, 0, listed, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::string(listed, length), name);
  HKEY sub = nullptr;
  ASSERT_EQ(Create("\xc9t\xe9", &sub), ERROR_SUCCESS);
  RegCloseKey(sub);
  EXPECT_EQ(SubkeyNames(key_), std::vector<std::string>{"\xc9t\xe9"});
  EXPECT_EQ(RegOpenKeyExA(key_, "\xc9T\xc9", 0, KEY_READ, &sub), ERROR_SUCCESS);
  RegCloseKey(sub);
}

TEST_F(Registry, NamesLongerThanWindowsAllowsAreRefused) {
  HKEY sub = nullptr;
  ASSERT_EQ(Create(std::string(255, 'k').c_str(), &sub), ERROR_SUCCESS);
  RegCloseKey(sub);
  if (!vp::test::WineDiffers("wine keeps key names longer than 255 characters")) {
    EXPECT_EQ(Create(std::string(256, 'k').c_str(), &sub), ERROR_INVALID_PARAMETER);
  }
  DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(key_, std::string(16383, 'v').c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
            ERROR_SUCCESS);
  EXPECT_NE(RegSetValueExA(key_, std::string(16384, 'v').c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
            ERROR_SUCCESS);
}

TEST_F(Registry, DeleteValueRemovesOnlyThatValue) {
  DWORD one = 1;
  ASSERT_EQ(RegSetValueExA(key_, "Keep", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key_, "Drop", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key_, "DROP"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key_, "Drop"), ERROR_FILE_NOT_FOUND);
  DWORD type = 0;
  EXPECT_EQ(QueryBytes(key_, "Drop", &type), "<missing>");
  EXPECT_EQ(QueryBytes(key_, "Keep", &type), std::string("\x01\0\0\0", 4));
}

TEST_F(Registry, DeleteKeyNeedsAKeyWithoutSubkeys) {
  HKEY out = nullptr;
  ASSERT_EQ(Create("Parent\\Child", &out), ERROR_SUCCESS);
  RegCloseKey(out);
  EXPECT_EQ(RegDeleteKeyA(key_, "Parent"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(key_, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegDeleteKeyA(key_, "Parent\\Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(key_, "parent\\CHILD"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(key_, "Parent"), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(key_, "Parent", 0, KEY_READ, &out), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, HandlesToADeletedKeyFailWithKeyDeleted) {
  HKEY doomed = nullptr, again = nullptr, out = nullptr;
  ASSERT_EQ(Create("Doomed", &doomed), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(key_, "Doomed"), ERROR_SUCCESS);
  // A new key of the same name is another key: the old handle stays dead.
  ASSERT_EQ(Create("Doomed", &again), ERROR_SUCCESS);
  DWORD one = 1, size = 4;
  char name[64];
  DWORD length = sizeof name;
  EXPECT_EQ(RegSetValueExA(doomed, "V", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_KEY_DELETED);
  EXPECT_EQ(RegQueryValueExA(doomed, "V", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteValueA(doomed, "V"), ERROR_KEY_DELETED);
  EXPECT_EQ(RegEnumKeyExA(doomed, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegEnumValueA(doomed, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCreateKeyExA(doomed, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegOpenKeyExA(doomed, "", 0, KEY_READ, &out), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(doomed), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(again, "V", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
  RegCloseKey(again);
}

TEST_F(Registry, EnumerationOfSubkeysIsSortedAndBounded) {
  for (const char* name : {"beta", "Alpha", "gamma"}) {
    HKEY out = nullptr;
    ASSERT_EQ(Create(name, &out), ERROR_SUCCESS);
    RegCloseKey(out);
  }
  EXPECT_EQ(SubkeyNames(key_), (std::vector<std::string>{"Alpha", "beta", "gamma"}));

  char name[8];
  DWORD length = 5;  // "Alpha" needs 6 with its terminator
  EXPECT_EQ(RegEnumKeyExA(key_, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(length, 5u);
  length = 6;
  ASSERT_EQ(RegEnumKeyExA(key_, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(length, 5u);
  EXPECT_STREQ(name, "Alpha");
  length = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key_, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST_F(Registry, EnumerationOfValuesListsEachOnce) {
  DWORD n = 0;
  for (const char* name : {"First", "Second", "Third"})
    ASSERT_EQ(RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&++n), 4), ERROR_SUCCESS);
  std::set<std::string> seen;
  char name[32];
  BYTE data[8];
  DWORD i = 0;
  for (;; ++i) {
    DWORD length = sizeof name, size = sizeof data, type = 0;
    LONG status = RegEnumValueA(key_, i, name, &length, nullptr, &type, data, &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    seen.insert(std::string(name, length));
  }
  EXPECT_EQ(i, 3u);
  EXPECT_EQ(seen, (std::set<std::string>{"First", "Second", "Third"}));

  DWORD length = 3;
  EXPECT_EQ(RegEnumValueA(key_, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(length, 3u);
}

TEST_F(Registry, EnumeratedValuesFollowTheBufferContract) {
  // "abcd" counted as 3 bytes: the terminator is not forgotten but left out, so none is stored.
  const char text[] = "abcd";
  ASSERT_EQ(RegSetValueExA(key_, "Unended", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 3), ERROR_SUCCESS);

  // A name buffer too small still tells the type and the size the data needs.
  char name[16];
  BYTE data[16];
  DWORD length = 3, type = 0, size = sizeof data;
  EXPECT_EQ(RegEnumValueA(key_, 0, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 3u);

  // A data buffer too small leaves the name and its length alone.
  std::memset(name, '#', sizeof name);
  length = sizeof name;
  type = 0;
  size = 2;
  EXPECT_EQ(RegEnumValueA(key_, 0, name, &length, nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(length, sizeof name);
  EXPECT_EQ(std::string(name, sizeof name), std::string(sizeof name, '#'));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 3u);

  // With room, the string stored without its terminator gets one; without, it does not.
  std::memset(data, 'x', sizeof data);
  length = sizeof name;
  size = sizeof data;
  ASSERT_EQ(RegEnumValueA(key_, 0, name, &length, nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(name, length), "Unended");
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 5), std::string("abc\0x", 5));
  std::memset(data, 'x', sizeof data);
  length = sizeof name;
  size = 3;
  ASSERT_EQ(RegEnumValueA(key_, 0, name, &length, nullptr, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 4), "abcx");
}

TEST_F(Registry, TypeAndSizeAimedAtOneDwordEndHoldingTheSize) {
  const char text[] = "value";
  ASSERT_EQ(RegSetValueExA(key_, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 6), ERROR_SUCCESS);
  // The size is read as the buffer's before the type is written over it, and written last.
  DWORD both = 0;
  EXPECT_EQ(RegQueryValueExA(key_, "Name", nullptr, &both, nullptr, &both), ERROR_SUCCESS);
  EXPECT_EQ(both, 6u);
  char data[16] = {};
  both = sizeof data;
  EXPECT_EQ(RegQueryValueExA(key_, "Name", nullptr, &both, reinterpret_cast<BYTE*>(data), &both), ERROR_SUCCESS);
  EXPECT_EQ(both, 6u);
  EXPECT_STREQ(data, "value");

  char name[16];
  DWORD length = sizeof name;
  both = sizeof data;
  EXPECT_EQ(RegEnumValueA(key_, 0, name, &length, nullptr, &both, reinterpret_cast<BYTE*>(data), &both), ERROR_SUCCESS);
  EXPECT_EQ(both, 6u);
}

TEST_F(Registry, AFailedOpenLeavesNoHandle) {
  HKEY out = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
  EXPECT_EQ(RegOpenKeyExA(key_, "Missing", 0, KEY_READ, &out), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
  EXPECT_EQ(RegOpenKeyExA(key_, "\\Lead", 0, KEY_READ, &out), ERROR_BAD_PATHNAME);
  EXPECT_EQ(out, nullptr);
  HKEY closed = nullptr;
  ASSERT_EQ(RegOpenKeyExA(key_, "", 0, KEY_READ, &closed), ERROR_SUCCESS);
  RegCloseKey(closed);
  out = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
  EXPECT_EQ(RegOpenKeyExA(closed, "", 0, KEY_READ, &out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(out, nullptr);
}

TEST_F(Registry, PredefinedKeysAreKnownByTheirLow32Bits) {
  DWORD one = 1;
  ASSERT_EQ(RegSetValueExA(key_, "Marker", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
  // HKEY_CURRENT_USER as a 32-bit value zero-extended (the same value on a 32-bit target).
  const HKEY user = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u));
  HKEY out = nullptr;
  ASSERT_EQ(RegOpenKeyExA(user, base_.c_str(), 0, KEY_READ, &out), ERROR_SUCCESS);
  DWORD type = 0;
  EXPECT_EQ(QueryBytes(out, "Marker", &type), std::string("\x01\0\0\0", 4));
  RegCloseKey(out);
  EXPECT_EQ(RegCloseKey(user), ERROR_SUCCESS);
}

TEST_F(Registry, ClassesRootShowsTheUsersClasses) {
  const std::string name = "VpConformanceClass-" + std::to_string(GetCurrentProcessId());
  const std::string userClass = "Software\\Classes\\" + name;
  HKEY created = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, userClass.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                            nullptr),
            ERROR_SUCCESS);
  const char text[] = "user's";
  ASSERT_EQ(RegSetValueExA(created, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
            ERROR_SUCCESS);
  RegCloseKey(created);

  HKEY out = nullptr;
  if (!vp::test::WineDiffers("wine's HKEY_CLASSES_ROOT is the machine's classes alone")) {
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, &out), ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(QueryBytes(out, "", &type), std::string(text, sizeof text));
    RegCloseKey(out);
  }
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, (name + "\\Missing").c_str(), 0, KEY_READ, &out), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, userClass.c_str()), ERROR_SUCCESS);
}

// Windows keeps a volatile key until it restarts and refuses a non-volatile key below one
// (ERROR_CHILD_MUST_BE_VOLATILE). The emulated machine never restarts: the layer keeps a volatile
// key as any other and keeps no volatility, so only what both agree on is asked here.
TEST_F(Registry, VolatileKeysAreMadeAndOpenedAsOthers) {
  HKEY made = nullptr, child = nullptr;
  ASSERT_EQ(RegCreateKeyExA(key_, "Volatile", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &made, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegCreateKeyExA(made, "Child", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &child, nullptr),
            ERROR_SUCCESS);
  DWORD one = 1, type = 0;
  ASSERT_EQ(RegSetValueExA(child, "V", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
  RegCloseKey(child);
  RegCloseKey(made);
  ASSERT_EQ(RegOpenKeyExA(key_, "volatile\\child", 0, KEY_READ, &child), ERROR_SUCCESS);
  EXPECT_EQ(QueryBytes(child, "V", &type), std::string("\x01\0\0\0", 4));
  RegCloseKey(child);
}

TEST_F(Registry, AccessIsThatOfTheHandle) {
  HKEY reader = nullptr;
  ASSERT_EQ(RegOpenKeyExA(key_, "", 0, KEY_READ, &reader), ERROR_SUCCESS);
  DWORD one = 1, size = 4;
  EXPECT_EQ(RegSetValueExA(reader, "V", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_ACCESS_DENIED);
  ASSERT_EQ(RegSetValueExA(key_, "V", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(reader, "V"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegQueryValueExA(reader, "V", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  RegCloseKey(reader);

  HKEY writer = nullptr;
  ASSERT_EQ(RegOpenKeyExA(key_, "", 0, KEY_SET_VALUE, &writer), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(writer, "V", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  RegCloseKey(writer);
}

TEST_F(Registry, CloseRefusesNullAndClosedHandles) {
  HKEY out = nullptr;
  ASSERT_EQ(Create("Closing", &out), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(out), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(out), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

VP_CHILD(registry_writer) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, argument.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 2;
  const char text[] = "from the child";
  LONG status = RegSetValueExA(key, "Child", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  RegCloseKey(key);
  return status == ERROR_SUCCESS ? 0 : 3;
}

TEST_F(Registry, AnotherProcessesChangeIsSeenThroughAnOpenHandle) {
  DWORD type = 0;
  EXPECT_EQ(QueryBytes(key_, "Child", &type), "<missing>");
  ASSERT_EQ(vp::test::RunChild("registry_writer", base_), 0);
  EXPECT_EQ(QueryBytes(key_, "Child", &type), std::string("from the child", 15));
}

}  // namespace
