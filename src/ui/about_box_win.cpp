// Runs on the main window's thread.
#include "ui/about_box_win.h"

#include <shellapi.h>

#include "app/app_messages.h"
#include "app/environment_win.h"
#include "kv_version.h"
#include "ui/resource_ids.h"
#include "ui/ui_text_win.h"

namespace kv {

bool CAboutDlg::Open(const std::wstring& linkText) {
    if (open_) return false;
    link_ = linkText;
    if (!Create()) return false;
    open_ = true;
    ShowWindow(m_hWnd, SW_SHOW);
    SetForegroundWindow(m_hWnd);
    return true;
}

void CAboutDlg::Close() {
    if (!open_) return;
    open_ = false;
    EndDialog(IDOK);
}

BOOL CAboutDlg::OnInitDialog() {
    SetDlgItemTextW(m_hWnd, IDC_ABOUT_LINK, link_.c_str());
    ApplyLanguageTexts();
    return TRUE;
}

void CAboutDlg::ApplyLanguageTexts() {
    SetWindowTextW(m_hWnd, UiText("LANG_ABOUT_TITLE").c_str());
    SetDlgItemTextW(m_hWnd, IDC_ABOUT_INTRO, UiText("GUANYU_JIESHAO").c_str());
    SetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, (UiText("LANG_ABOUT_VERSION") + L" " + KV_VERSION_W).c_str());
    SetDlgItemTextW(m_hWnd, IDC_ABOUT_COPYRIGHT, UiText("GUANYU_BANQUAN").c_str());
    SetDlgItemTextW(m_hWnd, IDOK, UiText("LANG_ABOUT_OK").c_str());
}

INT_PTR CAboutDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE: Close(); return TRUE;
        case WM_HELP: OpenHelpPage(m_hWnd); return TRUE;
        case WM_COMMAND:
            // The hyperlink: its text is also its target.
            if (LOWORD(wParam) == IDC_ABOUT_LINK && HIWORD(wParam) == STN_CLICKED) {
                OpenWebAddress(m_hWnd, link_);
                return TRUE;
            }
            break;
        default:
            if (message == MSG_LANGUAGE && HasTag(wParam, TAG_LANGUAGE)) {
                ApplyLanguageTexts();
                return TRUE;
            }
            break;
    }
    return CPlainDialog::DialogProc(message, wParam, lParam);
}

}  // namespace kv
