// GDI: device contexts, bitmaps, brushes, fonts and the drawing calls, with the Windows names
// and values. Nothing is rasterised: every call on a device context is recorded, with its
// arguments and the kind of context, on the surface the context draws on (a window's canvas,
// or a bitmap selected into a memory context), and every object created, selected and deleted
// is written in a ledger, so that tests can assert what was drawn and that nothing leaked.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/core/types.h"
#include "platform/posix/user/user.h"

using HGDIOBJ = void*;
struct HDC__;
struct HBITMAP__;
struct HBRUSH__;
struct HFONT__;
struct HPEN__;
using HDC = HDC__*;
using HBITMAP = HBITMAP__*;
using HBRUSH = HBRUSH__*;
using HFONT = HFONT__*;
using HPEN = HPEN__*;

#define LF_FACESIZE 32
struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};
using LOGFONT = LOGFONTA;

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};

struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  ULONG_PTR itemData;
};
using LPDRAWITEMSTRUCT = DRAWITEMSTRUCT*;

#define FW_NORMAL 400
#define FW_BOLD 700
#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_ONLY_PRECIS 7
#define DEFAULT_CHARSET 1

#define TRANSPARENT 1
#define OPAQUE 2
#define SRCCOPY static_cast<DWORD>(0x00CC0020)
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12

#define WHITE_BRUSH 0
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17

#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define LR_DEFAULTCOLOR 0x00000000
#define LR_LOADFROMFILE 0x00000010
#define LR_DEFAULTSIZE 0x00000040
#define LR_SHARED 0x00008000

#define FR_PRIVATE 0x10
#define FR_NOT_ENUM 0x20

// DrawStateA
#define DST_TEXT 0x0001
#define DST_ICON 0x0003
#define DSS_NORMAL 0x0000
#define DSS_DISABLED 0x0020
using DRAWSTATEPROC = BOOL(CALLBACK*)(HDC, LPARAM, WPARAM, int, int);

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBRUSH CreateSolidBrush(COLORREF color);
HFONT CreateFontIndirectA(const LOGFONTA* font);
HGDIOBJ GetStockObject(int index);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);

BOOL BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL DrawFocusRect(HDC dc, const RECT* rect);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
BOOL DrawStateA(HDC dc, HBRUSH brush, DRAWSTATEPROC callback, LPARAM data, WPARAM length, int x,
                int y, int width, int height, UINT flags);
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length);
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, LPSIZE size);
int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF SetBkColor(HDC dc, COLORREF color);
int GetDeviceCaps(HDC dc, int index);

// Icons: a handle names the icon resource (module and id) it was loaded from. LoadIconA gives
// the shared icon, which is never destroyed; LoadImageA with IMAGE_ICON a new one at the
// size asked for, which DestroyIcon releases. LoadImageA with IMAGE_BITMAP and
// LR_LOADFROMFILE reads an uncompressed .bmp file.
HICON LoadIconA(HINSTANCE module, LPCSTR name);
HANDLE LoadImageA(HINSTANCE module, LPCSTR name, UINT type, int width, int height, UINT flags);
BOOL DestroyIcon(HICON icon);

// Private fonts: the files registered for this process. Also exported by the built-in
// "gdi32.dll", where programs look them up at run time.
int AddFontResourceExA(LPCSTR fileName, DWORD flags, PVOID reserved);
BOOL RemoveFontResourceExA(LPCSTR fileName, DWORD flags, PVOID reserved);

namespace vp::gdi {

enum class DcKind { Paint, Client, Window, Memory };
const char* DcKindName(DcKind kind);  // "paint", "client", "window", "memory"

struct DrawCall {
  DcKind dc;
  std::string call;  // the call's name and arguments, "FillRect 0 0 10 10 rgb(255,255,255)"
};

// What is drawn on a window. `canvas` holds the calls alone, `calls` the same with their
// context's kind.
struct Surface {
  std::vector<std::string> canvas;
  std::vector<DrawCall> calls;
  LONG width = 0;
  LONG height = 0;
  void Clear() {
    canvas.clear();
    calls.clear();
  }
};

// A context drawing on a window's surface (the window system's side of GetDC, BeginPaint and
// GetWindowDC); CloseSurfaceDC releases it.
HDC OpenSurfaceDC(Surface* surface, DcKind kind);
BOOL CloseSurfaceDC(HDC dc);

// The icon resource id of an icon handle (0 for none).
UINT IconResourceId(HICON icon);

struct LedgerEntry {
  std::string event;   // "create", "select", "delete"
  std::string object;  // "bitmap#3", "dc#2 memory", ...
};
// Every object created, selected and deleted since the process started or ResetLedger.
std::vector<LedgerEntry> Ledger();
// Objects (bitmaps, brushes, fonts, icons, device contexts) created and not yet deleted;
// shared and stock objects do not count.
int LiveObjectCount();
void ResetLedger();
// Files registered by AddFontResourceExA and not removed.
std::vector<std::string> PrivateFonts();

}  // namespace vp::gdi
