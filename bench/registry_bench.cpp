// Setting and querying one value in hives of 1,000 to 100,000 values: the time per call, and
// how it grows against the smallest hive of the same run.
//   bench_registry [largest hive, default 100000]
//
// Every set is on disk when its call returns, so its time includes one fdatasync of the
// journal. The run is made twice: in a folder on disk (/tmp), where that sync costs what the
// disk makes it cost, and in a folder in memory (/dev/shm), where it costs next to nothing and
// the time is the store's own work. A set appends to the journal; once the journal is as
// large as the hive, the hive is rewritten whole ("fold"): that rewrite is measured on its
// own, and spread over the sets that filled the journal it adds "fold/set" to each.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "registry/hive_store.h"
#include "platform/machine.h"
#include "platform/win.h"

namespace {

using Clock = std::chrono::steady_clock;

double MicrosecondsSince(Clock::time_point start, int calls) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
}

std::string HivePath() { return vp::machine::RegistryFolder() + "/HKEY_CURRENT_USER.reg"; }

off_t FileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// A machine whose user hive holds `count` values under Software\Bench, written as text.
void MakeMachine(const std::string& root, int count) {
  vp::machine::UseRoot(root);
  std::ofstream hive(HivePath(), std::ios::binary);
  hive << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n"
          "\r\n[HKEY_CURRENT_USER\\Software\\Bench]\r\n";
  for (int i = 0; i < count; ++i) hive << "\"Value" << i << "\"=\"text of value " << i << "\"\r\n";
  hive << "\r\n";
}

struct Result {
  int values;
  double openUs, setUs, queryUs, foldUs, foldPerSetUs;
};

Result Measure(const std::string& root, int count, int sets) {
  MakeMachine(root, count);
  Result r{count, 0, 0, 0, 0, 0};
  HKEY key = nullptr;
  auto start = Clock::now();
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Bench", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot open the bench key\n");
    std::exit(1);
  }
  r.openUs = MicrosecondsSince(start, 1);  // the first call parses the hive

  off_t journalBefore = FileSize(HivePath() + ".log");
  start = Clock::now();
  for (int i = 0; i < sets; ++i) {
    std::string data = "changed " + std::to_string(i);
    if (RegSetValueExA(key, "Value7", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1)) != ERROR_SUCCESS) {
      std::fprintf(stderr, "a set failed\n");
      std::exit(1);
    }
  }
  r.setUs = MicrosecondsSince(start, sets);
  double recordBytes = static_cast<double>(FileSize(HivePath() + ".log") - journalBefore) / sets;

  const int queries = 20000;
  char buffer[64];
  start = Clock::now();
  for (int i = 0; i < queries; ++i) {
    DWORD size = sizeof buffer;
    RegQueryValueExA(key, "Value7", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  }
  r.queryUs = MicrosecondsSince(start, queries);
  RegCloseKey(key);

  // The rewrite that folds the journal in, and its share of each set: it comes once the
  // journal holds as many bytes as the hive (at least kFoldAtLeast).
  off_t hiveBytes = FileSize(HivePath());
  start = Clock::now();
  vp::registry::StoreOf(vp::registry::Hive::CurrentUser).Fold();
  r.foldUs = MicrosecondsSince(start, 1);
  double threshold = static_cast<double>(std::max(hiveBytes, vp::registry::HiveStore::kFoldAtLeast));
  if (recordBytes > 0) r.foldPerSetUs = r.foldUs / (threshold / recordBytes);
  return r;
}

void Run(const std::string& base, int largest, int sets, const char* where) {
  std::vector<Result> results;
  for (int count = 1000; count <= largest; count *= 10)
    results.push_back(Measure(base + "/machine-" + std::to_string(count), count, sets));
  std::printf("\n%s (%d sets, 20000 queries a size)\n", where, sets);
  std::printf("%8s %12s %10s %10s %10s %10s %7s %7s\n", "values", "open us", "set us", "fold/set", "query us",
              "fold us", "set x", "query x");
  for (const Result& r : results)
    std::printf("%8d %12.1f %10.1f %10.2f %10.2f %10.1f %7.2f %7.2f\n", r.values, r.openUs, r.setUs,
                r.foldPerSetUs, r.queryUs, r.foldUs, (r.setUs + r.foldPerSetUs) / (results[0].setUs + results[0].foldPerSetUs),
                r.queryUs / results[0].queryUs);
  std::error_code ignored;
  std::filesystem::remove_all(base, ignored);  // the temporary machines made above
}

std::string TemporaryFolder(const char* parent) {
  std::string pattern = std::string(parent) + "/vp-registry-bench-XXXXXX";
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  int largest = argc > 1 ? std::atoi(argv[1]) : 100000;
  std::string disk = TemporaryFolder("/tmp");
  if (disk.empty()) return 1;
  Run(disk, largest, 200, "on disk: each set synced to the disk");
  std::string memory = TemporaryFolder("/dev/shm");
  if (!memory.empty()) Run(memory, largest, 5000, "in memory: the sync costs next to nothing");
  std::printf("\n(set x: set plus its share of the fold, against the hive of 1000 values)\n");
  return 0;
}
