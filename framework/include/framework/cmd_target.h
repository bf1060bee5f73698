// Message maps: each class that handles messages lists its handlers in a table, which is
// searched before the tables of its base classes. A table is built once, with the Map*
// helpers below, in the class's GetMessageMap override:
//
//   const MessageMap* CMyDlg::GetMessageMap() const {
//     static const MessageMap map{CDialog::GetMessageMap(),
//                                 {MapClicked(1002, &CMyDlg::OnGo), MapPaint(&CMyDlg::OnPaint)}};
//     return &map;
//   }
#pragma once

#include <functional>
#include <vector>

#include "platform/win.h"

#ifndef GET_X_LPARAM  // <windowsx.h> is left out: its macros clash with member names
#  define GET_X_LPARAM(lp) (static_cast<int>(static_cast<short>(LOWORD(lp))))
#  define GET_Y_LPARAM(lp) (static_cast<int>(static_cast<short>(HIWORD(lp))))
#endif

class CCmdTarget;

struct MessageMapEntry {
  UINT message;  // WM_COMMAND, WM_SYSCOMMAND, WM_PAINT, WM_QUERYDRAGICON, ...
  UINT code;     // notification code of a WM_COMMAND (BN_CLICKED, CBN_SELCHANGE); else 0
  UINT id;       // control or command id of a WM_COMMAND; else 0
  std::function<LRESULT(CCmdTarget&, WPARAM, LPARAM)> call;
};

struct MessageMap {
  const MessageMap* base;  // the base class's table, or null
  std::vector<MessageMapEntry> entries;
};

class CCmdTarget {
 public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget() = default;

  virtual const MessageMap* GetMessageMap() const;

  // Runs the first handler for the message in this object's tables. False when none handles it.
  bool DispatchToMap(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam,
                     LRESULT* result);
};

// A button's click (BN_CLICKED), or a command with this id.
template <class T>
MessageMapEntry MapClicked(UINT id, void (T::*handler)()) {
  return {WM_COMMAND, BN_CLICKED, id, [handler](CCmdTarget& t, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T&>(t).*handler)();
            return 0;
          }};
}
template <class T>
MessageMapEntry MapCommand(UINT id, void (T::*handler)()) {
  return MapClicked(id, handler);
}

// A combo box's selection change (CBN_SELCHANGE).
template <class T>
MessageMapEntry MapSelChange(UINT id, void (T::*handler)()) {
  return {WM_COMMAND, CBN_SELCHANGE, id, [handler](CCmdTarget& t, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T&>(t).*handler)();
            return 0;
          }};
}

// WM_SYSCOMMAND: handler(command code, lParam).
template <class T>
MessageMapEntry MapSysCommand(void (T::*handler)(UINT, LPARAM)) {
  return {WM_SYSCOMMAND, 0, 0, [handler](CCmdTarget& t, WPARAM w, LPARAM l) -> LRESULT {
            (static_cast<T&>(t).*handler)(static_cast<UINT>(w), l);
            return 0;
          }};
}

template <class T>
MessageMapEntry MapPaint(void (T::*handler)()) {
  return {WM_PAINT, 0, 0, [handler](CCmdTarget& t, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T&>(t).*handler)();
            return 0;
          }};
}

template <class T>
MessageMapEntry MapQueryDragIcon(HCURSOR (T::*handler)()) {
  return {WM_QUERYDRAGICON, 0, 0, [handler](CCmdTarget& t, WPARAM, LPARAM) -> LRESULT {
            return reinterpret_cast<LRESULT>((static_cast<T&>(t).*handler)());
          }};
}

// Any message: handler(wParam, lParam) gives the message's result.
template <class T>
MessageMapEntry MapMessage(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM)) {
  return {message, 0, 0, [handler](CCmdTarget& t, WPARAM w, LPARAM l) -> LRESULT {
            return (static_cast<T&>(t).*handler)(w, l);
          }};
}

// WM_CREATE: the handler answers 0 to go on, -1 to stop the creation.
template <class T>
MessageMapEntry MapCreate(int (T::*handler)()) {
  return {WM_CREATE, 0, 0, [handler](CCmdTarget& t, WPARAM, LPARAM) -> LRESULT {
            return (static_cast<T&>(t).*handler)();
          }};
}

// Messages without arguments: WM_DESTROY, WM_CLOSE, WM_NCPAINT, ...
template <class T>
MessageMapEntry MapVoid(UINT message, void (T::*handler)()) {
  return {message, 0, 0, [handler](CCmdTarget& t, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T&>(t).*handler)();
            return 0;
          }};
}
template <class T>
MessageMapEntry MapDestroy(void (T::*handler)()) {
  return MapVoid(WM_DESTROY, handler);
}
template <class T>
MessageMapEntry MapClose(void (T::*handler)()) {
  return MapVoid(WM_CLOSE, handler);
}
template <class T>
MessageMapEntry MapNcPaint(void (T::*handler)()) {
  return MapVoid(WM_NCPAINT, handler);
}

// WM_NCACTIVATE: handler(active) gives the answer (FALSE keeps the caption as it is).
template <class T>
MessageMapEntry MapNcActivate(BOOL (T::*handler)(BOOL)) {
  return {WM_NCACTIVATE, 0, 0, [handler](CCmdTarget& t, WPARAM w, LPARAM) -> LRESULT {
            return (static_cast<T&>(t).*handler)(static_cast<BOOL>(w));
          }};
}

// WM_TIMER: handler(timer id).
template <class T>
MessageMapEntry MapTimer(void (T::*handler)(UINT_PTR)) {
  return {WM_TIMER, 0, 0, [handler](CCmdTarget& t, WPARAM w, LPARAM) -> LRESULT {
            (static_cast<T&>(t).*handler)(static_cast<UINT_PTR>(w));
            return 0;
          }};
}

// Mouse messages: handler(key states, position in client coordinates).
template <class T>
MessageMapEntry MapMouse(UINT message, void (T::*handler)(UINT, POINT)) {
  return {message, 0, 0, [handler](CCmdTarget& t, WPARAM w, LPARAM l) -> LRESULT {
            (static_cast<T&>(t).*handler)(static_cast<UINT>(w), POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)});
            return 0;
          }};
}
template <class T>
MessageMapEntry MapMouseMove(void (T::*handler)(UINT, POINT)) {
  return MapMouse(WM_MOUSEMOVE, handler);
}
template <class T>
MessageMapEntry MapLButtonDown(void (T::*handler)(UINT, POINT)) {
  return MapMouse(WM_LBUTTONDOWN, handler);
}
template <class T>
MessageMapEntry MapLButtonUp(void (T::*handler)(UINT, POINT)) {
  return MapMouse(WM_LBUTTONUP, handler);
}

// WM_DRAWITEM in the parent: handler(control id, the drawing request).
template <class T>
MessageMapEntry MapDrawItem(void (T::*handler)(int, LPDRAWITEMSTRUCT)) {
  return {WM_DRAWITEM, 0, 0, [handler](CCmdTarget& t, WPARAM w, LPARAM l) -> LRESULT {
            (static_cast<T&>(t).*handler)(static_cast<int>(w), reinterpret_cast<LPDRAWITEMSTRUCT>(l));
            return TRUE;
          }};
}
