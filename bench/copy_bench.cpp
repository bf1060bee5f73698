// CopyFileA on many small files (what an install copies) against a plain host copy of the same
// files in the same run: the price of writing beside the target, syncing and renaming.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace

int main(int argc, char** argv) {
  int files = argc > 1 ? std::atoi(argv[1]) : 500;
  char pattern[] = "/tmp/vp-bench-machine-XXXXXX";
  std::string root = mkdtemp(pattern);
  vp::machine::UseRoot(root);
  std::string c = vp::machine::FindDrive('C')->hostFolder;
  for (const char* folder : {"C:\\Source", "C:\\Plain", "C:\\Copied"}) CreateDirectoryA(folder, nullptr);
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
    failed += !CopyFileA(("C:\\Source\\f" + std::to_string(i)).c_str(), ("C:\\Copied\\f" + std::to_string(i)).c_str(), FALSE);
  double copied = Seconds(start);
  std::printf("%d files of 8 KB in %s: plain copy %.1f us/file, CopyFileA %.1f us/file, ratio %.1f%s\n", files,
              root.c_str(), plain * 1e6 / files, copied * 1e6 / files, copied / plain, failed ? " (copies failed)" : "");
  std::string command = "rm -rf '" + root + "'";
  return std::system(command.c_str()) == 0 && !failed ? 0 : 1;
}
