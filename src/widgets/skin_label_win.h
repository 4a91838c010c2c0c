// Texts drawn over a skinned dialog's background: an owner-drawn static (SS_OWNERDRAW) whose parent
// answers WM_DRAWITEM with DrawSkinLabel. The dialog's background behind the label is painted first, so
// the text sits on the skin's picture and a changed text never leaves the old one behind. Also the fonts
// of such dialogs, in points at the window's own density. Runs on the dialog's thread.
#pragma once

#include <windows.h>

namespace kv::widgets {

struct LabelStyle {
    int points = 10;
    const wchar_t* face = L"Arial Unicode MS";
    COLORREF colour = RGB(0xE6, 0xE6, 0xE6);
    bool bold = false;
    UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
};

// A font of the style's face, size and weight for the window's density; the caller deletes it.
[[nodiscard]] HFONT CreateSkinFont(HWND window, int points, const wchar_t* face, bool bold = false);

// Paints an owner-drawn static: the background behind it, then its window text in the style.
void DrawSkinLabel(const DRAWITEMSTRUCT& item, const LabelStyle& style);

}  // namespace kv::widgets
