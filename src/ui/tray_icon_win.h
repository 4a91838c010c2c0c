// The notification-area icon: identifier 140, callback message 1725 to the main window, tooltip
// "KEYBOARD_TRAY_DESC", and one of three pictures (no keyboard, keyboard attached, keyboard busy).
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "ui/tray_picture.h"

namespace kv {

class TrayIcon {
public:
    // Adds the icon with picture 128; if the shell refuses, the program runs without it.
    void Create(HWND owner);
    // See TrayPictureState::Set. Any thread (the attach worker and the busy-state threads call it).
    void SetPicture(int mode, unsigned picture);
    [[nodiscard]] unsigned CurrentPicture();
    // The shell restarted: delete the icon and add it again with its current picture and tooltip.
    void AddAgain();
    // Removes the icon for good: a later Create, AddAgain or SetPicture adds nothing.
    void Remove();
    // Sets the tooltip to the current language's "KEYBOARD_TRAY_DESC".
    void RefreshTooltip();
    // The right-button menu: resource 140, first submenu, first item default, texts from the language file.
    void ShowMenu();
    // A balloon over the icon, captioned "MAIN_CAPTION", for news the user should see without a window
    // waiting for an answer. Given before Create (an attach handled before the icon is made), it is shown
    // once the icon exists.
    void ShowNotice(const std::wstring& text);

    // The shell's "TaskbarCreated" message.
    [[nodiscard]] static UINT TaskbarCreatedMessage();

private:
    bool Notify(DWORD action, unsigned picture);  // lock_ held
    void NotifyBalloon(const std::wstring& text);  // lock_ held, the icon added

    std::mutex lock_;  // guards everything below
    unsigned notices_ = 0;       // balloons the shell took
    std::wstring pendingNotice_;  // given before the icon was made
    HWND owner_ = nullptr;
    bool added_ = false;
    bool removed_ = false;  // Remove ran (ExitProgram): nothing adds the icon again
    TrayPictureState picture_;
};

// The program's one icon; it outlives the main window, so late worker threads find it removed, not gone.
[[nodiscard]] TrayIcon& ProgramTrayIcon();

// The window property on the main window that names the picture the icon shows, for tools and tests that
// look at the program from outside.
inline constexpr wchar_t kTrayPictureProperty[] = L"Kelvane.TrayPicture";
// Beside it, the number of balloons shown so far.
inline constexpr wchar_t kTrayNoticesProperty[] = L"Kelvane.TrayNotices";

}  // namespace kv
