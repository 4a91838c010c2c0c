#include "skin/placement.h"

#include <algorithm>
#include <cstdint>

#include "skin/dpi_scale.h"
#include "skin/window_dpi.h"

namespace kv::skin {
namespace {

// The skin rectangle rides on the control as two window properties of two 16-bit halves each.
constexpr wchar_t kPropOrigin[] = L"Kelvane.SkinOrigin";
constexpr wchar_t kPropSize[] = L"Kelvane.SkinSize";
constexpr wchar_t kPropPlaced[] = L"Kelvane.SkinPlaced";  // set once placed; the others may be zero

uint16_t Half(int v) { return static_cast<uint16_t>(static_cast<int16_t>(std::clamp(v, -32768, 32767))); }
int Unhalf(uintptr_t packed, int shift) {
    return static_cast<int16_t>(static_cast<uint16_t>((packed >> shift) & 0xFFFF));
}
HANDLE Pack(int a, int b) {
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(Half(a)) | (static_cast<uintptr_t>(Half(b)) << 16));
}

void Remember(HWND control, const SkinRect& r) {
    SetPropW(control, kPropOrigin, Pack(r.x, r.y));
    SetPropW(control, kPropSize, Pack(r.width, r.height));
    SetPropW(control, kPropPlaced, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(1)));
}

void MoveTo(HWND control, const SkinRect& r, bool repaint) {
    const int dpi = WindowDpi(control);
    const ScaledBox box = ScaleBox(r.x, r.y, std::max(r.width, 0), std::max(r.height, 0), dpi);
    MoveWindow(control, box.left, box.top, box.right - box.left, box.bottom - box.top, repaint ? TRUE : FALSE);
}

}  // namespace

bool PlacedRect(HWND control, SkinRect& rect) {
    if (!GetPropW(control, kPropPlaced)) return false;
    const auto origin = reinterpret_cast<uintptr_t>(GetPropW(control, kPropOrigin));
    const auto size = reinterpret_cast<uintptr_t>(GetPropW(control, kPropSize));
    rect = SkinRect{Unhalf(origin, 0), Unhalf(origin, 16), Unhalf(size, 0), Unhalf(size, 16)};
    return true;
}

void PlaceAt(HWND control, const SkinRect& rect, bool repaint) {
    if (!control) return;
    Remember(control, rect);
    MoveTo(control, rect, repaint);
}

void PlaceButton(CPngButton& button, const CIniFile& layout, const wchar_t* section, const wchar_t* key,
                 const SkinLooks& looks) {
    HWND control = button.GetSafeHwnd();
    if (!control) return;
    const SkinRect r = layout.ReadRect(section, key);
    PlaceAt(control, r, false);
    button.SetSkin(r.x, r.y, looks, true);
    if (IsUnplaced(r)) EnableWindow(control, FALSE);
}

void PlaceControl(HWND control, const CIniFile& layout, const wchar_t* section, const wchar_t* key) {
    if (!control) return;
    PlaceAt(control, layout.ReadRect(section, key), false);
}

void MoveControl(HWND control, const CIniFile& layout, const wchar_t* section, const wchar_t* key) {
    if (!control) return;
    const SkinRect r = layout.ReadRect(section, key);
    SkinRect placed{};
    if (!PlacedRect(control, placed)) {
        // Never placed before: its present size, in skin pixels.
        RECT now{};
        GetWindowRect(control, &now);
        const int dpi = WindowDpi(control);
        placed.width = UnscaleFromDpi(now.right - now.left, dpi);
        placed.height = UnscaleFromDpi(now.bottom - now.top, dpi);
    }
    const SkinRect moved{r.x, r.y, placed.width, placed.height};
    Remember(control, moved);
    const int dpi = WindowDpi(control);
    SetWindowPos(control, nullptr, ScaleToDpi(r.x, dpi), ScaleToDpi(r.y, dpi), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
}

void PlaceArrow(CPngButton& button, const CIniFile& layout, const wchar_t* section, const wchar_t* key,
                const wchar_t* originSection, const wchar_t* originKey, SkinSurface* image) {
    HWND control = button.GetSafeHwnd();
    if (!control) return;
    const SkinRect r = layout.ReadRect(section, key);
    const SkinRect origin = layout.ReadRect(originSection, originKey);
    PlaceAt(control, r, false);
    button.SetSkin(origin.x, origin.y, SkinLooks{image, image, image, image, image}, true);
}

void ReplaceChildren(HWND dialog, int oldDpi, int newDpi) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SkinRect r{};
        if (PlacedRect(child, r)) {
            const ScaledBox box = ScaleBox(r.x, r.y, std::max(r.width, 0), std::max(r.height, 0), newDpi);
            SetWindowPos(child, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            continue;
        }
        RECT now{};
        GetWindowRect(child, &now);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&now), 2);
        SetWindowPos(child, nullptr, MulDiv(now.left, newDpi, oldDpi), MulDiv(now.top, newDpi, oldDpi),
                     MulDiv(now.right, newDpi, oldDpi) - MulDiv(now.left, newDpi, oldDpi),
                     MulDiv(now.bottom, newDpi, oldDpi) - MulDiv(now.top, newDpi, oldDpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void PlaceTextButtons(HWND dialog, const CIniFile& layout, std::span<const TextButton> buttons,
                      const SkinLooks& looks) {
    for (const TextButton& b : buttons) {
        (void)b.button.SubclassDlgItem(b.id, dialog);
        PlaceButton(b.button, layout, L"BUTTONINFO", b.key, looks);
        b.button.SetCaptionStyle(true, 10, L"Arial Unicode MS", kTextButtonColours,
                                 DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

}  // namespace kv::skin
