// The shell's link object: IShellLinkA over a shell link (".lnk") file in the binary format
// Windows writes, saved and loaded through IPersistFile (see com.h).
#pragma once

#include "platform/posix/shell/com.h"
#include "platform/posix/fs/files.h"

extern const CLSID CLSID_ShellLink;
extern const IID IID_IShellLinkA;

// Item identifier lists are not kept by this layer's links; the type exists for the signatures.
struct ITEMIDLIST;
using LPITEMIDLIST = ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;
struct HWND__;

// GetPath flags.
#define SLGP_SHORTPATH 0x1
#define SLGP_UNCPRIORITY 0x2
#define SLGP_RAWPATH 0x4

struct IShellLinkA : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetPath(LPSTR file, int size, WIN32_FIND_DATAA* data,
                                            DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE* list) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE list) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDescription(LPSTR name, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR folder, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR folder) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetArguments(LPSTR arguments, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR arguments) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHotkey(WORD* hotkey) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHotkey(WORD hotkey) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetShowCmd(int* showCommand) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetShowCmd(int showCommand) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR iconPath, int size, int* index) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR iconPath, int index) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR relativePath, DWORD reserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE Resolve(HWND__* window, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPath(LPCSTR file) = 0;

 protected:
  ~IShellLinkA() = default;
};
