// Four processes write into one hive while writers are killed at random moments: the hive and
// its journal must still load afterwards, and every write whose call returned success must be
// in them.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "registry/hive_store.h"
#include "platform/machine.h"
#include "platform/win.h"
#include "test_support.h"

namespace {

constexpr int kWriters = 4;
constexpr int kValuesEach = 500;
constexpr const char* kKey = "Software\\Stress";

std::string ProgressFile(int writer) {
  return vp::machine::Root() + "/stress-progress-" + std::to_string(writer);
}

std::string ValueName(int writer, int i) { return "w" + std::to_string(writer) + "-" + std::to_string(i); }
std::string ValueData(int writer, int i) {
  return "value of writer " + std::to_string(writer) + " number " + std::to_string(i) + std::string(1, '\0');
}

// Writes its values from the given start; after each call that returned success it appends the
// value's number to its progress file, so what it reported is known after a kill.
VP_CHILD(stress_writer) {
  int writer = 0, start = 0;
  if (std::sscanf(argument.c_str(), "%d %d", &writer, &start) != 2) return 2;
  int progress = open(ProgressFile(writer).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  HKEY key = nullptr;
  if (progress < 0 || RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                      nullptr) != ERROR_SUCCESS)
    return 3;
  for (int i = start; i < kValuesEach; ++i) {
    std::string data = ValueData(writer, i);
    if (RegSetValueExA(key, ValueName(writer, i).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
      return 4;
    std::string line = std::to_string(i) + "\n";
    if (write(progress, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 5;
  }
  return 0;
}

std::vector<int> Reported(int writer) {
  std::ifstream in(ProgressFile(writer));
  std::vector<int> done;
  int i = 0;
  while (in >> i) done.push_back(i);
  return done;
}

TEST(HiveStress, KilledWritersLoseNothingThatWasReported) {
  std::mt19937 random(std::random_device{}());
  pid_t pids[kWriters];
  for (int w = 0; w < kWriters; ++w) {
    pids[w] = static_cast<pid_t>(vp::test::StartChild("stress_writer", std::to_string(w) + " 0"));
    ASSERT_GT(pids[w], 0);
  }
  int running = kWriters, kills = 0;
  while (running > 0) {
    usleep(std::uniform_int_distribution<useconds_t>(20000, 120000)(random));
    for (int w = 0; w < kWriters; ++w) {
      int status = 0;
      if (pids[w] && waitpid(pids[w], &status, WNOHANG) == pids[w]) {
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer " << w << " failed";
        pids[w] = 0;
        --running;
      }
    }
    if (running == 0 || kills >= 24) continue;
    int w = std::uniform_int_distribution<int>(0, kWriters - 1)(random);
    if (!pids[w]) continue;
    kill(pids[w], SIGKILL);
    waitpid(pids[w], nullptr, 0);
    ++kills;
    std::vector<int> done = Reported(w);
    int next = done.empty() ? 0 : done.back() + 1;
    pids[w] = static_cast<pid_t>(vp::test::StartChild("stress_writer", std::to_string(w) + " " + std::to_string(next)));
    ASSERT_GT(pids[w], 0);
  }
  EXPECT_GT(kills, 0);

  // The hive grew past the size that is rewritten by every change: the writes went through the
  // journal, folded in from time to time. Folding what is left makes one file of it.
  ASSERT_EQ(vp::registry::StoreOf(vp::registry::Hive::CurrentUser).Fold(), ERROR_SUCCESS);
  std::ifstream in(vp::machine::RegistryFolder() + "/HKEY_CURRENT_USER.reg", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  auto hive = vp::registry::ParseHive(text.str(), "HKEY_CURRENT_USER");
  ASSERT_NE(hive, nullptr);
  const vp::registry::Key* key = hive->FindSubkey("Software")->FindSubkey("Stress");
  ASSERT_NE(key, nullptr);
  for (int w = 0; w < kWriters; ++w) {
    std::vector<int> done = Reported(w);
    EXPECT_EQ(done.size(), static_cast<size_t>(kValuesEach)) << "writer " << w;
    for (int i : done) {
      const vp::registry::Value* v = key->FindValue(ValueName(w, i));
      ASSERT_NE(v, nullptr) << ValueName(w, i);
      EXPECT_EQ(v->data, vp::registry::WideFromAnsi(ValueData(w, i)));
    }
  }
}

}  // namespace
