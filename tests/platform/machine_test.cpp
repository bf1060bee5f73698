// The emulated machine: creation on first use, the drive table a person can edit.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/machine.h"
#include "other_machine.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

bool HostFolderExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

TEST(Machine, ANewMachineHasTwoFixedDrivesAndAProfile) {
  OtherMachine m;
  const std::string& root = vp::machine::Root();
  EXPECT_EQ(root, m.Host() + "/m");
  auto drives = vp::machine::Drives();
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].letter, 'C');
  EXPECT_EQ(drives[0].type, vp::machine::DriveType::Fixed);
  EXPECT_EQ(drives[1].letter, 'D');
  EXPECT_EQ(drives[2].letter, 'Z');
  EXPECT_EQ(drives[2].type, vp::machine::DriveType::Remote);
  std::string profile = vp::machine::ProfileFolder();
  EXPECT_EQ(profile, "C:\\Users\\" + vp::machine::UserName());
  EXPECT_NE(GetFileAttributesA((profile + "\\Desktop").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA((profile + "\\Start Menu\\Programs").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(HostFolderExists(vp::machine::RegistryFolder()));
  EXPECT_TRUE(HostFolderExists(vp::machine::ObjectsFolder()));
  EXPECT_FALSE(vp::machine::UserIsAdministrator());
}

TEST(Machine, TheDriveTableIsPlainTextAPersonCanEdit) {
  OtherMachine m;
  std::string root = vp::machine::Root();
  ASSERT_EQ(mkdir((m.Host() + "/stick").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((root + "/cd").c_str(), 0755), 0);
  {
    std::ofstream conf(root + "/drives.conf", std::ios::app);
    conf << "e removable " << m.Host() << "/stick\n"
         << "F cdrom cd\n"
         << "G floppy nowhere\n"     // unknown type: ignored
         << "C fixed elsewhere\n";   // a letter given twice: the first line holds
  }
  vp::machine::UseRoot(root);
  EXPECT_EQ(GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
  EXPECT_EQ(GetDriveTypeA("F:\\"), static_cast<UINT>(DRIVE_CDROM));
  EXPECT_EQ(GetDriveTypeA("G:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
  EXPECT_EQ(GetDriveTypeA("Z:\\"), static_cast<UINT>(DRIVE_REMOTE));
  EXPECT_EQ(vp::machine::FindDrive('c')->hostFolder, root + "/drive_c");
  char drives[64];
  DWORD n = GetLogicalDriveStringsA(sizeof drives, drives);
  EXPECT_EQ(std::string(drives, n), std::string("C:\\\0D:\\\0E:\\\0F:\\\0Z:\\\0", 20));
  // A file written on E: lands in the host folder of the table.
  ASSERT_TRUE(vp::test::WriteTextFile("E:\\on-stick.txt", "s"));
  EXPECT_EQ(access((m.Host() + "/stick/on-stick.txt").c_str(), F_OK), 0);
}

TEST(Machine, AdministratorIsASettingOfTheMachine) {
  OtherMachine m;
  std::string root = vp::machine::Root();
  std::ofstream(root + "/machine.conf") << "admin=1\n";
  vp::machine::UseRoot(root);
  EXPECT_TRUE(vp::machine::UserIsAdministrator());
}
