#include "widgets/skin_check_win.h"

#include <objidl.h>

#include <algorithm>
#include <mutex>

// GDI+ needs min and max in scope, which NOMINMAX takes away.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace kv::widgets {
namespace {

// Round shapes are drawn smoothed; the drawing library is started once for the run.
bool EnsureDrawingLibrary() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    });
    return started;
}

Gdiplus::Color ColourOf(Colour c) {
    return Gdiplus::Color(255, static_cast<BYTE>(c & 0xFF), static_cast<BYTE>((c >> 8) & 0xFF),
                          static_cast<BYTE>((c >> 16) & 0xFF));
}

void RoundedBox(Gdiplus::GraphicsPath& path, Gdiplus::RectF r, float radius) {
    const float d = radius * 2;
    path.AddArc(r.X, r.Y, d, d, 180, 90);
    path.AddArc(r.X + r.Width - d, r.Y, d, d, 270, 90);
    path.AddArc(r.X + r.Width - d, r.Y + r.Height - d, d, d, 0, 90);
    path.AddArc(r.X, r.Y + r.Height - d, d, d, 90, 90);
    path.CloseFigure();
}

}  // namespace

bool CSkinCheck::Attach(HWND button, Kind kind) {
    kind_ = kind;
    if (!Adopt(button)) return false;
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    InvalidateRect(button, nullptr, TRUE);
    return true;
}

bool CSkinCheck::Create(HWND parent, int id, Kind kind, const wchar_t* caption) {
    HWND button = CreateWindowExW(0, L"BUTTON", caption ? caption : L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW,
                                  0, 0, 10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
    return button && Attach(button, kind);
}

void CSkinCheck::Group(const std::vector<CSkinCheck*>& members) {
    for (CSkinCheck* member : members)
        if (member) member->group_ = members;
}

void CSkinCheck::SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CSkinCheck::CheckFromUser() {
    if (kind_ == Kind::Check) {
        SetChecked(!checked_);
        return;
    }
    for (CSkinCheck* member : group_)
        if (member && member != this) member->SetChecked(false);
    SetChecked(true);
}

CSkinCheck* CSkinCheck::NextInGroup(int step) const {
    const auto self = std::find(group_.begin(), group_.end(), this);
    if (self == group_.end() || group_.size() < 2) return nullptr;
    const int count = static_cast<int>(group_.size());
    int index = static_cast<int>(self - group_.begin());
    for (int tried = 1; tried < count; ++tried) {
        index = (index + step + count) % count;
        CSkinCheck* candidate = group_[static_cast<size_t>(index)];
        HWND h = candidate ? candidate->GetSafeHwnd() : nullptr;
        if (h && IsWindowEnabled(h) && IsWindowVisible(h)) return candidate;
    }
    return nullptr;
}

LRESULT CSkinCheck::ControlProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case BM_GETCHECK:
            return checked_ ? BST_CHECKED : BST_UNCHECKED;
        case BM_SETCHECK:
            SetChecked(wParam == BST_CHECKED);
            return 0;
        case WM_GETDLGCODE:
            if (kind_ == Kind::Radio) return Default(message, wParam, lParam) | DLGC_WANTARROWS;
            break;
        case WM_KEYDOWN:
            if (kind_ == Kind::Radio && wParam >= VK_LEFT && wParam <= VK_DOWN) {
                CSkinCheck* next = NextInGroup(wParam == VK_LEFT || wParam == VK_UP ? -1 : 1);
                if (next) {
                    SetFocus(next->GetSafeHwnd());
                    SendMessageW(next->GetSafeHwnd(), BM_CLICK, 0, 0);
                }
                return 0;
            }
            break;
        case WM_LBUTTONDBLCLK:
            // A quick second click is a second click, not a double click.
            return Default(WM_LBUTTONDOWN, wParam, lParam);
        case WM_MOUSEMOVE:
            if (!hover_) {
                hover_ = true;
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd_, 0};
                TrackMouseEvent(&track);
                InvalidateRect(hwnd_, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            hover_ = false;
            InvalidateRect(hwnd_, nullptr, FALSE);
            break;
        case WM_ENABLE:
            InvalidateRect(hwnd_, nullptr, FALSE);
            break;
        default:
            break;
    }
    return Default(message, wParam, lParam);
}

bool CSkinCheck::ParentProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!item || item->hwndItem != hwnd_) return false;
        Draw(item->hDC, item->rcItem, (item->itemState & ODS_FOCUS) != 0, (item->itemState & ODS_SELECTED) != 0);
        result = TRUE;
        return true;
    }
    // The state changes before the window hears of the click.
    if (message == WM_COMMAND && reinterpret_cast<HWND>(lParam) == hwnd_ && HIWORD(wParam) == BN_CLICKED)
        CheckFromUser();
    return false;
}

void CSkinCheck::Draw(HDC target, const RECT& rect, bool focused, bool pressed) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    // Drawn off screen, then copied: no flicker over the skinned background.
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const RECT local{0, 0, width, height};
    PaintParentBehind(hwnd_, dc, local);

    const bool enabled = IsWindowEnabled(hwnd_) != FALSE;
    const int side = std::min(height, Scale(18));
    const float top = static_cast<float>((height - side) / 2);
    const float inset = 1.5f;
    Gdiplus::RectF box(inset, top + inset, static_cast<float>(side) - 2 * inset, static_cast<float>(side) - 2 * inset);
    if (EnsureDrawingLibrary()) {
        Gdiplus::Graphics g(dc);
        g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        const Colour edge = !enabled ? kSkinPalette.grid
                                     : (hover_ || focused || pressed) ? kSkinPalette.accent : kSkinPalette.edge;
        const Colour fill = checked_ && enabled ? kSkinPalette.accent : kSkinPalette.face;
        Gdiplus::SolidBrush fillBrush(ColourOf(checked_ && !enabled ? kSkinPalette.grid : fill));
        Gdiplus::Pen edgePen(ColourOf(edge), std::max(1.0f, static_cast<float>(Scale(1)) * 1.2f));
        if (kind_ == Kind::Check) {
            Gdiplus::GraphicsPath path;
            RoundedBox(path, box, static_cast<float>(Scale(4)));
            g.FillPath(&fillBrush, &path);
            g.DrawPath(&edgePen, &path);
            if (checked_) {
                Gdiplus::Pen mark(ColourOf(enabled ? kSkinPalette.accentDark : kSkinPalette.faintText),
                                  std::max(1.5f, static_cast<float>(Scale(2)) * 1.1f));
                mark.SetLineJoin(Gdiplus::LineJoinRound);
                mark.SetStartCap(Gdiplus::LineCapRound);
                mark.SetEndCap(Gdiplus::LineCapRound);
                const float s = box.Width;
                Gdiplus::PointF tick[3] = {{box.X + s * 0.24f, box.Y + s * 0.52f},
                                           {box.X + s * 0.43f, box.Y + s * 0.70f},
                                           {box.X + s * 0.77f, box.Y + s * 0.32f}};
                g.DrawLines(&mark, tick, 3);
            }
        } else {
            Gdiplus::SolidBrush face(ColourOf(kSkinPalette.face));
            g.FillEllipse(&face, box);
            g.DrawEllipse(&edgePen, box);
            if (checked_) {
                const float d = box.Width * 0.5f;
                g.FillEllipse(&fillBrush, box.X + (box.Width - d) / 2, box.Y + (box.Height - d) / 2, d, d);
            }
        }
    }
    // An optional caption right of the box.
    const int length = GetWindowTextLengthW(hwnd_);
    if (length > 0) {
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        GetWindowTextW(hwnd_, text.data(), length + 1);
        text.resize(static_cast<size_t>(length));
        HGDIOBJ oldFont = SelectObject(dc, Font());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, enabled ? kSkinPalette.text : kSkinPalette.faintText);
        RECT textRect{side + Scale(8), 0, width, height};
        DrawTextW(dc, text.c_str(), length, &textRect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        SelectObject(dc, oldFont);
    }
    BitBlt(target, rect.left, rect.top, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

}  // namespace kv::widgets
