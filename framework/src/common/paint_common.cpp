// Device contexts and GDI objects: the same GDI calls on both backends.
#include "framework/paint.h"

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (m_hObject || !object) return FALSE;
  m_hObject = object;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ object = m_hObject;
  m_hObject = nullptr;
  return object;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  BOOL deleted = ::DeleteObject(m_hObject);
  m_hObject = nullptr;
  return deleted;
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return Attach(::CreateCompatibleBitmap(dc->GetSafeHdc(), width, height));
}

int CBitmap::GetBitmap(BITMAP* bitmap) const {
  return m_hObject ? ::GetObjectA(m_hObject, sizeof(BITMAP), bitmap) : 0;
}

BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }

BOOL CFont::CreateFontIndirect(const LOGFONT* font) { return Attach(::CreateFontIndirectA(font)); }

CDC::~CDC() {
  if (m_memory) DeleteDC();
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  if (m_hDC) return FALSE;
  m_hDC = ::CreateCompatibleDC(dc ? dc->GetSafeHdc() : nullptr);
  m_memory = m_hDC != nullptr;
  return m_memory;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC) return FALSE;
  RestoreSelections();
  BOOL deleted = ::DeleteDC(m_hDC);
  m_hDC = nullptr;
  m_memory = false;
  return deleted;
}

HDC CDC::Detach() {
  HDC dc = m_hDC;
  m_hDC = nullptr;
  m_memory = false;
  return dc;
}

void CDC::Remember(HGDIOBJ previous, HGDIOBJ& slot) {
  if (!slot) slot = previous;
}

namespace {

enum class Slot { Bitmap, Font, Brush };

Slot SlotOf(HGDIOBJ object) {
#ifdef _WIN32
  DWORD type = ::GetObjectType(object);
  return type == OBJ_BITMAP ? Slot::Bitmap : type == OBJ_FONT ? Slot::Font : Slot::Brush;
#else
  BITMAP bitmap;
  LOGFONT font;
  if (::GetObjectA(object, sizeof bitmap, &bitmap) == sizeof bitmap) return Slot::Bitmap;
  return ::GetObjectA(object, sizeof font, &font) == sizeof font ? Slot::Font : Slot::Brush;
#endif
}

}  // namespace

HGDIOBJ CDC::SelectObject(HGDIOBJ object) {
  HGDIOBJ previous = ::SelectObject(m_hDC, object);
  if (!previous) return nullptr;
  // The first object each slot held is put back before the context goes, so that nothing of
  // ours stays selected in it and every object can be deleted.
  switch (SlotOf(object)) {
    case Slot::Bitmap:
      Remember(previous, m_originalBitmap);
      break;
    case Slot::Font:
      Remember(previous, m_originalFont);
      break;
    case Slot::Brush:
      Remember(previous, m_originalBrush);
      break;
  }
  return previous;
}

CGdiObject* CDC::SelectObject(CGdiObject* object) {
  SelectObject(object ? object->GetSafeHandle() : nullptr);
  return nullptr;
}

CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  SelectObject(bitmap ? bitmap->GetSafeHandle() : nullptr);
  return nullptr;
}

CFont* CDC::SelectObject(CFont* font) {
  SelectObject(font ? font->GetSafeHandle() : nullptr);
  return nullptr;
}

void CDC::RestoreSelections() {
  if (!m_hDC) return;
  for (HGDIOBJ* slot : {&m_originalBitmap, &m_originalFont, &m_originalBrush}) {
    if (*slot) ::SelectObject(m_hDC, *slot);
    *slot = nullptr;
  }
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int sourceX, int sourceY, DWORD rop) {
  return ::BitBlt(m_hDC, x, y, width, height, source ? source->GetSafeHdc() : nullptr, sourceX, sourceY, rop);
}

void CDC::FillRect(const RECT* rect, CBrush* brush) {
  ::FillRect(m_hDC, rect, brush ? static_cast<HBRUSH>(brush->GetSafeHandle()) : nullptr);
}

void CDC::FillSolidRect(const RECT* rect, COLORREF color) {
  HBRUSH brush = ::CreateSolidBrush(color);
  ::FillRect(m_hDC, rect, brush);
  ::DeleteObject(brush);
}

void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
  LONG x = rect->left, y = rect->top, cx = rect->right - rect->left, cy = rect->bottom - rect->top;
  RECT top{x, y, x + cx - 1, y + 1}, left{x, y, x + 1, y + cy - 1};
  RECT right{x + cx - 1, y, x + cx, y + cy}, bottom{x, y + cy - 1, x + cx, y + cy};
  FillSolidRect(&top, topLeft);
  FillSolidRect(&left, topLeft);
  FillSolidRect(&right, bottomRight);
  FillSolidRect(&bottom, bottomRight);
}

void CDC::DrawFocusRect(const RECT* rect) { ::DrawFocusRect(m_hDC, rect); }

BOOL CDC::DrawIcon(int x, int y, HICON icon) { return ::DrawIcon(m_hDC, x, y, icon); }

BOOL CDC::DrawState(POINT at, SIZE size, HICON icon, UINT flags, HBRUSH brush) {
  return ::DrawStateA(m_hDC, brush, nullptr, reinterpret_cast<LPARAM>(icon), 0, at.x, at.y, size.cx,
                      size.cy, flags | DST_ICON);
}

BOOL CDC::DrawState(POINT at, SIZE size, const char* text, UINT flags, BOOL, int length, HBRUSH brush) {
  return ::DrawStateA(m_hDC, brush, nullptr, reinterpret_cast<LPARAM>(text), static_cast<WPARAM>(length),
                      at.x, at.y, size.cx, size.cy, flags | DST_TEXT);
}

BOOL CDC::TextOut(int x, int y, const std::string& text) {
  return ::TextOutA(m_hDC, x, y, text.c_str(), static_cast<int>(text.size()));
}

SIZE CDC::GetTextExtent(const std::string& text) const {
  SIZE size{0, 0};
  ::GetTextExtentPoint32A(m_hDC, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

int CDC::SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }

COLORREF CDC::SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }

int CDC::GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
