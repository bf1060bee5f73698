// Path resolution in a folder of 20,000 entries: lookups with the names' own letter case
// against lookups of the same names in another case. A wrong-case lookup must not scan the
// folder each time, so the ratio stays small however large the folder is.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/machine.h"
#include "platform/win.h"

namespace {

double NanosPerLookup(const std::vector<std::string>& paths, int rounds) {
  auto start = std::chrono::steady_clock::now();
  unsigned found = 0;
  for (int r = 0; r < rounds; ++r)
    for (const std::string& p : paths) found += GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES;
  auto ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  if (found != paths.size() * rounds) std::fprintf(stderr, "lookups failed: %u of %zu\n", found, paths.size() * rounds);
  return ns / (static_cast<double>(paths.size()) * rounds);
}

}  // namespace

int main(int argc, char** argv) {
  int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
  char pattern[] = "/tmp/vp-bench-machine-XXXXXX";
  std::string root = mkdtemp(pattern);
  vp::machine::UseRoot(root);
  CreateDirectoryA("C:\\Big", nullptr);
  std::string host = vp::machine::FindDrive('C')->hostFolder + "/Big";
  std::vector<std::string> exact, wrongCase;
  for (int i = 0; i < entries; ++i) {
    std::string name = "Entry" + std::to_string(i) + ".Dat";
    std::ofstream(host + "/" + name) << i;
    exact.push_back("C:\\Big\\" + name);
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    wrongCase.push_back("C:\\BIG\\" + upper);
  }
  sleep(1);  // let the folder's time stamp settle, as it has on any folder a user looks into
  NanosPerLookup(wrongCase, 1);  // the first wrong-case lookup lists the folder once
  double e = NanosPerLookup(exact, 5), w = NanosPerLookup(wrongCase, 5);
  // Reference: the host's own lstat of the same files, as the floor of any lookup.
  auto start = std::chrono::steady_clock::now();
  struct stat st;
  for (int r = 0; r < 5; ++r)
    for (int i = 0; i < entries; ++i) lstat((host + "/Entry" + std::to_string(i) + ".Dat").c_str(), &st);
  double h = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() / (5.0 * entries);
  std::printf("entries: %d\nhost lstat: %.0f ns\nexact-case lookup: %.0f ns (%.2f x host lstat)\n"
              "wrong-case lookup: %.0f ns\nratio wrong/exact: %.2f (target < 5)\n",
              entries, h, e, e / h, w, w / e);
  std::string command = "rm -rf '" + root + "'";
  return std::system(command.c_str()) == 0 ? 0 : 1;
}
