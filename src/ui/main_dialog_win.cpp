// Runs on the main window's thread; the device workers reach it only through SendMessage / PostMessage and
// TIMER_RELOAD_LIGHTING, the tray icon's picture through TrayIcon's own lock.
#include "ui/main_dialog_win.h"

#include <shellapi.h>

#include <atomic>

#include "app/app_messages.h"
#include "app/current_profile.h"
#include "app/environment_win.h"
#include "app/program_paths.h"
#include "app/single_instance_win.h"
#include "app/user_folder_seed.h"
#include "device/bank_indicator.h"
#include "device/firmware_check_win.h"
#include "keys/assignment_action_code.h"
#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"
#include "profiles/profile_file.h"
#include "profiles/profile_paths.h"
#include "profiles/profile_read_keyboard.h"
#include "ui/device_link_win.h"
#include "ui/gkey_marks.h"
#include "ui/progress_thread_win.h"
#include "ui/resource_ids.h"
#include "ui/ui_text_win.h"

namespace kv {
namespace {

std::atomic<CKelvaneDlg*> g_instance{nullptr};

constexpr wchar_t kDefaultLink[] = L"https://www.halvorn.com/";
constexpr wchar_t kWebSite[] = L"https://www.halvorn.com/";
constexpr wchar_t kSocialPage1[] = L"https://www.facebook.com/halvorn";
constexpr wchar_t kSocialPage2[] = L"https://twitter.com/halvorn";

constexpr int kGKeyButtons[] = {IDC_G1, IDC_G2, IDC_G3, IDC_G4, IDC_G5, IDC_G6, IDC_G7, IDC_G8, IDC_G9};
constexpr int kProfileButtons[] = {IDC_PROFILE1, IDC_PROFILE2, IDC_PROFILE3};

void OpenWithShell(HWND owner, const wchar_t* target) {
    OpenWebAddress(owner, target);  // only http and https addresses reach the shell
}

}  // namespace

CKelvaneDlg* CKelvaneDlg::Instance() { return g_instance; }

CKelvaneDlg::CKelvaneDlg(const StartSwitches& switches)
    : CBaseDialog(IDD_KELVANE_DIALOG, nullptr, GetProgramPaths().mainSkin, GetProgramPaths().skinFolder) {
    g_instance = this;
    icon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    const std::wstring& exeName = GetProgramPaths().exeName;
    if (switches.kill) {
        if (const uint32_t pid = FindRunningInstance(exeName); pid != 0) {
            NotifyInstance(pid, kNotifyKill);
            ExitProcess(0);
        }
    }
    if (switches.start) MarkFirstAttachHandled();  // a logon start stays in the notification area
    if (OpenOrCreateInstanceMutex() == MutexState::AlreadyExists) {
        if (const uint32_t pid = FindRunningInstance(exeName); pid != 0) {
            NotifyInstance(pid, kNotifyOpen);
            ExitProcess(0);
        }
        // No instance found: keep the opened handle without owning it and go on.
    }
    StartDaemon();
}

CKelvaneDlg::~CKelvaneDlg() {
    if (keyFilter_ != nullptr) UnhookWindowsHookEx(keyFilter_);
    CKelvaneDlg* self = this;
    g_instance.compare_exchange_strong(self, nullptr);
}

BOOL CKelvaneDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();  // size, outline and background from the skin

    if (HMENU system = GetSystemMenu(m_hWnd, FALSE); system != nullptr) {
        AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(system, MF_STRING, IDM_ABOUTBOX, L"&About...");
    }
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    StartDeviceLink(m_hWnd);

    HMODULE user32 = GetModuleHandleW(L"User32.dll");
    if (user32 == nullptr || GetProcAddress(user32, "SetLayeredWindowAttributes") == nullptr) ExitProcess(0);

    SetDirty(false);
    linkText_ = Layout().ReadString(L"SCREEN", L"Link", kDefaultLink);
    if (linkText_.size() > kMaxPathChars - 1) linkText_.resize(kMaxPathChars - 1);
    // The pictures of the window's own buttons, the keyboard picture and the lighting panel are laid out
    // here from the same layout file, each by its part of the window.

    SetUserPaths(ComputeUserPaths(LocalAppDataFolder()));
    SeedUserFolder(GetUserPaths(), GetProgramPaths());

    // No taskbar button while hidden.
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE,
                      (GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, static_cast<LONG_PTR>(kMainWindowTag));
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetWindowLongPtrW(m_hWnd, GWL_STYLE) | WS_MINIMIZEBOX | WS_SYSMENU);
    SetWindowTextW(m_hWnd, UiText("MAIN_CAPTION").c_str());

    CreateInstanceEvents();
    keyFilter_ = SetWindowsHookExW(WH_MSGFILTER, KeyFilter, nullptr, GetCurrentThreadId());

    PostMessageW(m_hWnd, MSG_INIT, TAG_INIT, 0);
    SendMessageW(m_hWnd, MSG_LANGUAGE, TAG_LANGUAGE, UiLanguageIndex());
    SetTimer(m_hWnd, TIMER_PREVIEW, kPreviewFirstPeriodMs, nullptr);
    return TRUE;
}

void CKelvaneDlg::SetDirty(bool dirty) {
    dirty_ = dirty;
    if (m_hWnd != nullptr) EnableWindow(GetDlgItem(m_hWnd, IDC_APPLY), dirty ? TRUE : FALSE);
}

INT_PTR CKelvaneDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_WINDOWPOSCHANGING:
            // Start-up never shows the window, not even for one paint: until ShowMainWindow has run, a
            // request to show it (the dialog framework shows a modal dialog once its queue is empty) is
            // turned into nothing.
            if (!shownOnce_) reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
            break;
        case WM_NCPAINT:
            if (startHiddenCounter_ > 0 && !shownOnce_) {
                --startHiddenCounter_;
                ShowWindow(m_hWnd, SW_HIDE);
                return TRUE;
            }
            break;
        case WM_COMMAND:
            if (OnCommand(LOWORD(wParam))) return TRUE;
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
                ShowAboutBox();
                return TRUE;
            }
            return FALSE;
        case WM_TIMER: OnTimer(wParam); return TRUE;
        case WM_HELP: OpenHelpPage(m_hWnd); return TRUE;
        case WM_QUERYDRAGICON:
            SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(icon_));
            return TRUE;
        case WM_PAINT:
            if (IsIconic(m_hWnd)) {
                PaintMinimised();
                return TRUE;
            }
            break;  // the skin's background
        default: break;
    }
    if (message == MSG_INIT && HasTag(wParam, TAG_INIT)) { OnInitMessage(); return TRUE; }
    if (message == MSG_OPEN && HasTag(wParam, TAG_OPEN)) { OnOpenMessage(); return TRUE; }
    if (message == MSG_KILL && HasTag(wParam, TAG_KILL)) { ExitProgram(); return TRUE; }
    if (message == MSG_PROFILE && HasTag(wParam, TAG_PROFILE)) { OnProfileMessage(); return TRUE; }
    if (message == MSG_BANK && HasTag(wParam, TAG_BANK)) { OnBankMessage(); return TRUE; }
    if (message == MSG_DETACHED) { OnDetachedMessage(); return TRUE; }
    if (message == MSG_LANGUAGE && HasTag(wParam, TAG_LANGUAGE)) {
        if (about_.IsOpen()) SendMessageW(about_.GetSafeHwnd(), MSG_LANGUAGE, wParam, lParam);
        ApplyLanguageTexts();
        return TRUE;
    }
    if (message == MSG_TRAY_CALLBACK) {
        if (wParam == TRAY_ICON_ID) OnTrayCallback(lParam);
        return TRUE;
    }
    if (message == TrayIcon::TaskbarCreatedMessage() && message != 0) {
        tray_.AddAgain();
        return TRUE;
    }
    return CBaseDialog::DialogProc(message, wParam, lParam);
}

bool CKelvaneDlg::OnCommand(UINT id) {
    switch (id) {
        case IDC_APPLY: Apply(); return true;
        case IDC_TORVEL_LINK: OpenWithShell(m_hWnd, linkText_.c_str()); return true;
        case IDC_HELP_BUTTON: OpenHelpPage(m_hWnd); return true;
        case IDC_MINIMIZE: PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0); return true;
        case IDC_CLOSE_BUTTON: ExitProgram(); return true;
        case IDC_MENU_BUTTON: ShowFileMenu(); return true;
        case IDC_NETWORK: OpenWithShell(m_hWnd, kWebSite); return true;
        case IDC_FACEBOOK: OpenWithShell(m_hWnd, kSocialPage1); return true;
        case IDC_TWITTER: OpenWithShell(m_hWnd, kSocialPage2); return true;
        case ID_TRAY_OPEN: ShowMainWindow(); return true;
        case ID_MENU_RELOAD_LIGHTING:
            // The lighting state and panel reload here once the panel is in the window.
            tray_.RefreshTooltip();
            InvalidateRect(m_hWnd, nullptr, TRUE);
            return true;
        case ID_TRAY_ABOUT: ShowAboutBox(); return true;
        case ID_TRAY_EXIT:
        case ID_MENU_EXIT: ExitProgram(); return true;
        default: return false;
    }
}

void CKelvaneDlg::OnOK() {
    Apply();
    HideMainWindow();
}

void CKelvaneDlg::OnCancel() { HideMainWindow(); }

void CKelvaneDlg::OnInitMessage() {
    tray_.Create(m_hWnd);
    initialised_.store(true);
    MarkWindowInitialised();
    HideMainWindow();
}

void CKelvaneDlg::OnOpenMessage() {
    ShowMainWindow();
    if (CheckFirmwareVersion() == FirmwareCheck::Declined) ExitProgram();
}

void CKelvaneDlg::ShowMainWindow() {
    if (!KeyboardAttached()) {
        MessageBoxW(m_hWnd, UiText("MAIN_NO_DEVICE_PROMPT").c_str(), L"", MB_OK);
        return;
    }
    shownOnce_ = true;
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE,
                      (GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & ~WS_EX_TOOLWINDOW) | WS_EX_APPWINDOW);
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
    SetForegroundWindow(m_hWnd);
}

void CKelvaneDlg::HideMainWindow() { ShowWindow(m_hWnd, SW_HIDE); }

void CKelvaneDlg::ApplyLanguageTexts() {
    const struct {
        int id;
        const char* key;
    } captions[] = {
        {IDC_PROFILE1, "PROFILE_1"},        {IDC_PROFILE2, "PROFILE_2"}, {IDC_PROFILE3, "PROFILE_3"},
        {IDC_FUNC_MACRO, "PROFILE_MACRO"},  {IDC_FUNC_DEFAULT, "PROFILE_DEFAULT"},
        {IDOK, "PROFILE_OK"},               {IDCANCEL, "PROFILE_CANCLE"}, {IDC_APPLY, "PROFILE_APPLY"},
    };
    for (const auto& c : captions) SetDlgItemTextW(m_hWnd, c.id, UiText(c.key).c_str());
    // The lighting panel's captions and the image buttons' tooltips join here with those parts.
}

void CKelvaneDlg::OnProfileMessage() {
    ReloadProfileData();
    const int profile = KeyboardProfile();
    if (profile >= 0 && profile <= 2) {
        SetCurrentProfile(profile);
        CheckRadioButton(m_hWnd, IDC_PROFILE1, IDC_PROFILE3, kProfileButtons[profile]);
    }
    // The lighting state, the user-mode list and the lighting panel follow the profile once the panel is in
    // the window; the key buttons show the profile's assignments once the keyboard picture is.
    MarkGKeys();
}

// A keyboard was attached: read its key tables and macros into the working file and load that; when the
// profile or the keyboard cannot be read, the working data becomes the default block without macros.
void CKelvaneDlg::ReloadProfileData() {
    const ProgramPaths& program = GetProgramPaths();
    const std::filesystem::path working = WorkingProfilePath(
        std::filesystem::path(GetUserPaths().folder), std::filesystem::path(ProfileSettingsPath(program.templatePrefix, 3)));
    bool loaded = false;
    if (KeyboardProfile() >= 0) {
        KeyTableBlock defaults{};
        CopyDefaultKeyTable(defaults.data());
        const std::wstring prefix = UiText("MACRO_NEW_PREFIX");
        const std::u16string namePrefix(prefix.begin(), prefix.end());
        if (ReadKeyboardIntoFile(CommandSetDataLink(), defaults, namePrefix, working) == kResultSuccess)
            loaded = LoadProfileFile(working, TheProfileData()) == LoadResult::Loaded;
    }
    if (!loaded) {
        ProfileData& data = TheProfileData();
        std::lock_guard<std::mutex> lock(data.lock);
        data.content = ProfileContent();
    }
}

void CKelvaneDlg::MarkGKeys() {
    std::array<bool, kGKeysPerBank> marks;
    {
        const ProfileData& data = TheProfileData();
        std::lock_guard<std::mutex> lock(data.lock);
        marks = AssignedGKeys(data.content.Table(), CurrentProfile(), CurrentGKeyBank());
    }
    for (int i = 0; i < kGKeysPerBank; ++i)
        SendDlgItemMessageW(m_hWnd, kGKeyButtons[i], BM_SETCHECK, marks[static_cast<std::size_t>(i)] ? BST_CHECKED
                                                                                                      : BST_UNCHECKED, 0);
}

void CKelvaneDlg::FreeProfileData() {
    // Snapshot lock first, then the working data's: the order every writer keeps.
    ProfileDataSnapshot& snapshot = TheProfileDataSnapshot();
    std::lock_guard<std::mutex> snapshotLock(snapshot.lock);
    snapshot.table.clear();
    snapshot.macros.clear();
    snapshot.strings.clear();
    ProfileData& data = TheProfileData();
    std::lock_guard<std::mutex> dataLock(data.lock);
    data.content = ProfileContent();
}

void CKelvaneDlg::OnBankMessage() {
    // G1-G5 are named after the bank they now play: "A1".."A5" or "B1".."B5".
    const wchar_t bankLetter = CurrentGKeyBank() == 0 ? L'A' : L'B';
    for (int i = 0; i < 5; ++i) {
        const wchar_t caption[3] = {bankLetter, static_cast<wchar_t>(L'1' + i), 0};
        SetDlgItemTextW(m_hWnd, kGKeyButtons[i], caption);
    }
    InvalidateRect(GetDlgItem(m_hWnd, IDC_LOCK_AB), nullptr, TRUE);
    MarkGKeys();
}

void CKelvaneDlg::OnDetachedMessage() {
    about_.Close();
    if (HWND first = GetDlgItem(m_hWnd, IDC_PROFILE1); first != nullptr) SetFocus(first);
}

void CKelvaneDlg::OnTrayCallback(LPARAM mouseMessage) {
    switch (static_cast<UINT>(mouseMessage)) {
        case WM_RBUTTONUP: tray_.ShowMenu(); break;
        case WM_LBUTTONDBLCLK:
            SetForegroundWindow(m_hWnd);
            SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
            break;
        default: break;
    }
}

void CKelvaneDlg::OnTimer(UINT_PTR id) {
    switch (id) {
        case TIMER_BUSY: busyFrame_ = (busyFrame_ + 1) % 10; break;
        case TIMER_RELOAD_LIGHTING: KillTimer(m_hWnd, TIMER_RELOAD_LIGHTING); break;
        case TIMER_PREVIEW:
            KillTimer(m_hWnd, TIMER_PREVIEW);
            SetTimer(m_hWnd, TIMER_PREVIEW, kPreviewPeriodMs, nullptr);
            break;
        default: break;
    }
}

void CKelvaneDlg::ShowAboutBox() { about_.Open(linkText_); }

void CKelvaneDlg::ShowFileMenu() {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_FILE_MENU));
    if (menu == nullptr) return;
    if (HMENU popup = GetSubMenu(menu, 0); popup != nullptr) {
        const struct {
            UINT id;
            const char* key;
        } texts[] = {{ID_FILE_IMPORT, "MENU_1"}, {ID_FILE_EXPORT, "MENU_2"}, {ID_TRAY_ABOUT, "MENU_3"},
                     {ID_MENU_EXIT, "MENU_4"}};
        for (const auto& t : texts) {
            const std::wstring text = UiText(t.key);
            ModifyMenuW(popup, t.id, MF_BYCOMMAND | MF_STRING, t.id, text.c_str());  // a missing item is skipped
        }
        POINT at{};
        GetCursorPos(&at);
        TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
    }
    DestroyMenu(menu);
}

void CKelvaneDlg::Apply() {
    ProgressThread progress;
    const bool withIndicator = progress.Start(m_hWnd, GetDlgItem(m_hWnd, IDC_BUSY_INDICATOR));
    Sleep(100);
    if (withIndicator) progress.Show();
    // The write-out of keys and macros joins here once their editors exist; until then nothing marks the
    // window dirty and there is nothing to write.
    if (withIndicator) progress.Hide();
}

void CKelvaneDlg::ExitProgram() {
    HideMainWindow();
    about_.Close();
    CloseInstanceMutex();
    CloseInstanceEvents();
    tray_.Remove();
    SetDirty(false);
    FreeProfileData();
    KillTimer(m_hWnd, TIMER_PREVIEW);
    FreeBitmaps();
    EndDialog(IDOK);
}

void CKelvaneDlg::PaintMinimised() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
    DrawIcon(dc, (rc.right - rc.left - cx + 1) / 2, (rc.bottom - rc.top - cy + 1) / 2, icon_);
    EndPaint(m_hWnd, &ps);
}

// Enter and Escape never close or apply the main window; the arrow keys are kept from the lighting-effect
// list. The dialog's own loop asks this filter before it dispatches a message.
LRESULT CALLBACK CKelvaneDlg::KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    CKelvaneDlg* self = g_instance.load();
    if (code == MSGF_DIALOGBOX && self != nullptr && self->m_hWnd != nullptr && msg != nullptr &&
        (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) &&
        (msg->hwnd == self->m_hWnd || IsChild(self->m_hWnd, msg->hwnd))) {
        if (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE) return 1;
        constexpr int kEffectList = 1146;
        const bool arrow = msg->wParam == VK_LEFT || msg->wParam == VK_RIGHT || msg->wParam == VK_UP ||
                           msg->wParam == VK_DOWN;
        if (arrow && GetDlgCtrlID(GetFocus()) == kEffectList && IsChild(self->m_hWnd, GetFocus())) return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace kv
