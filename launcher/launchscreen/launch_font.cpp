#include "launch_font.h"

#include <cstring>

#include "framework/paint.h"

namespace {

constexpr const char* kFontFile = "VENUSRIS.ttf";

using AddFontProc = int(WINAPI*)(LPCSTR, DWORD, PVOID);
using RemoveFontProc = BOOL(WINAPI*)(LPCSTR, DWORD, PVOID);

// The library is loaded once and kept: the cached addresses stay valid for the process.
FARPROC Gdi32Export(const char* name) {
  static HMODULE gdi32 = LoadLibraryA("gdi32.dll");
  return gdi32 ? GetProcAddress(gdi32, name) : nullptr;
}

template <class Proc>
Proc Cached(const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(Gdi32Export(name)));
}

// The number of fonts the registration added; non-zero while registered.
int g_addedFonts = 0;

}  // namespace

bool RegisterLaunchFont() {
  static const AddFontProc add = Cached<AddFontProc>("AddFontResourceExA");
  if (g_addedFonts == 0 && add) g_addedFonts = add(kFontFile, FR_PRIVATE, nullptr);
  return g_addedFonts != 0;
}

void UnregisterLaunchFont() {
  static const RemoveFontProc remove = Cached<RemoveFontProc>("RemoveFontResourceExA");
  if (g_addedFonts == 0 || !remove) return;
  // Registered no more: a later launch screen registers the file afresh.
  if (remove(kFontFile, FR_PRIVATE, nullptr)) g_addedFonts = 0;
}

bool LaunchFontRegistered() { return g_addedFonts != 0; }

HFONT LaunchFaceFont::Get(CDC& dc) {
  if (m_tried) return m_handle;
  m_tried = true;
  LOGFONT font{};
  font.lfHeight = -MulDiv(m_size, dc.GetDeviceCaps(LOGPIXELSY), m_divisor);
  font.lfWeight = FW_NORMAL;
  font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  std::strcpy(font.lfFaceName, "Venus Rising");
  m_handle = CreateFontIndirectA(&font);
  return m_handle;
}

LaunchFaceFont& ButtonCaptionFont() {
  static LaunchFaceFont font(9, 71);
  return font;
}

LaunchFaceFont& ScreenCaptionFont() {
  static LaunchFaceFont font(10, 75);
  return font;
}
