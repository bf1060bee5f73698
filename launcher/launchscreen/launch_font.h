// The launch screen's private font file "VENUSRIS.ttf" (the "Venus Rising" face), registered
// for this process only. The font calls are looked up in "gdi32.dll" at run time.
#pragma once

#include "platform/win.h"

// Registers the file from the current folder unless a registration of this process holds
// already; true when the face is registered afterwards.
bool RegisterLaunchFont();
// Removes the registration, when there is one; the next RegisterLaunchFont registers again.
void UnregisterLaunchFont();
// Whether the file is registered now (tests).
bool LaunchFontRegistered();

class CDC;

// A font of the "Venus Rising" face, made once per process from the first context that asks
// for it, lfHeight = -MulDiv(size, the context's LOGPIXELSY, divisor). Whether it could be made
// is remembered and never tried again; the font lives as long as the process.
class LaunchFaceFont {
 public:
  constexpr LaunchFaceFont(int size, int divisor) : m_size(size), m_divisor(divisor) {}
  HFONT Get(CDC& dc);
  HFONT Handle() const { return m_handle; }

 private:
  int m_size;
  int m_divisor;
  bool m_tried = false;
  HFONT m_handle = nullptr;
};

// The buttons' captions (9 / 71) and the launch screen's title (10 / 75).
LaunchFaceFont& ButtonCaptionFont();
LaunchFaceFont& ScreenCaptionFont();
