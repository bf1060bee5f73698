// What the installer makes sure of when it starts: no second setup, no unknown answer taken
// for "nothing runs", and a default drive that is a fixed one (both backends).
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/win.h"
#include "common/drive_choice.h"
#include "common/instance_checks.h"

TEST(SetupInstance, TheSecondClaimSeesTheFirstAndTheNameIsFreeAfterwards) {
  HANDLE first = nullptr, second = nullptr;
  EXPECT_EQ(ClaimNamedMutex(kSetupMutexName, &first), NamedObjectCheck::kAbsent);
  EXPECT_EQ(ClaimNamedMutex(kSetupMutexName, &second), NamedObjectCheck::kPresent);
  EXPECT_EQ(ProbeNamedMutexes({"VPNoSuchName", kSetupMutexName}), NamedObjectCheck::kPresent);
  CloseHandle(second);
  CloseHandle(first);
  EXPECT_EQ(ProbeNamedMutexes({kSetupMutexName}), NamedObjectCheck::kAbsent);
}

TEST(SetupInstance, AMutexThatCannotBeMadeIsUnknownNeverAbsent) {
  // A name the system refuses stands for a store that cannot be used.
  HANDLE held = nullptr;
  EXPECT_EQ(ClaimNamedMutex("VP\\refused\\name", &held), NamedObjectCheck::kUnavailable);
  EXPECT_EQ(held, nullptr);
  EXPECT_EQ(ProbeNamedMutexes({"VPNoSuchName", "VP\\refused\\name"}),
            NamedObjectCheck::kUnavailable);
}

TEST(DriveChoice, TheSecondEntryWhenFixedElseTheFirstFixedElseNone) {
  std::map<char, UINT> types;
  auto typeOf = [&](const std::string& root) {
    auto it = types.find(root[0]);
    return it == types.end() ? static_cast<UINT>(DRIVE_NO_ROOT_DIR) : it->second;
  };
  types = {{'C', DRIVE_FIXED}, {'D', DRIVE_FIXED}, {'Z', DRIVE_REMOTE}};
  EXPECT_EQ(PreselectedDriveIndex({"[-c-]", "[-d-]", "[-z-]"}, typeOf), 1);
  types = {{'C', DRIVE_FIXED}, {'Z', DRIVE_REMOTE}};  // one fixed drive and the host's root
  EXPECT_EQ(PreselectedDriveIndex({"[-c-]", "[-z-]"}, typeOf), 0);
  types = {{'A', DRIVE_REMOVABLE}, {'D', DRIVE_CDROM}, {'E', DRIVE_FIXED}};
  EXPECT_EQ(PreselectedDriveIndex({"[-a-]", "[-d-]", "[-e-]"}, typeOf), 2);
  types = {{'Z', DRIVE_REMOTE}};
  EXPECT_EQ(PreselectedDriveIndex({"[-z-]"}, typeOf), -1);
  EXPECT_EQ(PreselectedDriveIndex({}, typeOf), -1);
  EXPECT_EQ(DriveRootOfEntry("[-e-]"), "E:\\");
}
