#include "widgets/widget_base_win.h"

#include <commctrl.h>

#include <map>

#include "skin/base_dialog.h"
#include "skin/dpi_scale.h"
#include "skin/window_dpi.h"

namespace kv::widgets {
namespace {

constexpr UINT_PTR kControlSubclassId = 0x5749;  // "WI"
constexpr wchar_t kPropWidget[] = L"Kelvane.Widget";
constexpr UINT kDpiChangedAfterParent = 0x02E3;

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
    // One parent subclass per widget: its id is the widget's address.
    if (parent && !SetWindowSubclass(parent, ParentSubclass, reinterpret_cast<UINT_PTR>(this),
                                     reinterpret_cast<DWORD_PTR>(this))) {
        RemoveWindowSubclass(control, ControlSubclass, kControlSubclassId);
        return false;
    }
    hwnd_ = control;
    parent_ = parent;
    SetPropW(control, kPropWidget, this);
    EnsureFont();
    return true;
}

void CWidget::Detach() {
    if (parent_) RemoveWindowSubclass(parent_, ParentSubclass, reinterpret_cast<UINT_PTR>(this));
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

HFONT CWidget::Font() {
    EnsureFont();
    return font_;
}

int CWidget::Dpi() const { return hwnd_ ? kv::skin::WindowDpi(hwnd_) : kv::skin::kSkinDpi; }

int CWidget::Scale(int skinPixels) const { return kv::skin::ScaleToDpi(skinPixels, Dpi()); }

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

LRESULT CALLBACK CWidget::ParentSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data) {
    auto* self = reinterpret_cast<CWidget*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, ParentSubclass, id);
        if (self->parent_ == hwnd) self->parent_ = nullptr;
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    if (self->hwnd_ && self->ParentProc(message, wParam, lParam, result)) return result;
    return DefSubclassProc(hwnd, message, wParam, lParam);
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
