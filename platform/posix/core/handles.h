// The process's handle table: every HANDLE the POSIX layer gives out (open files, searches,
// mutexes, ...) names one Object here. CloseHandle and FindClose remove it.
#pragma once

#include <memory>

#include "platform/posix/core/types.h"

namespace vp::handles {

struct Object {
  virtual ~Object() = default;
};

// Stores the object and returns a new handle for it (never null, never INVALID_HANDLE_VALUE).
HANDLE Insert(std::shared_ptr<Object> object);

// The object behind a handle, or null for an unknown or closed handle.
std::shared_ptr<Object> Lookup(HANDLE handle);

template <class T>
std::shared_ptr<T> LookupAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(Lookup(handle));
}

// Removes the handle; the object is destroyed when no call still uses it. False if unknown.
bool Remove(HANDLE handle);

}  // namespace vp::handles
