// CKelvaneDlg: the program's one top-level window (dialog resource 102), skinned from "Skins\Main.ini"
// (a missing background or outline picture ends the program quietly). It starts hidden and lives in the
// notification area; the device workers drive it with custom messages (MSG_PROFILE, MSG_DETACHED, MSG_BANK,
// MSG_OPEN) and a second instance with MSG_OPEN / MSG_KILL. All of its handlers run on its own thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "app/command_line.h"
#include "ui/about_box_win.h"
#include "skin/base_dialog.h"
#include "ui/tray_icon_win.h"

namespace kv {

class CKelvaneDlg : public CBaseDialog {
public:
    // Construction before the window exists: icon, command line ("/Kill" may end the process here), the
    // instance mutex (a running instance is asked to open and this process ends), the daemon.
    explicit CKelvaneDlg(const StartSwitches& switches);
    ~CKelvaneDlg() override;

    // The process-wide main window (null before construction and after destruction).
    [[nodiscard]] static CKelvaneDlg* Instance();

    void SetDirty(bool dirty);
    [[nodiscard]] bool IsDirty() const { return dirty_; }
    // Set when MSG_INIT has created the notification-area icon; the attach worker waits for it.
    [[nodiscard]] bool IsInitialised() const { return initialised_.load(); }
    [[nodiscard]] HWND Handle() const { return m_hWnd; }

protected:
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    bool OnCommand(UINT id);
    void OnInitMessage();
    void OnOpenMessage();
    void OnProfileMessage();
    void OnBankMessage();
    void OnDetachedMessage();
    void ApplyLanguageTexts();
    void ReloadProfileData();
    void MarkGKeys();
    void FreeProfileData();
    void OnTrayCallback(LPARAM mouseMessage);
    void OnTimer(UINT_PTR id);
    void ShowMainWindow();
    void HideMainWindow();
    void ShowAboutBox();
    void ShowFileMenu();
    void Apply();
    void ExitProgram();
    void PaintMinimised();
    static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam);

    HICON icon_ = nullptr;
    bool dirty_ = false;
    std::atomic<bool> initialised_{false};
    int startHiddenCounter_ = 2;  // non-client paints still to be turned into a hide
    bool shownOnce_ = false;      // ShowMainWindow ran: the window may become visible
    bool previewFirstRun_ = true;
    int busyFrame_ = 0;
    std::wstring linkText_;
    CAboutDlg about_{nullptr};
    TrayIcon& tray_ = ProgramTrayIcon();
    HHOOK keyFilter_ = nullptr;
};

}  // namespace kv
