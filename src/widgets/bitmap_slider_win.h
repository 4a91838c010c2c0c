// CBitmapSlider: a slider drawn from one skin picture per position (the track filled up to the knob). A
// click or a drag moves it to the nearest position, the arrow keys step it; every change of position is
// sent to the parent as MSG_SLIDER with the position in wParam and the slider's window in lParam.
#pragma once

#include <string>
#include <vector>

#include "widgets/scaled_picture_win.h"
#include "widgets/skin_widget_win.h"

namespace kv::widgets {

class CBitmapSlider : public CSkinWidget {
public:
    // One picture per position, position 0 first.
    void SetPictures(const std::vector<std::wstring>& paths);
    // Shows the position without telling the parent.
    void SetPosition(int position);
    [[nodiscard]] int Position() const { return position_; }
    [[nodiscard]] int Positions() const { return static_cast<int>(pictures_.size()); }

protected:
    void Paint(HDC dc, const RECT& rect) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void MoveTo(int position);  // and tell the parent
    int PositionAt(int x) const;

    std::vector<ScaledPicture> pictures_;
    int position_ = 0;
    bool dragging_ = false;
};

}  // namespace kv::widgets
