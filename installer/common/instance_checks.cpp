#include "common/instance_checks.h"

NamedObjectCheck ProbeNamedMutexes(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    HANDLE held = nullptr;
    NamedObjectCheck check = ClaimNamedMutex(name, &held);
    if (held) CloseHandle(held);
    if (check != NamedObjectCheck::kAbsent) return check;
  }
  return NamedObjectCheck::kAbsent;
}

NamedObjectCheck ClaimNamedMutex(const char* name, HANDLE* held) {
  *held = CreateMutexA(nullptr, FALSE, name);
  if (!*held) return NamedObjectCheck::kUnavailable;
  return GetLastError() == ERROR_ALREADY_EXISTS ? NamedObjectCheck::kPresent
                                                : NamedObjectCheck::kAbsent;
}
