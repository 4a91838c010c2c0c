#include "widgets/bitmap_slider_win.h"

#include <windowsx.h>

#include <algorithm>

#include "app/app_messages.h"

namespace kv::widgets {

void CBitmapSlider::SetPictures(const std::vector<std::wstring>& paths) {
    pictures_.clear();
    for (const std::wstring& p : paths) pictures_.push_back(ScaledPicture::Load(p));
    position_ = std::clamp(position_, 0, std::max(0, Positions() - 1));
    Redraw();
}

void CBitmapSlider::SetPosition(int position) {
    position = std::clamp(position, 0, std::max(0, Positions() - 1));
    if (position == position_) return;
    position_ = position;
    Redraw();
}

void CBitmapSlider::MoveTo(int position) {
    position = std::clamp(position, 0, std::max(0, Positions() - 1));
    if (position == position_) return;
    position_ = position;
    Redraw();
    UpdateWindow(hwnd_);
    SendMessageW(GetParent(hwnd_), MSG_SLIDER, static_cast<WPARAM>(position_), reinterpret_cast<LPARAM>(hwnd_));
}

// The knob's travel leaves half a knob (the control's height) free at each end.
int CBitmapSlider::PositionAt(int x) const {
    RECT r;
    GetClientRect(hwnd_, &r);
    const int margin = static_cast<int>(r.bottom) / 2;
    const int travel = std::max(1, static_cast<int>(r.right) - 2 * margin);
    const int steps = std::max(1, Positions() - 1);
    return (std::clamp(x - margin, 0, travel) * steps * 2 + travel) / (2 * travel);
}

void CBitmapSlider::Paint(HDC dc, const RECT&) {
    if (position_ < Positions()) pictures_[static_cast<std::size_t>(position_)].Draw(dc, 0, 0, Dpi());
}

LRESULT CBitmapSlider::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
            SetFocus(hwnd_);
            dragging_ = true;
            SetCapture(hwnd_);
            MoveTo(PositionAt(GET_X_LPARAM(lParam)));
            return 0;
        case WM_MOUSEMOVE:
            if (dragging_) MoveTo(PositionAt(GET_X_LPARAM(lParam)));
            return CSkinWidget::WindowProc(message, wParam, lParam);
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (dragging_) {
                dragging_ = false;
                if (message == WM_LBUTTONUP) ReleaseCapture();
            }
            return 0;
        case WM_GETDLGCODE: return DLGC_WANTARROWS;
        case WM_KEYDOWN:
            if (wParam == VK_LEFT || wParam == VK_DOWN) MoveTo(position_ - 1);
            if (wParam == VK_RIGHT || wParam == VK_UP) MoveTo(position_ + 1);
            if (wParam == VK_HOME) MoveTo(0);
            if (wParam == VK_END) MoveTo(Positions() - 1);
            return 0;
        default: return CSkinWidget::WindowProc(message, wParam, lParam);
    }
}

}  // namespace kv::widgets
