// CSkinCheck: a check box or radio button drawn in the skin's colours (a box or ring, filled with the
// accent colour when checked), with an optional caption right of it. Radio buttons joined in a group
// uncheck each other and move between each other with the arrow keys; Space toggles or checks.
//
// Usage:
//   CSkinCheck keyboard, mouse;                           // members of the window
//   keyboard.Attach(GetDlgItem(dialog, IDC_KB), CSkinCheck::Kind::Radio);   // or Create(...)
//   mouse.Attach(GetDlgItem(dialog, IDC_MOUSE), CSkinCheck::Kind::Radio);
//   CSkinCheck::Group({&keyboard, &mouse});
//   keyboard.SetChecked(true);
// The window reacts to BN_CLICKED; by then the state has changed (a check box toggled, a radio button
// checked and its group unchecked). BM_GETCHECK and BM_SETCHECK work as on any button.
#pragma once

#include <windows.h>

#include <vector>

#include "widgets/widget_base_win.h"

namespace kv::widgets {

class CSkinCheck : public CWidget {
public:
    enum class Kind { Check, Radio };

    [[nodiscard]] bool Attach(HWND button, Kind kind);
    [[nodiscard]] bool Create(HWND parent, int id, Kind kind, const wchar_t* caption = L"");
    static void Group(const std::vector<CSkinCheck*>& members);

    void SetChecked(bool checked);
    [[nodiscard]] bool IsChecked() const { return checked_; }
    [[nodiscard]] Kind GetKind() const { return kind_; }

protected:
    LRESULT ControlProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool ParentProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Draw(HDC dc, const RECT& rect, bool focused, bool pressed);
    void CheckFromUser();
    CSkinCheck* NextInGroup(int step) const;

    Kind kind_ = Kind::Check;
    bool checked_ = false;
    bool hover_ = false;
    std::vector<CSkinCheck*> group_;
};

}  // namespace kv::widgets
