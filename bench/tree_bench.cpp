// Installing and uninstalling a package through the installer's own tree operations against
// the host's `cp -a` and `rm -rf` of the same tree, timed in the same run: flat folders of
// growing size and one package of many folders. Prints the ratios and the cost per file; a
// cost per file that grows with the folder's size shows as a growing last column.
//   bench_tree [rounds, default 3] [largest flat folder, default 32000] [--no-package]
// VP_BENCH_SAMPLES=1 also prints every round's times (install, cp -a, uninstall, rm -rf).
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fake_installer_state.h"
#include "files/tree_operations.h"
#include "platform/machine.h"
#include "platform/win.h"
#include "common/product_profile.h"

namespace {

using Clock = std::chrono::steady_clock;

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

double SecondsOf(void (*work)(const std::string&), const std::string& arg) {
  auto start = Clock::now();
  work(arg);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void WriteFile(const std::string& path, size_t size) {
  static const std::string block(1 << 16, 'p');
  std::ofstream out(path, std::ios::binary);
  for (size_t left = size; left > 0;) {
    size_t n = std::min(left, block.size());
    out.write(block.data(), static_cast<std::streamsize>(n));
    left -= n;
  }
}

// The package's database folder holds one flat folder of `files` files of 1 KB.
int MakeFlatPackage(const std::string& package, int files) {
  std::string flat = package + "/VantProDB-TWS/Flat";
  Run("mkdir -p '" + flat + "'");
  for (int i = 0; i < files; ++i) WriteFile(flat + "/record" + std::to_string(i) + ".dat", 1024);
  return files;
}

// 5,000 files, about 300 MB, spread over 280 folders two levels deep, sizes 1 KB to 119 KB.
int MakeLargePackage(const std::string& package) {
  std::string db = package + "/VantProDB-TWS";
  int made = 0;
  for (int top = 0; top < 14; ++top) {
    for (int sub = 0; sub < 20; ++sub) {
      std::string folder = db + "/Area" + std::to_string(top) + "/Part" + std::to_string(sub);
      Run("mkdir -p '" + folder + "'");
      int files = (top * 20 + sub) < 240 ? 18 : 17;  // 240*18 + 40*17 = 5,000
      for (int f = 0; f < files; ++f, ++made)
        WriteFile(folder + "/item" + std::to_string(f) + ".bin", 1024 + (made * 7919 % 118) * 1024);
    }
  }
  return made;
}

std::string g_hostDestination;  // D:'s host folder
std::string g_hostPackage;

// The host's copy goes to a folder of its own beside the install, so both copies are made
// before either is deleted: the file system's allocator then sees the same recent deletions
// when each copy starts (it skips inodes freed moments ago, which makes creating right after a
// deletion much slower, for any program).
void CopyWithHost(const std::string&) {
  Run("mkdir -p '" + g_hostDestination + "/HostCopy' && cp -a '" + g_hostPackage + "/VantProDB-TWS' '" +
      g_hostDestination + "/HostCopy/'");
}
void DeleteWithHost(const std::string&) { Run("rm -rf '" + g_hostDestination + "/HostCopy/VantProDB-TWS'"); }
void CopyWithInstaller(const std::string& package) {
  FakeInstallerState state;
  state.drive = state.destDir = "D:\\";
  state.userDataCaption = "D:\\VANTProData-TWS";
  state.executableCaption = "D:\\VANTProDB-TWS";
  CTreeOperations(state).CopyTree(package);
  for (const std::string& text : state.BoxTexts()) std::fprintf(stderr, "message: %s\n", text.c_str());
}
void DeleteWithInstaller(const std::string&) { DeleteTree("D:\\VANTProDB-TWS"); }

double Median(std::vector<double> v) {
  if (std::getenv("VP_BENCH_SAMPLES")) {
    for (double x : v) std::fprintf(stderr, " %.3f", x);
    std::fprintf(stderr, "\n");
  }
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Row {
  std::string what;
  int files;
  double install, cp, uninstall, rm;
};

Row Measure(const std::string& what, int files, int rounds) {
  std::vector<double> install, cp, uninstall, rm;
  for (int r = 0; r < rounds; ++r) {
    // Each side goes first in every other round, so a change in the machine's load or cache
    // weighs on both alike.
    bool hostFirst = r % 2 == 0;
    if (hostFirst) cp.push_back(SecondsOf(CopyWithHost, ""));
    install.push_back(SecondsOf(CopyWithInstaller, "C:\\Package"));
    if (!hostFirst) cp.push_back(SecondsOf(CopyWithHost, ""));
    struct stat st;
    if (stat((g_hostDestination + "/VantProDB-TWS").c_str(), &st) != 0) std::fprintf(stderr, "nothing installed\n");
    if (hostFirst) rm.push_back(SecondsOf(DeleteWithHost, ""));
    uninstall.push_back(SecondsOf(DeleteWithInstaller, ""));
    if (!hostFirst) rm.push_back(SecondsOf(DeleteWithHost, ""));
    if (stat((g_hostDestination + "/VantProDB-TWS").c_str(), &st) == 0) std::fprintf(stderr, "uninstall left files\n");
  }
  return {what, files, Median(install), Median(cp), Median(uninstall), Median(rm)};
}

void Print(const Row& r, double baseInstallPerFile, double baseUninstallPerFile) {
  double installPerFile = r.install / r.files * 1e6, uninstallPerFile = r.uninstall / r.files * 1e6;
  std::printf("%-10s %6d | %7.3f s %7.3f s %5.2f | %7.3f s %7.3f s %5.2f | %6.1f us %5.2f | %6.1f us %5.2f\n",
              r.what.c_str(), r.files, r.install, r.cp, r.install / r.cp, r.uninstall, r.rm, r.uninstall / r.rm,
              installPerFile, installPerFile / baseInstallPerFile, uninstallPerFile,
              uninstallPerFile / baseUninstallPerFile);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  int largest = argc > 2 ? std::atoi(argv[2]) : 32000;
  bool package = !(argc > 3 && std::string(argv[3]) == "--no-package");
  // VP_BENCH_DIR: where the trees go (default /tmp), e.g. a tmpfs to leave the disk out.
  const char* where = std::getenv("VP_BENCH_DIR");
  std::string pattern = std::string(where ? where : "/tmp") + "/vp-bench-tree-XXXXXX";
  if (!mkdtemp(pattern.data())) return 1;
  std::string root = pattern;
  vp::machine::UseRoot(root);
  SelectProductProfile("VANTPLUS", "7.0.3");
  g_hostDestination = vp::machine::FindDrive('D')->hostFolder;
  g_hostPackage = vp::machine::FindDrive('C')->hostFolder + "/Package";

  std::printf("rounds per size: %d (medians)\n", rounds);
  std::printf("%-10s %6s | %9s %9s %5s | %9s %9s %5s | %-15s | %-15s\n", "tree", "files", "install",
              "cp -a", "ratio", "uninst.", "rm -rf", "ratio", "install/file", "uninstall/file");
  std::printf("%s\n", "                    (ratios per file are against the smallest flat folder)");
  double baseInstall = 0, baseUninstall = 0;
  for (int files : {2000, 8000, 32000}) {
    if (files > largest) break;
    Run("rm -rf '" + g_hostPackage + "'");
    MakeFlatPackage(g_hostPackage, files);
    Row row = Measure("flat", files, rounds);
    if (baseInstall == 0) {
      baseInstall = row.install / files * 1e6;
      baseUninstall = row.uninstall / files * 1e6;
    }
    Print(row, baseInstall, baseUninstall);
  }
  if (package) {
    Run("rm -rf '" + g_hostPackage + "'");
    int files = MakeLargePackage(g_hostPackage);
    Print(Measure("package", files, rounds), baseInstall, baseUninstall);
  }
  std::printf("targets: ratios <= 1.20; install/file at 32000 <= 1.50 x that at 2000\n");
  return Run("rm -rf '" + root + "'") ? 0 : 1;
}
