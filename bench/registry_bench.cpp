// Setting and querying one value in hives of 1,000 to 100,000 values: the time per call, and
// how it grows against the smallest hive of the same run.
//   bench_registry [largest hive, default 100000]
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/win.h"

namespace {

using Clock = std::chrono::steady_clock;

double MicrosecondsSince(Clock::time_point start, int calls) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
}

// A machine whose user hive holds `count` values under Software\Bench, written as text.
void MakeMachine(const std::string& root, int count) {
  vp::machine::UseRoot(root);
  std::ofstream hive(vp::machine::RegistryFolder() + "/HKEY_CURRENT_USER.reg", std::ios::binary);
  hive << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n"
          "\r\n[HKEY_CURRENT_USER\\Software\\Bench]\r\n";
  for (int i = 0; i < count; ++i) hive << "\"Value" << i << "\"=\"text of value " << i << "\"\r\n";
  hive << "\r\n";
}

struct Result {
  int values;
  double openUs, setUs, queryUs;
};

Result Measure(const std::string& root, int count) {
  MakeMachine(root, count);
  Result r{count, 0, 0, 0};
  HKEY key = nullptr;
  auto start = Clock::now();
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Bench", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot open the bench key\n");
    std::exit(1);
  }
  r.openUs = MicrosecondsSince(start, 1);  // the first call parses the hive

  const int sets = 20;
  start = Clock::now();
  for (int i = 0; i < sets; ++i) {
    std::string data = "changed " + std::to_string(i);
    RegSetValueExA(key, "Value7", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
  }
  r.setUs = MicrosecondsSince(start, sets);

  const int queries = 20000;
  char buffer[64];
  start = Clock::now();
  for (int i = 0; i < queries; ++i) {
    DWORD size = sizeof buffer;
    RegQueryValueExA(key, "Value7", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  }
  r.queryUs = MicrosecondsSince(start, queries);
  RegCloseKey(key);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  int largest = argc > 1 ? std::atoi(argv[1]) : 100000;
  char pattern[] = "/tmp/vp-registry-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  std::string base = pattern;

  std::vector<Result> results;
  for (int count = 1000; count <= largest; count *= 10)
    results.push_back(Measure(base + "/machine-" + std::to_string(count), count));

  std::printf("%10s %14s %14s %14s %10s %10s\n", "values", "first open us", "set us/call", "query us/call",
              "set x", "query x");
  for (const Result& r : results)
    std::printf("%10d %14.1f %14.1f %14.2f %10.1f %10.1f\n", r.values, r.openUs, r.setUs, r.queryUs,
                r.setUs / results[0].setUs, r.queryUs / results[0].queryUs);
  std::printf("(x: time per call against the hive of %d values)\n", results[0].values);

  std::error_code ignored;
  std::filesystem::remove_all(base, ignored);  // the temporary machines made above
  return 0;
}
