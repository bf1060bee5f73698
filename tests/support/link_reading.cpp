#include "link_reading.h"

#include "platform/win.h"

LinkProperties ReadLink(const std::string& path) {
  LinkProperties out;
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<LPVOID*>(&link))))
    return out;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, path.c_str(), -1, wide, MAX_PATH);
    out.loaded = SUCCEEDED(file->Load(wide, STGM_READ));
    file->Release();
  }
  char text[MAX_PATH * 2] = {};
  link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
  out.target = text;
  text[0] = '\0';
  link->GetArguments(text, sizeof text);
  out.arguments = text;
  text[0] = '\0';
  link->GetWorkingDirectory(text, sizeof text);
  out.workingFolder = text;
  link->Release();
  return out;
}
