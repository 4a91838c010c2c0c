// A dialog from a resource template with a virtual DialogProc, run modally or created modelessly. The
// skinned dialog base offers the same shape; windows written against this one move over unchanged.
#pragma once

#include <windows.h>

class CPlainDialog {
public:
    CPlainDialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}
    virtual ~CPlainDialog();
    CPlainDialog(const CPlainDialog&) = delete;
    CPlainDialog& operator=(const CPlainDialog&) = delete;

    INT_PTR DoModal();
    [[nodiscard]] bool Create();  // modeless, hidden until shown
    void EndDialog(INT_PTR result);
    HWND GetSafeHwnd() const { return m_hWnd; }
    // The owner the dialog is created with (before Create or DoModal).
    void SetOwner(HWND owner) { parent_ = owner; }

protected:
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND, UINT, WPARAM, LPARAM);
    UINT templateId_;
    HWND parent_;
    bool modal_ = false;
};
