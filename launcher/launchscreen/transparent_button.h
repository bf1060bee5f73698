// An owner-drawn push button that shows the picture behind it: a snapshot of its background
// taken at its first erase, a flat 3-D edge, an icon at its left and its caption in the
// launch screen's face. The pointer over it gives a hover look (a coloured face and the second
// icon), which a 10 ms timer takes away once the pointer has left; a press gives a sunken look.
#pragma once

#include "framework/framework.h"

class CTransParentButton : public CButton {
 public:
  // The looks, as the state member holds them.
  enum State : int { kHover = 0, kNormal = 1, kReleased = 2, kPressed = 3 };
  static constexpr UINT_PTR kLeaveTimer = 1;
  static constexpr UINT kLeaveTimerPeriod = 10;
  static constexpr COLORREF kHoverFace = RGB(240, 216, 215);

  CTransParentButton();
  ~CTransParentButton() override;

  // Loads the normal-look icon and the one of the other looks from the program's resources at
  // the system's icon size, in place of any icons given before. Does not redraw.
  void SetIcons(UINT firstIconId, UINT secondIconId);

  void PreSubclassWindow() override;
  void DrawItem(LPDRAWITEMSTRUCT item) override;

  int GetState() const { return m_nState; }
  bool IsHovering() const { return m_bHovering; }
  bool HasBackground() const { return m_bBackgroundCaptured; }

 protected:
  const MessageMap* GetMessageMap() const override;

 private:
  BOOL OnEraseBkgnd(CDC* dc);
  void OnMouseMove(UINT flags, POINT point);
  void OnLButtonDown(UINT flags, POINT point);
  void OnLButtonUp(UINT flags, POINT point);
  void OnTimer(UINT_PTR id);

  // The four steps, each on a client context of its own.
  void Redraw();
  void DrawBackground(const RECT& client);
  void DrawEdge(const RECT& client);
  void DrawButtonIcon(const RECT& client);
  void DrawCaption(const RECT& client);
  void DestroyIcons();
  bool PointerOutside() const;

  CDC m_dcBackground;
  CBitmap m_bmpBackground;
  bool m_bBackgroundCaptured = false;
  bool m_bHovering = false;
  bool m_bEnabled = true;
  bool m_bFocused = false;
  COLORREF m_crText = 0;
  COLORREF m_crHoverText;
  COLORREF m_crNormalText;
  bool m_bHasIcons = false;
  int m_nIconGap = 2;
  int m_nState = kNormal;
  HICON m_hFirstIcon = nullptr;
  HICON m_hSecondIcon = nullptr;
};
