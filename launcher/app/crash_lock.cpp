#include "crash_lock.h"

#include <atomic>

#include "platform/win.h"

namespace {
std::atomic<DWORD> g_owner{0};  // thread id of the holder, 0 when free
}

bool CCrashLock::Enter() {
  DWORD self = GetCurrentThreadId();
  if (g_owner.load() == self) return false;
  DWORD expected = 0;
  while (!g_owner.compare_exchange_weak(expected, self)) {
    expected = 0;
    Sleep(1);
  }
  return true;
}

void CCrashLock::Leave() { g_owner.store(0); }
