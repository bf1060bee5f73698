// CreateFileA and CloseHandle of existing files against a plain host open and close of the same
// files in the same run, for opens that take share locks, opens that take none (attributes
// only) and opens beside a handle that already holds the file (its sharing is checked).
//   bench_open [files, default 500] [rounds, default 20]; VP_BENCH_DIR: where the machine goes
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_machine.h"
#include "platform/machine.h"
#include "platform/win.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Opens every file `rounds` times with `access` and `share`; the seconds taken, or -1 when an
// open failed.
double TimeOpens(const std::vector<std::string>& files, int rounds, DWORD access, DWORD share) {
  auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < rounds; ++round)
    for (const std::string& file : files) {
      HANDLE h = CreateFileA(file.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
      if (h == INVALID_HANDLE_VALUE) return -1;
      CloseHandle(h);
    }
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  int count = argc > 1 ? std::atoi(argv[1]) : 500;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
  std::string root = vp::bench::UseFreshMachine();
  if (root.empty()) return 1;
  std::string c = vp::machine::FindDrive('C')->hostFolder;
  CreateDirectoryA("C:\\Files", nullptr);
  std::vector<std::string> files, hostFiles;
  for (int i = 0; i < count; ++i) {
    files.push_back("C:\\Files\\f" + std::to_string(i));
    hostFiles.push_back(c + "/Files/f" + std::to_string(i));
    CloseHandle(CreateFileA(files.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }

  auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < rounds; ++round)
    for (const std::string& file : hostFiles) close(open(file.c_str(), O_RDONLY | O_CLOEXEC));
  double plain = Seconds(start);
  double reading = TimeOpens(files, rounds, GENERIC_READ, FILE_SHARE_READ);
  double attributes = TimeOpens(files, rounds, FILE_READ_ATTRIBUTES, FILE_SHARE_READ);
  std::vector<HANDLE> held;
  for (const std::string& file : files)
    held.push_back(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  double beside = TimeOpens(files, rounds, GENERIC_READ, FILE_SHARE_READ);
  for (HANDLE h : held) CloseHandle(h);

  int opens = count * rounds;
  bool failed = reading < 0 || attributes < 0 || beside < 0;
  std::printf("%d opens in %s: plain open %.2f us; CreateFileA / plain: read %.2f, attributes only %.2f, "
              "read beside a reader %.2f%s\n",
              opens, root.c_str(), plain * 1e6 / opens, reading / plain, attributes / plain, beside / plain,
              failed ? " (opens failed)" : "");
  return vp::bench::RemoveMachine(root) && !failed ? 0 : 1;
}
