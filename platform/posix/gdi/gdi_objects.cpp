// The GDI object registry, its ledger, and the object calls (create, select, delete, query).
#include "gdi_objects.h"

#include <cstring>

namespace vp::gdi {

namespace {

const char* TypeName(ObjectType type) {
  switch (type) {
    case ObjectType::Bitmap:
      return "bitmap";
    case ObjectType::Brush:
      return "brush";
    case ObjectType::Font:
      return "font";
    default:
      return "icon";
  }
}

}  // namespace

const char* DcKindName(DcKind kind) {
  switch (kind) {
    case DcKind::Paint:
      return "paint";
    case DcKind::Client:
      return "client";
    case DcKind::Window:
      return "window";
    default:
      return "memory";
  }
}

std::string Rgb(COLORREF color) {
  return "rgb(" + std::to_string(GetRValue(color)) + "," + std::to_string(GetGValue(color)) + "," +
         std::to_string(GetBValue(color)) + ")";
}

std::string GdiObject::Name() const {
  std::string name = std::string(TypeName(type)) + "#" + std::to_string(serial);
  if (type == ObjectType::Brush) name += " " + Rgb(color);
  if (type == ObjectType::Font) name += " " + std::string(font.lfFaceName) + " " + std::to_string(font.lfHeight);
  if (type == ObjectType::Bitmap) {
    name += " " + std::to_string(width) + "x" + std::to_string(height);
    if (!file.empty()) name += " " + file;
  }
  if (type == ObjectType::Icon) name += " " + std::to_string(iconId);
  return name;
}

std::string DeviceContext::Name() const {
  return "dc#" + std::to_string(serial) + " " + DcKindName(kind);
}

Registry& Registry::Get() {
  static Registry* registry = new Registry;  // never destroyed: objects may outlive statics
  return *registry;
}

void Registry::Record(const std::string& event, const std::string& object) {
  ledger.push_back({event, object});
}

GdiObject* Registry::Add(std::unique_ptr<GdiObject> object) {
  object->serial = nextSerial++;
  GdiObject* raw = object.get();
  objects_[raw] = std::move(object);
  if (!raw->stock) {
    ++live;
    Record("create", raw->Name());
  }
  return raw;
}

GdiObject* Registry::FindAny(const void* handle) const {
  auto found = objects_.find(handle);
  return found == objects_.end() ? nullptr : found->second.get();
}

GdiObject* Registry::Find(const void* handle, ObjectType type) const {
  GdiObject* object = FindAny(handle);
  return object && object->type == type ? object : nullptr;
}

bool Registry::Remove(GdiObject* object) {
  if (!object || object->stock || object->selections > 0) return false;
  Record("delete", object->Name());
  --live;
  objects_.erase(object);
  return true;
}

GdiObject* Registry::Stock(int index) {
  GdiObject*& stock = stock_[index];
  if (stock) return stock;
  auto object = std::make_unique<GdiObject>();
  object->stock = true;
  switch (index) {
    case WHITE_BRUSH:
    case BLACK_BRUSH:
    case NULL_BRUSH:
      object->type = ObjectType::Brush;
      object->color = index == BLACK_BRUSH ? RGB(0, 0, 0) : RGB(255, 255, 255);
      break;
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT:
      object->type = ObjectType::Font;
      object->font.lfHeight = index == SYSTEM_FONT ? 16 : -11;
      std::strcpy(object->font.lfFaceName, index == SYSTEM_FONT ? "System" : "MS Shell Dlg");
      break;
    default:
      // The 1 x 1 monochrome bitmap a new memory context starts with.
      object->type = ObjectType::Bitmap;
      object->width = object->height = 1;
      object->bitsPerPixel = 1;
      break;
  }
  stock = Add(std::move(object));
  return stock;
}

DeviceContext* Registry::AddDC(std::unique_ptr<DeviceContext> dc) {
  dc->serial = nextSerial++;
  DeviceContext* raw = dc.get();
  dcs_[raw] = std::move(dc);
  ++live;
  Record("create", raw->Name());
  return raw;
}

DeviceContext* Registry::FindDC(HDC handle) const {
  auto found = dcs_.find(handle);
  return found == dcs_.end() ? nullptr : found->second.get();
}

void Registry::RemoveDC(DeviceContext* dc) {
  for (GdiObject* selected : {dc->bitmap, dc->brush, dc->font}) {
    if (selected) --selected->selections;
  }
  Record("delete", dc->Name());
  --live;
  dcs_.erase(dc);
}

void Draw(DeviceContext& dc, const std::string& call) {
  if (dc.surface) {
    dc.surface->canvas.push_back(call);
    dc.surface->calls.push_back({dc.kind, call});
  } else if (dc.bitmap && !dc.bitmap->stock) {
    dc.bitmap->drawing.push_back(call);
  }
}

std::vector<LedgerEntry> Ledger() {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  return r.ledger;
}

int LiveObjectCount() {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  return r.live;
}

void ResetLedger() {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  r.ledger.clear();
}

}  // namespace vp::gdi

using vp::gdi::DeviceContext;
using vp::gdi::GdiObject;
using vp::gdi::ObjectType;
using vp::gdi::Registry;

namespace {

constexpr int kStockBitmap = 1000;

DeviceContext* NewDC(vp::gdi::DcKind kind, vp::gdi::Surface* surface) {
  Registry& r = Registry::Get();
  auto dc = std::make_unique<DeviceContext>();
  dc->kind = kind;
  dc->surface = surface;
  dc->brush = r.Stock(WHITE_BRUSH);
  dc->font = r.Stock(SYSTEM_FONT);
  dc->bitmap = kind == vp::gdi::DcKind::Memory ? r.Stock(kStockBitmap) : nullptr;
  for (GdiObject* selected : {dc->bitmap, dc->brush, dc->font}) {
    if (selected) ++selected->selections;
  }
  return r.AddDC(std::move(dc));
}

}  // namespace

namespace vp::gdi {

HDC OpenSurfaceDC(Surface* surface, DcKind kind) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  return reinterpret_cast<HDC>(NewDC(kind, surface));
}

BOOL CloseSurfaceDC(HDC handle) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* dc = r.FindDC(handle);
  if (!dc || dc->kind == DcKind::Memory) return FALSE;
  r.RemoveDC(dc);
  return TRUE;
}

}  // namespace vp::gdi

HDC CreateCompatibleDC(HDC) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  return reinterpret_cast<HDC>(NewDC(vp::gdi::DcKind::Memory, nullptr));
}

BOOL DeleteDC(HDC handle) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* dc = r.FindDC(handle);
  if (!dc || dc->kind != vp::gdi::DcKind::Memory) return FALSE;
  r.RemoveDC(dc);
  return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC handle, int width, int height) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* dc = r.FindDC(handle);
  if (!dc || width < 0 || height < 0) return nullptr;
  auto bitmap = std::make_unique<GdiObject>();
  bitmap->type = ObjectType::Bitmap;
  bitmap->width = width;
  bitmap->height = height;
  // A memory context's bitmap is what it is compatible with: the 1 x 1 monochrome one at first.
  if (dc->kind == vp::gdi::DcKind::Memory && dc->bitmap) bitmap->bitsPerPixel = dc->bitmap->bitsPerPixel;
  return reinterpret_cast<HBITMAP>(r.Add(std::move(bitmap)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  auto brush = std::make_unique<GdiObject>();
  brush->type = ObjectType::Brush;
  brush->color = color;
  return reinterpret_cast<HBRUSH>(r.Add(std::move(brush)));
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (!font) return nullptr;
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  auto object = std::make_unique<GdiObject>();
  object->type = ObjectType::Font;
  object->font = *font;
  object->font.lfFaceName[LF_FACESIZE - 1] = '\0';
  return reinterpret_cast<HFONT>(r.Add(std::move(object)));
}

HGDIOBJ GetStockObject(int index) {
  if (index != WHITE_BRUSH && index != BLACK_BRUSH && index != NULL_BRUSH && index != SYSTEM_FONT &&
      index != DEFAULT_GUI_FONT) {
    return nullptr;
  }
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  return r.Stock(index);
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* dc = r.FindDC(handle);
  GdiObject* chosen = r.FindAny(object);
  if (!dc || !chosen || chosen->type == ObjectType::Icon) return nullptr;
  GdiObject** slot = chosen->type == ObjectType::Bitmap ? &dc->bitmap
                     : chosen->type == ObjectType::Font ? &dc->font
                                                        : &dc->brush;
  // Only a memory context takes a bitmap, and a bitmap is selected into one context at a time.
  if (chosen->type == ObjectType::Bitmap &&
      (dc->kind != vp::gdi::DcKind::Memory || (chosen->selections > 0 && chosen != *slot))) {
    return nullptr;
  }
  GdiObject* previous = *slot;
  if (previous) --previous->selections;
  *slot = chosen;
  ++chosen->selections;
  r.Record("select", chosen->Name() + " into " + dc->Name());
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  GdiObject* found = r.FindAny(object);
  if (!found || found->type == ObjectType::Icon) return FALSE;
  if (found->stock) return TRUE;
  return r.Remove(found) ? TRUE : FALSE;
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  GdiObject* found = r.FindAny(object);
  if (!found) return 0;
  if (found->type == ObjectType::Bitmap) {
    if (!buffer) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP bitmap{};
    bitmap.bmWidth = found->width;
    bitmap.bmHeight = found->height;
    bitmap.bmPlanes = 1;
    bitmap.bmBitsPixel = found->bitsPerPixel;
    bitmap.bmWidthBytes = ((found->width * found->bitsPerPixel + 15) / 16) * 2;
    std::memcpy(buffer, &bitmap, sizeof bitmap);
    return sizeof(BITMAP);
  }
  if (found->type == ObjectType::Font) {
    if (!buffer) return sizeof(LOGFONTA);
    if (size < static_cast<int>(sizeof(LOGFONTA))) return 0;
    std::memcpy(buffer, &found->font, sizeof(LOGFONTA));
    return sizeof(LOGFONTA);
  }
  return 0;
}
