// What a program may write: the host's root only when the drive table makes it a drive, a
// drive whose folder is read-only or gone answers as a write-protected or empty drive, and a
// machine without a usable drive table says so instead of writing to the host.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "other_machine.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

bool HostExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Every way a program changes a folder's contents, each expected to fail with `error`.
void ExpectEveryChangeRefused(const std::string& folder, const std::string& existingFile, DWORD error) {
  std::string fresh = folder + "\\fresh.txt";
  SetLastError(0);
  EXPECT_EQ(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), error);
  SetLastError(0);
  EXPECT_EQ(CreateFileA(existingFile.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), error);
  SetLastError(0);
  EXPECT_FALSE(CreateDirectoryA((folder + "\\sub").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), error);
  SetLastError(0);
  EXPECT_FALSE(DeleteFileA(existingFile.c_str()));
  EXPECT_EQ(GetLastError(), error);
  SetLastError(0);
  EXPECT_FALSE(CopyFileA(existingFile.c_str(), fresh.c_str(), FALSE));
  EXPECT_EQ(GetLastError(), error);
  SetLastError(0);
  EXPECT_FALSE(MoveFileA(existingFile.c_str(), fresh.c_str()));
  EXPECT_EQ(GetLastError(), error);
  SetLastError(0);
  EXPECT_FALSE(SetFileAttributesA(existingFile.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetLastError(), error);
  // Reading is not changing.
  HANDLE read = CreateFileA(existingFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(read, INVALID_HANDLE_VALUE);
  if (read != INVALID_HANDLE_VALUE) CloseHandle(read);
}

}  // namespace

TEST(HostRoot, IsReadableButNeverWrittenUnlessTheTableListsIt) {
  OtherMachine m;
  std::string outside = m.Host() + "/outside";  // a host folder outside every drive
  ASSERT_EQ(mkdir(outside.c_str(), 0755), 0);
  std::ofstream(outside + "/data.txt") << "host data";
  std::string z = vp::path::FromHost(outside);
  ASSERT_EQ(z.substr(0, 2), "Z:");

  EXPECT_EQ(vp::test::ReadTextFile(z + "\\data.txt"), "host data");
  ExpectEveryChangeRefused(z, z + "\\data.txt", ERROR_ACCESS_DENIED);
  EXPECT_FALSE(HostExists(outside + "/fresh.txt"));
  EXPECT_FALSE(HostExists(outside + "/sub"));
  EXPECT_TRUE(HostExists(outside + "/data.txt"));
  EXPECT_EQ(GetDriveTypeA("Z:\\"), static_cast<UINT>(DRIVE_REMOTE));

  // A table that names Z: itself makes the host's root a drive like any other, and a usable
  // table goes unremarked.
  testing::internal::CaptureStderr();
  m.SetDriveTable("C fixed drive_c\nZ remote /\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(CreateDirectoryA((z + "\\sub").c_str(), nullptr));
  EXPECT_TRUE(HostExists(outside + "/sub"));
}

TEST(DriveTable, EmptyGarbageOrUnreadableLeavesNoWritableDriveAndSaysSo) {
  OtherMachine m;
  std::string root = vp::machine::Root();
  for (std::string table : {"", "# nothing but a comment\n", "garbage here\nC nonsense drive_c\n\x01\x02\n", "dir"}) {
    testing::internal::CaptureStderr();
    if (table == "dir") {  // a drive table that cannot be read at all
      unlink((root + "/drives.conf").c_str());
      ASSERT_EQ(mkdir((root + "/drives.conf").c_str(), 0755), 0);
      vp::machine::UseRoot(root);
    } else {
      m.SetDriveTable(table);
    }
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("drives.conf"), std::string::npos) << said;
    EXPECT_NE(said.find("no drive"), std::string::npos) << said;

    auto drives = vp::machine::Drives();
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].letter, 'Z');
    EXPECT_TRUE(drives[0].readOnly);
    SetLastError(0);
    EXPECT_FALSE(CreateDirectoryA("C:\\VANTProDB-TWS", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    SetLastError(0);
    EXPECT_FALSE(CreateDirectoryA("Z:\\VANTProDB-TWS", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
  EXPECT_FALSE(HostExists("/VANTProDB-TWS"));
}

TEST(DriveFolder, ReadOnlyIsAWriteProtectedDrive) {
  OtherMachine m;
  ASSERT_TRUE(vp::test::WriteTextFile("D:\\kept.txt", "kept"));
  std::string d = vp::machine::FindDrive('D')->hostFolder;
  ASSERT_EQ(chmod(d.c_str(), 0555), 0);
  ExpectEveryChangeRefused("D:\\", "D:\\kept.txt", ERROR_WRITE_PROTECT);
  EXPECT_EQ(vp::test::ReadTextFile("D:\\kept.txt"), "kept");
  // The other drives are not affected.
  EXPECT_TRUE(CreateDirectoryA("C:\\still-writable", nullptr));
  chmod(d.c_str(), 0755);
  EXPECT_TRUE(CreateDirectoryA("D:\\writable-again", nullptr));
}

// Copies into a drive keep its folder's state between files; a change of the folder's write
// permission, made here or by another process, counts from the next copy on.
TEST(DriveFolder, CopiesSeeTheDriveTurnWriteProtectedAndBack) {
  OtherMachine m;
  ASSERT_TRUE(vp::test::WriteTextFile("C:\\source.txt", "s"));
  std::string d = vp::machine::FindDrive('D')->hostFolder;
  ASSERT_TRUE(CreateDirectoryA("D:\\copies", nullptr));
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(CopyFileA("C:\\source.txt", ("D:\\copies\\before" + std::to_string(i)).c_str(), TRUE));
  ASSERT_EQ(chmod(d.c_str(), 0555), 0);
  SetLastError(0);
  EXPECT_FALSE(CopyFileA("C:\\source.txt", "D:\\copies\\protected", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_PROTECT));
  EXPECT_FALSE(HostExists(d + "/copies/protected"));
  ASSERT_EQ(std::system(("chmod 0755 '" + d + "'").c_str()), 0);
  EXPECT_TRUE(CopyFileA("C:\\source.txt", "D:\\copies\\after", TRUE));
  ASSERT_EQ(std::system(("chmod 0555 '" + d + "'").c_str()), 0);
  SetLastError(0);
  EXPECT_FALSE(CopyFileA("C:\\source.txt", "D:\\copies\\protected-again", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_PROTECT));
  chmod(d.c_str(), 0755);
}

TEST(DriveFolder, MissingIsADriveThatIsNotReady) {
  OtherMachine m;
  m.SetDriveTable("C fixed drive_c\nD fixed drive_d\nE removable " + m.Host() + "/stick\n");
  EXPECT_EQ(GetDriveTypeA("E:\\"), static_cast<UINT>(DRIVE_REMOVABLE));
  for (const char* path : {"E:\\", "E:\\VANTProDB-TWS", "E:\\a\\b.txt"}) {
    SetLastError(0);
    EXPECT_EQ(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << path;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY)) << path;
  }
  SetLastError(0);
  EXPECT_FALSE(CreateDirectoryA("E:\\VANTProDB-TWS", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
  EXPECT_FALSE(HostExists(m.Host() + "/stick"));
  // The disk comes in: the drive works.
  ASSERT_EQ(mkdir((m.Host() + "/stick").c_str(), 0755), 0);
  EXPECT_TRUE(CreateDirectoryA("E:\\VANTProDB-TWS", nullptr));
}
