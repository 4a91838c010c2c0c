#include "skin/text_fit_win.h"

#include <cstdlib>

#include "skin/text_fit.h"

namespace kv::skin {
namespace {

int WidthIn(HDC dc, const wchar_t* text, int length) {
    SIZE extent{};
    GetTextExtentPoint32W(dc, text, length, &extent);
    return extent.cx;
}

}  // namespace

HFONT SmallerFontToFit(HDC dc, const wchar_t* text, int length, int room) {
    if (!text || length <= 0) return nullptr;
    const int width = WidthIn(dc, text, length);
    if (width <= room) return nullptr;
    LOGFONTW lf{};
    HGDIOBJ current = GetCurrentObject(dc, OBJ_FONT);
    if (!current || GetObjectW(current, sizeof lf, &lf) != sizeof lf) return nullptr;
    const int sign = lf.lfHeight > 0 ? 1 : -1;  // negative (or none): the character height, as the skin's fonts
    int height = std::abs(lf.lfHeight);
    if (height == 0) {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        height = metrics.tmHeight - metrics.tmInternalLeading;
    }
    const int floor = SmallestTextHeight(height);
    HFONT font = nullptr;
    // A few steps at most: the first guess is close, rounding and hinting may ask for a pixel or two less.
    for (int tryHeight = HeightToFit(height, width, room); tryHeight >= floor; --tryHeight) {
        if (font) DeleteObject(font);
        lf.lfHeight = sign * tryHeight;
        font = CreateFontIndirectW(&lf);
        if (!font) return nullptr;
        HGDIOBJ old = SelectObject(dc, font);
        const int fitted = WidthIn(dc, text, length);
        SelectObject(dc, old);
        if (fitted <= room || tryHeight == floor) break;
    }
    return font;
}

}  // namespace kv::skin
