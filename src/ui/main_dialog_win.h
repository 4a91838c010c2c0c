// CKelvaneDlg: the program's one top-level window (dialog resource 102), skinned from "Skins\Main.ini"
// (a missing background or outline picture ends the program quietly). It starts hidden and lives in the
// notification area; the device workers drive it with custom messages (MSG_PROFILE, MSG_DETACHED, MSG_BANK,
// MSG_OPEN) and a second instance with MSG_OPEN / MSG_KILL. All of its handlers run on its own thread.
// The key assignment dialog, the profile manager, the update dialog, the profile flows and the lighting
// panel plug into it through main_window_parts_win.h; it offers them MainWindowHost.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "skin/base_dialog.h"
#include "skin/png_button.h"
#include "skin/skin_image.h"
#include "ui/about_box_win.h"
#include "ui/keyboard_picture_win.h"
#include "ui/main_window_parts_win.h"
#include "ui/tray_icon_win.h"

namespace kv {

class CKelvaneDlg : public CBaseDialog, public MainWindowHost {
public:
    // Construction before the window exists: icon, command line ("/Kill" may end the process here), the
    // instance mutex (a running instance is asked to open and this process ends), the daemon.
    explicit CKelvaneDlg(const StartSwitches& switches);
    ~CKelvaneDlg() override;

    // The process-wide main window (null before construction and after destruction).
    [[nodiscard]] static CKelvaneDlg* Instance();

    // Set when MSG_INIT has created the notification-area icon; the attach worker waits for it.
    [[nodiscard]] bool IsInitialised() const { return initialised_.load(); }
    [[nodiscard]] HWND Handle() const { return m_hWnd; }

    // MainWindowHost
    [[nodiscard]] HWND Window() const override { return m_hWnd; }
    [[nodiscard]] const CIniFile& MainLayout() const override { return Layout(); }
    [[nodiscard]] kv::skin::SkinSurface* SkinPicture(int index) override;
    void SetDirty(bool dirty) override;
    [[nodiscard]] bool IsDirty() const override { return dirty_; }
    [[nodiscard]] bool ApplyNow() override;
    void RunKeyboardWork(const std::function<void()>& work) override;
    [[nodiscard]] int Profile() const override;
    int SelectProfile(int profile) override;
    [[nodiscard]] CPngButton* KeyButton(UINT controlId) override { return picture_.Button(controlId); }
    void RefreshKeyMarks() override;
    void RestoreKeyLook(UINT controlId) override { picture_.RestoreLook(controlId); }
    void ShowKeyColours() override;
    void ClearKeyColours() override { picture_.ClearColours(); }
    void RedrawPicture() override { picture_.Redraw(); }
    void ShowReportRate(int index) override;
    void LightingReloaded() override;

    // KeyClick of the keyboard picture: -1 for a control that is no key or G-key.
    int KeyClick(UINT controlId);

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnDpiChanged(int newDpi) override;

private:
    // Start-up pieces, in the order the window builds itself.
    void LoadSkinPictures();
    void PlaceButtons();
    void PlaceOtherControls();

    bool OnCommand(UINT id, UINT notifyCode);
    bool OnKeyCommand(UINT id);
    void OnInitMessage();
    void OnOpenMessage();
    void OnProfileMessage();
    void OnBankMessage();
    void OnDetachedMessage();
    void ApplyLanguageTexts();
    void SetLabelFont(HWND label, const std::wstring& text);
    void ReloadProfileData();
    void ReloadLighting();
    void FollowCurrentProfile();
    void ReloadLightingOf(int profile);
    void FreeProfileData();
    void OnTrayCallback(LPARAM mouseMessage);
    void OnTimer(UINT_PTR id);
    void ShowMainWindow();
    void HideMainWindow();
    void FollowVisibility();
    void CentreOnCursorMonitor();
    void ShowAboutBox();
    void OpenLink(UINT id, const wchar_t* target);
    void ShowFileMenu();
    void SetReportRate(int index);
    void RestoreDefaults();
    void ShowProfileButtons(int profile);
    void ShowBankLooks(int bank);
    // Flip: "PROFILES" "Flip" in the per-user settings; 0 shows F1-F4, 1 the D keys.
    [[nodiscard]] int ReadFlip() const;
    void ToggleFlip();
    void ApplyFlip();
    void OnFlipButtonPainted(bool left, bool drawnWithNormal);
    // Writes the working data out: working file, then the key tables and the macro area in one bracket.
    // True when everything was saved and written; a message box tells what the user must know.
    [[nodiscard]] bool WriteProfileDataToKeyboard();
    // Runs the work on a thread of its own and pumps the window's messages until it has ended; the window
    // takes no input meanwhile.
    void RunWhilePumping(const std::function<void()>& work);
    // One write at a time (main_window_writes_win.cpp): while one runs, every window of this thread is
    // disabled, and the keyboard's events that need it are put off, to run once when it has ended.
    [[nodiscard]] bool StartWriting();
    void EndWriting();
    [[nodiscard]] bool PutOffWhileWriting(UINT event);
    void CloseChildDialogs();
    void ExitAsked();
    void ExitProgram();
    void PaintMinimised();
    void DrawBusyFrame(const DRAWITEMSTRUCT& item);
    HBRUSH OnStaticColour(HDC dc, HWND control);
    static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam);

    // The eleven full-window pictures (SkinPicture's numbering); they outlive the buttons below.
    std::array<kv::skin::SkinSurface, 11> surfaces_;

    HICON icon_ = nullptr;
    HFONT labelFont_ = nullptr;  // the report-rate caption's
    bool dirty_ = false;
    std::atomic<bool> initialised_{false};
    bool exiting_ = false;
    bool applying_ = false;        // a write to the keyboard runs (StartWriting ... EndWriting)
    bool exitAfterApply_ = false;  // MSG_KILL arrived meanwhile
    bool askingExit_ = false;      // the exit's question about waiting edits is open
    unsigned putOff_ = 0;            // events that came while a write ran (main_window_writes_win.cpp)
    std::vector<HWND> disabledForWrite_;  // windows StartWriting disabled
    int startHiddenCounter_ = 2;  // non-client paints still to be turned into a hide
    bool shownOnce_ = false;      // ShowMainWindow ran: the window may become visible
    bool seenByUser_ = false;     // visible and not minimised, as the lighting panel was last told
    int busyFrame_ = 0;
    std::vector<std::shared_ptr<const kv::skin::Picture>> busyFrames_;  // jdt1..jdt10, decoded at first use
    int reportRate_ = 0;
    UINT lastLinkId_ = 0;
    DWORD lastLinkTick_ = 0;
    std::wstring linkText_;
    CAboutDlg about_{nullptr};
    TrayIcon& tray_ = ProgramTrayIcon();
    HHOOK keyFilter_ = nullptr;

    // The window's own image buttons, by control id.
    std::vector<std::unique_ptr<CPngButton>> buttons_;
    CPngButton* ButtonOf(UINT id);
    CPngButton& Adopt(UINT id);
    KeyboardPicture picture_;
    MainWindowParts parts_;
};

}  // namespace kv
