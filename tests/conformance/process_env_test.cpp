// Environment variables, process identity and ending a process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/win.h"
#include "test_support.h"

using namespace vp::test;

TEST(Environment, GetAndSetFollowTheBufferRule) {
  ASSERT_TRUE(SetEnvironmentVariableA("VP_CONF_VALUE", "hello"));
  char buffer[32];
  EXPECT_EQ(GetEnvironmentVariableA("VP_CONF_VALUE", buffer, sizeof buffer), 5u);
  EXPECT_STREQ(buffer, "hello");
  // Names ignore letter case.
  EXPECT_EQ(GetEnvironmentVariableA("vp_conf_value", buffer, sizeof buffer), 5u);
  char small[5] = {'z', 'z', 'z', 'z', 'z'};
  EXPECT_EQ(GetEnvironmentVariableA("VP_CONF_VALUE", small, sizeof small), 6u);
  EXPECT_EQ(GetEnvironmentVariableA("VP_CONF_VALUE", nullptr, 0), 6u);

  ASSERT_TRUE(SetEnvironmentVariableA("VP_CONF_VALUE", nullptr));
  SetLastError(0);
  EXPECT_EQ(GetEnvironmentVariableA("VP_CONF_VALUE", buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
}

TEST(Environment, ProfileAndCommandInterpreter) {
  char profile[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
  ASSERT_GT(n, 3u);
  EXPECT_EQ(std::string(profile, 3), "C:\\");
  EXPECT_TRUE(IsFolder(profile));
  const char* fromRuntime = std::getenv("USERPROFILE");
  ASSERT_NE(fromRuntime, nullptr);
  EXPECT_STREQ(fromRuntime, profile);
  char comspec[MAX_PATH];
  ASSERT_GT(GetEnvironmentVariableA("COMSPEC", comspec, MAX_PATH), 8u);
  EXPECT_EQ(_stricmp(comspec + std::strlen(comspec) - 8, "\\cmd.exe"), 0);
  char expanded[MAX_PATH];
  DWORD e = ExpandEnvironmentStringsA("%USERPROFILE%\\Desktop", expanded, MAX_PATH);
  EXPECT_EQ(std::string(expanded), std::string(profile) + "\\Desktop");
  EXPECT_EQ(e, std::strlen(expanded) + 1);
}

namespace {
struct WritesOnDestruction {
  std::string path;
  ~WritesOnDestruction() {
    if (!path.empty()) WriteTextFile(path, "destructor ran");
  }
};
}  // namespace

VP_CHILD(exit_process) {
  static WritesOnDestruction marker;
  marker.path = argument;
  ExitProcess(7);
}

TEST(Process, ExitProcessEndsAtOnceWithItsCode) {
  std::string marker = TestFolder() + "\\marker.txt";
  EXPECT_EQ(RunChild("exit_process", marker), 7);
  // No static destructor ran.
  EXPECT_FALSE(PathExists(marker));
}

TEST(Process, IdentityTimeAndPriority) {
  EXPECT_NE(GetCurrentProcessId(), 0u);
  SetLastError(1234);
  EXPECT_EQ(GetLastError(), 1234u);
  SetLastError(0);
  // The tick count moves on (its step is coarse on Windows, so only that it moves is checked).
  DWORD t0 = GetTickCount();
  Sleep(50);
  EXPECT_GT(GetTickCount() - t0, 0u);
  EXPECT_TRUE(SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS));
  EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
  EXPECT_TRUE(SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS));
}
