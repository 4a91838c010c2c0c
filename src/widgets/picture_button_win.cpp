#include "widgets/picture_button_win.h"

#include <windowsx.h>

namespace kv::widgets {

void CPictureButton::SetPictures(const std::wstring& offPath, const std::wstring& onPath) {
    off_ = ScaledPicture::Load(offPath);
    on_picture_ = ScaledPicture::Load(onPath);
    Redraw();
}

void CPictureButton::SetOn(bool on) {
    if (on == on_) return;
    on_ = on;
    Redraw();
}

void CPictureButton::Paint(HDC dc, const RECT& rect) {
    (on_ || pressed_ ? on_picture_ : off_).Draw(dc, 0, 0, Dpi());
    if (hover_ && !on_) {  // a thin light edge tells the pointer is over it
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 150, 40));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        const int r = MulDiv(6, Dpi(), 96);
        RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, r, r);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(pen);
    }
}

LRESULT CPictureButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
            pressed_ = true;
            SetCapture(hwnd_);
            Redraw();
            return 0;
        case WM_LBUTTONUP: {
            if (!pressed_) return 0;
            pressed_ = false;
            ReleaseCapture();
            RECT r;
            GetClientRect(hwnd_, &r);
            const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            Redraw();
            if (PtInRect(&r, p)) NotifyClicked();
            return 0;
        }
        case WM_CAPTURECHANGED:
            pressed_ = false;
            Redraw();
            return 0;
        default: return CSkinWidget::WindowProc(message, wParam, lParam);
    }
}

}  // namespace kv::widgets
