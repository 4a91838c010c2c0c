#include "widgets/colour_button_win.h"

#include <commdlg.h>

namespace kv::widgets {
namespace {

COLORREF g_customColours[16] = {};

}  // namespace

void CColourButton::SetColour(uint32_t colour) {
    colour &= 0xFFFFFF;
    if (colour == colour_) return;
    colour_ = colour;
    Redraw();
}

bool CColourButton::Pick(HWND owner) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = colour_;
    cc.lpCustColors = g_customColours;
    cc.Flags = CC_FULLOPEN | CC_RGBINIT | CC_ANYCOLOR;
    if (!ChooseColorW(&cc)) return false;
    colour_ = cc.rgbResult & 0xFFFFFF;
    Redraw();
    return true;
}

void CColourButton::Paint(HDC dc, const RECT& rect) {
    const int dpi = Dpi();
    const int radius = MulDiv(8, dpi, 96);
    const int inset = MulDiv(3, dpi, 96);
    HPEN frame = CreatePen(PS_SOLID, MulDiv(1, dpi, 96), hover_ ? RGB(255, 150, 40) : RGB(88, 92, 100));
    HBRUSH back = CreateSolidBrush(RGB(30, 33, 38));
    HGDIOBJ oldPen = SelectObject(dc, frame);
    HGDIOBJ oldBrush = SelectObject(dc, back);
    RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, radius, radius);
    HBRUSH swatch = CreateSolidBrush(colour_);
    HPEN none = CreatePen(PS_NULL, 0, 0);
    SelectObject(dc, swatch);
    SelectObject(dc, none);
    RoundRect(dc, rect.left + inset, rect.top + inset, rect.right - inset + 1, rect.bottom - inset + 1, radius / 2, radius / 2);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(swatch);
    DeleteObject(none);
    DeleteObject(back);
    DeleteObject(frame);
}

LRESULT CColourButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONUP) {
        NotifyClicked();
        return 0;
    }
    return CSkinWidget::WindowProc(message, wParam, lParam);
}

}  // namespace kv::widgets
