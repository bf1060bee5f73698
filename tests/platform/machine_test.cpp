// The emulated machine: creation on first use, the drive table a person can edit.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

namespace {

// Runs `body` in a child process as `uid` (a user without a password entry), with neither a
// home nor a chosen machine root; the child's exit status.
template <class Body>
int AsHomelessUser(uid_t uid, const std::string& temporaryFolder, Body body) {
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    if (setgid(uid) != 0 || setuid(uid) != 0) _exit(90);
    unsetenv("HOME");
    unsetenv(vp::machine::kRootVariable);
    setenv("TMPDIR", temporaryFolder.c_str(), 1);
    vp::machine::UseRoot("");  // the default machine, as a program started so would choose
    _exit(body() ? 0 : 91);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

TEST(Machine, WithoutAHomeTheMachineFolderIsTheUsersOwnOrNone) {
  if (geteuid() != 0) GTEST_SKIP() << "needs to act as other users";
  OtherMachine m;
  ASSERT_EQ(chmod(m.Host().c_str(), 0755), 0);  // other users pass through to the temporary folder
  std::string temporary = m.Host() + "/tmp";
  ASSERT_EQ(mkdir(temporary.c_str(), 01777), 0);
  ASSERT_EQ(chmod(temporary.c_str(), 01777), 0);
  uid_t user = 40000 + static_cast<uid_t>(getpid() % 20000), other = user + 1;

  // Made by the user, for the user alone.
  EXPECT_EQ(AsHomelessUser(user, temporary, [&] {
              struct stat st;
              const std::string& root = vp::machine::Root();
              return root == temporary + "/vp-machine-" + std::to_string(user) && lstat(root.c_str(), &st) == 0 &&
                     S_ISDIR(st.st_mode) && st.st_uid == user && (st.st_mode & 077) == 0 &&
                     vp::machine::FindDrive('C').has_value();
            }),
            0);

  // Another user made the folder first, with a drive table of their choosing: refused, the
  // program stops before it reads anything there.
  std::string planted = temporary + "/vp-machine-" + std::to_string(other);
  ASSERT_EQ(mkdir(planted.c_str(), 0777), 0);
  std::ofstream(planted + "/drives.conf") << "C fixed /\n";
  ASSERT_EQ(chown(planted.c_str(), user, user), 0);
  ASSERT_EQ(chmod(planted.c_str(), 0777), 0);
  EXPECT_EQ(AsHomelessUser(other, temporary, [] { return vp::machine::FindDrive('C').has_value(); }), EXIT_FAILURE);
  // A link to a folder of the user's own is refused too.
  ASSERT_EQ(rename(planted.c_str(), (temporary + "/elsewhere").c_str()), 0);
  ASSERT_EQ(chown((temporary + "/elsewhere").c_str(), other, other), 0);
  ASSERT_EQ(chmod((temporary + "/elsewhere").c_str(), 0700), 0);
  ASSERT_EQ(symlink((temporary + "/elsewhere").c_str(), planted.c_str()), 0);
  ASSERT_EQ(lchown(planted.c_str(), other, other), 0);
  EXPECT_EQ(AsHomelessUser(other, temporary, [] { return vp::machine::FindDrive('C').has_value(); }), EXIT_FAILURE);
}
