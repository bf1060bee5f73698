// What the minidump writer learns about the running process while it fails: its mappings and
// loaded ELF modules from /proc/self/maps, and its memory through /proc/self/mem (a read of an
// unmapped page fails instead of faulting). Everything lives in static storage: no allocation.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vp::minidump {

struct Mapping {
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  bool readable = false;
};

struct ElfModule {
  std::uint64_t base = 0;  // the mapping of the file's first page
  std::uint64_t end = 0;   // end of its last mapping
  const char* path = nullptr;  // inside the maps text, not terminated
  std::uint32_t pathLength = 0;
  std::uint8_t buildId[64] = {};
  std::uint32_t buildIdSize = 0;
};

class ProcessSnapshot {
 public:
  static constexpr std::size_t kMaxModules = 1024;

  // Reads the maps and finds the modules; false when /proc cannot be read.
  bool Take();
  void Release();

  const char* MapsText() const { return maps_; }
  std::size_t MapsSize() const { return mapsSize_; }
  std::size_t ModuleCount() const { return moduleCount_; }
  const ElfModule& ModuleAt(std::size_t i) const { return modules_[i]; }

  // The mapping that holds `address`; false when none does.
  bool FindMapping(std::uint64_t address, Mapping* mapping) const;

  // Copies process memory; returns the bytes read (fewer at an unreadable page).
  std::size_t Read(std::uint64_t address, void* into, std::size_t size) const;

 private:
  void FindModules();
  void ReadBuildId(ElfModule* module) const;

  static constexpr std::size_t kMapsCapacity = 1 << 20;
  static char maps_[kMapsCapacity];
  static ElfModule modules_[kMaxModules];
  std::size_t mapsSize_ = 0;
  std::size_t moduleCount_ = 0;
  int memFd_ = -1;
};

}  // namespace vp::minidump
