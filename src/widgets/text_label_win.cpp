#include "widgets/text_label_win.h"

#include "widgets/widget_palette.h"

namespace kv::widgets {

void CTextLabel::SetText(const std::wstring& text) {
    if (text == text_) return;
    text_ = text;
    Redraw();
}

void CTextLabel::SetStyle(COLORREF colour, int pointSize, bool bold) {
    colour_ = colour;
    pointSize_ = pointSize;
    bold_ = bold;
    Redraw();
}

void CTextLabel::Paint(HDC dc, const RECT& rect) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(pointSize_, Dpi(), 72);
    lf.lfWeight = bold_ ? FW_BOLD : FW_NORMAL;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(lf.lfFaceName, kWidgetFontFace);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour_);
    RECT r = rect;
    DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
}

// A label takes no clicks: they go to whatever lies under it.
LRESULT CTextLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCHITTEST) return HTTRANSPARENT;
    if (message == WM_SETCURSOR) return DefWindowProcW(hwnd_, message, wParam, lParam);
    return CSkinWidget::WindowProc(message, wParam, lParam);
}

}  // namespace kv::widgets
