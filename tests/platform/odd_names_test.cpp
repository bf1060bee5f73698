// Host names Windows cannot spell: listed under a form Windows accepts, and found, opened,
// copied and deleted under it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <set>

#include "core/internal.h"
#include "platform/machine.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

// The last four hold private-use characters of the mapping's own range themselves: U+F03F (a
// mapped '?'), U+F000 and U+F02E (a mapped '.'); each is a name of its own beside "a?b.txt".
const std::set<std::string> kOddNames = {"notes?.txt", "a*b", "x.", "x ", "c:d", "back\\slash", "q\"<|>", "tab\there", "...",
                                         "a?b.txt", "a\xEF\x80\xBF" "b.txt", "\xEF\x80\x80", "x\xEF\x80\xAE"};

std::string HostOf(const std::string& windows) {
  DWORD error = 0;
  auto r = vp::path::ToHost(windows, vp::path::Need::Existing, &error);
  return r ? r->host : std::string();
}

bool SpellableOnWindows(const std::string& name) {
  for (unsigned char c : name)
    if (c < 32 || std::string("<>:\"|?*\\/").find(static_cast<char>(c)) != std::string::npos) return false;
  return !name.empty() && name.back() != '.' && name.back() != ' ';
}

// Windows name -> host name as the layer lists a folder.
std::map<std::string, std::string> ListedNames(const std::string& dir) {
  std::map<std::string, std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") names[name] = HostOf(dir + "\\" + name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

}  // namespace

TEST(OddNames, MappedFormsAreValidAndMapBack) {
  for (const std::string& name : kOddNames) {
    std::string windows = vp::path::WindowsNameOf(name);
    EXPECT_TRUE(SpellableOnWindows(windows)) << name;
    EXPECT_EQ(vp::path::HostNameOf(windows), name);
  }
  // One host name, one Windows name: a mapped character and the host's own private-use one differ.
  std::set<std::string> windowsNames;
  for (const std::string& name : kOddNames) windowsNames.insert(vp::path::WindowsNameOf(name));
  EXPECT_EQ(windowsNames.size(), kOddNames.size());
  // A lone U+F000 a program writes stands for itself, never for a NUL byte.
  EXPECT_EQ(vp::path::HostNameOf("a\xEF\x80\x80" "b"), "a\xEF\x80\x80" "b");
  // Names Windows can spell stay as they are, dots inside a name too.
  for (const char* plain : {"a.b", "caf\xe9", ".profile", "x y", ".", ".."})
    EXPECT_EQ(vp::path::WindowsNameOf(plain), plain);
}

TEST(OddNames, AreListedFoundCopiedAndDeleted) {
  std::string dir = vp::test::TestFolder();
  std::string host = HostOf(dir);
  ASSERT_TRUE(CreateDirectoryA((dir + "\\Copies").c_str(), nullptr));
  for (const std::string& name : kOddNames) std::ofstream(host + "/" + name) << name;

  auto listed = ListedNames(dir);
  std::set<std::string> hostNames;
  for (const auto& [windows, hostPath] : listed) {
    if (windows == "Copies") continue;
    EXPECT_TRUE(SpellableOnWindows(windows)) << windows;
    ASSERT_FALSE(hostPath.empty()) << windows;
    std::string hostName = hostPath.substr(hostPath.rfind('/') + 1);
    hostNames.insert(hostName);
    std::string path = dir + "\\" + windows;
    EXPECT_EQ(vp::test::ReadTextFile(path), hostName);
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << hostName;
    std::string copy = dir + "\\Copies\\" + windows;
    EXPECT_TRUE(CopyFileA(path.c_str(), copy.c_str(), TRUE)) << hostName;
    std::ifstream copied(host + "/Copies/" + hostName);
    EXPECT_TRUE(copied.good()) << hostName;
    EXPECT_TRUE(DeleteFileA(path.c_str())) << hostName;
    struct stat st;
    EXPECT_NE(lstat((host + "/" + hostName).c_str(), &st), 0) << hostName;
  }
  EXPECT_EQ(hostNames, kOddNames);
  EXPECT_EQ(ListedNames(dir + "\\Copies").size(), kOddNames.size());
}

TEST(OddNames, FoldersWithOddNamesArePathsLikeAnyOther) {
  std::string dir = vp::test::TestFolder();
  std::string host = HostOf(dir);
  ASSERT_EQ(mkdir((host + "/what?").c_str(), 0755), 0);
  std::ofstream(host + "/what?/inside.txt") << "in";
  std::string folder = dir + "\\" + vp::path::WindowsNameOf("what?");
  EXPECT_EQ(vp::test::ReadTextFile(folder + "\\INSIDE.TXT"), "in");
  EXPECT_EQ(vp::path::FromHost(host + "/what?/inside.txt"), folder + "\\inside.txt");
  ASSERT_TRUE(DeleteFileA((folder + "\\inside.txt").c_str()));
  EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
  struct stat st;
  EXPECT_NE(lstat((host + "/what?").c_str(), &st), 0);
}
