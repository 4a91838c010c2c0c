#include "widgets/skin_scroll_bar_win.h"

#include <windowsx.h>

#include <algorithm>

#include "skin/dpi_scale.h"
#include "skin/window_dpi.h"
#include "widgets/widget_base_win.h"

namespace kv::widgets {
namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 350;  // as the system's bar: a pause, then pages in quick succession
constexpr UINT kRepeatMs = 50;
constexpr Colour kThumb = Rgb(0x3a, 0x3f, 0x47);
constexpr Colour kThumbHover = Rgb(0x5a, 0x60, 0x69);

}  // namespace

bool CSkinScrollBar::Attach(HWND target, ScrollTo scrollTo) {
    if (!target || !GetParent(target)) return false;
    target_ = target;
    scrollTo_ = std::move(scrollTo);
    if (!Create(GetParent(target), 0)) return false;
    // The window leaves out what lies above it, so its own bar is never painted under this one.
    SetWindowLongPtrW(target, GWL_STYLE, GetWindowLongPtrW(target, GWL_STYLE) | WS_CLIPSIBLINGS);
    Sync();
    return true;
}

ScrollState CSkinScrollBar::State() const {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!target_ || !GetScrollInfo(target_, SB_VERT, &info)) return {};
    return {info.nMin, info.nMax, static_cast<int>(info.nPage), info.nPos};
}

int CSkinScrollBar::LeastThumb() const { return kv::skin::ScaleToDpi(24, kv::skin::WindowDpi(hwnd_)); }

int CSkinScrollBar::Track() const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    return std::max(0, static_cast<int>(client.bottom) - trackTop_);
}

void CSkinScrollBar::SetTrackTop(int pixels) {
    if (pixels == trackTop_) return;
    trackTop_ = std::max(0, pixels);
    Redraw();
}

void CSkinScrollBar::Sync(std::optional<bool> shown) {
    if (!hwnd_ || !target_) return;
    // The target's style, not its visibility on screen: a window built hidden shows its bar with it.
    const LONG_PTR style = GetWindowLongPtrW(target_, GWL_STYLE);
    const bool targetShown = shown ? *shown : (style & WS_VISIBLE) != 0;
    SCROLLBARINFO bar{};
    bool show = targetShown && ShownVerticalBar(target_, bar);
    RECT place = bar.rcScrollBar;
    if (show) {
        MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&place), 2);
        show = place.right > place.left && place.bottom > place.top;
    }
    if (show != shown_ || (show && !EqualRect(&place, &placed_))) {
        shown_ = show;
        placed_ = place;
        if (!show) {
            EndPress();
            ShowWindow(hwnd_, SW_HIDE);
        } else {
            SetWindowPos(hwnd_, HWND_TOP, place.left, place.top, place.right - place.left, place.bottom - place.top,
                         SWP_NOACTIVATE | SWP_SHOWWINDOW);
        }
    }
    const ScrollState now = State();
    if (now != drawn_) {
        drawn_ = now;
        if (shown_) Redraw();
    }
}

bool ShownVerticalBar(HWND window, SCROLLBARINFO& bar) {
    bar = SCROLLBARINFO{};
    bar.cbSize = sizeof bar;
    return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VSCROLL) && GetScrollBarInfo(window, OBJID_VSCROLL, &bar) &&
           !(bar.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN));
}

void PaintScrollStrip(HDC dc, const RECT& rect, const ThumbLook& look) {
    // The track in the list's own colour, so the bar reads as part of the list.
    FillColour(dc, rect, kSkinPalette.face);
    FillColour(dc, RECT{rect.left, rect.top, rect.left + 1, rect.bottom}, kSkinPalette.grid);
    if (look.trackTop > 0) {  // beside the list's header, its continuation
        FillColour(dc, RECT{rect.left, rect.top, rect.right, rect.top + look.trackTop}, kSkinPalette.headerFace);
        FillColour(dc, RECT{rect.left, rect.top + look.trackTop - 1, rect.right, rect.top + look.trackTop},
                   kSkinPalette.edge);
    }
    const int inset = std::max(2, kv::skin::ScaleToDpi(4, look.dpi));
    const int endGap = std::max(1, kv::skin::ScaleToDpi(2, look.dpi));
    RECT shape{rect.left + inset, rect.top + look.thumbTop + endGap, rect.right - inset + 1,
               rect.top + look.thumbBottom - endGap};
    if (shape.right <= shape.left || shape.bottom <= shape.top) return;
    const Colour colour = look.dragging ? kSkinPalette.accent : (look.hover ? kThumbHover : kThumb);
    HGDIOBJ oldBrush = SelectObject(dc, SolidBrushOf(colour));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    const int round = shape.right - shape.left;
    RoundRect(dc, shape.left, shape.top, shape.right, shape.bottom, round, round);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
}

void CSkinScrollBar::Paint(HDC dc, const RECT& rect) {
    const ThumbPlace thumb = ThumbOf(drawn_, Track(), LeastThumb());
    ThumbLook look;
    look.thumbTop = trackTop_ + thumb.offset;
    look.thumbBottom = trackTop_ + thumb.offset + thumb.length;
    look.trackTop = trackTop_;
    look.hover = hover_;
    look.dragging = dragging_;
    look.dpi = kv::skin::WindowDpi(hwnd_);
    PaintScrollStrip(dc, rect, look);
}

void CSkinScrollBar::PageTowards(int y) {
    // Pages toward the pressed point until the thumb reaches it, as the system's bar does.
    const ThumbPlace thumb = ThumbOf(State(), Track(), LeastThumb());
    if (y >= thumb.offset && y < thumb.offset + thumb.length) return;
    SendMessageW(target_, WM_VSCROLL, MAKEWPARAM(y < thumb.offset ? SB_PAGEUP : SB_PAGEDOWN, 0), 0);
    SendMessageW(target_, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
    Sync();
}

void CSkinScrollBar::EndPress() {
    if (pagingAt_ >= 0) KillTimer(hwnd_, kRepeatTimer);
    pagingAt_ = -1;
    const bool wasDragging = dragging_;
    dragging_ = false;
    if (GetCapture() == hwnd_) ReleaseCapture();
    if (wasDragging) Redraw();
}

LRESULT CSkinScrollBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            return TRUE;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            const int y = GET_Y_LPARAM(lParam) - trackTop_;
            const ThumbPlace thumb = ThumbOf(State(), Track(), LeastThumb());
            SetCapture(hwnd_);
            if (y >= thumb.offset && y < thumb.offset + thumb.length) {
                dragging_ = true;
                grab_ = y - thumb.offset;
                Redraw();
            } else {
                pagingAt_ = y;
                PageTowards(y);
                SetTimer(hwnd_, kRepeatTimer, kFirstRepeatMs, nullptr);
            }
            return 0;
        }
        case WM_TIMER:
            if (wParam == kRepeatTimer && pagingAt_ >= 0) {
                SetTimer(hwnd_, kRepeatTimer, kRepeatMs, nullptr);
                PageTowards(pagingAt_);
                return 0;
            }
            break;
        case WM_MOUSEMOVE:
            if (dragging_) {
                const int position =
                    PositionAtThumb(State(), Track(), LeastThumb(), GET_Y_LPARAM(lParam) - trackTop_ - grab_);
                if (position != State().pos && scrollTo_) scrollTo_(position);
                Sync();
                return 0;
            }
            if (pagingAt_ >= 0) {
                pagingAt_ = std::clamp(static_cast<int>(GET_Y_LPARAM(lParam)) - trackTop_, 0, Track());
                return 0;
            }
            break;  // the hover look
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
        case WM_CANCELMODE:
            EndPress();
            if (message == WM_LBUTTONUP) return 0;
            break;
        case WM_MOUSEWHEEL:
            // The wheel over the bar scrolls the list, as over the system's bar.
            return SendMessageW(target_, message, wParam, lParam);
        case WM_ERASEBKGND:
            return 1;
        case WM_NCDESTROY: {
            // Gone with its parent: nothing is left to destroy or to follow.
            HWND self = hwnd_;
            hwnd_ = nullptr;
            target_ = nullptr;
            return DefWindowProcW(self, message, wParam, lParam);
        }
        default:
            break;
    }
    return CSkinWidget::WindowProc(message, wParam, lParam);
}

}  // namespace kv::widgets
