#include "framework/cmd_target.h"

const MessageMap* CCmdTarget::GetMessageMap() const {
  static const MessageMap map{nullptr, {}};
  return &map;
}

bool CCmdTarget::DispatchToMap(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam,
                               LRESULT* result) {
  for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
    for (const MessageMapEntry& entry : map->entries) {
      if (entry.message != message) continue;
      if (message == WM_COMMAND && (entry.code != code || entry.id != id)) continue;
      LRESULT value = entry.call(*this, wParam, lParam);
      if (result) *result = value;
      return true;
    }
  }
  return false;
}
