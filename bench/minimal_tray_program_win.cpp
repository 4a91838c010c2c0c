// The yardstick of the start-to-ready benchmark: the plainest notification-area program. It creates a dialog
// (hidden when started with /Start, as at logon) and a notification-area icon, then marks its dialog with the
// same ready property the real program sets once its icon is added. WM_COMMAND ID_TRAY_EXIT or closing the
// dialog ends it and removes the icon.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "ui/resource_ids.h"
#include "ui/tray_icon_win.h"

namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kIconId = 1;

// A dialog template in memory: a caption, one line of text and a button.
struct alignas(DWORD) DialogTemplate {
    DLGTEMPLATE dialog;
    WORD menu = 0, windowClass = 0;
    wchar_t title[8] = L"Minimal";
    WORD pointSize = 9;
    wchar_t face[13] = L"MS Shell Dlg";
    alignas(DWORD) DLGITEMTEMPLATE text;
    WORD textClass[2] = {0xFFFF, 0x0082};  // static
    wchar_t textTitle[6] = L"Ready";
    WORD textCreation = 0;
    alignas(DWORD) DLGITEMTEMPLATE button;
    WORD buttonClass[2] = {0xFFFF, 0x0080};  // button
    wchar_t buttonTitle[6] = L"Close";
    WORD buttonCreation = 0;
};

void NotifyIcon(HWND dialog, DWORD action) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = dialog;
    data.uID = kIconId;
    data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(data.szTip, L"Minimal", static_cast<int>(std::size(data.szTip)));
    (void)Shell_NotifyIconW(action, &data);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == ID_TRAY_EXIT || LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
                DestroyWindow(dialog);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE: DestroyWindow(dialog); return TRUE;
        case WM_DESTROY:
            NotifyIcon(dialog, NIM_DELETE);
            PostQuitMessage(0);
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    DialogTemplate t{};
    t.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_MODALFRAME;
    t.dialog.cdit = 2;
    t.dialog.cx = 160;
    t.dialog.cy = 60;
    t.text.style = WS_CHILD | WS_VISIBLE | SS_LEFT;
    t.text.x = 10, t.text.y = 10, t.text.cx = 140, t.text.cy = 10, t.text.id = 100;
    t.button.style = WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP;
    t.button.x = 100, t.button.y = 38, t.button.cx = 50, t.button.cy = 14, t.button.id = IDOK;
    HWND dialog = CreateDialogIndirectParamW(instance, &t.dialog, nullptr, DialogProc, 0);
    if (dialog == nullptr) return 1;
    if (std::wcsstr(commandLine, L"/Start") == nullptr) ShowWindow(dialog, SW_SHOW);
    NotifyIcon(dialog, NIM_ADD);
    SetPropW(dialog, kv::kTrayPictureProperty, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(1)));

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return 0;
}
