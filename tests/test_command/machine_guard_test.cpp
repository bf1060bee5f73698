// When a Windows test program may start: under Wine, or on a machine declared disposable.
#include <gtest/gtest.h>

#include <cstdlib>

#include "machine_guard.h"
#include "test_support.h"

namespace {

using vp::test::RefusalToRun;

TEST(MachineGuard, RefusesANativeMachineUnlessDeclaredDisposable) {
  EXPECT_EQ(RefusalToRun(true, nullptr), "");
  EXPECT_EQ(RefusalToRun(false, "1"), "");
  for (const char* value : {static_cast<const char*>(nullptr), "", "0", "yes", "11"})
    EXPECT_NE(RefusalToRun(false, value), "") << (value ? value : "(unset)");
}

TEST(MachineGuard, RefusalSaysWhatIsAtStakeAndHowToAllowIt) {
  std::string why = RefusalToRun(false, nullptr);
  EXPECT_NE(why.find("SOFTWARE\\KORAX under HKCU and HKLM"), std::string::npos) << why;
  EXPECT_NE(why.find("folders on C: and D:"), std::string::npos) << why;
  EXPECT_NE(why.find("VP_DISPOSABLE_MACHINE=1"), std::string::npos) << why;
}

#ifdef _WIN32
TEST(MachineGuard, DetectsWineBesideItsPrefix) {
  // Wine hands its own settings to Windows programs; a native machine has no WINEPREFIX.
  if (!std::getenv("WINEPREFIX")) GTEST_SKIP() << "not started by Wine's runner";
  EXPECT_TRUE(vp::test::RunningUnderWine());
  EXPECT_EQ(vp::test::RefusalForThisProcess(), "");
}
#endif

}  // namespace
