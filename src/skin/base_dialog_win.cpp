#include "skin/base_dialog.h"

#include <cstdint>
#include <vector>

#include "skin/dpi_scale.h"
#include "skin/mask_runs.h"
#include "skin/placement.h"
#include "skin/png_button.h"
#include "skin/window_dpi.h"

namespace {

constexpr wchar_t kPropDialog[] = L"Kelvane.CBaseDialog";

// A popup without controls, for skinned windows that create their controls themselves.
struct BlankTemplate {
    DLGTEMPLATE dialog;
    WORD menu;
    WORD windowClass;
    WORD title;
};
alignas(4) const BlankTemplate kBlankTemplate = {{WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0, 0, 0, 0}, 0, 0, 0};

std::wstring JoinPath(const std::wstring& directory, const std::wstring& name) {
    if (directory.empty()) return name;
    const wchar_t last = directory.back();
    return (last == L'\\' || last == L'/') ? directory + name : directory + L"\\" + name;
}

// The window's outline: one rectangle per run of mask pixels, handed to the system in one piece.
HRGN BuildRegion(const kv::skin::Picture& mask, int dpi) {
    std::vector<kv::skin::ScaledBox> runs = kv::skin::MaskRuns(mask.pixels.data(), mask.width, mask.height,
                                                               mask.width);
    if (dpi != kv::skin::kSkinDpi) runs = kv::skin::ScaleRuns(runs, dpi);
    if (runs.empty()) return nullptr;
    std::vector<BYTE> buffer(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(runs.size());
    data->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    RECT bounds{runs.front().left, runs.front().top, runs.front().right, runs.back().bottom};
    auto* rects = reinterpret_cast<RECT*>(data->Buffer);
    for (size_t i = 0; i < runs.size(); ++i) {
        const kv::skin::ScaledBox& r = runs[i];
        rects[i] = RECT{r.left, r.top, r.right, r.bottom};
        if (r.left < bounds.left) bounds.left = r.left;
        if (r.right > bounds.right) bounds.right = r.right;
    }
    data->rdh.rcBound = bounds;
    return ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data);
}

}  // namespace

CBaseDialog::CBaseDialog(UINT templateId, HWND parent, std::wstring layoutPath, std::wstring skinDirectory)
    : templateId_(templateId),
      parent_(parent),
      layoutPath_(std::move(layoutPath)),
      skinDirectory_(std::move(skinDirectory)) {}

CBaseDialog::~CBaseDialog() {
    if (m_hWnd && IsWindow(m_hWnd)) {
        RemovePropW(m_hWnd, kPropDialog);
        if (!modal_) DestroyWindow(m_hWnd);
    }
    m_hWnd = nullptr;
    FreeBitmaps();
}

const DLGTEMPLATE* CBaseDialog::Template() const {
    if (templateId_ == 0) return &kBlankTemplate.dialog;
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(templateId_), MAKEINTRESOURCEW(5));  // RT_DIALOG
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    return loaded ? static_cast<const DLGTEMPLATE*>(LockResource(loaded)) : nullptr;
}

INT_PTR CBaseDialog::DoModal() {
    const DLGTEMPLATE* dialogTemplate = Template();
    if (!dialogTemplate) return -1;
    modal_ = true;
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate, parent_, StaticDialogProc,
                                   reinterpret_cast<LPARAM>(this));
}

bool CBaseDialog::Create() {
    const DLGTEMPLATE* dialogTemplate = Template();
    if (!dialogTemplate || m_hWnd) return false;
    modal_ = false;
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate, parent_, StaticDialogProc,
                                      reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CBaseDialog::EndDialog(INT_PTR result) {
    if (!m_hWnd) return;
    if (modal_)
        ::EndDialog(m_hWnd, result);
    else
        DestroyWindow(m_hWnd);
}

CBaseDialog* CBaseDialog::FromHandle(HWND dialog) {
    return dialog ? static_cast<CBaseDialog*>(GetPropW(dialog, kPropDialog)) : nullptr;
}

INT_PTR CALLBACK CBaseDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CBaseDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CBaseDialog*>(lParam);
        self->m_hWnd = hwnd;
        SetPropW(hwnd, kPropDialog, self);
    } else {
        self = FromHandle(hwnd);
    }
    if (!self) return FALSE;
    const INT_PTR result = self->DialogProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        RemovePropW(hwnd, kPropDialog);
        self->m_hWnd = nullptr;
    }
    return result;
}

INT_PTR CBaseDialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(m_hWnd, &ps);
            PaintBackground(dc);
            EndPaint(m_hWnd, &ps);
            return TRUE;
        }
        case WM_PRINTCLIENT:
            PaintBackground(reinterpret_cast<HDC>(wParam));
            return TRUE;
        case WM_ERASEBKGND:
            // The background is painted whole in WM_PAINT.
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, 1);
            return TRUE;
        case WM_NCPAINT:
            return TRUE;  // no frame
        case WM_LBUTTONDOWN:
            // Dragging anywhere on the window moves it, as its caption would.
            ReleaseCapture();
            SendMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
            UpdateWindow(m_hWnd);
            return TRUE;
        case WM_DRAWITEM:
            if (CPngButton::ReflectDrawItem(lParam)) {
                SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case WM_COMMAND:
            if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) {
                if (LOWORD(wParam) == IDOK) {
                    OnOK();
                    return TRUE;
                }
                if (LOWORD(wParam) == IDCANCEL) {
                    OnCancel();
                    return TRUE;
                }
            }
            return FALSE;
        case 0x02E0: {  // WM_DPICHANGED
            const int oldDpi = dpi_;
            const int newDpi = HIWORD(wParam);
            if (newDpi == oldDpi || !background_) return TRUE;
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            ApplyDensity(newDpi);
            if (suggested)
                SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            kv::skin::ReplaceChildren(m_hWnd, oldDpi, newDpi);
            RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            OnDpiChanged(newDpi);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

BOOL CBaseDialog::OnInitDialog() {
    initialising_ = true;
    layout_.SetPath(layoutPath_);
    const std::wstring mainName = layout_.ReadString(L"SCREEN", L"Main", L"");
    const std::wstring maskName = layout_.ReadString(L"SCREEN", L"Mask", mainName.c_str());
    // Without its pictures the window cannot exist; the program ends quietly.
    background_ = mainName.empty() ? nullptr : kv::skin::DecodePictureFile(JoinPath(skinDirectory_, mainName));
    if (!background_) ExitProcess(0);
    mask_ = maskName.empty() ? nullptr : kv::skin::DecodePictureFile(JoinPath(skinDirectory_, maskName));
    if (!mask_) ExitProcess(0);

    // Frameless: the client area is the whole window, so the outline and the background line up.
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    SetWindowLongPtrW(m_hWnd, GWL_STYLE,
                      style & ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_DLGFRAME));
    const LONG_PTR exStyle = GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE,
                      exStyle & ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE |
                                                       WS_EX_STATICEDGE));
    SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    kv::skin::DisableDialogAutoScaling(m_hWnd);

    ApplyDensity(kv::skin::WindowDpi(m_hWnd));
    // Hidden until the modal loop or the owner shows it.
    SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    initialising_ = false;
    return TRUE;
}

void CBaseDialog::ApplyDensity(int dpi) {
    dpi_ = dpi;
    if (backgroundBitmap_) DeleteObject(backgroundBitmap_);
    backgroundBitmap_ = kv::skin::RenderPicture(*background_, dpi);
    backgroundSize_ = SIZE{kv::skin::ScaleToDpi(background_->width, dpi),
                           kv::skin::ScaleToDpi(background_->height, dpi)};
    RECT frame{0, 0, backgroundSize_.cx, backgroundSize_.cy};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)));
    SetWindowPos(m_hWnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A mask without a single window pixel would leave nothing to see or click: the window stays
    // rectangular instead.
    HRGN region = BuildRegion(*mask_, dpi);
    SetWindowRgn(m_hWnd, region, TRUE);  // the system owns the region from here on
}

void CBaseDialog::PaintBackground(HDC dc) const {
    if (!backgroundBitmap_) return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, backgroundBitmap_);
    BitBlt(dc, 0, 0, backgroundSize_.cx, backgroundSize_.cy, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

bool CBaseDialog::PaintBackgroundBehind(HWND child, HDC dc, const RECT& rect) {
    const CBaseDialog* dialog = FromHandle(GetParent(child));
    if (!dialog || !dialog->backgroundBitmap_) return false;
    POINT corner{0, 0};
    MapWindowPoints(child, dialog->m_hWnd, &corner, 1);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, dialog->backgroundBitmap_);
    BitBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, source, corner.x + rect.left,
           corner.y + rect.top, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    return true;
}

void CBaseDialog::FreeBitmaps() {
    if (backgroundBitmap_) DeleteObject(backgroundBitmap_);
    backgroundBitmap_ = nullptr;
    background_.reset();
    mask_.reset();
}

void CBaseDialog::OnOK() {
    FreeBitmaps();
    EndDialog(IDOK);
}

void CBaseDialog::OnCancel() { EndDialog(IDCANCEL); }
