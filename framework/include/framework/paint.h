// Drawing: device contexts and GDI objects owned by C++ objects. On POSIX the calls are recorded
// on the window's surface (platform/posix/gdi/gdi.h), so tests can see what was painted.
#pragma once

#include "framework/window.h"

class CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject() { DeleteObject(); }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ m_hObject = nullptr;
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  BOOL Attach(HGDIOBJ object);
  HGDIOBJ Detach();
  // Deletes the object this one owns, if any.
  BOOL DeleteObject();
};

class CBitmap : public CGdiObject {
 public:
  BOOL CreateCompatibleBitmap(class CDC* dc, int width, int height);
  int GetBitmap(BITMAP* bitmap) const;
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  BOOL CreateSolidBrush(COLORREF color);
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONT* font);
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

// A device context. The objects selected into it are put back before it is released.
class CDC {
 public:
  CDC() = default;
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC = nullptr;
  HDC GetSafeHdc() const { return m_hDC; }

  // A memory context compatible with `dc` (or the screen); DeleteDC releases it.
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();
  void Attach(HDC dc) { m_hDC = dc; }
  HDC Detach();

  CGdiObject* SelectObject(CGdiObject* object);
  HGDIOBJ SelectObject(HGDIOBJ object);
  CBitmap* SelectObject(CBitmap* bitmap);
  CFont* SelectObject(CFont* font);

  BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sourceX, int sourceY, DWORD rop);
  void FillRect(const RECT* rect, CBrush* brush);
  void FillSolidRect(const RECT* rect, COLORREF color);
  // A 3-D edge: the top and left sides in one colour, the bottom and right in the other.
  void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
  void DrawFocusRect(const RECT* rect);
  BOOL DrawIcon(int x, int y, HICON icon);
  BOOL DrawState(POINT at, SIZE size, HICON icon, UINT flags, HBRUSH brush = nullptr);
  BOOL DrawState(POINT at, SIZE size, const char* text, UINT flags, BOOL prefix = TRUE,
                 int length = 0, HBRUSH brush = nullptr);
  BOOL TextOut(int x, int y, const std::string& text);
  SIZE GetTextExtent(const std::string& text) const;
  int SetBkMode(int mode);
  COLORREF SetTextColor(COLORREF color);
  int GetDeviceCaps(int index) const;

 protected:
  // Puts back the objects this context had before SelectObject.
  void RestoreSelections();

 private:
  HGDIOBJ m_originalBitmap = nullptr;
  HGDIOBJ m_originalFont = nullptr;
  HGDIOBJ m_originalBrush = nullptr;
  bool m_memory = false;
  void Remember(HGDIOBJ previous, HGDIOBJ& slot);
};

// The context of WM_PAINT: BeginPaint on construction (validating the update region),
// EndPaint on destruction.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* window);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps{};

 private:
  CWnd* m_pWnd;
};

// The client area's context (GetDC / ReleaseDC).
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* window);
  ~CClientDC() override;

 private:
  CWnd* m_pWnd;
};

// The whole window's context, title bar included (GetWindowDC / ReleaseDC).
class CWindowDC : public CDC {
 public:
  explicit CWindowDC(CWnd* window);
  ~CWindowDC() override;

 private:
  CWnd* m_pWnd;
};

// WM_ERASEBKGND: handler(the context to erase) answers TRUE when it erased the background.
template <class T>
MessageMapEntry MapEraseBkgnd(BOOL (T::*handler)(CDC*)) {
  return {WM_ERASEBKGND, 0, 0, [handler](CCmdTarget& t, WPARAM w, LPARAM) -> LRESULT {
            CDC dc;
            dc.Attach(reinterpret_cast<HDC>(w));
            BOOL erased = (static_cast<T&>(t).*handler)(&dc);
            dc.Detach();
            return erased;
          }};
}
