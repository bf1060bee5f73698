// Windows test programs delete the product's registry keys and folders. On a real Windows
// machine with the product installed that would wipe the user's settings and data, so they
// start only under Wine or where the machine is declared disposable.
#pragma once

#include <string>

namespace vp::test {

// "1" in this variable says the machine may be wiped (a Windows CI runner); the wine runner sets it.
inline constexpr const char* kDisposableVariable = "VP_DISPOSABLE_MACHINE";
// "1" makes the guard ignore Wine, so that the refusal itself can be checked under Wine.
inline constexpr const char* kIgnoreWineVariable = "VP_TEST_IGNORE_WINE";
// Exit code of a program that refused to start.
inline constexpr int kRefusedExitCode = 3;

// Why the tests must not run on this machine, or empty when they may. `disposable` is the
// value of kDisposableVariable (nullptr when unset).
std::string RefusalToRun(bool underWine, const char* disposable);

// The same decision for this process; always empty on POSIX, where every test program works
// in an emulated machine of its own.
std::string RefusalForThisProcess();

}  // namespace vp::test
