// Fatal signals as Windows unhandled exceptions. The handler runs on the thread's alternate
// stack, turns the signal and its machine context into EXCEPTION_POINTERS, and asks the
// process's filter; anything but EXCEPTION_CONTINUE_EXECUTION or EXCEPTION_EXECUTE_HANDLER
// lets the signal's default action end the process, exactly as if nothing had caught it.
#include "platform/posix/crash/exceptions.h"

#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>

#include "platform/posix/crash/dbghelp.h"
#include "raw_syscall.h"

namespace vp::exceptions {
void UseFailureHeap(bool on);  // exceptions_heap.cpp
}

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
// Large enough for the filter's own work (file creation, a message box) besides the dump.
constexpr size_t kAltStackSize = 256 * 1024;

std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> g_filter{nullptr};
std::atomic<bool> g_armed{false};

// Whether this thread is inside the handler already: a failure inside the filter must not run
// the filter again. Initial-exec TLS needs no allocation when first touched in a handler.
__thread int t_inHandler __attribute__((tls_model("initial-exec"))) = 0;

// The alternate stack of one thread, released when the thread ends.
struct AltStack {
  void* base = nullptr;
  size_t size = 0;
  ~AltStack() {
    if (!base) return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
    munmap(base, size);
  }
};

void FillContext(const ucontext_t& uc, CONTEXT* context) {
  const greg_t* g = uc.uc_mcontext.gregs;
  context->ContextFlags =
      CONTEXT_CONTROL | CONTEXT_INTEGER | CONTEXT_SEGMENTS | CONTEXT_FLOATING_POINT;
  context->Rax = g[REG_RAX];
  context->Rcx = g[REG_RCX];
  context->Rdx = g[REG_RDX];
  context->Rbx = g[REG_RBX];
  context->Rsp = g[REG_RSP];
  context->Rbp = g[REG_RBP];
  context->Rsi = g[REG_RSI];
  context->Rdi = g[REG_RDI];
  context->R8 = g[REG_R8];
  context->R9 = g[REG_R9];
  context->R10 = g[REG_R10];
  context->R11 = g[REG_R11];
  context->R12 = g[REG_R12];
  context->R13 = g[REG_R13];
  context->R14 = g[REG_R14];
  context->R15 = g[REG_R15];
  context->Rip = g[REG_RIP];
  context->EFlags = static_cast<DWORD>(g[REG_EFL]);
  // cs, gs and fs share one slot, 16 bits each.
  auto segments = static_cast<std::uint64_t>(g[REG_CSGSFS]);
  context->SegCs = static_cast<WORD>(segments & 0xFFFF);
  context->SegGs = static_cast<WORD>((segments >> 16) & 0xFFFF);
  context->SegFs = static_cast<WORD>((segments >> 32) & 0xFFFF);
  if (uc.uc_mcontext.fpregs) {
    static_assert(sizeof(*uc.uc_mcontext.fpregs) == sizeof(XMM_SAVE_AREA32));
    vp::raw::CopyBytes(&context->FltSave, uc.uc_mcontext.fpregs, sizeof(XMM_SAVE_AREA32));
    context->MxCsr = context->FltSave.MxCsr;
    for (int i = 0; i < 16; ++i) context->VectorRegister[i] = context->FltSave.XmmRegisters[i];
  }
}

void FillRecord(int signo, const siginfo_t& info, const ucontext_t& uc, EXCEPTION_RECORD* record) {
  auto rip = static_cast<ULONG_PTR>(uc.uc_mcontext.gregs[REG_RIP]);
  auto faultAddress = reinterpret_cast<ULONG_PTR>(info.si_addr);
  record->ExceptionAddress = reinterpret_cast<void*>(rip);
  switch (signo) {
    case SIGSEGV: {
      // Page-fault error code: bit 1 set for a write; a fault at the instruction itself is DEP.
      bool write = (uc.uc_mcontext.gregs[REG_ERR] & 2) != 0;
      record->ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
      record->NumberParameters = 2;
      record->ExceptionInformation[0] = faultAddress == rip ? 8 : (write ? 1 : 0);
      record->ExceptionInformation[1] = faultAddress;
      break;
    }
    case SIGBUS:
      if (info.si_code == BUS_ADRALN) {
        record->ExceptionCode = EXCEPTION_DATATYPE_MISALIGNMENT;
      } else {
        record->ExceptionCode = EXCEPTION_IN_PAGE_ERROR;
        record->NumberParameters = 3;
        record->ExceptionInformation[0] = (uc.uc_mcontext.gregs[REG_ERR] & 2) ? 1 : 0;
        record->ExceptionInformation[1] = faultAddress;
      }
      break;
    case SIGILL:
      record->ExceptionCode = (info.si_code == ILL_PRVOPC || info.si_code == ILL_PRVREG)
                                  ? EXCEPTION_PRIV_INSTRUCTION
                                  : EXCEPTION_ILLEGAL_INSTRUCTION;
      break;
    case SIGFPE:
      switch (info.si_code) {
        case FPE_INTOVF: record->ExceptionCode = EXCEPTION_INT_OVERFLOW; break;
        case FPE_FLTDIV: record->ExceptionCode = EXCEPTION_FLT_DIVIDE_BY_ZERO; break;
        case FPE_FLTOVF: record->ExceptionCode = EXCEPTION_FLT_OVERFLOW; break;
        case FPE_FLTUND: record->ExceptionCode = EXCEPTION_FLT_UNDERFLOW; break;
        case FPE_FLTRES: record->ExceptionCode = EXCEPTION_FLT_INEXACT_RESULT; break;
        case FPE_FLTINV: record->ExceptionCode = EXCEPTION_FLT_INVALID_OPERATION; break;
        default: record->ExceptionCode = EXCEPTION_INT_DIVIDE_BY_ZERO; break;
      }
      break;
    default:  // SIGABRT
      record->ExceptionCode = STATUS_FATAL_APP_EXIT;
      record->ExceptionFlags = EXCEPTION_NONCONTINUABLE;
      break;
  }
}

// Restores the default action and makes sure the signal comes again once the handler returns:
// a hardware fault repeats by itself when its instruction re-runs; a sent signal is sent anew.
void LetDefaultActionFollow(int signo, const siginfo_t& info) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(signo, &dfl, nullptr);
  if (info.si_code <= 0 || signo == SIGABRT) {
    vp::raw::Syscall(SYS_tgkill, vp::raw::Pid(), vp::raw::Tid(), signo);
  }
}

void OnFatalSignal(int signo, siginfo_t* info, void* machineContext) {
  LPTOP_LEVEL_EXCEPTION_FILTER filter = g_filter.load();
  if (!filter || t_inHandler > 0) {
    LetDefaultActionFollow(signo, *info);
    return;
  }
  ++t_inHandler;
  const auto& uc = *static_cast<const ucontext_t*>(machineContext);
  EXCEPTION_RECORD record{};
  CONTEXT context{};
  FillRecord(signo, *info, uc, &record);
  FillContext(uc, &context);
  EXCEPTION_POINTERS pointers{&record, &context};
  // The heap may be what failed: the filter allocates elsewhere.
  vp::exceptions::UseFailureHeap(true);
  LONG verdict = filter(&pointers);
  --t_inHandler;
  if (verdict == EXCEPTION_CONTINUE_EXECUTION) {
    vp::exceptions::UseFailureHeap(false);
    return;  // the instruction runs again
  }
  if (verdict == EXCEPTION_EXECUTE_HANDLER) {
    // Windows ends the process with the exception code as its exit code.
    vp::raw::Syscall(SYS_exit_group, static_cast<long>(record.ExceptionCode));
  }
  LetDefaultActionFollow(signo, *info);
}

void ArmSignalHandlers() {
  if (g_armed.exchange(true)) return;
  struct sigaction action {};
  action.sa_sigaction = OnFatalSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  // One failure at a time per thread: the other fatal signals wait while the filter runs.
  sigemptyset(&action.sa_mask);
  for (int s : kFatalSignals) sigaddset(&action.sa_mask, s);
  for (int s : kFatalSignals) sigaction(s, &action, nullptr);
}

// The main thread's alternate stack, made while the program starts.
const bool g_mainThreadPrepared = vp::exceptions::PrepareThread();

}  // namespace

LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
  (void)g_mainThreadPrepared;
  // A filter usually writes a dump: make sure the built-in DBGHELP.DLL is there to load.
  vp::dbghelp::RegisterBuiltinModule();
  vp::exceptions::PrepareThread();
  LPTOP_LEVEL_EXCEPTION_FILTER previous = g_filter.exchange(filter);
  ArmSignalHandlers();
  return previous;
}

namespace vp::exceptions {

bool PrepareThread() {
  thread_local AltStack stack;
  if (stack.base) return true;
  stack_t current{};
  if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE) &&
      current.ss_size >= kAltStackSize) {
    return true;  // someone gave this thread a large enough one already
  }
  // One guard page below the stack, so that an overflow of the handler faults instead of
  // writing over other memory.
  size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  size_t total = kAltStackSize + page;
  void* base = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return false;
  mprotect(base, page, PROT_NONE);
  stack_t alt{};
  alt.ss_sp = static_cast<char*>(base) + page;
  alt.ss_size = kAltStackSize;
  if (sigaltstack(&alt, nullptr) != 0) {
    munmap(base, total);
    return false;
  }
  stack.base = base;
  stack.size = total;
  return true;
}

int SignalOfException(const EXCEPTION_RECORD& record) {
  switch (record.ExceptionCode) {
    case EXCEPTION_ACCESS_VIOLATION: return SIGSEGV;
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_DATATYPE_MISALIGNMENT: return SIGBUS;
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION: return SIGILL;
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW: return SIGFPE;
    case STATUS_FATAL_APP_EXIT: return SIGABRT;
    default: return 0;
  }
}

}  // namespace vp::exceptions
