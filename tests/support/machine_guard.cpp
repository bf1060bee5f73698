#include "machine_guard.h"

#include <cstdlib>
#include <cstring>

#include "test_support.h"

namespace vp::test {

static bool IsOne(const char* value) { return value && std::strcmp(value, "1") == 0; }

std::string RefusalToRun(bool underWine, const char* disposable) {
  if (underWine || IsOne(disposable)) return {};
  return std::string(
             "refusing to run: this test program deletes the product's registry keys "
             "(SOFTWARE\\KORAX under HKCU and HKLM) and its folders on C: and D:, which would "
             "wipe a real installation. It runs under Wine, or where ") +
         kDisposableVariable + "=1 says this machine is disposable.";
}

std::string RefusalForThisProcess() {
#ifdef _WIN32
  bool underWine = RunningUnderWine() && !IsOne(std::getenv(kIgnoreWineVariable));
  return RefusalToRun(underWine, std::getenv(kDisposableVariable));
#else
  return {};
#endif
}

}  // namespace vp::test
