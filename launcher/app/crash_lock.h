// One failure at a time: the crash filter holds this lock while it asks the UI module for the
// dump folder and writes the dump, so two threads failing together write one dump after the
// other; the module's unloading takes it too, so the filter never calls into a freed module.
// A spin lock on an atomic: the filter may run when no other lock can be trusted.
#pragma once

class CCrashLock {
 public:
  // Waits for the lock. False, without waiting, when this thread holds it already (a failure
  // inside the filter itself).
  static bool Enter();
  static void Leave();
};
