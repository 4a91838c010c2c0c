// CSkinCombo: a drop-down list drawn in the skin's colours, editable (a text field with a list, e.g. a
// list of names that can be renamed in place) or not (a plain choice).
//
// Usage:
//   CSkinCombo names;                                     // a member of the window
//   names.Create(dialog, IDC_NAMES, /*editable=*/true);   // or names.Replace(GetDlgItem(dialog, IDC_NAMES), true)
//   kv::skin::PlaceControl(names.GetSafeHwnd(), layout, L"BUTTONINFO", L"...");  // height includes the list
//   names.SetTextLimit(249);
//   names.AddItem(L"Macro1"); names.Select(0);
// The window reacts to CBN_SELCHANGE (an entry chosen) and CBN_EDITCHANGE (the text typed) as for any
// combo box; SetItemText renames an entry without disturbing the text being typed.
#pragma once

#include <windows.h>

#include <string>

#include "widgets/widget_base_win.h"

namespace kv::widgets {

class CSkinCombo : public CWidget {
public:
    [[nodiscard]] bool Create(HWND parent, int id, bool editable, const RECT& rect = RECT{0, 0, 10, 200});
    [[nodiscard]] bool Replace(HWND templateControl, bool editable);

    int AddItem(const std::wstring& text);
    void DeleteItem(int index);
    void SetItemText(int index, const std::wstring& text);
    [[nodiscard]] std::wstring ItemText(int index) const;
    void Clear();
    [[nodiscard]] int Count() const;
    [[nodiscard]] int Selected() const;
    void Select(int index);
    // The text of the field (editable) or of the chosen entry.
    [[nodiscard]] std::wstring Text() const;
    void SetText(const std::wstring& text);
    void SetTextLimit(int characters);
    [[nodiscard]] HWND EditWindow() const;  // the text field of an editable combo, else nullptr
    [[nodiscard]] bool IsDropped() const;
    void ShowList(bool show);

protected:
    LRESULT ControlProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool ParentProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void FontChanged() override;

private:
    bool Setup(HWND control);
    void Paint(HDC dc);
    void CentreEdit();
    void DrawEntry(const DRAWITEMSTRUCT& item);
    bool editable_ = false;
    bool hover_ = false;
    bool quiet_ = false;  // a change the program makes: its notifications are not passed on
};

}  // namespace kv::widgets
