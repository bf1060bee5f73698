// The user's data survives what goes wrong: files land under their final name only when whole,
// a backup that cannot be written is reported, a link in the backup's place is replaced rather
// than written through, and a walk that meets an entry it cannot delete deletes the rest and
// says so.
#include <gtest/gtest.h>

#include <string>

#include "fake_installer_state.h"
#include "files/client_database_backup.h"
#include "files/file_into_place.h"
#include "files/folder_identity.h"
#include "files/tree_operations.h"
#include "folder_entries.h"
#include "platform/win.h"
#include "common/product_profile.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include "platform/machine.h"
#endif

using namespace vp::test;

namespace {

class DataSafety : public testing::Test {
 protected:
  void SetUp() override {
    SelectProductProfile("VANTPLUS", "7.0.3");
    drive = TestFolder();
    state.ShowSelectedVariantOn(drive + "\\");
    live = drive + "\\VantProDB-TWS\\ComVantPlusDB\\ComVantPlusDB.dbd";
    saved = drive + "\\VNXTBackUpDB-TWS\\ComVantPlusDB.dbd";
    ASSERT_TRUE(MakeEntries(drive, {"VantProDB-TWS\\ComVantPlusDB\\", "VNXTBackUpDB-TWS\\"}));
  }

  std::string drive, live, saved;
  FakeInstallerState state;
};

TEST_F(DataSafety, CopyIntoPlaceReplacesWholeFilesAndLeavesNoTemporaryOne) {
  ASSERT_TRUE(WriteTextFile(live, "clients v2"));
  ASSERT_TRUE(WriteTextFile(saved, "clients v1"));
  ASSERT_TRUE(SetFileAttributesA(saved.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(files::CopyIntoPlace(live, saved), files::CopyOutcome::kCopied);
  EXPECT_EQ(ReadTextFile(saved), "clients v2");
  EXPECT_EQ(files::CopyIntoPlace(drive + "\\missing.dbd", saved), files::CopyOutcome::kNoSource);
  EXPECT_EQ(ReadTextFile(saved), "clients v2");

  // A target that cannot take the file (a folder holds its name): failed, nothing left over.
  std::string blocked = drive + "\\VNXTBackUpDB-TWS\\ldbmiscinfo.dat";
  ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), nullptr));
  EXPECT_EQ(files::CopyIntoPlace(live, blocked), files::CopyOutcome::kFailed);
  EXPECT_EQ(Listing(drive + "\\VNXTBackUpDB-TWS"),
            (std::set<std::string>{"comvantplusdb.dbd", "ldbmiscinfo.dat\\"}));
}

TEST_F(DataSafety, ABackupThatCannotBeWrittenIsReportedAndKeepsTheOldCopy) {
  ASSERT_TRUE(WriteTextFile(live, "clients"));
  ASSERT_TRUE(CreateDirectoryA(saved.c_str(), nullptr));  // nothing can be written there
  CClientDatabaseBackup backup(state);
  backup.BackupClientDatabase("VNXTBackUpDB-TWS");
  EXPECT_TRUE(backup.Failed());
  EXPECT_EQ(ReadTextFile(live), "clients");

  // Missing source files are nothing to save: no failure.
  CClientDatabaseBackup again(state);
  RemoveDirectoryA(saved.c_str());
  again.BackupClientDatabase("VNXTBackUpDB-TWS");
  EXPECT_FALSE(again.Failed());
}

TEST_F(DataSafety, AWalkDeletesEverythingItCanAndReportsWhatStayed) {
  ASSERT_TRUE(MakeEntries(drive, {"T\\a.dat", "T\\held.dat", "T\\z.dat", "T\\Sub\\s.dat",
                                  "VANTProDB-TWS\\held.dat", "VANTProDB-TWS\\other.dat"}));
  HANDLE held = CreateFileA((drive + "\\T\\held.dat").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE heldDb = CreateFileA((drive + "\\VANTProDB-TWS\\held.dat").c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_NE(heldDb, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteTree(drive + "\\T"));
  CTreeOperations tree(state);
  EXPECT_FALSE(tree.ClearFolderKeepingBackups(drive + "\\VANTProDB-TWS"));
  EXPECT_TRUE(tree.IsIncomplete());
  CloseHandle(held);
  CloseHandle(heldDb);
  EXPECT_EQ(Listing(drive + "\\T"), std::set<std::string>{"held.dat"});
  EXPECT_EQ(Listing(drive + "\\VANTProDB-TWS"), std::set<std::string>{"held.dat"});
  EXPECT_TRUE(DeleteTree(drive + "\\T"));
  EXPECT_TRUE(DeleteTree(drive + "\\T"));  // nothing left is no failure
}

TEST_F(DataSafety, SameFolderIsToldByIdentityNotBySpelling) {
  ASSERT_TRUE(MakeEntries(drive, {"Package\\"}));
  EXPECT_TRUE(files::IsSameFolder(drive + "\\Package", drive + "\\PACKAGE"));
  EXPECT_FALSE(files::IsSameFolder(drive + "\\Package", drive));
  EXPECT_FALSE(files::IsSameFolder(drive + "\\Missing", drive + "\\Missing"));
  EXPECT_EQ(Listing(drive + "\\Package"), std::set<std::string>{});  // no marker left behind
}

#ifndef _WIN32
std::string HostPath(const std::string& windowsPath) {
  DWORD error = 0;
  auto resolved = vp::path::ToHost(windowsPath, vp::path::Need::Creatable, &error);
  return resolved ? resolved->host : std::string();
}

TEST_F(DataSafety, ALinkInTheBackupFolderIsReplacedNotWrittenThrough) {
  ASSERT_TRUE(MakeEntries(drive, {"Outside\\precious.dat"}));
  ASSERT_TRUE(WriteTextFile(live, "clients"));
  ASSERT_EQ(symlink(HostPath(drive + "\\Outside\\precious.dat").c_str(), HostPath(saved).c_str()), 0);
  ASSERT_EQ(symlink(HostPath(drive + "\\Outside\\precious.dat").c_str(),
                    HostPath(drive + "\\VNXTBackUpDB-TWS\\~ldbmiscinfo.dat.part").c_str()), 0);
  ASSERT_TRUE(WriteTextFile(drive + "\\VantProDB-TWS\\ComVantPlusDB\\ldbmiscinfo.dat", "misc"));
  CClientDatabaseBackup backup(state);
  backup.BackupClientDatabase("VNXTBackUpDB-TWS");
  EXPECT_FALSE(backup.Failed());
  EXPECT_EQ(ReadTextFile(drive + "\\Outside\\precious.dat"), "Outside\\precious.dat");
  EXPECT_EQ(ReadTextFile(saved), "clients");
  EXPECT_EQ(ReadTextFile(drive + "\\VNXTBackUpDB-TWS\\ldbmiscinfo.dat"), "misc");
  struct stat st;
  ASSERT_EQ(lstat(HostPath(saved).c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
}

// A file-size limit stands for a full disk: the write fails part way.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  void (*oldHandler_)(int) = nullptr;
};

TEST_F(DataSafety, AFullDiskLeavesNoPartialBackupUnderTheFinalName) {
  ASSERT_TRUE(WriteTextFile(live, std::string(256 * 1024, 'c')));
  CClientDatabaseBackup backup(state);
  {
    FileSizeLimit limit(64 * 1024);
    backup.BackupClientDatabase("VNXTBackUpDB-TWS");
  }
  EXPECT_TRUE(backup.Failed());
  EXPECT_FALSE(PathExists(saved));
  EXPECT_EQ(Listing(drive + "\\VNXTBackUpDB-TWS"), std::set<std::string>{});
  EXPECT_EQ(ReadTextFile(live).size(), 256u * 1024u);
  EXPECT_TRUE(backup.IsClientBackupDue("VNXTBackUpDB-TWS"));
}
#endif

}  // namespace
