// Backing up the client databases in the current and the legacy layout.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "fake_installer_state.h"
#include "files/client_database_backup.h"
#include "folder_entries.h"
#include "platform/win.h"
#include "common/product_profile.h"
#include "test_support.h"

using namespace vp::test;
using Names = std::set<std::string>;

namespace {

const Names kCommonFiles = {"comvantplusdb.dbd",      "ldbclientinfo.dat",
                            "ldbclientinfoacc.kb",    "ldbclientinfoaccname.ka",
                            "ldbdebarredcliinfo.dat", "ldbdebclientinfoacc.kb",
                            "ldbdebclientinfoaccname.ka", "ldbmiscinfo.dat",
                            "ldbmiscinfo.ka"};

// The per-user files other than the user database, as the backup names them.
const Names kUserFiles = {"ldborddef.dat",          "ldbshortdesc.dat",     "ldbshortdesc.ka",
                          "ldbshortdesc.kb",        "ldbshortdesc.kc",      "ldbportf.dat",
                          "ldbportf.kp",            "ldbportf.kq",          "ldbportf.kr",
                          "ldbtransactioncost.dat", "ldbtransactioncostcm.dat",
                          "ldbunconfordinfo.dat",   "ldbunconfordinfo.ka",  "ldbunconfordinfo.kb",
                          "ldbunconfordinfo.kc"};

Names WithPrefix(const std::string& prefix, const Names& names) {
  Names out;
  for (const std::string& n : names) out.insert(prefix + n);
  return out;
}

void MakeFiles(const std::string& folder, const Names& names) {
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const std::string& n : names) ASSERT_TRUE(WriteTextFile(folder + "\\" + n, folder + "\\" + n));
}

class ClientDatabaseBackup : public testing::Test {
 protected:
  void SetUp() override {
    SelectProductProfile("VANTPLUS", "7.0.3");
    drive = TestFolder();
    state.ShowSelectedVariantOn(drive + "\\");
    db = drive + "\\VantProDB-TWS";
    CreateDirectoryA(db.c_str(), nullptr);
  }

  std::string drive, db;
  FakeInstallerState state;
  CClientDatabaseBackup backup{state};
};

TEST_F(ClientDatabaseBackup, CurrentLayoutBacksUpEachUserUnderItsId) {
  EXPECT_FALSE(backup.m_bLegacyDbLayout);  // defined before any backup ran
  MakeFiles(db + "\\ComVantPlusDB", kCommonFiles);
  for (std::string user : {"CMUser01", "CMUser02", "CMUser", "cmUser03", "CMuser04"}) {
    MakeFiles(db + "\\" + user, kUserFiles);
    MakeFiles(db + "\\" + user, {user + ".dbd"});
  }
  MakeFiles(drive + "\\VP_CLI_BACKUP", {"old.dat"});
  MakeFiles(drive + "\\VP_CLI_BACKUP\\Sub", {"older.dat"});

  backup.BackupClientDatabase("VNXTBackUpDB-TWS");
  backup.BackupUserDatabases("CM", "VNXTBackUpDB-TWS");
  EXPECT_FALSE(backup.m_bLegacyDbLayout);

  Names expected = kCommonFiles;
  expected.insert("cm\\");
  for (std::string id : {"user01", "user02", "user"}) {
    expected.insert("cm\\" + id + "\\");
    expected.merge(WithPrefix("cm\\" + id + "\\", kUserFiles));
    expected.insert("cm\\" + id + "\\" + id + ".dbd");
  }
  EXPECT_EQ(Listing(drive + "\\VNXTBackUpDB-TWS"), expected);
  EXPECT_EQ(ReadTextFile(drive + "\\VNXTBackUpDB-TWS\\CM\\User02\\User02.dbd"),
            db + "\\CMUser02\\CMUser02.dbd");
  EXPECT_EQ(ReadTextFile(drive + "\\VNXTBackUpDB-TWS\\ldbmiscinfo.ka"),
            db + "\\ComVantPlusDB\\ldbmiscinfo.ka");
  EXPECT_FALSE(PathExists(drive + "\\VPLUS_CLIENT_BACKUP"));
  EXPECT_FALSE(PathExists(drive + "\\VP_CLI_BACKUP"));
}

TEST_F(ClientDatabaseBackup, LegacyLayoutIsConvertedAndKeptVerbatim) {
  MakeFiles(db, kCommonFiles);
  CreateDirectoryA((db + "\\CM").c_str(), nullptr);
  MakeFiles(db + "\\CM\\User01", kUserFiles);
  MakeFiles(db + "\\CM\\User01", {"IdvVantPlusDB.dbd"});
  MakeFiles(db + "\\CM\\Other", {"IdvVantPlusDB.dbd"});

  backup.BackupClientDatabase("VNXTBackUpDB-TWS");
  EXPECT_TRUE(backup.m_bLegacyDbLayout);
  backup.BackupUserDatabases("CM", "VNXTBackUpDB-TWS");

  Names main = kCommonFiles;
  main.insert({"cm\\", "cm\\user01\\", "cm\\user01\\user01.dbd"});
  main.merge(WithPrefix("cm\\user01\\", kUserFiles));
  EXPECT_EQ(Listing(drive + "\\VNXTBackUpDB-TWS"), main);
  EXPECT_EQ(ReadTextFile(drive + "\\VNXTBackUpDB-TWS\\CM\\User01\\User01.dbd"),
            db + "\\CM\\User01\\IdvVantPlusDB.dbd");

  Names verbatim = kCommonFiles;
  verbatim.insert({"cm\\", "cm\\user01\\", "cm\\user01\\idvvantplusdb.dbd"});
  verbatim.merge(WithPrefix("cm\\user01\\", kUserFiles));
  EXPECT_EQ(Listing(drive + "\\VPLUS_CLIENT_BACKUP"), verbatim);

  // The next install finds a backup and skips the common files; its user backup still uses
  // the layout decided last.
  backup.BackupUserDatabases("FO", "VNXTBackUpDB-TWS");
  EXPECT_TRUE(IsFolder(drive + "\\VNXTBackUpDB-TWS\\FO"));
}

TEST_F(ClientDatabaseBackup, ANewerBackupOverwritesAndKeepsOtherFiles) {
  MakeFiles(db + "\\ComVantPlusDB", {"ComVantPlusDB.dbd"});
  MakeFiles(drive + "\\VNXTBackUpDB-TWS", {"ComVantPlusDB.dbd", "extra.txt"});
  ASSERT_TRUE(WriteTextFile(drive + "\\VNXTBackUpDB-TWS\\ComVantPlusDB.dbd", "older"));
  backup.BackupClientDatabase("VNXTBackUpDB-TWS");
  EXPECT_EQ(ReadTextFile(drive + "\\VNXTBackUpDB-TWS\\ComVantPlusDB.dbd"),
            db + "\\ComVantPlusDB\\ComVantPlusDB.dbd");
  EXPECT_TRUE(PathExists(drive + "\\VNXTBackUpDB-TWS\\extra.txt"));
}

TEST_F(ClientDatabaseBackup, NoDatabaseFolderMeansNoBackup) {
  RemoveDirectoryA(db.c_str());
  backup.BackupClientDatabase("VNXTBackUpDB-TWS");
  EXPECT_FALSE(PathExists(drive + "\\VNXTBackUpDB-TWS"));
  backup.BackupUserDatabases("CM", "VNXTBackUpDB-TWS");
  EXPECT_FALSE(PathExists(drive + "\\VNXTBackUpDB-TWS"));  // its parent is missing

  CreateDirectoryA((drive + "\\VNXTBackUpDB-TWS").c_str(), nullptr);
  backup.BackupUserDatabases("CM", "VNXTBackUpDB-TWS");
  EXPECT_EQ(Listing(drive + "\\VNXTBackUpDB-TWS"), Names{"cm\\"});
}

}  // namespace
