#include "widgets/skin_label_win.h"

#include <string>

#include "skin/base_dialog.h"
#include "skin/window_dpi.h"

namespace kv::widgets {

HFONT CreateSkinFont(HWND window, int points, const wchar_t* face, bool bold) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(points, kv::skin::WindowDpi(window), 72);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lf.lfPitchAndFamily = FF_SWISS;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

void DrawSkinLabel(const DRAWITEMSTRUCT& item, const LabelStyle& style) {
    HWND label = item.hwndItem;
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    if (!CBaseDialog::PaintBackgroundBehind(label, dc, rect)) FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
    const int length = GetWindowTextLengthW(label);
    if (length <= 0) return;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(label, text.data(), length + 1)));
    HFONT font = CreateSkinFont(label, style.points, style.face, style.bold);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(label) ? style.colour : RGB(0x7F, 0x7F, 0x7F));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, style.format | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
}

}  // namespace kv::widgets
