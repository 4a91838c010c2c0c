#include "widgets/skin_label_win.h"

#include "skin/text_fit_win.h"

namespace kv::widgets {

bool CSkinLabel::Attach(HWND label) {
    if (!Adopt(label)) return false;
    const LONG_PTR style = GetWindowLongPtrW(label, GWL_STYLE);
    SetWindowLongPtrW(label, GWL_STYLE, (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | SS_OWNERDRAW);
    InvalidateRect(label, nullptr, TRUE);
    return true;
}

bool CSkinLabel::Create(HWND parent, int id, const wchar_t* text) {
    HWND label = CreateWindowExW(0, L"STATIC", text ? text : L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, 0, 0, 10, 10,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                 nullptr);
    return label && Attach(label);
}

void CSkinLabel::SetAlign(Align align) {
    align_ = align;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CSkinLabel::SetBuddy(HWND buddy) {
    buddy_ = buddy;
    if (!hwnd_) return;
    const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, buddy ? (style | SS_NOTIFY) : (style & ~static_cast<LONG_PTR>(SS_NOTIFY)));
}

void CSkinLabel::SetColour(Colour colour) {
    colour_ = colour;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT CSkinLabel::ControlProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENABLE) InvalidateRect(hwnd_, nullptr, FALSE);
    // Without a buddy the label lets clicks through, so the window can still be dragged by it.
    if (message == WM_NCHITTEST && !buddy_) return HTTRANSPARENT;
    return Default(message, wParam, lParam);
}

bool CSkinLabel::ParentProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!item || item->hwndItem != hwnd_) return false;
        Draw(item->hDC, item->rcItem);
        result = TRUE;
        return true;
    }
    if (message == WM_COMMAND && reinterpret_cast<HWND>(lParam) == hwnd_ && HIWORD(wParam) == STN_CLICKED && buddy_ &&
        IsWindowEnabled(buddy_) && IsWindowVisible(buddy_)) {
        SetFocus(buddy_);
        SendMessageW(buddy_, BM_CLICK, 0, 0);
    }
    return false;
}

void CSkinLabel::Draw(HDC target, const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    RECT local{0, 0, width, height};
    PaintParentBehind(hwnd_, dc, local);
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(hwnd_, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    HGDIOBJ oldFont = SelectObject(dc, Font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(hwnd_) ? colour_ : kSkinPalette.faintText);
    UINT format = DT_NOPREFIX;
    switch (align_) {
        case Align::LeftWrapped: format |= DT_LEFT | DT_WORDBREAK; break;
        case Align::LeftSingle: format |= DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS; break;
        case Align::Centred: format |= DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS; break;
    }
    // One line longer than the label (a long translation) is drawn smaller before it is cut.
    HFONT smaller = align_ == Align::LeftWrapped ? nullptr : kv::skin::SmallerFontToFit(dc, text.c_str(), length, width);
    if (smaller) SelectObject(dc, smaller);
    DrawTextW(dc, text.c_str(), length, &local, format);
    SelectObject(dc, oldFont);
    if (smaller) DeleteObject(smaller);
    BitBlt(target, rect.left, rect.top, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

}  // namespace kv::widgets
