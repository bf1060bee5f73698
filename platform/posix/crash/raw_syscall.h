// Direct system calls for code that runs while the process is failing (signal handler, minidump
// writer): no C library call, so no lazily bound symbol, no lock and no allocation.
#pragma once

#include <sys/syscall.h>

#include <cstddef>

namespace vp::raw {

#if defined(__x86_64__)
inline long Syscall(long number, long a = 0, long b = 0, long c = 0, long d = 0, long e = 0,
                    long f = 0) {
  long result;
  register long r10 __asm__("r10") = d;
  register long r8 __asm__("r8") = e;
  register long r9 __asm__("r9") = f;
  __asm__ volatile("syscall"
                   : "=a"(result)
                   : "a"(number), "D"(a), "S"(b), "d"(c), "r"(r10), "r"(r8), "r"(r9)
                   : "rcx", "r11", "memory");
  return result;  // -errno on failure
}
#else
#  error "raw system calls are written for x86-64"
#endif

inline long Pid() { return Syscall(SYS_getpid); }
inline long Tid() { return Syscall(SYS_gettid); }

// Byte copies and fills the compiler cannot turn into library calls.
inline void CopyBytes(void* to, const void* from, std::size_t size) {
  __asm__ volatile("rep movsb" : "+D"(to), "+S"(from), "+c"(size) : : "memory");
}
inline void ZeroBytes(void* to, std::size_t size) {
  __asm__ volatile("rep stosb" : "+D"(to), "+c"(size) : "a"(0) : "memory");
}

}  // namespace vp::raw
