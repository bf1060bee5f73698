// The drawing calls: each one is recorded, with its arguments, on what its context draws on.
#include <string>
#include <utility>

#include "gdi_objects.h"

using vp::gdi::DeviceContext;
using vp::gdi::GdiObject;
using vp::gdi::ObjectType;
using vp::gdi::Registry;

namespace {

std::string Ints(std::initializer_list<long> values) {
  std::string text;
  for (long v : values) text += " " + std::to_string(v);
  return text;
}

std::string RectText(const RECT& r) { return Ints({r.left, r.top, r.right, r.bottom}); }

std::string Quoted(LPCSTR text, int length) {
  std::string value = length < 0 ? std::string(text) : std::string(text, static_cast<size_t>(length));
  return "\"" + value + "\"";
}

// A context's text attributes, as they affect a text call.
std::string TextLook(const DeviceContext& dc) {
  std::string face = dc.font ? dc.font->font.lfFaceName : "";
  return " font=" + face + " color=" + vp::gdi::Rgb(dc.textColor) +
         (dc.bkMode == TRANSPARENT ? " transparent" : " opaque");
}

// The size text takes in a font: half the character height across for each character.
SIZE Extent(const DeviceContext& dc, int characters) {
  LONG height = 16;
  if (dc.font && dc.font->font.lfHeight != 0) {
    height = dc.font->font.lfHeight < 0 ? -dc.font->font.lfHeight : dc.font->font.lfHeight;
  }
  LONG width = height / 2 > 0 ? height / 2 : 1;
  return SIZE{width * characters, height};
}

// Replaces one attribute of a context; its previous value, or `invalid` when there is no context.
template <class T>
T SwapAttribute(HDC handle, T DeviceContext::*attribute, T value, T invalid) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* dc = r.FindDC(handle);
  return dc ? std::exchange(dc->*attribute, value) : invalid;
}

constexpr COLORREF kInvalidColor = 0xFFFFFFFF;  // CLR_INVALID

}  // namespace

BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* to = r.FindDC(target);
  DeviceContext* from = source ? r.FindDC(source) : nullptr;
  if (!to || (source && !from)) return FALSE;
  std::string what = from ? (from->kind == vp::gdi::DcKind::Memory && from->bitmap
                                 ? from->bitmap->Name()
                                 : std::string(vp::gdi::DcKindName(from->kind)))
                          : "none";
  std::string ropName = rop == SRCCOPY ? "SRCCOPY" : std::to_string(rop);
  vp::gdi::Draw(*to, "BitBlt" + Ints({x, y, width, height}) + " from " + what +
                         Ints({sourceX, sourceY}) + " " + ropName);
  return TRUE;
}

int FillRect(HDC handle, const RECT* rect, HBRUSH brush) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* dc = r.FindDC(handle);
  GdiObject* fill = r.Find(brush, ObjectType::Brush);
  if (!dc || !rect || !fill) return 0;
  vp::gdi::Draw(*dc, "FillRect" + RectText(*rect) + " " + vp::gdi::Rgb(fill->color));
  return 1;
}

BOOL DrawFocusRect(HDC handle, const RECT* rect) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* dc = r.FindDC(handle);
  if (!dc || !rect) return FALSE;
  vp::gdi::Draw(*dc, "DrawFocusRect" + RectText(*rect));
  return TRUE;
}

BOOL DrawIcon(HDC handle, int x, int y, HICON icon) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* dc = r.FindDC(handle);
  GdiObject* found = r.Find(icon, ObjectType::Icon);
  if (!dc || !found) return FALSE;
  vp::gdi::Draw(*dc, "DrawIcon" + Ints({x, y, static_cast<long>(found->iconId)}));
  return TRUE;
}

BOOL DrawStateA(HDC handle, HBRUSH, DRAWSTATEPROC, LPARAM data, WPARAM length, int x, int y,
                int width, int height, UINT flags) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* dc = r.FindDC(handle);
  if (!dc) return FALSE;
  std::string look = (flags & DSS_DISABLED) ? " disabled" : "";
  switch (flags & 0x000F) {
    case DST_ICON: {
      GdiObject* icon = r.Find(reinterpret_cast<void*>(data), ObjectType::Icon);
      if (!icon) return FALSE;
      vp::gdi::Draw(*dc, "DrawState icon" + Ints({x, y, width, height, static_cast<long>(icon->iconId)}) + look);
      return TRUE;
    }
    case DST_TEXT: {
      auto text = reinterpret_cast<LPCSTR>(data);
      if (!text) return FALSE;
      int count = length == 0 ? -1 : static_cast<int>(length);
      vp::gdi::Draw(*dc, "DrawState text" + Ints({x, y, width, height}) + " " + Quoted(text, count) + look);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

BOOL TextOutA(HDC handle, int x, int y, LPCSTR text, int length) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* dc = r.FindDC(handle);
  if (!dc || !text || length < 0) return FALSE;
  vp::gdi::Draw(*dc, "TextOut" + Ints({x, y}) + " " + Quoted(text, length) + TextLook(*dc));
  return TRUE;
}

BOOL GetTextExtentPoint32A(HDC handle, LPCSTR text, int length, LPSIZE size) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  DeviceContext* dc = r.FindDC(handle);
  if (!dc || !size || length < 0 || (!text && length > 0)) return FALSE;
  *size = Extent(*dc, length);
  return TRUE;
}

int SetBkMode(HDC handle, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return SwapAttribute(handle, &DeviceContext::bkMode, mode, 0);
}

COLORREF SetTextColor(HDC handle, COLORREF color) {
  return SwapAttribute(handle, &DeviceContext::textColor, color, kInvalidColor);
}

COLORREF SetBkColor(HDC handle, COLORREF color) {
  return SwapAttribute(handle, &DeviceContext::bkColor, color, kInvalidColor);
}

int GetDeviceCaps(HDC handle, int index) {
  Registry& r = Registry::Get();
  std::lock_guard lock(r.mutex);
  if (!r.FindDC(handle)) return 0;
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    case HORZRES:
      return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES:
      return GetSystemMetrics(SM_CYSCREEN);
    case BITSPIXEL:
      return 32;
    default:
      return 0;
  }
}
