// CPictureButton: a self-drawn button showing one of two skin pictures, "off" and "on" (a direction that
// is chosen, a toggle that is set, a colour that is picked). A click is reported to the parent as
// WM_COMMAND BN_CLICKED; the parent decides what "on" means and sets it.
#pragma once

#include "widgets/scaled_picture_win.h"
#include "widgets/skin_widget_win.h"

namespace kv::widgets {

class CPictureButton : public CSkinWidget {
public:
    void SetPictures(const std::wstring& offPath, const std::wstring& onPath);
    void SetOn(bool on);
    [[nodiscard]] bool IsOn() const { return on_; }

protected:
    void Paint(HDC dc, const RECT& rect) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    ScaledPicture off_, on_picture_;
    bool on_ = false;
    bool pressed_ = false;
};

}  // namespace kv::widgets
