#include "widgets/widget_base_win.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <vector>

#include "skin/base_dialog.h"
#include "skin/dpi_scale.h"
#include "skin/window_dpi.h"

namespace kv::widgets {
namespace {

constexpr UINT_PTR kControlSubclassId = 0x5749;  // "WI"
constexpr UINT_PTR kParentSubclassId = 0x5750;   // "WP": one per parent window, for all its widgets
constexpr wchar_t kPropWidget[] = L"Kelvane.Widget";
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// The widgets of each parent window (the windows' thread only).
std::map<HWND, std::vector<CWidget*>>& Families() {
    static std::map<HWND, std::vector<CWidget*>> families;
    return families;
}

}  // namespace

CWidget::~CWidget() {
    Detach();
    if (font_) DeleteObject(font_);
}

CWidget* CWidget::FromHandle(HWND control) {
    return control ? static_cast<CWidget*>(GetPropW(control, kPropWidget)) : nullptr;
}

bool CWidget::Adopt(HWND control) {
    if (!control || hwnd_) return false;
    HWND parent = GetParent(control);
    if (!SetWindowSubclass(control, ControlSubclass, kControlSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    // One subclass per parent window, shared by its widgets: the parent's messages reach only the widget
    // they are about.
    if (parent) {
        std::vector<CWidget*>& family = Families()[parent];
        if (family.empty() && !SetWindowSubclass(parent, ParentSubclass, kParentSubclassId, 0)) {
            Families().erase(parent);
            RemoveWindowSubclass(control, ControlSubclass, kControlSubclassId);
            return false;
        }
        family.push_back(this);
    }
    hwnd_ = control;
    parent_ = parent;
    SetPropW(control, kPropWidget, this);
    EnsureFont();
    return true;
}

void CWidget::Detach() {
    if (parent_) {
        auto it = Families().find(parent_);
        if (it != Families().end()) {
            std::vector<CWidget*>& family = it->second;
            family.erase(std::remove(family.begin(), family.end(), this), family.end());
            if (family.empty()) {
                RemoveWindowSubclass(parent_, ParentSubclass, kParentSubclassId);
                Families().erase(it);
            }
        }
    }
    if (hwnd_) {
        RemoveWindowSubclass(hwnd_, ControlSubclass, kControlSubclassId);
        RemovePropW(hwnd_, kPropWidget);
    }
    hwnd_ = nullptr;
    parent_ = nullptr;
}

void CWidget::SetFont(const wchar_t* face, int points, bool bold) {
    face_ = face ? face : kWidgetFontFace;
    points_ = points > 0 ? points : kWidgetFontPoints;
    bold_ = bold;
    fontDpi_ = 0;
    EnsureFont();
}

void CWidget::SetFace(const std::wstring& face) {
    if (face == face_) return;
    face_ = face;
    fontDpi_ = 0;
    EnsureFont();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

HFONT CWidget::Font() {
    EnsureFont();
    return font_;
}

int CWidget::Dpi() const { return hwnd_ ? kv::skin::WindowDpi(hwnd_) : kv::skin::kSkinDpi; }

int CWidget::Scale(int skinPixels) const { return kv::skin::ScaleToDpi(skinPixels, Dpi()); }

int CWidget::FontHeight() {
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, Font());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    return tm.tmHeight;
}

void CWidget::EnsureFont() {
    if (!hwnd_) return;
    const int dpi = Dpi();
    if (font_ && fontDpi_ == dpi) return;
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(points_, dpi, 72);
    lf.lfWeight = bold_ ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lf.lfPitchAndFamily = FF_SWISS;
    lstrcpynW(lf.lfFaceName, face_.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    if (!font) return;
    HFONT old = font_;
    font_ = font;
    fontDpi_ = dpi;
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (old) DeleteObject(old);
    FontChanged();
}

LRESULT CWidget::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(hwnd_, message, wParam, lParam);
}

LRESULT CWidget::ControlProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

bool CWidget::ParentProc(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CALLBACK CWidget::ControlSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
    auto* self = reinterpret_cast<CWidget*>(data);
    if (message == WM_NCDESTROY) {
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        self->Detach();
        return result;
    }
    // The skin framework moves controls after a density change; the font follows.
    if ((message == WM_WINDOWPOSCHANGED || message == kDpiChangedAfterParent) && self->font_ &&
        self->fontDpi_ != self->Dpi()) {
        self->EnsureFont();
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    return self->ControlProc(message, wParam, lParam);
}

LRESULT CALLBACK CWidget::ParentSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR) {
    auto it = Families().find(hwnd);
    if (it == Families().end()) return DefSubclassProc(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        for (CWidget* w : it->second) w->parent_ = nullptr;
        Families().erase(it);
        RemoveWindowSubclass(hwnd, ParentSubclass, kParentSubclassId);
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    // The control a message is about, when the message names one.
    HWND about = nullptr;
    bool anyWidget = false;  // a message about a window that is no widget (a combo's list) asks them all
    switch (message) {
        case WM_NOTIFY:
            about = lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
            break;
        case WM_DRAWITEM:
            about = lParam ? reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
            break;
        case WM_COMMAND:
            about = reinterpret_cast<HWND>(lParam);
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            about = reinterpret_cast<HWND>(lParam);
            anyWidget = true;
            break;
        case WM_MEASUREITEM:
            anyWidget = true;
            break;
        default:
            return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    CWidget* target = FromHandle(about);
    if (target && target->parent_ == hwnd) {
        if (target->hwnd_ && target->ParentProc(message, wParam, lParam, result)) return result;
    } else if (anyWidget) {
        const std::vector<CWidget*> family = it->second;  // a widget may go while it answers
        for (CWidget* w : family)
            if (w->hwnd_ && w->ParentProc(message, wParam, lParam, result)) return result;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

void SetTextIfChanged(HWND window, const std::wstring& text) {
    if (!window) return;
    const int length = GetWindowTextLengthW(window);
    if (length == static_cast<int>(text.size())) {
        std::wstring current(static_cast<size_t>(length) + 1, L'\0');
        GetWindowTextW(window, current.data(), length + 1);
        current.resize(static_cast<size_t>(length));
        if (current == text) return;
    }
    SetWindowTextW(window, text.c_str());
}

void ShowIfChanged(HWND window, bool visible) {
    if (!window) return;
    const bool now = (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
    if (now != visible) ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
}

void EnableIfChanged(HWND window, bool enabled) {
    if (window && (IsWindowEnabled(window) != FALSE) != enabled) EnableWindow(window, enabled ? TRUE : FALSE);
}

namespace {

// Would the window show if its top-level ancestor did? Hidden pages keep their controls hidden.
bool ShowsWith(HWND window, HWND top) {
    for (HWND w = window; w && w != top; w = GetParent(w))
        if (!(GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE)) return false;
    return true;
}

}  // namespace

void PaintAhead(HWND window) {
    if (!window) return;
    std::vector<HWND> windows{window};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    HDC screen = GetDC(window);
    HDC dc = CreateCompatibleDC(screen);
    for (HWND w : windows) {
        if (w != window && !ShowsWith(w, window)) continue;
        RECT client{};
        GetClientRect(w, &client);
        if (client.right <= 0 || client.bottom <= 0) continue;
        // A bitmap of the screen's kind, as the window's own paints draw into.
        HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
        if (!bitmap) continue;
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageW(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
        SelectObject(dc, old);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
    ReleaseDC(window, screen);
}

void EnsureCommonControls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

void FillColour(HDC dc, const RECT& rect, Colour colour) {
    const COLORREF old = SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void FrameColour(HDC dc, const RECT& r, Colour colour, int thickness) {
    const int t = thickness < 1 ? 1 : thickness;
    FillColour(dc, RECT{r.left, r.top, r.right, r.top + t}, colour);
    FillColour(dc, RECT{r.left, r.bottom - t, r.right, r.bottom}, colour);
    FillColour(dc, RECT{r.left, r.top + t, r.left + t, r.bottom - t}, colour);
    FillColour(dc, RECT{r.right - t, r.top + t, r.right, r.bottom - t}, colour);
}

HBRUSH SolidBrushOf(Colour colour) {
    static std::map<Colour, HBRUSH> brushes;  // a handful of palette colours, kept for the run
    auto it = brushes.find(colour);
    if (it != brushes.end()) return it->second;
    HBRUSH brush = CreateSolidBrush(colour);
    brushes.emplace(colour, brush);
    return brush;
}

namespace {
std::map<HWND, BackgroundPainter>& Painters() {
    static std::map<HWND, BackgroundPainter> painters;  // the windows' thread only
    return painters;
}
}  // namespace

void SetBackgroundPainter(HWND parent, BackgroundPainter painter) {
    if (painter)
        Painters()[parent] = std::move(painter);
    else
        Painters().erase(parent);
}

void PaintParentBehind(HWND control, HDC dc, const RECT& rect) {
    auto it = Painters().find(GetParent(control));
    if (it != Painters().end() && it->second(control, dc, rect)) return;
    if (!CBaseDialog::PaintBackgroundBehind(control, dc, rect)) FillColour(dc, rect, kSkinPalette.face);
}

HWND ReplaceControl(HWND templateControl, const wchar_t* windowClass, DWORD style, DWORD exStyle) {
    if (!templateControl) return nullptr;
    HWND parent = GetParent(templateControl);
    RECT r{};
    GetWindowRect(templateControl, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    const int id = GetDlgCtrlID(templateControl);
    const DWORD keep = static_cast<DWORD>(GetWindowLongPtrW(templateControl, GWL_STYLE)) &
                       (WS_VISIBLE | WS_DISABLED | WS_TABSTOP | WS_GROUP);
    HWND control = CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | keep | style, r.left, r.top,
                                   r.right - r.left, r.bottom - r.top, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    if (!control) return nullptr;
    // Same place in the tab order: right after the template control, which then goes.
    SetWindowPos(control, templateControl, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DestroyWindow(templateControl);
    return control;
}

}  // namespace kv::widgets
