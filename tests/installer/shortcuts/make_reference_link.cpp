// Writes one shell link through the Windows shell's link object, for comparison with the
// links of the POSIX layer. Usage: make_reference_link <link file> <target> <arguments> <folder>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<LPVOID*>(&link));
  if (FAILED(hr)) return 3;
  link->SetPath(argv[2]);
  link->SetArguments(argv[3]);
  link->SetWorkingDirectory(argv[4]);
  IPersistFile* file = nullptr;
  hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (SUCCEEDED(hr)) {
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, argv[1], -1, wide, MAX_PATH);
    hr = file->Save(wide, TRUE);
    file->Release();
  }
  link->Release();
  std::printf("save: 0x%08lx\n", static_cast<unsigned long>(hr));
  return FAILED(hr) ? 1 : 0;
}
