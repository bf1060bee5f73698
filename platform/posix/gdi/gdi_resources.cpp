// Icons, pictures read from .bmp files, and private font files; the built-in "gdi32.dll"
// that exports the font calls for programs that look them up at run time.
#include <cstring>
#include <map>
#include <utility>

#include "process/builtin_modules.h"
#include "gdi_objects.h"

using vp::gdi::GdiObject;
using vp::gdi::ObjectType;
using vp::gdi::Registry;

namespace {

constexpr ULONG_PTR kMaxIntResource = 0xFFFF;

bool IsIntResource(LPCSTR name) { return reinterpret_cast<ULONG_PTR>(name) <= kMaxIntResource; }

UINT ResourceId(LPCSTR name) { return static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)); }

GdiObject* NewIcon(UINT id, bool shared) {
  auto icon = std::make_unique<GdiObject>();
  icon->type = ObjectType::Icon;
  icon->iconId = id;
  icon->stock = shared;
  icon->width = icon->height = GetSystemMetrics(SM_CXICON);
  return Registry::Get().Add(std::move(icon));
}

DWORD LittleEndian(const unsigned char* p, int bytes) {
  DWORD value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

std::map<std::string, int>& PrivateFontFiles() {
  static std::map<std::string, int> files;
  return files;
}

}  // namespace

namespace vp::gdi {

UINT IconResourceId(HICON icon) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  GdiObject* found = r.Find(icon, ObjectType::Icon);
  return found ? found->iconId : 0;
}

bool ReadBitmapFile(const char* path, LONG* width, LONG* height, WORD* bitsPerPixel) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  unsigned char header[54] = {};
  DWORD read = 0;
  DWORD fileSize = GetFileSize(file, nullptr);
  BOOL ok = ReadFile(file, header, sizeof header, &read, nullptr);
  CloseHandle(file);
  if (!ok || read < sizeof header || header[0] != 'B' || header[1] != 'M') return false;
  DWORD pixelOffset = LittleEndian(header + 10, 4);
  DWORD infoSize = LittleEndian(header + 14, 4);
  auto w = static_cast<LONG>(LittleEndian(header + 18, 4));
  auto h = static_cast<LONG>(LittleEndian(header + 22, 4));
  auto planes = static_cast<WORD>(LittleEndian(header + 26, 2));
  auto bits = static_cast<WORD>(LittleEndian(header + 28, 2));
  DWORD compression = LittleEndian(header + 30, 4);
  // Uncompressed pictures with a BITMAPINFOHEADER (or a later, longer one) only.
  if (infoSize < 40 || planes != 1 || compression != 0) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  LONG rows = h < 0 ? -h : h;
  if (w <= 0 || rows == 0 || w > 32768 || rows > 32768) return false;
  unsigned long long stride = ((static_cast<unsigned long long>(w) * bits + 31) / 32) * 4;
  if (pixelOffset < 14 + infoSize || pixelOffset + stride * rows > fileSize) return false;
  *width = w;
  *height = rows;
  *bitsPerPixel = bits;
  return true;
}

std::vector<std::string> PrivateFonts() {
  std::vector<std::string> files;
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  for (const auto& [file, count] : PrivateFontFiles())
    if (count > 0) files.push_back(file);
  return files;
}

}  // namespace vp::gdi

HICON LoadIconA(HINSTANCE module, LPCSTR name) {
  if (!IsIntResource(name)) return nullptr;
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  // One shared icon per module and id, so that a handle is a real, comparable pointer.
  static std::map<std::pair<HINSTANCE, UINT>, GdiObject*> shared;
  GdiObject*& icon = shared[{module, ResourceId(name)}];
  if (!icon) icon = NewIcon(ResourceId(name), true);
  return reinterpret_cast<HICON>(icon);
}

HANDLE LoadImageA(HINSTANCE module, LPCSTR name, UINT type, int width, int height, UINT flags) {
  if (!name) return nullptr;
  Registry& r = Registry::Get();
  if (type == IMAGE_ICON) {
    if (!IsIntResource(name)) return nullptr;
    if (flags & LR_SHARED) return LoadIconA(module, name);
    std::lock_guard lock(r.mutex);
    GdiObject* icon = NewIcon(ResourceId(name), false);
    if (width > 0) icon->width = width;
    if (height > 0) icon->height = height;
    return icon;
  }
  if (type != IMAGE_BITMAP || !(flags & LR_LOADFROMFILE) || IsIntResource(name)) return nullptr;
  LONG w = 0, h = 0;
  WORD bits = 0;
  if (!vp::gdi::ReadBitmapFile(name, &w, &h, &bits)) return nullptr;
  std::lock_guard lock(r.mutex);
  auto bitmap = std::make_unique<GdiObject>();
  bitmap->type = ObjectType::Bitmap;
  bitmap->width = width > 0 ? width : w;
  bitmap->height = height > 0 ? height : h;
  bitmap->bitsPerPixel = bits;
  bitmap->file = name;
  return r.Add(std::move(bitmap));
}

BOOL DestroyIcon(HICON icon) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  GdiObject* found = r.Find(icon, ObjectType::Icon);
  if (!found) return FALSE;
  return found->stock ? TRUE : (r.Remove(found) ? TRUE : FALSE);
}

int AddFontResourceExA(LPCSTR fileName, DWORD flags, PVOID reserved) {
  if (!fileName || reserved || !(flags & (FR_PRIVATE | FR_NOT_ENUM))) return 0;
  HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  unsigned char tag[4] = {};
  DWORD read = 0;
  BOOL ok = ReadFile(file, tag, sizeof tag, &read, nullptr);
  CloseHandle(file);
  // A TrueType or OpenType font file starts with its version tag.
  bool font = ok && read == 4 &&
              (std::memcmp(tag, "\0\1\0\0", 4) == 0 || std::memcmp(tag, "true", 4) == 0 ||
               std::memcmp(tag, "OTTO", 4) == 0);
  if (!font) return 0;
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  ++PrivateFontFiles()[fileName];
  return 1;
}

BOOL RemoveFontResourceExA(LPCSTR fileName, DWORD, PVOID) {
  if (!fileName) return FALSE;
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  auto found = PrivateFontFiles().find(fileName);
  if (found == PrivateFontFiles().end() || found->second == 0) return FALSE;
  --found->second;
  return TRUE;
}

namespace {

template <class Proc>
FARPROC Exported(Proc proc) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(proc));
}

const bool g_gdi32Registered = [] {
  static const vp::modules::BuiltinExport exports[] = {
      {"AddFontResourceExA", Exported(&AddFontResourceExA)},
      {"RemoveFontResourceExA", Exported(&RemoveFontResourceExA)},
  };
  vp::modules::RegisterBuiltin("gdi32.dll", exports, 2);
  return true;
}();

}  // namespace
