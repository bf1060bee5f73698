#include "instance_mutex.h"

#include <string>

#include "framework/app.h"
#include "variant_table.h"

namespace {

constexpr DWORD kModulePathSize = 1000;

// The variant's mutex name for this executable, or null. A path cut by the 1000-character
// buffer does not end in the real file name, so it never counts as a match.
const char* MutexNameOfThisExecutable() {
  char path[kModulePathSize] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, kModulePathSize);
  if (length == 0 || length >= kModulePathSize) return nullptr;
  const LauncherVariant* variant = FindLauncherVariant(FileNameOfPath(std::string(path, length)));
  return variant ? variant->mutexName : nullptr;
}

}  // namespace

CInstanceMutex::CInstanceMutex() {
  const char* name = MutexNameOfThisExecutable();
  if (!name) {
    vp::fw::ShowMessageBox(nullptr, "No proper application name found. 1", nullptr, MB_OK);
    vp::fw::EndProcessNow(0);
  }
  Create(name);
}

CInstanceMutex::CInstanceMutex(const char* mutexName) { Create(mutexName); }

void CInstanceMutex::Create(const char* mutexName) {
  m_hMutex = CreateMutexA(nullptr, FALSE, mutexName);
  m_dwCreationError = GetLastError();
}

CInstanceMutex::~CInstanceMutex() {
  if (m_hMutex) CloseHandle(m_hMutex);
  m_hMutex = nullptr;
}
