#include "widgets/skin_widget_win.h"

#include "skin/base_dialog.h"

namespace kv::widgets {
namespace {

constexpr wchar_t kClassName[] = L"KvSkinWidget";

ATOM RegisterWidgetClass(WNDPROC proc) {
    static const ATOM atom = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_HAND);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    return atom;
}

}  // namespace

CSkinWidget::~CSkinWidget() { Destroy(); }

bool CSkinWidget::Create(HWND parent, int id, DWORD extraStyle) {
    if (hwnd_ != nullptr) return true;
    if (RegisterWidgetClass(&StaticProc) == 0) return false;
    id_ = id;
    hwnd_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | extraStyle, 1, 1, 1, 1, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), this);
    return hwnd_ != nullptr;
}

void CSkinWidget::Destroy() {
    if (hwnd_ == nullptr) return;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

void CSkinWidget::Show(bool shown) const {
    if (hwnd_ != nullptr) ShowWindow(hwnd_, shown ? SW_SHOWNA : SW_HIDE);
}

void CSkinWidget::Redraw() const {
    if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

int CSkinWidget::Dpi() const {
    const CBaseDialog* dialog = hwnd_ != nullptr ? CBaseDialog::FromHandle(GetParent(hwnd_)) : nullptr;
    return dialog != nullptr ? dialog->Dpi() : 96;
}

void CSkinWidget::NotifyClicked() const {
    SendMessageW(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(id_, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd_));
}

void CSkinWidget::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT rect;
    GetClientRect(hwnd_, &rect);
    const int w = rect.right, h = rect.bottom;
    if (w > 0 && h > 0) {
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
        HGDIOBJ old = SelectObject(mem, bitmap);
        if (!CBaseDialog::PaintBackgroundBehind(hwnd_, mem, rect)) {
            HBRUSH back = CreateSolidBrush(RGB(24, 26, 30));
            FillRect(mem, &rect, back);
            DeleteObject(back);
        }
        Paint(mem, rect);
        BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteObject(bitmap);
        DeleteDC(mem);
    }
    EndPaint(hwnd_, &ps);
}

LRESULT CSkinWidget::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_MOUSEMOVE:
            if (!hover_) {
                hover_ = true;
                TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd_, 0};
                TrackMouseEvent(&t);
                Redraw();
            }
            return 0;
        case WM_MOUSELEAVE:
            hover_ = false;
            Redraw();
            return 0;
        default: return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

LRESULT CALLBACK CSkinWidget::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<CSkinWidget*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CSkinWidget*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self != nullptr ? self->WindowProc(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace kv::widgets
