// CColourButton: a swatch of its colour in a rounded frame. A click is reported to the parent as
// WM_COMMAND BN_CLICKED; Pick() then opens the system's colour picker on the colour (with the picker's
// sixteen custom colours kept for the run) and takes the user's choice.
#pragma once

#include <cstdint>

#include "widgets/skin_widget_win.h"

namespace kv::widgets {

class CColourButton : public CSkinWidget {
public:
    // Colours are red | green << 8 | blue << 16, as COLORREF.
    void SetColour(uint32_t colour);
    [[nodiscard]] uint32_t Colour() const { return colour_; }
    // Runs the colour picker modally over the owner; true when the user chose a colour (now the button's).
    [[nodiscard]] bool Pick(HWND owner);

protected:
    void Paint(HDC dc, const RECT& rect) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    uint32_t colour_ = 0;
};

}  // namespace kv::widgets
