// Popup menus in the skin's colours. The system draws its menus light whatever the program looks like:
// these are drawn by the program instead (dark face, the accent on the item under the mouse, disabled
// items faint, the default item bold), and otherwise behave as the system's (keys, accelerators, the
// result of TrackPopupMenu).
//
// Usage: TrackSkinMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, ownerWindow) in place of
// TrackPopupMenu; the owner's messages about the menu's items are answered while it is shown. Runs on the
// owner's thread.
#pragma once

#include <windows.h>

namespace kv::widgets {

// Shows the popup at x, y and tracks it until it closes; returns what TrackPopupMenu returns.
BOOL TrackSkinMenu(HMENU popup, UINT flags, int x, int y, HWND owner);

}  // namespace kv::widgets
