// A named-objects store that cannot be used gives no mutex: a handle would claim that nobody
// holds the name, and a second single-instance program would start.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "other_machine.h"
#include "platform/win.h"

TEST(NamedObjectsStore, UnusableStoreGivesNoMutex) {
  OtherMachine m;
  std::string store = vp::machine::ObjectsFolder();
  ASSERT_EQ(chmod(store.c_str(), 0555), 0);
  SetLastError(0);
  EXPECT_EQ(CreateMutexA(nullptr, FALSE, "SWTSULPTNAV"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  // Not a folder at all.
  ASSERT_EQ(chmod(store.c_str(), 0755), 0);
  unlink((store + "/share-modes.lock").c_str());
  ASSERT_EQ(rmdir(store.c_str()), 0);
  std::ofstream(store) << "not a folder";
  SetLastError(0);
  EXPECT_EQ(CreateMutexA(nullptr, FALSE, "SWTSULPTNAV"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  // A mutex without a name needs no store.
  HANDLE unnamed = CreateMutexA(nullptr, FALSE, nullptr);
  EXPECT_NE(unnamed, nullptr);
  if (unnamed) CloseHandle(unnamed);

  // A usable store again: the name is new, then taken.
  ASSERT_EQ(unlink(store.c_str()), 0);
  ASSERT_EQ(mkdir(store.c_str(), 0755), 0);
  HANDLE first = CreateMutexA(nullptr, FALSE, "SWTSULPTNAV");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE second = CreateMutexA(nullptr, FALSE, "SWTSULPTNAV");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(second);
  CloseHandle(first);
}
