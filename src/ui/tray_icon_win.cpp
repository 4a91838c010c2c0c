// Threads: Create, AddAgain, Remove, RefreshTooltip, ShowNotice and ShowMenu run on the main window's thread;
// SetPicture also runs on the attach worker and busy-state threads. lock_ guards the icon's state.
#include "ui/tray_icon_win.h"

#include <shellapi.h>

#include <string>

#include "app/app_messages.h"
#include "ui/resource_ids.h"
#include "ui/ui_text_win.h"
#include "widgets/skin_menu_win.h"

namespace kv {

TrayIcon& ProgramTrayIcon() {
    static TrayIcon* icon = new TrayIcon;  // never destroyed: worker threads may still call it at exit
    return *icon;
}

UINT TrayIcon::TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

bool TrayIcon::Notify(DWORD action, unsigned picture) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = TRAY_ICON_ID;
    data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = MSG_TRAY_CALLBACK;
    data.hIcon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(picture), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    // A longer text does not fit the platform's tooltip field: it is cut to 127 characters.
    const std::wstring tip = UiText("KEYBOARD_TRAY_DESC");
    lstrcpynW(data.szTip, tip.c_str(), static_cast<int>(std::size(data.szTip)));
    const bool ok = Shell_NotifyIconW(action, &data) != FALSE;
    if (data.hIcon != nullptr) DestroyIcon(data.hIcon);
    return ok;
}

void TrayIcon::Create(HWND owner) {
    std::lock_guard<std::mutex> lock(lock_);
    if (removed_) return;  // the program is ending: the icon never comes back
    owner_ = owner;
    picture_ = TrayPictureState{};
    added_ = Notify(NIM_ADD, picture_.Current());
    SetPropW(owner_, kTrayPictureProperty, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(picture_.Current())));
    if (added_ && !pendingNotice_.empty()) NotifyBalloon(pendingNotice_);
    pendingNotice_.clear();
}

void TrayIcon::SetPicture(int mode, unsigned picture) {
    std::lock_guard<std::mutex> lock(lock_);
    if (owner_ == nullptr || !picture_.Set(mode, picture)) return;
    if (added_) Notify(NIM_MODIFY, picture_.Current());
    SetPropW(owner_, kTrayPictureProperty, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(picture_.Current())));
}

unsigned TrayIcon::CurrentPicture() {
    std::lock_guard<std::mutex> lock(lock_);
    return picture_.Current();
}

void TrayIcon::AddAgain() {
    std::lock_guard<std::mutex> lock(lock_);
    if (owner_ == nullptr) return;
    Notify(NIM_DELETE, picture_.Current());
    added_ = Notify(NIM_ADD, picture_.Current());
}

void TrayIcon::Remove() {
    std::lock_guard<std::mutex> lock(lock_);
    removed_ = true;
    if (owner_ == nullptr) return;
    if (added_) Notify(NIM_DELETE, picture_.Current());
    added_ = false;
    RemovePropW(owner_, kTrayPictureProperty);
    RemovePropW(owner_, kTrayNoticesProperty);
    owner_ = nullptr;
    removed_ = true;
}

void TrayIcon::RefreshTooltip() {
    std::lock_guard<std::mutex> lock(lock_);
    if (added_) Notify(NIM_MODIFY, picture_.Current());
}

void TrayIcon::ShowNotice(const std::wstring& text) {
    std::lock_guard<std::mutex> lock(lock_);
    if (removed_) return;
    if (owner_ == nullptr) {
        pendingNotice_ = text;
        return;
    }
    if (added_) NotifyBalloon(text);
}

void TrayIcon::NotifyBalloon(const std::wstring& text) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = owner_;
    data.uID = TRAY_ICON_ID;
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_INFO;
    lstrcpynW(data.szInfo, text.c_str(), static_cast<int>(std::size(data.szInfo)));
    lstrcpynW(data.szInfoTitle, UiText("MAIN_CAPTION").c_str(), static_cast<int>(std::size(data.szInfoTitle)));
    if (Shell_NotifyIconW(NIM_MODIFY, &data) == FALSE) return;
    ++notices_;
    SetPropW(owner_, kTrayNoticesProperty, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(notices_)));
}

void TrayIcon::ShowMenu() {
    HWND owner;
    {
        std::lock_guard<std::mutex> lock(lock_);
        owner = owner_;
    }
    if (owner == nullptr) return;
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU));
    if (menu == nullptr) return;
    HMENU popup = GetSubMenu(menu, 0);
    if (popup != nullptr) {
        const struct {
            UINT id;
            const char* key;
        } texts[] = {{ID_TRAY_OPEN, "MENU_11"}, {ID_TRAY_ABOUT, "MENU_22"}, {ID_TRAY_EXIT, "MENU_33"}};
        for (const auto& t : texts) {
            const std::wstring text = UiText(t.key);
            ModifyMenuW(popup, t.id, MF_BYCOMMAND | MF_STRING, t.id, text.c_str());
        }
        SetMenuDefaultItem(popup, 0, TRUE);  // after the texts: replacing an item's text clears its bold look
        POINT at{};
        GetCursorPos(&at);
        SetForegroundWindow(owner);
        widgets::TrackSkinMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, owner);
        PostMessageW(owner, WM_NULL, 0, 0);  // lets the menu close when the user clicks elsewhere
    }
    DestroyMenu(menu);
}

}  // namespace kv
