#include "ui/plain_dialog_win.h"

namespace {
constexpr wchar_t kThisProp[] = L"Kelvane.Dialog";
}

CPlainDialog::~CPlainDialog() {
    if (m_hWnd != nullptr && !modal_) DestroyWindow(m_hWnd);
}

INT_PTR CPlainDialog::DoModal() {
    modal_ = true;
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent_, StaticDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CPlainDialog::Create() {
    modal_ = false;
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent_, StaticDialogProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CPlainDialog::EndDialog(INT_PTR result) {
    if (m_hWnd == nullptr) return;
    if (modal_) ::EndDialog(m_hWnd, result);
    else DestroyWindow(m_hWnd);
}

INT_PTR CPlainDialog::DialogProc(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return OnInitDialog();
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) { OnOK(); return TRUE; }
            if (LOWORD(wParam) == IDCANCEL) { OnCancel(); return TRUE; }
            break;
        default: break;
    }
    return FALSE;
}

INT_PTR CALLBACK CPlainDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CPlainDialog*>(GetPropW(hwnd, kThisProp));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CPlainDialog*>(lParam);
        SetPropW(hwnd, kThisProp, self);
        self->m_hWnd = hwnd;
    }
    if (self == nullptr) return FALSE;
    const INT_PTR result = self->DialogProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        RemovePropW(hwnd, kThisProp);
        self->m_hWnd = nullptr;
    }
    return result;
}
