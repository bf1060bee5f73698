#include "transparent_button.h"

#include "launch_font.h"

CTransParentButton::CTransParentButton()
    : m_crHoverText(GetSysColor(COLOR_HIGHLIGHT)), m_crNormalText(GetSysColor(COLOR_WINDOWTEXT)) {
  RegisterLaunchFont();
}

CTransParentButton::~CTransParentButton() {
  // The snapshot's context gets its own bitmap back before both go.
  m_dcBackground.DeleteDC();
  m_bmpBackground.DeleteObject();
  DestroyIcons();
}

void CTransParentButton::DestroyIcons() {
  if (m_hFirstIcon) DestroyIcon(m_hFirstIcon);
  if (m_hSecondIcon) DestroyIcon(m_hSecondIcon);
  m_hFirstIcon = m_hSecondIcon = nullptr;
}

void CTransParentButton::SetIcons(UINT firstIconId, UINT secondIconId) {
  DestroyIcons();
  int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
  HINSTANCE module = vp::fw::ResourceInstance();
  m_hFirstIcon = static_cast<HICON>(
      LoadImageA(module, MAKEINTRESOURCEA(firstIconId), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
  m_hSecondIcon = static_cast<HICON>(
      LoadImageA(module, MAKEINTRESOURCEA(secondIconId), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
  m_bHasIcons = true;
}

const MessageMap* CTransParentButton::GetMessageMap() const {
  static const MessageMap map{CButton::GetMessageMap(),
                              {MapEraseBkgnd(&CTransParentButton::OnEraseBkgnd),
                               MapMouseMove(&CTransParentButton::OnMouseMove),
                               MapLButtonDown(&CTransParentButton::OnLButtonDown),
                               MapTimer(&CTransParentButton::OnTimer),
                               MapLButtonUp(&CTransParentButton::OnLButtonUp)}};
  return &map;
}

void CTransParentButton::PreSubclassWindow() {
  SetButtonStyle(LOWORD(GetStyle()) | BS_OWNERDRAW, TRUE);
}

void CTransParentButton::DrawItem(LPDRAWITEMSTRUCT item) {
  if (item->itemState & ODS_DISABLED) {
    m_bEnabled = false;
    m_nState = kNormal;
  } else {
    m_bEnabled = true;
  }
  m_bFocused = (item->itemState & ODS_FOCUS) != 0;
  Redraw();
}

void CTransParentButton::Redraw() {
  if (!m_hWnd) return;
  RECT client;
  GetClientRect(&client);
  DrawBackground(client);
  DrawEdge(client);
  DrawButtonIcon(client);
  DrawCaption(client);
}

void CTransParentButton::DrawBackground(const RECT& client) {
  // Before the first erase there is nothing to show yet.
  if (!m_bBackgroundCaptured) return;
  CClientDC dc(this);
  dc.BitBlt(0, 0, client.right - client.left, client.bottom - client.top, &m_dcBackground, 0, 0, SRCCOPY);
}

void CTransParentButton::DrawEdge(const RECT& client) {
  if (!m_bEnabled) return;
  CClientDC dc(this);
  COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
  if (m_nState == kHover || m_nState == kReleased) {
    dc.Draw3dRect(&client, highlight, shadow);
    CBrush face(kHoverFace);
    dc.FillRect(&client, &face);
    dc.Draw3dRect(&client, highlight, shadow);
  } else if (m_nState == kPressed) {
    dc.Draw3dRect(&client, shadow, highlight);
  } else {
    dc.Draw3dRect(&client, highlight, shadow);
  }
  if (m_bFocused) {
    RECT focus = client;
    InflateRect(&focus, -2, -2);
    dc.DrawFocusRect(&focus);
  }
}

void CTransParentButton::DrawButtonIcon(const RECT& client) {
  HICON icon = !m_bEnabled || m_nState == kNormal ? m_hFirstIcon : m_hSecondIcon;
  if (!icon) return;
  int iconWidth = GetSystemMetrics(SM_CXICON), iconHeight = GetSystemMetrics(SM_CYICON);
  int width = client.right - client.left, height = client.bottom - client.top;
  POINT at{(width - iconWidth) / 2, (height - iconHeight) / 2};
  if (!GetWindowText().empty()) at.x = m_nIconGap;
  if (m_nState == kPressed) {
    ++at.x;
    ++at.y;
  }
  CClientDC dc(this);
  if (m_bEnabled) dc.DrawIcon(at.x, at.y, icon);
  else dc.DrawState(at, SIZE{32, 32}, icon, DSS_DISABLED);
}

void CTransParentButton::DrawCaption(const RECT& client) {
  std::string caption = GetWindowText();
  CClientDC dc(this);
  if (HFONT font = ButtonCaptionFont().Get(dc)) dc.SelectObject(font);
  // Transparent whether or not the face could be made: the snapshot stays visible.
  dc.SetBkMode(TRANSPARENT);
  SIZE text = dc.GetTextExtent(caption);
  int width = client.right - client.left, height = client.bottom - client.top;
  int iconWidth = GetSystemMetrics(SM_CXICON);
  int x = m_bHasIcons ? m_nIconGap + iconWidth + (width - text.cx - m_nIconGap - iconWidth) / 2
                      : (width - text.cx) / 2;
  int y = (height - text.cy) / 2;
  if (!m_bEnabled) {
    dc.DrawState(POINT{x, y}, SIZE{0, 0}, caption.c_str(), DSS_DISABLED);
    return;
  }
  m_crText = m_nState == kHover || m_nState == kReleased ? m_crHoverText : m_crNormalText;
  if (m_nState == kPressed) {
    ++x;
    ++y;
  }
  dc.SetTextColor(m_crText);
  dc.TextOut(x, y, caption);
}

BOOL CTransParentButton::OnEraseBkgnd(CDC* dc) {
  if (m_bBackgroundCaptured) return TRUE;
  RECT client;
  GetClientRect(&client);
  int width = client.right - client.left, height = client.bottom - client.top;
  if (!m_dcBackground.CreateCompatibleDC(dc)) return TRUE;
  m_bmpBackground.CreateCompatibleBitmap(dc, width, height);
  m_dcBackground.SelectObject(&m_bmpBackground);
  m_dcBackground.BitBlt(0, 0, width, height, dc, 0, 0, SRCCOPY);
  m_bBackgroundCaptured = true;
  return TRUE;
}

void CTransParentButton::OnMouseMove(UINT flags, POINT) {
  if (flags & MK_LBUTTON) return;
  if (!m_bHovering && m_bEnabled) {
    m_bHovering = true;
    m_nState = kHover;
    Redraw();
    SetTimer(kLeaveTimer, kLeaveTimerPeriod);
  }
  Default();
}

bool CTransParentButton::PointerOutside() const {
  RECT window;
  POINT pointer;
  GetWindowRect(&window);
  GetCursorPos(&pointer);
  return !PtInRect(&window, pointer);
}

void CTransParentButton::OnTimer(UINT_PTR id) {
  // A pressed button keeps its look until the release decides.
  if (id == kLeaveTimer && m_bHovering && m_bEnabled && m_nState != kPressed && PointerOutside()) {
    KillTimer(kLeaveTimer);
    m_nState = kNormal;
    m_bHovering = false;
    Redraw();
  }
  Default();
}

void CTransParentButton::OnLButtonDown(UINT, POINT) {
  m_nState = kPressed;
  Redraw();
  Default();
}

void CTransParentButton::OnLButtonUp(UINT, POINT) {
  if (PointerOutside()) {
    // Released after dragging off: the normal look, not a hover look nothing would take away.
    KillTimer(kLeaveTimer);
    m_bHovering = false;
    m_nState = kNormal;
  } else {
    m_nState = kReleased;
    if (!m_bHovering && m_bEnabled) {
      m_bHovering = true;
      SetTimer(kLeaveTimer, kLeaveTimerPeriod);
    }
  }
  Redraw();
  Default();
}
