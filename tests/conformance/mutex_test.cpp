// Named mutexes as markers of a running program: whether CreateMutexA reports an existing name,
// in this process and across processes, and which names it accepts.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/win.h"
#include "test_support.h"

namespace {

std::string Unique(const char* stem) {
  return std::string(stem) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
         testing::UnitTest::GetInstance()->current_test_info()->name();
}

// Creates the mutex and keeps the last error of that very call.
struct Created {
  HANDLE handle = nullptr;
  DWORD error = 0;
};
Created Create(const std::string& name) {
  SetLastError(12345);
  Created c;
  c.handle = CreateMutexA(nullptr, FALSE, name.c_str());
  c.error = GetLastError();
  return c;
}

TEST(NamedMutex, ExistsWhileAnyHandleIsOpen) {
  std::string name = Unique("VpMutex");
  Created first = Create(name);
  ASSERT_NE(first.handle, nullptr);
  EXPECT_EQ(first.error, 0u);
  Created second = Create(name);
  ASSERT_NE(second.handle, nullptr);
  EXPECT_EQ(second.error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  EXPECT_TRUE(CloseHandle(first.handle));
  Created third = Create(name);  // the second handle still holds the name
  EXPECT_EQ(third.error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(second.handle);
  CloseHandle(third.handle);

  Created fresh = Create(name);
  EXPECT_EQ(fresh.error, 0u);
  CloseHandle(fresh.handle);
}

TEST(NamedMutex, NamesAreCaseSensitiveAndLocalIsTheDefaultNamespace) {
  std::string name = Unique("VpCase");
  Created mixed = Create(name);
  ASSERT_EQ(mixed.error, 0u);
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  Created other = Create(upper);
  EXPECT_EQ(other.error, 0u);
  Created local = Create("Local\\" + name);
  EXPECT_EQ(local.error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  Created global = Create("Global\\" + name);
  EXPECT_EQ(global.error, 0u);
  for (HANDLE h : {mixed.handle, other.handle, local.handle, global.handle}) CloseHandle(h);
}

TEST(NamedMutex, RefusesBackslashesAndOverlongNames) {
  Created nested = Create("Some\\" + Unique("Nested"));
  EXPECT_EQ(nested.handle, nullptr);
  EXPECT_EQ(nested.error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  Created longName = Create(std::string(300, 'm'));
  EXPECT_EQ(longName.handle, nullptr);
  EXPECT_EQ(longName.error, static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));

  Created fits = Create(Unique(std::string(200, 'n').c_str()));
  ASSERT_NE(fits.handle, nullptr);
  EXPECT_EQ(fits.error, 0u);
  Created again = Create(Unique(std::string(200, 'n').c_str()));
  EXPECT_EQ(again.error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(fits.handle);
  CloseHandle(again.handle);
}

TEST(NamedMutex, UnnamedMutexesArePrivate) {
  SetLastError(12345);
  HANDLE a = CreateMutexA(nullptr, FALSE, nullptr);
  EXPECT_NE(a, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  Created b = Create("");
  EXPECT_NE(b.handle, nullptr);
  EXPECT_EQ(b.error, 0u);
  Created c = Create("");
  EXPECT_EQ(c.error, 0u);
  for (HANDLE h : {a, b.handle, c.handle}) CloseHandle(h);
}

// Exits 1 when the name already existed, 0 when the child made it; the handle is left for the
// end of the process to release.
VP_CHILD(mutex_probe) {
  HANDLE h = CreateMutexA(nullptr, FALSE, argument.c_str());
  if (!h) return 2;
  return GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
}

TEST(NamedMutex, OtherProcessesSeeTheNameAndItEndsWithTheirHolder) {
  std::string name = Unique("VpShared");
  // A child that exits without closing its handle leaves no trace.
  EXPECT_EQ(vp::test::RunChild("mutex_probe", name), 0);
  EXPECT_EQ(vp::test::RunChild("mutex_probe", name), 0);

  Created mine = Create(name);
  ASSERT_EQ(mine.error, 0u);
  EXPECT_EQ(vp::test::RunChild("mutex_probe", name), 1);
  CloseHandle(mine.handle);
  EXPECT_EQ(vp::test::RunChild("mutex_probe", name), 0);
}

}  // namespace
