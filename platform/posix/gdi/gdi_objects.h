// The objects behind GDI handles and the ledger that records their life. Every handle given out
// is a key of the registry, so a stale or foreign handle is refused rather than followed.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win.h"

namespace vp::gdi {

enum class ObjectType { Bitmap, Brush, Font, Icon };

struct GdiObject {
  ObjectType type = ObjectType::Brush;
  int serial = 0;
  bool stock = false;  // stock and shared objects are never deleted and never leak
  COLORREF color = 0;
  LOGFONTA font{};
  LONG width = 0, height = 0;
  WORD bitsPerPixel = 32;
  std::string file;                  // a bitmap read from a file
  std::vector<std::string> drawing;  // what was drawn on a bitmap through a memory context
  UINT iconId = 0;
  int selections = 0;  // device contexts it is selected into
  std::string Name() const;
};

struct DeviceContext {
  int serial = 0;
  DcKind kind = DcKind::Memory;
  Surface* surface = nullptr;  // a window's; none for a memory context
  GdiObject* bitmap = nullptr;
  GdiObject* brush = nullptr;
  GdiObject* font = nullptr;
  int bkMode = OPAQUE;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  std::string Name() const;
};

class Registry {
 public:
  static Registry& Get();
  std::recursive_mutex mutex;

  GdiObject* Add(std::unique_ptr<GdiObject> object);
  GdiObject* Find(const void* handle, ObjectType type) const;
  GdiObject* FindAny(const void* handle) const;
  bool Remove(GdiObject* object);
  GdiObject* Stock(int index);

  DeviceContext* AddDC(std::unique_ptr<DeviceContext> dc);
  DeviceContext* FindDC(HDC handle) const;
  void RemoveDC(DeviceContext* dc);

  void Record(const std::string& event, const std::string& object);
  std::vector<LedgerEntry> ledger;
  int live = 0;
  int nextSerial = 1;

 private:
  std::map<const void*, std::unique_ptr<GdiObject>> objects_;
  std::map<const void*, std::unique_ptr<DeviceContext>> dcs_;
  std::map<int, GdiObject*> stock_;
};

std::string Rgb(COLORREF color);
// Writes a call on what the context draws on: the window's surface, or the selected bitmap.
void Draw(DeviceContext& dc, const std::string& call);

// The .bmp reader: the picture's size from an uncompressed file, or false.
bool ReadBitmapFile(const char* path, LONG* width, LONG* height, WORD* bitsPerPixel);

}  // namespace vp::gdi
