// The built-in DBGHELP's MiniDumpWriteDump: a Linux-flavoured minidump of the calling process.
// It runs while the process fails, perhaps with a broken heap, so it allocates nothing: the
// process's mappings are read into static storage with direct system calls and the file is
// written in order through one static staging buffer. The layout is measured in a first pass
// that runs the same emitting code without writing, so offsets are known before any byte goes
// out.
#include <signal.h>

#include <atomic>

#include "process/builtin_modules.h"
#include "minidump_format.h"
#include "minidump_process.h"
#include "platform/posix/crash/dbghelp.h"
#include "platform/posix/core/errors.h"
#include "platform/posix/fs/files.h"
#include "raw_syscall.h"

namespace vp::minidump {
namespace {

constexpr std::size_t kStackLimit = 512 * 1024;  // bytes of stack kept above the stack pointer
constexpr std::uint64_t kRedZone = 128;          // below the stack pointer, still live data
constexpr std::uint64_t kCodeAround = 256;       // bytes of code kept around the failing instruction

// Sequential output through a static staging buffer. When measuring, only the offset moves.
class Output {
 public:
  Output(HANDLE file, bool measuring) : file_(file), measuring_(measuring) {}

  std::uint32_t Offset() const { return offset_; }
  bool Ok() const { return ok_; }

  void Put(const void* data, std::size_t size) {
    offset_ += static_cast<std::uint32_t>(size);
    if (measuring_) return;
    auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
      std::size_t room = sizeof stage_ - fill_;
      std::size_t n = size < room ? size : room;
      raw::CopyBytes(stage_ + fill_, bytes, n);
      fill_ += n;
      bytes += n;
      size -= n;
      if (fill_ == sizeof stage_) Flush();
    }
  }

  void PutZeros(std::size_t size) {
    static const unsigned char zeros[256] = {};
    while (size > 0) {
      std::size_t n = size < sizeof zeros ? size : sizeof zeros;
      Put(zeros, n);
      size -= n;
    }
  }

  void Align() { PutZeros((8 - offset_ % 8) % 8); }

  // Process memory, zero-filled where a page cannot be read, so the layout always holds.
  void PutMemory(const ProcessSnapshot& process, std::uint64_t address, std::size_t size) {
    if (measuring_) {
      offset_ += static_cast<std::uint32_t>(size);
      return;
    }
    while (size > 0) {
      if (fill_ == sizeof stage_) Flush();
      std::size_t room = sizeof stage_ - fill_;
      std::size_t n = size < room ? size : room;
      std::size_t got = process.Read(address, stage_ + fill_, n);
      raw::ZeroBytes(stage_ + fill_ + got, n - got);
      fill_ += n;
      offset_ += static_cast<std::uint32_t>(n);
      address += n;
      size -= n;
    }
  }

  void Flush() {
    if (measuring_ || fill_ == 0) return;
    DWORD written = 0;
    if (!WriteFile(file_, stage_, static_cast<DWORD>(fill_), &written, nullptr) ||
        written != fill_) {
      ok_ = false;
    }
    fill_ = 0;
  }

 private:
  static unsigned char stage_[64 * 1024];
  HANDLE file_;
  bool measuring_;
  bool ok_ = true;
  std::uint32_t offset_ = 0;
  std::size_t fill_ = 0;
};

unsigned char Output::stage_[64 * 1024];

// UTF-16 form of an 8-bit (UTF-8) text, as minidump strings hold it; returns the unit count.
std::size_t ToUtf16(const char* text, std::size_t length, std::uint16_t* units, std::size_t room) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < length && n + 2 <= room;) {
    auto c = static_cast<unsigned char>(text[i]);
    std::uint32_t code = c;
    std::size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra > 0 && i + extra < length) {
      code = c & (0x3F >> extra);
      for (std::size_t k = 1; k <= extra; ++k) code = (code << 6) | (text[i + k] & 0x3F);
    } else {
      extra = 0;
    }
    i += extra + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      units[n++] = static_cast<std::uint16_t>(0xD800 + (code >> 10));
      units[n++] = static_cast<std::uint16_t>(0xDC00 + (code & 0x3FF));
    } else {
      units[n++] = static_cast<std::uint16_t>(code);
    }
  }
  return n;
}

// A MINIDUMP_STRING: byte length, UTF-16 units, a terminating zero unit.
void PutString(Output& out, const char* text, std::size_t length) {
  std::uint16_t units[4096];
  std::size_t n = ToUtf16(text, length, units, 4096);
  auto bytes = static_cast<std::uint32_t>(n * 2);
  out.Put(&bytes, 4);
  out.Put(units, bytes);
  out.PutZeros(2);
  out.Align();
}

// The registers where this function stands: the dump then shows the thread making the call.
__attribute__((noinline)) void CaptureCallerContext(CONTEXT* context) {
  std::uint64_t rsp, rbp, rip, rbx, r12, r13, r14, r15;
  __asm__ volatile(
      "mov %%rsp, %0\n\tmov %%rbp, %1\n\tlea 0(%%rip), %2\n\tmov %%rbx, %3\n\t"
      "mov %%r12, %4\n\tmov %%r13, %5\n\tmov %%r14, %6\n\tmov %%r15, %7"
      : "=m"(rsp), "=m"(rbp), "=r"(rip), "=m"(rbx), "=m"(r12), "=m"(r13), "=m"(r14), "=m"(r15));
  context->ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
  context->Rsp = rsp;
  context->Rbp = rbp;
  context->Rip = rip;
  context->Rbx = rbx;
  context->R12 = r12;
  context->R13 = r13;
  context->R14 = r14;
  context->R15 = r15;
}

struct Failure {
  std::uint32_t threadId = 0;
  const EXCEPTION_RECORD* record = nullptr;  // null without exception information
  CONTEXT context{};
};

struct Range {
  std::uint64_t start = 0;
  std::size_t size = 0;
};

// Offsets of the pieces that others point at, found by the measuring pass.
struct Layout {
  std::uint32_t directory = 0;
  Location systemInfo{}, miscInfo{}, exception{}, threadList{}, memoryList{}, moduleList{},
      maps{};
  std::uint32_t csdVersion = 0, context = 0, stack = 0, code = 0;
  std::uint32_t moduleNames[ProcessSnapshot::kMaxModules] = {};
  std::uint32_t moduleCv[ProcessSnapshot::kMaxModules] = {};
};

struct Dump {
  const ProcessSnapshot& process;
  const Failure& failure;
  Range stack, code;
  Layout& layout;
  std::uint32_t streamCount;

  void Emit(Output& out) {
    Header header{};
    header.Signature = kSignature;
    header.Version = kVersion;
    header.NumberOfStreams = streamCount;
    header.StreamDirectoryRva = layout.directory;
    header.TimeDateStamp = static_cast<std::uint32_t>(raw::Syscall(SYS_time, 0));
    out.Put(&header, sizeof header);
    layout.directory = out.Offset();
    PutDirectory(out);
    out.Align();
    PutSystemInfo(out);
    PutMiscInfo(out);
    if (failure.record) PutException(out);
    PutThreadList(out);
    PutMemoryList(out);
    PutModuleList(out);
    PutMaps(out);
    layout.stack = out.Offset();
    out.PutMemory(process, stack.start, stack.size);
    out.Align();
    layout.code = out.Offset();
    out.PutMemory(process, code.start, code.size);
    out.Align();
    out.Flush();
  }

  void PutDirectory(Output& out) {
    Directory entries[] = {
        {kSystemInfoStream, layout.systemInfo}, {kMiscInfoStream, layout.miscInfo},
        {kThreadListStream, layout.threadList}, {kMemoryListStream, layout.memoryList},
        {kModuleListStream, layout.moduleList}, {kLinuxMapsStream, layout.maps},
        {kExceptionStream, layout.exception}};
    out.Put(entries, sizeof(Directory) * streamCount);
  }

  template <class F>
  Location Stream(Output& out, F&& body) {
    std::uint32_t start = out.Offset();
    body();
    Location location{out.Offset() - start, start};
    out.Align();
    return location;
  }

  void PutSystemInfo(Output& out) {
    struct {
      char sysname[65], nodename[65], release[65], version[65], machine[65], domainname[65];
    } uts{};
    raw::Syscall(SYS_uname, reinterpret_cast<long>(&uts));
    unsigned char cpuMask[128] = {};
    long maskBytes = raw::Syscall(SYS_sched_getaffinity, 0, sizeof cpuMask,
                                  reinterpret_cast<long>(cpuMask));
    unsigned processors = 0;
    for (long i = 0; i < maskBytes; ++i) processors += __builtin_popcount(cpuMask[i]);
    layout.systemInfo = Stream(out, [&] {
      SystemInfo info{};
      info.ProcessorArchitecture = kArchitectureAmd64;
      info.ProcessorLevel = 6;
      info.NumberOfProcessors = static_cast<std::uint8_t>(processors > 255 ? 255 : processors);
      const char* p = uts.release;
      std::uint32_t* parts[] = {&info.MajorVersion, &info.MinorVersion, &info.BuildNumber};
      for (std::uint32_t* part : parts) {
        while (*p >= '0' && *p <= '9') *part = *part * 10 + static_cast<std::uint32_t>(*p++ - '0');
        if (*p == '.') ++p;
      }
      info.PlatformId = kPlatformLinux;
      info.CSDVersionRva = layout.csdVersion;
      out.Put(&info, sizeof info);
    });
    // "Linux <release> <version> <machine>", as uname -srvm prints it.
    char csd[300];
    std::size_t n = 0;
    for (const char* part : {uts.sysname, uts.release, uts.version, uts.machine}) {
      if (n > 0) csd[n++] = ' ';
      for (std::size_t i = 0; part[i] && n < sizeof csd - 1; ++i) csd[n++] = part[i];
    }
    layout.csdVersion = out.Offset();
    PutString(out, csd, n);
  }

  void PutMiscInfo(Output& out) {
    layout.miscInfo = Stream(out, [&] {
      MiscInfo info{};
      info.SizeOfInfo = sizeof info;
      info.Flags1 = kMiscProcessId;
      info.ProcessId = static_cast<std::uint32_t>(raw::Pid());
      out.Put(&info, sizeof info);
    });
  }

  // Linux readers take the signal for the exception code and the faulting data address.
  void PutException(Output& out) {
    const EXCEPTION_RECORD& record = *failure.record;
    layout.exception = Stream(out, [&] {
      ExceptionStream stream{};
      stream.ThreadId = failure.threadId;
      int signo = vp::exceptions::SignalOfException(record);
      stream.ExceptionRecord.ExceptionCode =
          signo ? static_cast<std::uint32_t>(signo) : record.ExceptionCode;
      auto address = reinterpret_cast<std::uint64_t>(record.ExceptionAddress);
      if ((signo == SIGSEGV || signo == SIGBUS) && record.NumberParameters >= 2) {
        address = record.ExceptionInformation[1];
      }
      stream.ExceptionRecord.ExceptionAddress = address;
      stream.ThreadContext = {sizeof(CONTEXT), layout.context};
      out.Put(&stream, sizeof stream);
    });
  }

  void PutThreadList(Output& out) {
    layout.threadList = Stream(out, [&] {
      std::uint32_t count = 1;
      out.Put(&count, 4);
      Thread thread{};
      thread.ThreadId = failure.threadId;
      thread.Stack = {stack.start, {static_cast<std::uint32_t>(stack.size), layout.stack}};
      thread.ThreadContext = {sizeof(CONTEXT), layout.context};
      out.Put(&thread, sizeof thread);
    });
    layout.context = out.Offset();
    out.Put(&failure.context, sizeof(CONTEXT));
    out.Align();
  }

  void PutMemoryList(Output& out) {
    layout.memoryList = Stream(out, [&] {
      MemoryDescriptor ranges[] = {
          {stack.start, {static_cast<std::uint32_t>(stack.size), layout.stack}},
          {code.start, {static_cast<std::uint32_t>(code.size), layout.code}}};
      std::uint32_t count = code.size > 0 ? 2 : 1;
      out.Put(&count, 4);
      out.Put(ranges, sizeof(MemoryDescriptor) * count);
    });
  }

  void PutModuleList(Output& out) {
    std::size_t count = process.ModuleCount();
    layout.moduleList = Stream(out, [&] {
      auto n = static_cast<std::uint32_t>(count);
      out.Put(&n, 4);
      for (std::size_t i = 0; i < count; ++i) {
        const ElfModule& m = process.ModuleAt(i);
        Module module{};
        module.BaseOfImage = m.base;
        module.SizeOfImage = static_cast<std::uint32_t>(m.end - m.base);
        module.ModuleNameRva = layout.moduleNames[i];
        if (m.buildIdSize > 0) module.CvRecord = {4 + m.buildIdSize, layout.moduleCv[i]};
        out.Put(&module, sizeof module);
      }
    });
    for (std::size_t i = 0; i < count; ++i) {
      const ElfModule& m = process.ModuleAt(i);
      layout.moduleNames[i] = out.Offset();
      PutString(out, m.path, m.pathLength);
      if (m.buildIdSize == 0) continue;
      layout.moduleCv[i] = out.Offset();
      std::uint32_t signature = kCvSignatureElf;
      out.Put(&signature, 4);
      out.Put(m.buildId, m.buildIdSize);
      out.Align();
    }
  }

  void PutMaps(Output& out) {
    layout.maps = Stream(out, [&] { out.Put(process.MapsText(), process.MapsSize()); });
  }
};

// The live stack above the stack pointer, within the stack's mapping.
Range StackRange(const ProcessSnapshot& process, std::uint64_t sp) {
  Mapping mapping;
  if (!process.FindMapping(sp, &mapping) || !mapping.readable) return {};
  std::uint64_t low = sp - kRedZone < mapping.start ? mapping.start : sp - kRedZone;
  std::uint64_t high = mapping.end - low > kStackLimit ? low + kStackLimit : mapping.end;
  return {low, static_cast<std::size_t>(high - low)};
}

Range CodeRange(const ProcessSnapshot& process, std::uint64_t ip) {
  Mapping mapping;
  if (!process.FindMapping(ip, &mapping) || !mapping.readable) return {};
  std::uint64_t low = ip - kCodeAround / 2 < mapping.start ? mapping.start : ip - kCodeAround / 2;
  std::uint64_t high = low + kCodeAround > mapping.end ? mapping.end : low + kCodeAround;
  return {low, static_cast<std::size_t>(high - low)};
}

std::atomic_flag g_writing = ATOMIC_FLAG_INIT;
ProcessSnapshot g_process;
Layout g_layout;
Failure g_failure;

}  // namespace
}  // namespace vp::minidump

BOOL MiniDumpWriteDump(HANDLE process, DWORD processId, HANDLE file, MINIDUMP_TYPE dumpType,
                       PMINIDUMP_EXCEPTION_INFORMATION exceptionParam,
                       PMINIDUMP_USER_STREAM_INFORMATION userStreamParam,
                       PMINIDUMP_CALLBACK_INFORMATION callbackParam) {
  using namespace vp::minidump;
  (void)process;
  (void)dumpType;
  (void)userStreamParam;
  (void)callbackParam;
  if (processId != static_cast<DWORD>(vp::raw::Pid()) || file == nullptr ||
      file == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // One dump at a time: the snapshot and the staging buffer are static.
  while (g_writing.test_and_set(std::memory_order_acquire)) vp::raw::Syscall(SYS_sched_yield);

  g_failure = Failure{};
  const EXCEPTION_POINTERS* pointers = exceptionParam ? exceptionParam->ExceptionPointers : nullptr;
  if (pointers && pointers->ContextRecord && pointers->ExceptionRecord) {
    g_failure.threadId = exceptionParam->ThreadId;
    g_failure.record = pointers->ExceptionRecord;
    vp::raw::CopyBytes(&g_failure.context, pointers->ContextRecord, sizeof(CONTEXT));
  } else {
    g_failure.threadId = static_cast<std::uint32_t>(vp::raw::Tid());
    CaptureCallerContext(&g_failure.context);
  }

  BOOL ok = FALSE;
  if (g_process.Take()) {
    Dump dump{g_process, g_failure, StackRange(g_process, g_failure.context.Rsp),
              CodeRange(g_process, g_failure.context.Rip), g_layout,
              g_failure.record ? 7u : 6u};
    Output measure(file, true);
    dump.Emit(measure);
    Output out(file, false);
    dump.Emit(out);
    ok = out.Ok() ? TRUE : FALSE;  // a failed write left its error code
  } else {
    SetLastError(ERROR_ACCESS_DENIED);
  }
  g_process.Release();
  g_writing.clear(std::memory_order_release);
  return ok;
}

namespace vp::dbghelp {

bool RegisterBuiltinModule() {
  static const vp::modules::BuiltinExport exports[] = {
      {"MiniDumpWriteDump",
       reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&MiniDumpWriteDump))}};
  static const bool registered = [] {
    vp::modules::RegisterBuiltin("DBGHELP.DLL", exports, 1);
    return true;
  }();
  return registered;
}

namespace {
const bool g_registered = RegisterBuiltinModule();
}  // namespace

}  // namespace vp::dbghelp
