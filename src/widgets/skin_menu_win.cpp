#include "widgets/skin_menu_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "skin/dpi_scale.h"
#include "skin/png_button.h"
#include "skin/window_dpi.h"
#include "widgets/widget_base_win.h"
#include "widgets/widget_palette.h"

namespace kv::widgets {
namespace {

constexpr UINT_PTR kOwnerSubclassId = 0x4D4E;  // "MN"

struct MenuItem {
    std::wstring text;
    bool separator = false;
};

// What the owner needs while the menu is shown: the items' texts and the fonts they are drawn in.
struct SkinMenu {
    HMENU menu = nullptr;
    std::vector<MenuItem> items;
    std::vector<UINT> positions;  // of each item in the menu
    HFONT font = nullptr;
    HFONT bold = nullptr;
    int dpi = 96;
};

int Scale(const SkinMenu& m, int pixels) { return kv::skin::ScaleToDpi(pixels, m.dpi); }

HFONT MakeFont(HDC dc, const std::vector<MenuItem>& items, int dpi, bool bold) {
    std::wstring all;
    for (const MenuItem& item : items) all += item.text;
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(kWidgetFontPoints, dpi, 72);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    // A face with the language's characters: the skin's face may not be on this system.
    const std::wstring face = CPngButton::FaceForText(dc, kWidgetFontFace, all.c_str(), static_cast<int>(all.size()));
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

void Measure(const SkinMenu& m, MEASUREITEMSTRUCT& item) {
    if (item.itemData >= m.items.size()) return;
    const MenuItem& entry = m.items[item.itemData];
    if (entry.separator) {
        item.itemWidth = static_cast<UINT>(Scale(m, 40));
        item.itemHeight = static_cast<UINT>(Scale(m, 9));
        return;
    }
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, m.bold);  // the widest look, so the default item fits too
    RECT text{0, 0, 0, 0};
    DrawTextW(dc, entry.text.c_str(), static_cast<int>(entry.text.size()), &text, DT_SINGLELINE | DT_CALCRECT);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    // The system adds room for a check mark on the left; the text starts after the accent bar.
    item.itemWidth = static_cast<UINT>(text.right + Scale(m, 28));
    item.itemHeight = static_cast<UINT>(metrics.tmHeight + Scale(m, 12));
}

void Draw(const SkinMenu& m, const DRAWITEMSTRUCT& item) {
    if (item.itemData >= m.items.size()) return;
    const MenuItem& entry = m.items[item.itemData];
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    FillColour(dc, r, selected && !disabled ? kSkinPalette.hoverFace : kSkinPalette.headerFace);
    if (entry.separator) {
        const int y = (r.top + r.bottom) / 2;
        FillColour(dc, RECT{r.left + Scale(m, 8), y, r.right - Scale(m, 8), y + 1}, kSkinPalette.edge);
        return;
    }
    if (selected && !disabled) FillColour(dc, RECT{r.left, r.top, r.left + Scale(m, 3), r.bottom}, kSkinPalette.accent);
    // Asked of the menu as well: not every system says it in the item's state.
    const bool isDefault = (item.itemState & ODS_DEFAULT) != 0 ||
                           GetMenuDefaultItem(m.menu, TRUE, 0) == m.positions[item.itemData];
    HGDIOBJ old = SelectObject(dc, isDefault ? m.bold : m.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? kSkinPalette.faintText : (selected ? kSkinPalette.selectedText : kSkinPalette.text));
    RECT text{r.left + Scale(m, 14), r.top, r.right - Scale(m, 8), r.bottom};
    // The accelerator's underline shows when the menu was opened from the keyboard, as the system's does.
    const UINT prefix = (item.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    DrawTextW(dc, entry.text.c_str(), static_cast<int>(entry.text.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix);
    SelectObject(dc, old);
}

// Makes every item the menu's own code would draw one that is drawn here, keeping its text.
void TakeOverItems(SkinMenu& m) {
    const int count = GetMenuItemCount(m.menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = static_cast<UINT>(std::size(text));
        if (!GetMenuItemInfoW(m.menu, static_cast<UINT>(i), TRUE, &info) || info.hSubMenu ||
            (info.fType & MFT_OWNERDRAW))
            continue;
        MenuItem entry;
        entry.separator = (info.fType & MFT_SEPARATOR) != 0;
        entry.text = text;
        // An item given back to the system (its text set again) keeps its place in the list.
        const auto known = std::find(m.positions.begin(), m.positions.end(), static_cast<UINT>(i));
        const std::size_t index = static_cast<std::size_t>(known - m.positions.begin());
        if (known == m.positions.end()) {
            m.items.push_back(entry);
            m.positions.push_back(static_cast<UINT>(i));
        } else {
            m.items[index] = entry;
        }
        MENUITEMINFOW drawn{};
        drawn.cbSize = sizeof drawn;
        drawn.fMask = MIIM_FTYPE | MIIM_DATA;
        drawn.fType = info.fType | MFT_OWNERDRAW;
        drawn.dwItemData = index;
        SetMenuItemInfoW(m.menu, static_cast<UINT>(i), TRUE, &drawn);
    }
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto& m = *reinterpret_cast<SkinMenu*>(data);
    if (message == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(wParam) == m.menu) {
        // The owner may set an item's text just before the menu shows, which makes it the system's again.
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        TakeOverItems(m);
        return result;
    }
    if (message == WM_MEASUREITEM) {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_MENU) {
            Measure(m, *item);
            return TRUE;
        }
    } else if (message == WM_MENUCHAR && reinterpret_cast<HMENU>(lParam) == m.menu) {
        // The system cannot read the accelerators of items it does not draw: the letter after '&' is
        // looked up here, so keys choose items as in the system's menus.
        const wint_t typed = towupper(static_cast<wint_t>(LOWORD(wParam)));
        for (std::size_t i = 0; i < m.items.size(); ++i) {
            const std::wstring& text = m.items[i].text;
            const std::size_t amp = text.find(L'&');
            if (amp == std::wstring::npos || amp + 1 >= text.size()) continue;
            if (towupper(static_cast<wint_t>(text[amp + 1])) == typed) return MAKELRESULT(m.positions[i], MNC_EXECUTE);
        }
    } else if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_MENU && reinterpret_cast<HMENU>(item->hwndItem) == m.menu) {
            Draw(m, *item);
            return TRUE;
        }
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

BOOL TrackSkinMenu(HMENU popup, UINT flags, int x, int y, HWND owner) {
    if (!popup || !owner) return FALSE;
    SkinMenu m;
    m.menu = popup;
    m.dpi = kv::skin::WindowDpi(owner);
    TakeOverItems(m);
    HDC dc = GetDC(owner);
    m.font = MakeFont(dc, m.items, m.dpi, false);
    m.bold = MakeFont(dc, m.items, m.dpi, true);
    ReleaseDC(owner, dc);
    // The menu's own face (its frame and any room the items leave) in the skin's colour.
    MENUINFO look{};
    look.cbSize = sizeof look;
    look.fMask = MIM_BACKGROUND;
    look.hbrBack = SolidBrushOf(kSkinPalette.headerFace);
    SetMenuInfo(popup, &look);

    SetWindowSubclass(owner, OwnerProc, kOwnerSubclassId, reinterpret_cast<DWORD_PTR>(&m));
    const BOOL result = TrackPopupMenu(popup, flags, x, y, 0, owner, nullptr);
    RemoveWindowSubclass(owner, OwnerProc, kOwnerSubclassId);
    DeleteObject(m.font);
    DeleteObject(m.bold);
    return result;
}

}  // namespace kv::widgets
