// CTextLabel: a line of text drawn over the skin's background (no box of its own), in a colour, left
// aligned and vertically centred, at the dialog's density.
#pragma once

#include <string>

#include "widgets/skin_widget_win.h"

namespace kv::widgets {

class CTextLabel : public CSkinWidget {
public:
    void SetText(const std::wstring& text);
    [[nodiscard]] const std::wstring& Text() const { return text_; }
    // Size in points at 96 pixels per inch.
    void SetStyle(COLORREF colour, int pointSize, bool bold);

protected:
    void Paint(HDC dc, const RECT& rect) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::wstring text_;
    COLORREF colour_ = RGB(200, 204, 210);
    int pointSize_ = 9;
    bool bold_ = false;
};

}  // namespace kv::widgets
