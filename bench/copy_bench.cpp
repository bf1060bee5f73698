// CopyFileA on many small files (what an install copies) against plain host copies of the same
// files in the same run: one written in place, one written under a temporary name and renamed
// into place (the host's own price of a copy that is never seen partial, as CopyFileA's).
//   bench_copy [files, default 500]; VP_BENCH_DIR: where the machine goes (default /tmp)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_machine.h"
#include "platform/machine.h"
#include "platform/win.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The reference: open, read, write, close, nothing else.
bool PlainCopy(const std::string& from, const std::string& to) {
  int in = open(from.c_str(), O_RDONLY), out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  char buffer[1 << 16];
  ssize_t got;
  bool ok = in >= 0 && out >= 0;
  while (ok && (got = read(in, buffer, sizeof buffer)) > 0) ok = write(out, buffer, got) == got;
  if (in >= 0) close(in);
  if (out >= 0) close(out);
  return ok;
}

// The same, written beside the target and renamed into place once complete.
bool RenamedCopy(const std::string& from, const std::string& to) {
  std::string temporary = to + ".tmp";
  return PlainCopy(from, temporary) && rename(temporary.c_str(), to.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int files = argc > 1 ? std::atoi(argv[1]) : 500;
  std::string root = vp::bench::UseFreshMachine();
  if (root.empty()) return 1;
  std::string c = vp::machine::FindDrive('C')->hostFolder;
  for (const char* folder : {"C:\\Source", "C:\\Plain", "C:\\Renamed", "C:\\Copied"}) CreateDirectoryA(folder, nullptr);
  std::string content(8192, 'x');
  for (int i = 0; i < files; ++i) {
    HANDLE h = CreateFileA(("C:\\Source\\f" + std::to_string(i)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(h);
  }
  auto start = std::chrono::steady_clock::now();
  int failed = 0;
  for (int i = 0; i < files; ++i)
    failed += !PlainCopy(c + "/Source/f" + std::to_string(i), c + "/Plain/f" + std::to_string(i));
  double plain = Seconds(start);
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < files; ++i)
    failed += !RenamedCopy(c + "/Source/f" + std::to_string(i), c + "/Renamed/f" + std::to_string(i));
  double renamed = Seconds(start);
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < files; ++i)
    failed += !CopyFileA(("C:\\Source\\f" + std::to_string(i)).c_str(), ("C:\\Copied\\f" + std::to_string(i)).c_str(), FALSE);
  double copied = Seconds(start);
  std::printf("%d files of 8 KB in %s: plain copy %.1f us/file, renamed into place %.1f us/file, CopyFileA %.1f "
              "us/file; CopyFileA / plain %.2f, CopyFileA / renamed %.2f%s\n",
              files, root.c_str(), plain * 1e6 / files, renamed * 1e6 / files, copied * 1e6 / files, copied / plain,
              copied / renamed, failed ? " (copies failed)" : "");
  return vp::bench::RemoveMachine(root) && !failed ? 0 : 1;
}
