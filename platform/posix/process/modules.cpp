// LoadLibraryA and friends over dlopen. Modules keep their Windows file names on disk
// ("VantPlusUI.dll"); the search runs through the executable's folder, then the current
// folder, then the Windows system folder, and built-in modules answer for the names they own.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "builtin_modules.h"
#include "core/internal.h"

using vp::posix::Fail;

struct HINSTANCE__ {
  virtual ~HINSTANCE__() = default;
};

namespace {

struct Builtin : HINSTANCE__ {
  std::string name;
  const vp::modules::BuiltinExport* exports = nullptr;
  std::size_t count = 0;
};

struct Loaded : HINSTANCE__ {
  void* dl = nullptr;
  std::string windowsPath;
  int references = 0;
  int imageHold = -1;  // keeps the file from being written or deleted while loaded
};

struct MainProgram : HINSTANCE__ {};

struct Registry {
  std::mutex lock;
  std::vector<std::unique_ptr<Builtin>> builtins;
  std::vector<std::unique_ptr<Loaded>> loaded;
  MainProgram main;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // modules stay valid through process exit
  return *registry;
}

std::string WithDllExtension(std::string name) {
  std::string base = name.substr(name.find_last_of("\\/") + 1);
  if (base.find('.') == std::string::npos) name += ".dll";
  if (!name.empty() && name.back() == '.') name.pop_back();  // "name." means no extension
  return name;
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

std::string ExecutableHostPath() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

bool IsKnown(Registry& r, HMODULE m) {
  if (m == &r.main) return true;
  for (auto& b : r.builtins)
    if (b.get() == m) return true;
  for (auto& l : r.loaded)
    if (l.get() == m) return true;
  return false;
}

}  // namespace

namespace vp::modules {
void RegisterBuiltin(const char* name, const BuiltinExport* exports, std::size_t count) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  auto b = std::make_unique<Builtin>();
  b->name = WithDllExtension(name);
  b->exports = exports;
  b->count = count;
  r.builtins.push_back(std::move(b));
}
}  // namespace vp::modules

HMODULE LoadLibraryA(LPCSTR name) {
  if (!name || !*name) return Fail(ERROR_INVALID_PARAMETER, HMODULE{});
  std::string wanted = WithDllExtension(name);
  bool hasFolder = wanted.find_first_of("\\/") != std::string::npos;
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  if (!hasFolder) {
    for (auto& b : r.builtins)
      if (vp::path::NamesEqual(b->name, wanted)) return b.get();
  }

  std::vector<std::string> candidates;
  if (hasFolder) {
    candidates.push_back(wanted);
  } else {
    std::string exeFolder = vp::path::FromHost(ExecutableHostPath());
    exeFolder = exeFolder.substr(0, exeFolder.find_last_of('\\'));
    for (const std::string& folder : {exeFolder, vp::path::CurrentDirectory(), std::string("C:\\Windows\\System32")})
      candidates.push_back(folder + (folder.back() == '\\' ? "" : "\\") + wanted);
  }
  for (const std::string& candidate : candidates) {
    DWORD error = 0;
    auto resolved = vp::path::ToHost(candidate, vp::path::Need::Existing, &error);
    if (!resolved) continue;
    for (auto& l : r.loaded)
      if (vp::path::NamesEqual(l->windowsPath, resolved->windows)) {
        ++l->references;
        return l.get();
      }
    void* dl = dlopen(resolved->host.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) return Fail(ERROR_BAD_EXE_FORMAT, HMODULE{});
    auto l = std::make_unique<Loaded>();
    l->dl = dl;
    l->windowsPath = resolved->windows;
    l->references = 1;
    l->imageHold = vp::posix::HoldImage(resolved->host);
    r.loaded.push_back(std::move(l));
    return r.loaded.back().get();
  }
  return Fail(ERROR_MOD_NOT_FOUND, HMODULE{});
}

BOOL FreeLibrary(HMODULE module) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  if (!module || !IsKnown(r, module)) return Fail(ERROR_INVALID_HANDLE, FALSE);
  for (auto it = r.loaded.begin(); it != r.loaded.end(); ++it) {
    if (it->get() != module) continue;
    if (--(*it)->references == 0) {
      dlclose((*it)->dl);
      if ((*it)->imageHold >= 0) close((*it)->imageHold);
      r.loaded.erase(it);
    }
    return TRUE;
  }
  return TRUE;  // built-in modules and the program itself stay
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (reinterpret_cast<std::uintptr_t>(name) < 0x10000) return Fail(ERROR_PROC_NOT_FOUND, FARPROC{});  // ordinals
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  if (!module) module = &r.main;
  if (!IsKnown(r, module)) return Fail(ERROR_INVALID_HANDLE, FARPROC{});
  void* symbol = nullptr;
  if (auto* b = dynamic_cast<Builtin*>(module)) {
    for (std::size_t i = 0; i < b->count; ++i)
      if (std::strcmp(b->exports[i].name, name) == 0) return b->exports[i].proc;
  } else if (auto* l = dynamic_cast<Loaded*>(module)) {
    symbol = dlsym(l->dl, name);
  } else {
    symbol = dlsym(RTLD_DEFAULT, name);
  }
  if (!symbol) return Fail(ERROR_PROC_NOT_FOUND, FARPROC{});
  return reinterpret_cast<FARPROC>(symbol);
}

HMODULE GetModuleHandleA(LPCSTR name) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  if (!name) return &r.main;
  std::string wanted = WithDllExtension(name);
  for (auto& b : r.builtins)
    if (vp::path::NamesEqual(b->name, BaseName(wanted))) return b.get();
  for (auto& l : r.loaded)
    if (vp::path::NamesEqual(BaseName(l->windowsPath), BaseName(wanted))) return l.get();
  return Fail(ERROR_MOD_NOT_FOUND, HMODULE{});
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  std::string path;
  {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    if (!module) module = &r.main;
    if (!IsKnown(r, module)) return Fail(ERROR_MOD_NOT_FOUND, 0u);
    if (auto* b = dynamic_cast<Builtin*>(module)) path = "C:\\Windows\\System32\\" + b->name;
    else if (auto* l = dynamic_cast<Loaded*>(module)) path = l->windowsPath;
    else path = vp::path::FromHost(ExecutableHostPath());
  }
  if (!buffer || size == 0) return Fail(ERROR_INSUFFICIENT_BUFFER, 0u);
  // A short buffer gets the cut, terminated text, and the call says so.
  if (path.size() >= size) {
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    return Fail(ERROR_INSUFFICIENT_BUFFER, size);
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}
