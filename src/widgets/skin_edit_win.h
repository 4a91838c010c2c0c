// CSkinEdit: a one-line text field in the skin's colours with a thin frame (the accent colour while it has
// the focus) and its text centred vertically in whatever height the layout gives it.
//
// Usage:
//   CSkinEdit count;                                     // a member of the window
//   count.Create(dialog, IDC_COUNT);                     // or count.Attach(GetDlgItem(dialog, IDC_COUNT))
//   kv::skin::PlaceControl(count.GetSafeHwnd(), layout, L"BUTTONINFO", L"...");
// The window reacts to EN_CHANGE as for any edit control.
#pragma once

#include <windows.h>

#include "widgets/widget_base_win.h"

namespace kv::widgets {

class CSkinEdit : public CWidget {
public:
    [[nodiscard]] bool Create(HWND parent, int id, DWORD extraStyle = 0);

protected:
    LRESULT ControlProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool ParentProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void FontChanged() override;

private:
    void CentreText();
    [[nodiscard]] Colour FrameColourNow() const;
};

}  // namespace kv::widgets
