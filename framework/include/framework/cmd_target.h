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

#include "framework/user_types.h"

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
