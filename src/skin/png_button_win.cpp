#include "skin/png_button.h"

#include <commctrl.h>
#include <windowsx.h>

#include <iterator>

#include "skin/base_dialog.h"
#include "skin/dpi_scale.h"
#include "skin/mem_dc.h"
#include "skin/text_fit_win.h"
#include "skin/window_dpi.h"

using kv::skin::ButtonLook;
using kv::skin::ScaleToDpi;

namespace {

constexpr UINT_PTR kSubclassId = 0x4B50;  // one subclass per button
constexpr wchar_t kPropButton[] = L"Kelvane.CPngButton";
constexpr UINT kTooltipDelayMs = 300;

void EnsureCommonControls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

COLORREF ColourOf(const CaptionColours& c, ButtonLook look) {
    switch (look) {
        case ButtonLook::Disabled: return c.disabled;
        case ButtonLook::Pressed: return c.pressed;
        case ButtonLook::Hover: return c.hover;
        case ButtonLook::Checked: return c.checked;
        case ButtonLook::Normal: break;
    }
    return c.normal;
}

TOOLINFOW ToolInfo(HWND button) {
    TOOLINFOW info{};
    // The older layout is understood by every version of the common controls.
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = button;
    info.uId = 1;
    GetClientRect(button, &info.rect);
    return info;
}

}  // namespace

CPngButton::~CPngButton() { Detach(); }

bool CPngButton::SubclassDlgItem(int id, HWND parent) { return Attach(GetDlgItem(parent, id)); }

bool CPngButton::Attach(HWND button) {
    if (!button || hwnd_) return false;
    if (!SetWindowSubclass(button, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
    hwnd_ = button;
    SetPropW(button, kPropButton, this);
    // Owner-drawn from now on; the button type bits are replaced, the rest of the style stays.
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    return true;
}

bool CPngButton::Create(HWND parent, int id, const wchar_t* text, const RECT& rect, DWORD style) {
    HWND button = CreateWindowExW(0, L"BUTTON", text ? text : L"", style | BS_OWNERDRAW, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                  nullptr);
    if (!button) return false;
    if (!Attach(button)) {
        DestroyWindow(button);
        return false;
    }
    return true;
}

void CPngButton::Detach() {
    RemoveTooltip();
    if (hwnd_) {
        RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
        RemovePropW(hwnd_, kPropButton);
        hwnd_ = nullptr;
    }
}

CPngButton* CPngButton::FromHandle(HWND button) {
    return button ? static_cast<CPngButton*>(GetPropW(button, kPropButton)) : nullptr;
}

bool CPngButton::ReflectDrawItem(LPARAM drawItem) {
    const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(drawItem);
    if (!dis || dis->CtlType != ODT_BUTTON) return false;
    CPngButton* button = FromHandle(dis->hwndItem);
    if (!button) return false;
    button->DrawItem(dis->hDC, dis->rcItem, (dis->itemState & ODS_SELECTED) != 0);
    return true;
}

void CPngButton::SetSkin(int originX, int originY, const SkinLooks& looks, bool redraw) {
    originX_ = originX;
    originY_ = originY;
    SetImages(looks, redraw);
}

void CPngButton::SetImages(const SkinLooks& looks, bool redraw) {
    looks_ = looks;
    hover_ = false;
    pressed_ = false;
    tracking_ = false;
    if (redraw) Redraw();
}

void CPngButton::SetOrigin(int originX, int originY, bool redraw) {
    originX_ = originX;
    originY_ = originY;
    if (redraw) Redraw();
}

void CPngButton::SetChecked(bool checked, bool redraw) {
    checked_ = checked;
    if (redraw) Redraw();
}

void CPngButton::SetFrame(COLORREF colour, bool on) {
    frameColour_ = colour;
    frame_ = on;
    Redraw();
}

void CPngButton::SetCaptionStyle(bool drawCaption, int size, const wchar_t* face, const CaptionColours& colours,
                                 UINT format) {
    caption_ = drawCaption;
    captionSize_ = size;
    captionFace_ = face ? face : L"";
    captionColours_ = colours;
    captionFormat_ = format;
    Redraw();
}

void CPngButton::SetCaptionRotation(int escapement, bool rotated) {
    escapement_ = escapement;
    rotated_ = rotated;
    Redraw();
}

void CPngButton::SetCaptionMargins(int left, int right, int top, int bottom) {
    captionMargins_ = RECT{left, top, right, bottom};
    Redraw();
}

void CPngButton::Redraw() {
    if (!hwnd_) return;
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void CPngButton::DrawItem(HDC target, const RECT& rect, bool selected) {
    if (!hwnd_) return;
    pressed_ = selected;
    const int dpi = kv::skin::WindowDpi(hwnd_);
    const ButtonLook look = kv::skin::ChooseLook(!IsWindowEnabled(hwnd_), pressed_, hover_, checked_);
    {
        CMyMemDC dc(target, rect, true);
        if (frame_) {
            DrawFrame(dc, rect, dpi);
        } else if (kv::skin::SkinSurface* surface = looks_[static_cast<size_t>(look)]) {
            if (HDC source = surface->Prepare()) {
                // The images lie one skin pixel up and left of the buttons (see the layout files).
                const kv::skin::SkinPoint cut = kv::skin::PictureCutOrigin(originX_, originY_);
                BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, source,
                       ScaleToDpi(cut.x, dpi), ScaleToDpi(cut.y, dpi), SRCCOPY);
            }
        }
        if (caption_) DrawCaption(dc, rect, look, dpi);
    }
    lastLook_ = look;
    // "Normal" means the picture itself: a look that shares the normal image counts as normal.
    const bool normalImage = looks_[static_cast<size_t>(look)] == looks_[static_cast<size_t>(ButtonLook::Normal)];
    if (paintCallback_) paintCallback_(hwnd_, normalImage);
}

void CPngButton::DrawFrame(HDC dc, const RECT& rect, int dpi) {
    // Inside the frame the window's own background shows, never one of the button's pictures.
    if (!CBaseDialog::PaintBackgroundBehind(hwnd_, dc, rect)) {
        HBRUSH none = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        FillRect(dc, &rect, none);
    }
    const int t = ScaleToDpi(2, dpi);
    HBRUSH brush = CreateSolidBrush(frameColour_);
    const RECT edges[4] = {
        {rect.left, rect.top, rect.right, rect.top + t},
        {rect.left, rect.bottom - t, rect.right, rect.bottom},
        {rect.left, rect.top + t, rect.left + t, rect.bottom - t},
        {rect.right - t, rect.top + t, rect.right, rect.bottom - t},
    };
    for (const RECT& e : edges) FillRect(dc, &e, brush);
    DeleteObject(brush);
}

namespace {

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(HDC dc, const wchar_t* face) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    EnumFontFamiliesExW(dc, &lf, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

bool HasIdeographs(const wchar_t* text, int length) {
    for (int i = 0; i < length; ++i)
        if (text[i] >= 0x2E80) return true;
    return false;
}

// The caption's face, or, when that face is not on this system and the text is Chinese, the first face
// that is and covers Chinese: a missing face must not turn the texts into empty boxes.
}  // namespace

std::wstring CPngButton::FaceForText(HDC dc, const std::wstring& face, const wchar_t* text, int length) {
    if (!HasIdeographs(text, length) || FaceInstalled(dc, face.c_str())) return face;
    static const wchar_t* const kChineseFaces[] = {L"Microsoft YaHei", L"SimSun", L"Noto Sans CJK SC",
                                                   L"WenQuanYi Micro Hei", L"Droid Sans Fallback"};
    for (const wchar_t* candidate : kChineseFaces)
        if (FaceInstalled(dc, candidate)) return candidate;
    return face;
}

void CPngButton::DrawCaption(HDC dc, const RECT& clientRect, ButtonLook look, int dpi) {
    wchar_t text[260] = {};
    const int length = GetWindowTextW(hwnd_, text, static_cast<int>(std::size(text)));
    if (length <= 0) return;
    RECT rect{clientRect.left + ScaleToDpi(captionMargins_.left, dpi),
              clientRect.top + ScaleToDpi(captionMargins_.top, dpi),
              clientRect.right + ScaleToDpi(captionMargins_.right, dpi),
              clientRect.bottom + ScaleToDpi(captionMargins_.bottom, dpi)};
    // Points to pixels at the window's own density (the caption grows with the skin).
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(captionSize_, dpi, 72);
    lf.lfEscapement = escapement_;
    lf.lfOrientation = escapement_;
    lf.lfWeight = rotated_ ? 956 : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lf.lfPitchAndFamily = FF_SWISS;
    lstrcpynW(lf.lfFaceName, FaceForText(dc, captionFace_, text, length).c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColourOf(captionColours_, look));
    if (rotated_) {
        SIZE extent{};
        GetTextExtentPoint32W(dc, text, length, &extent);
        const kv::skin::CaptionRect moved = kv::skin::CentreRotatedCaption(
            {rect.left, rect.top, rect.right, rect.bottom}, extent.cx, extent.cy, escapement_);
        rect = RECT{moved.left, moved.top, moved.right, moved.bottom};
    }
    // A one-line caption longer than its button (a long translation) is drawn smaller before it is cut.
    HFONT smaller = nullptr;
    if (!rotated_ && (captionFormat_ & DT_SINGLELINE))
        smaller = kv::skin::SmallerFontToFit(dc, text, length, rect.right - rect.left);
    if (smaller) SelectObject(dc, smaller);
    DrawTextW(dc, text, length, &rect, captionFormat_ | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    if (smaller) DeleteObject(smaller);
}

void CPngButton::SetTooltip(const wchar_t* text, bool active) {
    if (!hwnd_ || !text || !*text) return;
    EnsureCommonControls();
    tooltipText_ = text;
    TOOLINFOW info = ToolInfo(hwnd_);
    info.lpszText = tooltipText_.data();
    if (!tooltip_) {
        tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        if (!tooltip_) return;
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    } else {
        SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
    }
    SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(kTooltipDelayMs, 0));
    SendMessageW(tooltip_, TTM_ACTIVATE, active ? TRUE : FALSE, 0);
    FitTooltipFont();
}

// The system's tip font need not have Chinese characters (it shows empty boxes where no font linking
// fills them in): a Chinese tip gets the system's tip font in a face that has them. Once the tip has a font
// of ours it keeps one (the system's face again for other texts): a tip control may ignore a reset to none.
void CPngButton::FitTooltipFont() {
    const int length = static_cast<int>(tooltipText_.size());
    const bool chinese = HasIdeographs(tooltipText_.c_str(), length);
    if (!chinese && tooltipFont_ == nullptr) return;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return;
    if (chinese) {
        HDC dc = GetDC(tooltip_);
        // A face that cannot be on the system, so that the first installed Chinese face is chosen.
        const std::wstring face = FaceForText(dc, L"?", tooltipText_.c_str(), length);
        ReleaseDC(tooltip_, dc);
        if (face != L"?") lstrcpynW(metrics.lfStatusFont.lfFaceName, face.c_str(), LF_FACESIZE);
    }
    HFONT font = CreateFontIndirectW(&metrics.lfStatusFont);
    if (font == nullptr) return;
    SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (tooltipFont_ != nullptr) DeleteObject(tooltipFont_);
    tooltipFont_ = font;
}

void CPngButton::SetTooltipOnDemand(const wchar_t* text) {
    if (!hwnd_ || !text || !*text) return;
    if (tooltip_) {
        SetTooltip(text, true);
        return;
    }
    tooltipText_ = text;
    tooltipPending_ = true;
}

void CPngButton::RemoveTooltip() {
    if (tooltip_) {
        DestroyWindow(tooltip_);
        tooltip_ = nullptr;
    }
    if (tooltipFont_) {
        DeleteObject(tooltipFont_);
        tooltipFont_ = nullptr;
    }
}

void CPngButton::UpdateTooltipRect() {
    if (!tooltip_) return;
    TOOLINFOW info = ToolInfo(hwnd_);
    SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CPngButton::RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!tooltip_) return;
    MSG msg{};
    msg.hwnd = hwnd_;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = static_cast<DWORD>(GetMessageTime());
    const DWORD pos = GetMessagePos();
    msg.pt = POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
    SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

LRESULT CALLBACK CPngButton::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) {
    auto* self = reinterpret_cast<CPngButton*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        RemovePropW(hwnd, kPropButton);
        self->tooltip_ = nullptr;  // destroyed with its owner
        self->hwnd_ = nullptr;
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    return self->WindowProc(message, wParam, lParam);
}

LRESULT CPngButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = hwnd_;
    if (message == WM_MOUSEMOVE && tooltipPending_) {
        tooltipPending_ = false;
        const std::wstring text = tooltipText_;
        SetTooltip(text.c_str(), true);
    }
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) RelayToTooltip(message, wParam, lParam);
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        // An owner-drawn button has no check state of its own: the checked look answers for it, so the
        // platform's accessibility and tools outside see what the button shows.
        case BM_GETCHECK: return checked_ ? BST_CHECKED : BST_UNCHECKED;
        case BM_SETCHECK: SetChecked(wParam == BST_CHECKED, true); return 0;
        case WM_PAINT: {
            // Painted here as well as through the parent's WM_DRAWITEM, so a button on any parent shows.
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT rect;
            GetClientRect(hwnd, &rect);
            const bool selected = (SendMessageW(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
            DrawItem(dc, rect, selected);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT rect;
            GetClientRect(hwnd, &rect);
            DrawItem(reinterpret_cast<HDC>(wParam), rect, (SendMessageW(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (!tracking_) {
                TRACKMOUSEEVENT tme{sizeof(tme), TME_HOVER | TME_LEAVE, hwnd, 1};
                tracking_ = TrackMouseEvent(&tme) != FALSE;
            }
            break;
        case WM_MOUSEHOVER:
            hover_ = true;
            Redraw();
            if (tooltip_ && !tooltipText_.empty()) {
                TOOLINFOW info = ToolInfo(hwnd);
                info.lpszText = tooltipText_.data();
                SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
                SendMessageW(tooltip_, TTM_ACTIVATE, TRUE, 0);
            }
            return 0;
        case WM_MOUSELEAVE:
            hover_ = false;
            tracking_ = false;
            Redraw();
            return 0;
        case WM_LBUTTONDBLCLK:
            // Two quick clicks are two clicks, not a click and a double click.
            return DefSubclassProc(hwnd, WM_LBUTTONDOWN, wParam, lParam);
        case WM_SIZE:
            UpdateTooltipRect();
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
