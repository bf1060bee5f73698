// Named mutexes between processes of the POSIX layer: a holder killed with SIGKILL leaves no
// name behind, and of several processes that create one name at the same moment exactly one
// finds it new.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win.h"
#include "test_support.h"

namespace {

bool NameExists(const std::string& name) {
  HANDLE h = CreateMutexA(nullptr, FALSE, name.c_str());
  bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  CloseHandle(h);
  return existed;
}

VP_CHILD(mutex_holder_forever) {
  CreateMutexA(nullptr, FALSE, argument.c_str());
  for (;;) pause();
}

// Exits 0 when it made the name, 1 when it existed; holds it a while so the others see it.
VP_CHILD(mutex_racer) {
  HANDLE h = CreateMutexA(nullptr, FALSE, argument.c_str());
  int existed = GetLastError() == ERROR_ALREADY_EXISTS;
  usleep(1000000);
  CloseHandle(h);
  return h ? existed : 2;
}

TEST(MutexHolder, AKilledHolderReleasesTheName) {
  std::string name = "VpKilledHolder-" + std::to_string(getpid());
  auto pid = static_cast<pid_t>(vp::test::StartChild("mutex_holder_forever", name));
  ASSERT_GT(pid, 0);
  bool seen = false;
  for (int i = 0; i < 500 && !seen; ++i) {
    seen = NameExists(name);
    if (!seen) usleep(10000);
  }
  EXPECT_TRUE(seen);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_FALSE(NameExists(name));
}

TEST(MutexHolder, OneOfSimultaneousCreatorsFindsTheNameNew) {
  for (int round = 0; round < 2; ++round) {
    std::string name = "VpRace-" + std::to_string(getpid()) + "-" + std::to_string(round);
    long ids[6];
    for (long& id : ids) id = vp::test::StartChild("mutex_racer", name);
    int created = 0, existed = 0;
    for (long id : ids) {
      int code = vp::test::WaitChild(id);
      created += code == 0;
      existed += code == 1;
    }
    EXPECT_EQ(created, 1) << "round " << round;
    EXPECT_EQ(existed, 5) << "round " << round;
    EXPECT_FALSE(NameExists(name));
  }
}

}  // namespace
