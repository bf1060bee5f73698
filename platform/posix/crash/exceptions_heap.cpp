// The heap while the process fails. A program that installs an unhandled-exception filter gets
// these allocation functions in place of the C library's (the C library supports such
// replacement): normally they hand every call on unchanged, but from the moment a fatal signal
// reaches the filter, allocations come from a separate region and frees leave the C library's
// heap alone. A failure inside the allocator (a corrupted heap, a lock held by the failing
// thread) therefore does not take down the filter's own work: opening the dump file, loading
// DBGHELP.DLL, showing a message.
#include <malloc.h>
#include <sys/mman.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "raw_syscall.h"

namespace vp::exceptions {
// Enters (true) or leaves (false) the failing state of one thread; the failure heap serves
// every allocation while any thread is failing.
void UseFailureHeap(bool on);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)

extern "C" {
void* __libc_malloc(std::size_t size);
void __libc_free(void* block);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

constexpr std::size_t kRegionSize = std::size_t{64} << 20;  // reserved, touched only as used
constexpr std::size_t kHeader = 16;                         // block size, keeps 16-byte alignment

std::atomic<int> g_failing{0};  // threads inside the filter
std::atomic<char*> g_region{nullptr};
std::atomic<std::size_t> g_used{0};

bool InRegion(const void* block) {
  char* region = g_region.load(std::memory_order_acquire);
  auto* p = static_cast<const char*>(block);
  return region && p >= region && p < region + kRegionSize;
}

void* RegionAllocate(std::size_t size, std::size_t alignment) {
  char* region = g_region.load(std::memory_order_acquire);
  if (!region || size > kRegionSize) return nullptr;
  if (alignment < kHeader) alignment = kHeader;
  std::size_t used = g_used.load(std::memory_order_relaxed);
  for (;;) {
    std::size_t start = (used + kHeader + alignment - 1) / alignment * alignment;
    std::size_t end = start + ((size + kHeader - 1) / kHeader) * kHeader;
    if (end > kRegionSize) return nullptr;
    if (g_used.compare_exchange_weak(used, end, std::memory_order_relaxed)) {
      *reinterpret_cast<std::size_t*>(region + start - kHeader) = size;
      return region + start;
    }
  }
}

std::size_t RegionBlockSize(const void* block) {
  return *reinterpret_cast<const std::size_t*>(static_cast<const char*>(block) - kHeader);
}

bool Failing() { return g_failing.load(std::memory_order_acquire) > 0; }

}  // namespace

namespace vp::exceptions {

void UseFailureHeap(bool on) {
  if (!on) {
    g_failing.fetch_sub(1, std::memory_order_release);
    return;
  }
  if (!g_region.load()) {
    long mapped = raw::Syscall(SYS_mmap, 0, static_cast<long>(kRegionSize),
                               PROT_READ | PROT_WRITE,
                               MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped < 0 && mapped > -4096) {
      g_failing.fetch_add(1, std::memory_order_release);  // no region: allocations fail
      return;
    }
    char* expected = nullptr;
    if (!g_region.compare_exchange_strong(expected, reinterpret_cast<char*>(mapped))) {
      raw::Syscall(SYS_munmap, mapped, static_cast<long>(kRegionSize));
    }
  }
  g_failing.fetch_add(1, std::memory_order_release);
}

}  // namespace vp::exceptions

extern "C" {

void* malloc(std::size_t size) {
  return Failing() ? RegionAllocate(size, kHeader) : __libc_malloc(size);
}

void free(void* block) {
  // Region blocks are never given back; the normal heap is not touched while failing.
  if (!block || InRegion(block) || Failing()) return;
  __libc_free(block);
}

void* calloc(std::size_t count, std::size_t size) {
  if (!Failing()) return __libc_calloc(count, size);
  if (size != 0 && count > SIZE_MAX / size) return nullptr;
  return RegionAllocate(count * size, kHeader);  // fresh anonymous pages are zero
}

void* realloc(void* block, std::size_t size) {
  if (!Failing() && !InRegion(block)) return __libc_realloc(block, size);
  void* moved = malloc(size);
  if (moved && block) {
    std::size_t keep = InRegion(block) ? RegionBlockSize(block) : malloc_usable_size(block);
    vp::raw::CopyBytes(moved, block, keep < size ? keep : size);
  }
  free(block);
  return moved;
}

void* memalign(std::size_t alignment, std::size_t size) {
  return Failing() ? RegionAllocate(size, alignment) : __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return 22;  // EINVAL
  void* block = memalign(alignment, size);
  if (!block) return 12;  // ENOMEM
  *result = block;
  return 0;
}

}  // extern "C"

#else

// Sanitizer builds keep the sanitizer's allocator.
namespace vp::exceptions {
void UseFailureHeap(bool) {}
}  // namespace vp::exceptions

#endif
