// The on-disk records of a minidump (little-endian, 4-byte packing), as every minidump reader
// expects them, and the stream numbers we write.
#pragma once

#include <cstdint>

namespace vp::minidump {

constexpr std::uint32_t kSignature = 0x504d444d;  // "MDMP"
constexpr std::uint32_t kVersion = 0xa793;

enum StreamType : std::uint32_t {
  kThreadListStream = 3,
  kModuleListStream = 4,
  kMemoryListStream = 5,
  kExceptionStream = 6,
  kSystemInfoStream = 7,
  kMiscInfoStream = 15,
  kLinuxMapsStream = 0x47670009,  // the text of /proc/self/maps
};

constexpr std::uint16_t kArchitectureAmd64 = 9;
constexpr std::uint32_t kPlatformLinux = 0x8201;
constexpr std::uint32_t kMiscProcessId = 1;
constexpr std::uint32_t kCvSignatureElf = 0x4270454c;  // "LEpB": an ELF build id follows

#pragma pack(push, 4)
struct Location {
  std::uint32_t DataSize;
  std::uint32_t Rva;
};

struct Header {
  std::uint32_t Signature;
  std::uint32_t Version;
  std::uint32_t NumberOfStreams;
  std::uint32_t StreamDirectoryRva;
  std::uint32_t CheckSum;
  std::uint32_t TimeDateStamp;
  std::uint64_t Flags;
};

struct Directory {
  std::uint32_t StreamType;
  vp::minidump::Location Location;
};

struct SystemInfo {
  std::uint16_t ProcessorArchitecture;
  std::uint16_t ProcessorLevel;
  std::uint16_t ProcessorRevision;
  std::uint8_t NumberOfProcessors;
  std::uint8_t ProductType;
  std::uint32_t MajorVersion;
  std::uint32_t MinorVersion;
  std::uint32_t BuildNumber;
  std::uint32_t PlatformId;
  std::uint32_t CSDVersionRva;
  std::uint16_t SuiteMask;
  std::uint16_t Reserved2;
  std::uint32_t Cpu[6];
};

struct MiscInfo {
  std::uint32_t SizeOfInfo;
  std::uint32_t Flags1;
  std::uint32_t ProcessId;
  std::uint32_t ProcessCreateTime;
  std::uint32_t ProcessUserTime;
  std::uint32_t ProcessKernelTime;
};

struct MemoryDescriptor {
  std::uint64_t StartOfMemoryRange;
  Location Memory;
};

struct Thread {
  std::uint32_t ThreadId;
  std::uint32_t SuspendCount;
  std::uint32_t PriorityClass;
  std::uint32_t Priority;
  std::uint64_t Teb;
  MemoryDescriptor Stack;
  Location ThreadContext;
};

struct Exception {
  std::uint32_t ExceptionCode;
  std::uint32_t ExceptionFlags;
  std::uint64_t ExceptionRecord;
  std::uint64_t ExceptionAddress;
  std::uint32_t NumberParameters;
  std::uint32_t Unused;
  std::uint64_t ExceptionInformation[15];
};

struct ExceptionStream {
  std::uint32_t ThreadId;
  std::uint32_t Alignment;
  Exception ExceptionRecord;
  Location ThreadContext;
};

struct Module {
  std::uint64_t BaseOfImage;
  std::uint32_t SizeOfImage;
  std::uint32_t CheckSum;
  std::uint32_t TimeDateStamp;
  std::uint32_t ModuleNameRva;
  std::uint32_t VersionInfo[13];
  Location CvRecord;
  Location MiscRecord;
  std::uint64_t Reserved0;
  std::uint64_t Reserved1;
};
#pragma pack(pop)

static_assert(sizeof(Header) == 32);
static_assert(sizeof(Directory) == 12);
static_assert(sizeof(SystemInfo) == 56);
static_assert(sizeof(Thread) == 48);
static_assert(sizeof(ExceptionStream) == 168);
static_assert(sizeof(Module) == 108);

}  // namespace vp::minidump
