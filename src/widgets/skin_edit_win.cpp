#include "widgets/skin_edit_win.h"

#include <algorithm>

namespace kv::widgets {

bool CSkinEdit::Create(HWND parent, int id, DWORD extraStyle) {
    // Multi-line in form only: it lets the text rectangle be placed, so one line sits in the middle.
    HWND edit = CreateWindowExW(0, L"EDIT", L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_MULTILINE | ES_AUTOHSCROLL | extraStyle,
                                0, 0, 10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    if (!edit || !Adopt(edit)) return false;
    CentreText();
    return true;
}

void CSkinEdit::FontChanged() { CentreText(); }

Colour CSkinEdit::FrameColourNow() const {
    if (!IsWindowEnabled(hwnd_)) return kSkinPalette.grid;
    return GetFocus() == hwnd_ ? kSkinPalette.accent : kSkinPalette.edge;
}

void CSkinEdit::CentreText() {
    if (!hwnd_) return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int fontHeight = FontHeight();
    const int top = std::max(0, static_cast<int>((client.bottom - fontHeight) / 2));
    RECT text{client.left + Scale(6), top, client.right - Scale(6), top + fontHeight};
    SendMessageW(hwnd_, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&text));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT CSkinEdit::ControlProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: {
            const LRESULT result = Default(message, wParam, lParam);
            CentreText();
            return result;
        }
        case WM_NCPAINT: {
            HDC dc = GetWindowDC(hwnd_);
            RECT frame{};
            GetWindowRect(hwnd_, &frame);
            OffsetRect(&frame, -frame.left, -frame.top);
            FrameColour(dc, frame, FrameColourNow());
            ReleaseDC(hwnd_, dc);
            return 0;
        }
        case WM_PAINT: {
            // Some edit controls take the border into their client area and draw it there themselves, in
            // the system's light frame colour: the skin's frame goes over it once they have painted.
            const LRESULT result = Default(message, wParam, lParam);
            if (!(GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_BORDER)) {
                HDC dc = GetDC(hwnd_);
                RECT client{};
                GetClientRect(hwnd_, &client);
                FrameColour(dc, client, FrameColourNow());
                ReleaseDC(hwnd_, dc);
            }
            return result;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE: {
            const LRESULT result = Default(message, wParam, lParam);
            RedrawWindow(hwnd_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
            return result;
        }
        case WM_GETDLGCODE:
            // A one-line field: Tab, Enter and Esc stay the dialog's.
            return Default(message, wParam, lParam) & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) return 0;  // one line only
            break;
        case WM_CHAR:
            if (wParam == VK_RETURN || wParam == L'\n') return 0;
            break;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

bool CSkinEdit::ParentProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if ((message != WM_CTLCOLOREDIT && message != WM_CTLCOLORSTATIC) || reinterpret_cast<HWND>(lParam) != hwnd_)
        return false;
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, IsWindowEnabled(hwnd_) ? kSkinPalette.text : kSkinPalette.faintText);
    SetBkColor(dc, kSkinPalette.face);
    result = reinterpret_cast<LRESULT>(SolidBrushOf(kSkinPalette.face));
    return true;
}

}  // namespace kv::widgets
