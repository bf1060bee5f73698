// Modules that LoadLibraryA finds without a file: parts of this layer that stand for Windows
// system libraries (DBGHELP.DLL, gdi32.dll, ...).
#pragma once

#include <initializer_list>

#include "platform/posix/process/modules.h"

namespace vp::modules {

struct BuiltinExport {
  const char* name;
  FARPROC proc;
};

// Registers a built-in module under a name ("DBGHELP.DLL"; matched ignoring case, ".dll" may
// be left out by the caller). The exports array must outlive the process.
void RegisterBuiltin(const char* name, const BuiltinExport* exports, std::size_t count);

}  // namespace vp::modules
