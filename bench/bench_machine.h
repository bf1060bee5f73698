// A fresh emulated machine for one benchmark run, in $VP_BENCH_DIR (default /tmp), so that a
// memory file system can leave the disk's variance out of the ratios.
#pragma once

#include <cstdlib>
#include <string>

#include "platform/machine.h"

namespace vp::bench {

// Makes the machine's folder and uses it; empty when the folder cannot be made.
inline std::string UseFreshMachine() {
  const char* where = std::getenv("VP_BENCH_DIR");
  std::string root = std::string(where ? where : "/tmp") + "/vp-bench-machine-XXXXXX";
  if (!mkdtemp(root.data())) return {};
  vp::machine::UseRoot(root);
  return root;
}

inline bool RemoveMachine(const std::string& root) {
  std::string command = "rm -rf '" + root + "'";
  return std::system(command.c_str()) == 0;
}

}  // namespace vp::bench
