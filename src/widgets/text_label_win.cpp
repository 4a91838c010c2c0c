#include "widgets/text_label_win.h"

#include "skin/png_button.h"
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

// The text in its face (one that covers Chinese when the text is Chinese), made smaller down to 8 points
// when it does not fit on its line, then in 7 points on two lines, cut with an ellipsis only after that.
void CTextLabel::Paint(HDC dc, const RECT& rect) {
    const std::wstring face = CPngButton::FaceForText(dc, kWidgetFontFace, text_.c_str(), static_cast<int>(text_.size()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour_);
    const int length = static_cast<int>(text_.size());
    for (int points = pointSize_; points >= 7; --points) {
        LOGFONTW lf{};
        lf.lfHeight = -MulDiv(points, Dpi(), 72);
        lf.lfWeight = bold_ ? FW_BOLD : FW_NORMAL;
        lf.lfQuality = CLEARTYPE_QUALITY;
        lf.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
        HFONT font = CreateFontIndirectW(&lf);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32W(dc, text_.c_str(), length, &size);
        const bool fits = size.cx <= rect.right - rect.left;
        bool drawn = false;
        if (fits || points > 7) {
            if (fits) {
                RECT r = rect;
                DrawTextW(dc, text_.c_str(), length, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
                drawn = true;
            }
        } else {
            RECT measure = rect;
            DrawTextW(dc, text_.c_str(), length, &measure, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
            RECT r = rect;
            const int free = static_cast<int>((rect.bottom - rect.top) - (measure.bottom - measure.top));
            if (free > 0) r.top += free / 2;
            DrawTextW(dc, text_.c_str(), length, &r, DT_LEFT | DT_WORDBREAK | DT_END_ELLIPSIS | DT_NOPREFIX);
            drawn = true;
        }
        SelectObject(dc, old);
        DeleteObject(font);
        if (drawn) break;
    }
}

// A label takes no clicks: they go to whatever lies under it.
LRESULT CTextLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCHITTEST) return HTTRANSPARENT;
    if (message == WM_SETCURSOR) return DefWindowProcW(hwnd_, message, wParam, lParam);
    return CSkinWidget::WindowProc(message, wParam, lParam);
}

}  // namespace kv::widgets
