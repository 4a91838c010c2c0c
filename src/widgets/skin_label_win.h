// CSkinLabel: a static text drawn over the skinned background in the skin's colours (dim when disabled),
// left-aligned and wrapped, or centred on one line. A label may name a buddy control: a click on the
// label clicks the buddy (the caption of a check box or radio button).
//
// Usage:
//   CSkinLabel caption;                                    // a member of the window
//   caption.Attach(GetDlgItem(dialog, IDC_CAPTION));       // or Create(dialog, id)
//   caption.SetBuddy(GetDlgItem(dialog, IDC_CHECK));
//   SetWindowTextW(caption.GetSafeHwnd(), text);
#pragma once

#include <windows.h>

#include "widgets/widget_base_win.h"

namespace kv::widgets {

class CSkinLabel : public CWidget {
public:
    enum class Align { LeftWrapped, LeftSingle, Centred };

    [[nodiscard]] bool Attach(HWND label);
    [[nodiscard]] bool Create(HWND parent, int id, const wchar_t* text = L"");
    void SetAlign(Align align);
    void SetColour(Colour colour);
    void SetBuddy(HWND buddy);

protected:
    LRESULT ControlProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool ParentProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Draw(HDC dc, const RECT& rect);
    Align align_ = Align::LeftWrapped;
    Colour colour_ = kSkinPalette.text;
    HWND buddy_ = nullptr;
};

}  // namespace kv::widgets
