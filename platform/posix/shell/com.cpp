// COM runtime of the POSIX layer: per-thread initialisation and in-process class creation.
#include <cstdlib>

#include "com_classes.h"
#include "platform/posix/core/errors.h"
#include "platform/posix/shell/shell.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {
thread_local int t_initialisations = 0;
}

HRESULT CoInitialize(LPVOID) { return t_initialisations++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (t_initialisations > 0) --t_initialisations;
}

HRESULT CoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID riid,
                         LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (t_initialisations == 0) return CO_E_NOTINITIALIZED;
  if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  if (classId == CLSID_ShellLink) {
    if (outer) return CLASS_E_NOAGGREGATION;
    return vp::com::CreateShellLink(riid, object);
  }
  return REGDB_E_CLASSNOTREG;
}

LPVOID CoTaskMemAlloc(SIZE_T size) { return std::malloc(size ? size : 1); }
void CoTaskMemFree(LPVOID memory) { std::free(memory); }
