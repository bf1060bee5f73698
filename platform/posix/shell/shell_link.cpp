// The shell link object: IShellLinkA holds the link's properties, IPersistFile reads and
// writes them as a ".lnk" file through this layer's file services.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "com_classes.h"
#include "platform/posix/core/errors.h"
#include "platform/posix/shell/shell.h"
#include "shell_link_format.h"

namespace {

HRESULT LastErrorResult() {
  DWORD error = GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// lstrcpynA into a caller's buffer: the text cut to size - 1 characters and terminated.
HRESULT CopyOut(const std::string& text, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return E_INVALIDARG;
  size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return S_OK;
}

// A wide file name in the system code page; false when it has characters the code page lacks.
bool NarrowName(LPCOLESTR wide, std::string& out) {
  BOOL defaulted = FALSE;
  int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, &defaulted);
  if (n <= 0 || defaulted) return false;
  out.assign(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return true;
}

class ShellLink final : public IShellLinkA, public IPersistFile {
 public:
  // IUnknown, one object behind both interfaces.
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IShellLinkA) {
      *object = static_cast<IShellLinkA*>(this);
    } else if (riid == IID_IPersistFile || riid == IID_IPersist) {
      *object = static_cast<IPersistFile*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IShellLinkA.
  HRESULT GetPath(LPSTR file, int size, WIN32_FIND_DATAA* data, DWORD) override {
    if (data) {
      std::memset(data, 0, sizeof *data);
      data->dwFileAttributes = link_.targetAttributes;
      data->ftCreationTime = link_.creationTime;
      data->ftLastAccessTime = link_.accessTime;
      data->ftLastWriteTime = link_.writeTime;
      data->nFileSizeLow = link_.targetSize;
      CopyOut(link_.target.substr(link_.target.find_last_of('\\') + 1), data->cFileName, MAX_PATH);
    }
    HRESULT hr = CopyOut(link_.target, file, size);
    if (FAILED(hr)) return hr;
    return link_.target.empty() ? S_FALSE : S_OK;
  }
  HRESULT GetIDList(PIDLIST_ABSOLUTE* list) override {
    if (!list) return E_POINTER;
    *list = nullptr;
    return S_FALSE;
  }
  HRESULT SetIDList(PCIDLIST_ABSOLUTE) override { return E_NOTIMPL; }
  HRESULT GetDescription(LPSTR name, int size) override {
    return CopyOut(link_.description, name, size);
  }
  HRESULT SetDescription(LPCSTR name) override { return SetText(link_.description, name); }
  HRESULT GetWorkingDirectory(LPSTR folder, int size) override {
    return CopyOut(link_.workingDirectory, folder, size);
  }
  HRESULT SetWorkingDirectory(LPCSTR folder) override {
    return SetText(link_.workingDirectory, folder);
  }
  HRESULT GetArguments(LPSTR arguments, int size) override {
    return CopyOut(link_.arguments, arguments, size);
  }
  HRESULT SetArguments(LPCSTR arguments) override { return SetText(link_.arguments, arguments); }
  HRESULT GetHotkey(WORD* hotkey) override {
    if (!hotkey) return E_POINTER;
    *hotkey = link_.hotkey;
    return S_OK;
  }
  HRESULT SetHotkey(WORD hotkey) override {
    link_.hotkey = hotkey;
    dirty_ = true;
    return S_OK;
  }
  HRESULT GetShowCmd(int* showCommand) override {
    if (!showCommand) return E_POINTER;
    *showCommand = link_.showCommand;
    return S_OK;
  }
  HRESULT SetShowCmd(int showCommand) override {
    link_.showCommand = showCommand;
    dirty_ = true;
    return S_OK;
  }
  HRESULT GetIconLocation(LPSTR iconPath, int size, int* index) override {
    if (index) *index = link_.iconIndex;
    return CopyOut(link_.iconLocation, iconPath, size);
  }
  HRESULT SetIconLocation(LPCSTR iconPath, int index) override {
    link_.iconIndex = index;
    return SetText(link_.iconLocation, iconPath);
  }
  HRESULT SetRelativePath(LPCSTR relativePath, DWORD) override {
    return SetText(link_.relativePath, relativePath);
  }
  HRESULT Resolve(HWND__*, DWORD) override { return S_OK; }

  // The target is kept as a full path with what the file looked like now; S_FALSE when no
  // such file exists (the link is made all the same, as Windows does).
  HRESULT SetPath(LPCSTR file) override {
    if (!file) return E_INVALIDARG;
    vp::shelllink::LinkData fresh = link_;
    fresh.target.clear();
    fresh.targetAttributes = fresh.targetSize = 0;
    fresh.creationTime = fresh.accessTime = fresh.writeTime = FILETIME{};
    dirty_ = true;
    if (*file == '\0') {
      link_ = fresh;
      return S_OK;
    }
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(file, MAX_PATH, full, nullptr);
    // Only drive paths ("X:\...") have the local base path that the link keeps.
    if (n < 3 || n >= MAX_PATH || full[1] != ':' || full[2] != '\\') return E_INVALIDARG;
    fresh.target.assign(full, n);
    fresh.driveType = GetDriveTypeA(std::string(full, 3).c_str());
    HRESULT hr = S_FALSE;
    WIN32_FIND_DATAA data;
    HANDLE find = std::strpbrk(full, "*?") ? INVALID_HANDLE_VALUE : FindFirstFileA(full, &data);
    if (find != INVALID_HANDLE_VALUE) {
      FindClose(find);
      fresh.targetAttributes = data.dwFileAttributes;
      fresh.targetSize = data.nFileSizeLow;
      fresh.creationTime = data.ftCreationTime;
      fresh.accessTime = data.ftLastAccessTime;
      fresh.writeTime = data.ftLastWriteTime;
      hr = S_OK;
    }
    link_ = fresh;
    return hr;
  }

  // IPersistFile.
  HRESULT GetClassID(CLSID* classId) override {
    if (!classId) return E_POINTER;
    *classId = CLSID_ShellLink;
    return S_OK;
  }
  HRESULT IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
  HRESULT Load(LPCOLESTR fileName, DWORD) override {
    std::string path;
    if (!fileName) return E_INVALIDARG;
    if (!NarrowName(fileName, path)) return STG_E_INVALIDNAME;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastErrorResult();
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
      bytes.insert(bytes.end(), buffer, buffer + got);
    CloseHandle(h);
    std::optional<vp::shelllink::LinkData> link = vp::shelllink::Decode(bytes);
    if (!link) return E_FAIL;
    link_ = *link;
    currentFile_ = path;
    dirty_ = false;
    return S_OK;
  }
  HRESULT Save(LPCOLESTR fileName, BOOL remember) override {
    std::string path = currentFile_;
    if (fileName && !NarrowName(fileName, path)) return STG_E_INVALIDNAME;
    if (path.empty()) return E_INVALIDARG;
    std::vector<std::uint8_t> bytes = vp::shelllink::Encode(link_);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastErrorResult();
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    HRESULT hr = ok ? S_OK : LastErrorResult();
    CloseHandle(h);
    if (!ok) {
      DeleteFileA(path.c_str());  // no half-written link stays behind
      return hr;
    }
    if (remember || !fileName) {
      currentFile_ = path;
      dirty_ = false;
    }
    return S_OK;
  }
  HRESULT SaveCompleted(LPCOLESTR) override { return S_OK; }
  HRESULT GetCurFile(LPOLESTR* fileName) override {
    if (!fileName) return E_POINTER;
    *fileName = nullptr;
    if (currentFile_.empty()) return S_FALSE;
    int n = MultiByteToWideChar(CP_ACP, 0, currentFile_.c_str(), -1, nullptr, 0);
    auto* wide = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof(OLECHAR) * static_cast<size_t>(n)));
    if (!wide) return E_OUTOFMEMORY;
    MultiByteToWideChar(CP_ACP, 0, currentFile_.c_str(), -1, wide, n);
    *fileName = wide;
    return S_OK;
  }

 private:
  ~ShellLink() = default;

  HRESULT SetText(std::string& field, LPCSTR text) {
    if (!text) return E_INVALIDARG;
    field = text;
    dirty_ = true;
    return S_OK;
  }

  std::atomic<ULONG> references_{1};
  vp::shelllink::LinkData link_;
  std::string currentFile_;
  bool dirty_ = false;
};

}  // namespace

namespace vp::com {

HRESULT CreateShellLink(REFIID riid, void** object) {
  auto* link = new (std::nothrow) ShellLink;
  if (!link) return E_OUTOFMEMORY;
  HRESULT hr = link->QueryInterface(riid, object);
  link->Release();  // the caller keeps the reference QueryInterface added
  return hr;
}

}  // namespace vp::com
