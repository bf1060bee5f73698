// The saved copies of the user's files: what may replace them, the generations kept before they
// are replaced, and the record of what the setup package delivers.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "files/package_record.h"
#include "files/saved_copies.h"
#include "folder_entries.h"
#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;
using files::CopyOutcome;
using files::CSavedCopies;

namespace {

class SavedCopies : public testing::Test {
 protected:
  void SetUp() override {
    drive = TestFolder() + "\\";
    live = drive + "live.dat";
    saved = drive + "Backup\\CM\\User01\\User01.dbd";
    ASSERT_TRUE(MakeEntries(drive, {"Backup\\CM\\User01\\"}));
  }

  // Saves `content`, written to the live file, in one run of its own.
  CopyOutcome SaveInOwnRun(const std::string& content, bool delivered = false,
                           CSavedCopies::Purpose purpose = CSavedCopies::Purpose::kBackup) {
    EXPECT_TRUE(WriteTextFile(live, content));
    CSavedCopies copies(drive, "Backup", purpose);
    return copies.Save(live, delivered, "\\CM\\User01\\User01.dbd");
  }

  std::set<std::string> Generations() {
    std::set<std::string> names;
    for (const std::string& name : NamesMatching(drive + "Backup-Generations\\*"))
      if (name != "." && name != "..") names.insert(name);
    return names;
  }

  std::string Generation(const std::string& number) {
    return ReadTextFile(drive + "Backup-Generations\\" + number + "\\CM\\User01\\User01.dbd");
  }

  std::string drive, live, saved;
};

TEST_F(SavedCopies, EveryReplacedCopyIsKeptAndTheThreeNewestGenerationsStay) {
  for (int version = 1; version <= 5; ++version)
    ASSERT_EQ(SaveInOwnRun("user v" + std::to_string(version)), CopyOutcome::kCopied);
  EXPECT_EQ(ReadTextFile(saved), "user v5");
  // The first save replaced nothing; v1 to v4 were kept in generations 1 to 4, of which the
  // oldest went when the fourth was made.
  EXPECT_EQ(Generations(), (std::set<std::string>{"2", "3", "4"}));
  EXPECT_EQ(Generation("2"), "user v2");
  EXPECT_EQ(Generation("4"), "user v4");
  // The backup folder's own layout is as it always was.
  EXPECT_EQ(Listing(drive + "Backup"), (std::set<std::string>{"cm\\", "cm\\user01\\",
                                                              "cm\\user01\\user01.dbd"}));
}

TEST_F(SavedCopies, WhatThePackageDeliversOrWhatIsSavedAlreadyWritesNothing) {
  ASSERT_EQ(SaveInOwnRun("the user's clients"), CopyOutcome::kCopied);
  EXPECT_EQ(SaveInOwnRun("sample of the package", /*delivered=*/true), CopyOutcome::kNoSource);
  EXPECT_EQ(SaveInOwnRun("the user's clients"), CopyOutcome::kNoSource);
  EXPECT_EQ(ReadTextFile(saved), "the user's clients");
  EXPECT_FALSE(PathExists(drive + "Backup-Generations"));
  ASSERT_TRUE(DeleteFileA(live.c_str()));
  CSavedCopies copies(drive, "Backup");
  EXPECT_EQ(copies.Save(live, false, "\\CM\\User01\\User01.dbd"), CopyOutcome::kNoSource);
}

TEST_F(SavedCopies, KeepingAsAVersionLeavesTheSavedCopyAloneAndItsVersionsStay) {
  const auto keep = CSavedCopies::Purpose::kKeepAsVersion;
  // Nothing saved yet: the live file becomes the saved copy, nothing can be lost by that.
  ASSERT_EQ(SaveInOwnRun("before any install", false, keep), CopyOutcome::kCopied);
  EXPECT_EQ(ReadTextFile(saved), "before any install");
  ASSERT_EQ(SaveInOwnRun("written since", false, keep), CopyOutcome::kCopied);
  EXPECT_EQ(ReadTextFile(saved), "before any install");
  EXPECT_EQ(Generation("uninstall-1"), "written since");
  // Such a version is never among the generations removed to keep three.
  for (int version = 1; version <= 4; ++version)
    ASSERT_EQ(SaveInOwnRun("user v" + std::to_string(version)), CopyOutcome::kCopied);
  EXPECT_EQ(Generations(), (std::set<std::string>{"2", "3", "4", "uninstall-1"}));
  EXPECT_EQ(Generation("uninstall-1"), "written since");
}

TEST_F(SavedCopies, ASavedCopyIsNotReplacedWhenItCannotBeKeptFirst) {
  ASSERT_EQ(SaveInOwnRun("the only copy"), CopyOutcome::kCopied);
  // A file where the generations folder belongs: no generation can be made.
  ASSERT_TRUE(WriteTextFile(drive + "Backup-Generations", "in the way"));
  EXPECT_EQ(SaveInOwnRun("newer"), CopyOutcome::kFailed);
  EXPECT_EQ(ReadTextFile(saved), "the only copy");
}

TEST_F(SavedCopies, CopyLeftoversGoAndTheUsersFilesStay) {
  ASSERT_TRUE(MakeEntries(drive, {"Backup\\~ldbclientinfo.dat.part", "Backup\\CM\\~vpcopy-1-2.tmp",
                                  "Backup\\notes~.part.txt", "Backup\\~mine.dat"}));
  files::RemoveCopyLeftovers(drive + "Backup");
  EXPECT_EQ(Listing(drive + "Backup"),
            (std::set<std::string>{"cm\\", "cm\\user01\\", "notes~.part.txt", "~mine.dat"}));
}

TEST_F(SavedCopies, ThePackageRecordTellsDeliveredBytesAndRejectsADamagedRecord) {
  ASSERT_TRUE(WriteTextFile(live, "sample of the package"));
  auto fingerprint = files::FingerprintOf(live);
  ASSERT_TRUE(fingerprint.has_value());
  std::string path = drive + "package-files.txt";
  files::CPackageRecord record(path);
  record.Add("\\CM\\User 01\\User01.dbd", *fingerprint);
  ASSERT_TRUE(record.Store());

  files::CPackageRecord read(path);
  ASSERT_TRUE(read.Load());
  EXPECT_TRUE(read.Delivers("\\cm\\user 01\\USER01.dbd", live));
  EXPECT_FALSE(read.Delivers("\\ldbclientinfo.dat", live));
  ASSERT_TRUE(WriteTextFile(live, "sample of the packagE"));  // same size, other bytes
  EXPECT_FALSE(read.Delivers("\\CM\\User 01\\User01.dbd", live));

  // A record cut short reads as none: the uninstall then keeps versions instead.
  std::string text = ReadTextFile(path);
  ASSERT_TRUE(WriteTextFile(path, text.substr(0, text.size() - 1)));
  EXPECT_FALSE(read.Load());
  EXPECT_TRUE(read.Empty());
}

}  // namespace
