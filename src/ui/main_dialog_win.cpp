// Runs on the main window's thread; the device workers reach it only through SendMessage / PostMessage and
// TIMER_RELOAD_LIGHTING, the tray icon's picture through TrayIcon's own lock. The working profile data is
// read and written under its own lock (macros/profile_data.h); nothing here holds it across a message box.
#include "ui/main_dialog_win.h"

#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <functional>
#include <mutex>
#include <thread>

#include "app/app_messages.h"
#include "app/current_profile.h"
#include "app/environment_win.h"
#include "app/program_paths.h"
#include "app/single_instance_win.h"
#include "app/user_folder_seed.h"
#include "device/bank_indicator.h"
#include "device/commands.h"
#include "device/firmware_check_win.h"
#include "keys/assignment_action_code.h"
#include "keys/assignment_store.h"
#include "macros/checked_data_link.h"
#include "macros/keyboard_data_link.h"
#include "macros/profile_data.h"
#include "macros/profile_write.h"
#include "profiles/profile_file.h"
#include "profiles/profile_paths.h"
#include "profiles/keyboard_write_gate.h"
#include "profiles/profile_read_keyboard.h"
#include "profiles/profile_transfer.h"
#include "profiles/waiting_edits_win.h"
#include "skin/language.h"
#include "skin/placement.h"
#include "skin/window_dpi.h"
#include "ui/device_link_win.h"
#include "ui/key_click_target.h"
#include "ui/keyboard_write_gate_win.h"
#include "ui/progress_thread_win.h"
#include "ui/resource_ids.h"
#include "ui/ui_text_win.h"
#include "widgets/skin_menu_win.h"

namespace kv {
namespace {

std::atomic<CKelvaneDlg*> g_instance{nullptr};

constexpr wchar_t kDefaultLink[] = L"https://www.halvorn.com/";
constexpr wchar_t kWebSite[] = L"https://www.halvorn.com/";
constexpr wchar_t kSocialPage1[] = L"https://www.facebook.com/halvorn";
constexpr wchar_t kSocialPage2[] = L"https://twitter.com/halvorn";

constexpr int kGKeyButtons[] = {IDC_G1, IDC_G2, IDC_G3, IDC_G4, IDC_G5, IDC_G6, IDC_G7, IDC_G8, IDC_G9};
constexpr int kProfileButtons[] = {IDC_PROFILE1, IDC_PROFILE2, IDC_PROFILE3};
constexpr int kReportButtons[] = {IDC_REPORT1, IDC_REPORT2, IDC_REPORT3, IDC_REPORT4};
constexpr int kFKeys[] = {1010, 1011, 1012, 1013};                 // F1-F4
constexpr int kDKeys[] = {1016, 1017, 1018, 1019, 1020, 1021};     // D1-D6 (no place in this skin)
constexpr int kF5Key = 1014;
constexpr int kEnterKey = 1070;
constexpr int kRightBracketKey = 1055;
constexpr int kExtraKey = 1057;  // reacts only to per-key lighting
constexpr int kEffectList = 1146;
constexpr int kUserModeList = 1198;
constexpr int kColourEdits[] = {1208, 1209, 1210};
constexpr int kRgbStatic = 1207;

// Picture numbers of SkinPicture.
enum Pic { N = 0, H = 1, P = 2, D = 3, N2 = 4, H2 = 5, P2 = 6, D2 = 7, ARROW = 8, COLOR0 = 9, COLOR1 = 10 };

constexpr std::size_t kReportRateOffset = 15;

// Caption colours of the window's buttons (0x00BBGGRR).
constexpr const CaptionColours& kCaptionColours = kv::skin::kTextButtonColours;
constexpr UINT kCaptionCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;  // 37
constexpr UINT kCaptionLeftCentred = DT_VCENTER | DT_SINGLELINE;          // 36
constexpr UINT kCaptionLeftBottom = DT_BOTTOM | DT_SINGLELINE;            // 40

void OpenWithShell(HWND owner, const wchar_t* target) {
    OpenWebAddress(owner, target);  // only http and https addresses reach the shell
}

// The file the working data is kept in between runs ("$Profile0" in the user folder).
std::filesystem::path WorkingFile() {
    const ProgramPaths& program = GetProgramPaths();
    return WorkingProfilePath(std::filesystem::path(GetUserPaths().folder),
                              std::filesystem::path(ProfileSettingsPath(program.templatePrefix, 3)));
}

// Lets a message through the message filter of an elevated window (the shell runs with lower rights).
void AllowMessageFromShell(HWND window, UINT message) {
    using Filter = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    static const auto filter = reinterpret_cast<Filter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx")));
    constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW
    if (filter != nullptr && message != 0) filter(window, message, kAllow, nullptr);
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

kv::skin::SkinSurface* CKelvaneDlg::SkinPicture(int index) {
    if (index < 0 || index >= static_cast<int>(surfaces_.size())) return nullptr;
    return &surfaces_[static_cast<std::size_t>(index)];
}

CPngButton* CKelvaneDlg::ButtonOf(UINT id) {
    for (auto& b : buttons_)
        if (b->GetSafeHwnd() != nullptr && static_cast<UINT>(GetDlgCtrlID(b->GetSafeHwnd())) == id) return b.get();
    return picture_.Button(id);
}

// The template's button of that id becomes an image button of the window.
CPngButton& CKelvaneDlg::Adopt(UINT id) {
    auto button = std::make_unique<CPngButton>();
    (void)button->SubclassDlgItem(static_cast<int>(id), m_hWnd);
    buttons_.push_back(std::move(button));
    return *buttons_.back();
}

BOOL CKelvaneDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();  // size, outline and background from the skin
    about_.SetOwner(m_hWnd);      // the About box belongs to the main window

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
    LoadSkinPictures();
    linkText_ = Layout().ReadString(L"SCREEN", L"Link", kDefaultLink);
    if (linkText_.size() > kMaxPathChars - 1) linkText_.resize(kMaxPathChars - 1);

    picture_.Create(m_hWnd, {&surfaces_[N], &surfaces_[H], &surfaces_[P], &surfaces_[D]});
    picture_.LayOut(Layout());
    PlaceButtons();

    SetUserPaths(ComputeUserPaths(LocalAppDataFolder()));
    SeedUserFolder(GetUserPaths(), GetProgramPaths());
    parts_ = MakeMainWindowParts(*this);
    if (parts_.lighting) parts_.lighting->Create();
    PlaceOtherControls();

    // No taskbar button while hidden.
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE,
                      (GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, static_cast<LONG_PTR>(kMainWindowTag));
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetWindowLongPtrW(m_hWnd, GWL_STYLE) | WS_MINIMIZEBOX | WS_SYSMENU);
    SetWindowTextW(m_hWnd, UiText("MAIN_CAPTION").c_str());
    CentreOnCursorMonitor();

    // Running elevated, the window still hears the shell: its restart and the icon's mouse messages.
    AllowMessageFromShell(m_hWnd, TrayIcon::TaskbarCreatedMessage());
    AllowMessageFromShell(m_hWnd, MSG_TRAY_CALLBACK);

    CreateInstanceEvents();
    keyFilter_ = SetWindowsHookExW(WH_MSGFILTER, KeyFilter, nullptr, GetCurrentThreadId());

    PostMessageW(m_hWnd, MSG_INIT, TAG_INIT, 0);
    SendMessageW(m_hWnd, MSG_LANGUAGE, TAG_LANGUAGE, UiLanguageIndex());
    SetTimer(m_hWnd, TIMER_PREVIEW, kPreviewFirstPeriodMs, nullptr);  // one run; the panel re-arms it
    return TRUE;
}

void CKelvaneDlg::LoadSkinPictures() {
    const wchar_t* files[] = {L"Skins\\main_normal.jpg", L"Skins\\main_over.jpg", L"Skins\\main_down.jpg",
                              L"Skins\\main_disable.jpg"};
    // The second set is the same four pictures: decoded once, rendered into surfaces of their own.
    for (int look = 0; look < 4; ++look) {
        const kv::skin::SkinImage image = kv::skin::LoadSkinImage(files[look]);
        kv::skin::RenderImageToSurface(surfaces_[static_cast<std::size_t>(look)], image, m_hWnd);
        kv::skin::RenderImageToSurface(surfaces_[static_cast<std::size_t>(4 + look)], image, m_hWnd);
    }
    kv::skin::RenderImageToSurface(surfaces_[ARROW], kv::skin::LoadSkinImage(L"Skins\\Arrow.jpg"), m_hWnd);
    kv::skin::RenderImageToSurface(surfaces_[COLOR0], kv::skin::LoadSkinImage(L"Skins\\main_color0.jpg"), m_hWnd);
    kv::skin::RenderImageToSurface(surfaces_[COLOR1], kv::skin::LoadSkinImage(L"Skins\\main_color1.jpg"), m_hWnd);
}

void CKelvaneDlg::PlaceButtons() {
    using kv::skin::PlaceButton;
    const CIniFile& ini = Layout();
    auto* n = &surfaces_[N];
    auto* h = &surfaces_[H];
    auto* p = &surfaces_[P];
    auto* d = &surfaces_[D];
    const SkinLooks standard{n, h, p, n, n};
    const SkinLooks withDisabled{n, h, p, d, n};
    const SkinLooks checkedIsDisabled{n, h, p, n, d};
    const SkinLooks indicator{n, n, n, n, h};

    CPngButton& link = Adopt(IDC_TORVEL_LINK);
    PlaceButton(link, ini, L"BUTTONINFO", L"TORVEL_LINK", {n, h, d, n, n});
    link.SetTooltip(linkText_.c_str(), true);

    CPngButton& profiles = Adopt(IDC_FUNC_PROFILES);
    PlaceButton(profiles, ini, L"BUTTONINFO", L"FUNC_PROFILES", standard);
    profiles.SetCaptionStyle(true, 10, L"Arial Unicode MS", kCaptionColours, kCaptionLeftBottom);
    profiles.SetCaptionRotation(268, true);

    PlaceButton(Adopt(IDC_FUNC_MACRO), ini, L"BUTTONINFO", L"FUNC_MACRO", standard);
    PlaceButton(Adopt(IDOK), ini, L"BUTTONINFO", L"CONTROL_OK", standard);
    PlaceButton(Adopt(IDCANCEL), ini, L"BUTTONINFO", L"CONTROL_CANCEL", standard);
    const struct {
        UINT id;
        const wchar_t* key;
        const char* tip;
    } titleButtons[] = {{IDC_HELP_BUTTON, L"CONTROL_HELP", "MAIN_HELP_PROMPT"},
                        {IDC_CLOSE_BUTTON, L"CONTROL_CLOSE", "MAIN_CLOSE_PROMPT"},
                        {IDC_MINIMIZE, L"CONTROL_MINIMIZE", "MAIN_MINIMIZE_PROMPT"},
                        {IDC_MENU_BUTTON, L"CONTROL_MENU", "MAIN_MENU_PROMPT"}};
    for (const auto& t : titleButtons) {
        CPngButton& b = Adopt(t.id);
        PlaceButton(b, ini, L"BUTTONINFO", t.key, standard);
        b.SetTooltip(UiText(t.tip).c_str(), true);
    }
    PlaceButton(Adopt(IDC_APPLY), ini, L"BUTTONINFO", L"CONTROL2_APPLY", withDisabled);
    EnableWindow(GetDlgItem(m_hWnd, IDC_APPLY), dirty_ ? TRUE : FALSE);  // placing may not enable it
    PlaceButton(Adopt(IDC_LOCK_CAPS), ini, L"BUTTONINFO", L"LOCK_CAPS", indicator);
    PlaceButton(Adopt(IDC_LOCK_NUM), ini, L"BUTTONINFO", L"LOCK_NUM", indicator);
    PlaceButton(Adopt(IDC_LOCK_SCROLL), ini, L"BUTTONINFO", L"LOCK_SCROLL", indicator);

    // The bank indicator overlaps the G-keys' column: they are drawn again after it.
    CPngButton& bank = Adopt(IDC_LOCK_AB);
    PlaceButton(bank, ini, L"BUTTONINFO", L"LOCK_AB", indicator);
    auto redrawGKeys = [this](HWND, bool) {
        for (int id : kGKeyButtons) InvalidateRect(GetDlgItem(m_hWnd, id), nullptr, FALSE);
    };
    bank.SetPaintCallback(redrawGKeys);
    if (CPngButton* enter = picture_.Button(kEnterKey)) {
        enter->SetPaintCallback([this](HWND, bool) {
            if (CPngButton* bracket = picture_.Button(kRightBracketKey)) bracket->Redraw();
        });
    }

    CPngButton& flip0 = Adopt(IDC_FLIP_0);
    PlaceButton(flip0, ini, L"BUTTONINFO", L"FLIP_0", {n, n, n, n, d});
    flip0.SetPaintCallback([this](HWND, bool) {
        const bool flipped = ReadFlip() != 0;
        const int* group = flipped ? kDKeys : kFKeys;
        const int count = flipped ? static_cast<int>(std::size(kDKeys)) : static_cast<int>(std::size(kFKeys));
        for (int i = 0; i < count; ++i)
            if (CPngButton* k = picture_.Button(static_cast<UINT>(group[i]))) k->Redraw();
        if (CPngButton* f5 = picture_.Button(kF5Key)) f5->Redraw();
        if (CPngButton* b = ButtonOf(IDC_FLIP_1)) b->Redraw();
        if (CPngButton* b = ButtonOf(IDC_FLIP_2)) b->Redraw();
    });
    PlaceButton(Adopt(IDC_FLIP_1), ini, L"BUTTONINFO", L"FLIP_1", {n, h, p, n, d});
    PlaceButton(Adopt(IDC_FLIP_2), ini, L"BUTTONINFO", L"FLIP_2", {n, h, p, n, d});
    Adopt(IDC_LEFT_ARROW);
    Adopt(IDC_RIGHT_ARROW);
    ApplyFlip();
    ButtonOf(IDC_FLIP_1)->SetPaintCallback([this](HWND, bool normal) { OnFlipButtonPainted(true, normal); });
    ButtonOf(IDC_FLIP_2)->SetPaintCallback([this](HWND, bool normal) { OnFlipButtonPainted(false, normal); });
    OnFlipButtonPainted(true, true);
    OnFlipButtonPainted(false, true);

    CPngButton& version = Adopt(IDC_TORVEL_VER);
    SetWindowTextW(version.GetSafeHwnd(), L"");
    PlaceButton(version, ini, L"BUTTONINFO", L"TORVEL_VER", {n, n, n, n, n});
    version.SetCaptionStyle(true, 8, L"Verdana Unicode MS", kCaptionColours, kCaptionLeftCentred);
    EnableWindow(version.GetSafeHwnd(), FALSE);

    PlaceButton(Adopt(IDC_PROFILE1), ini, L"BUTTONINFO", L"FUNC_PROFILE1", checkedIsDisabled);
    PlaceButton(Adopt(IDC_PROFILE2), ini, L"BUTTONINFO", L"FUNC_PROFILE2", checkedIsDisabled);
    PlaceButton(Adopt(IDC_PROFILE3), ini, L"BUTTONINFO", L"FUNC_PROFILE3", checkedIsDisabled);
    PlaceButton(Adopt(IDC_FUNC_DEFAULT), ini, L"BUTTONINFO", L"FUNC_DEFAULT", checkedIsDisabled);
    for (int i = 0; i < 3; ++i) {
        const wchar_t* keys[] = {L"COLOR_R", L"COLOR_G", L"COLOR_B"};
        if (HWND edit = GetDlgItem(m_hWnd, kColourEdits[i]); edit != nullptr)
            kv::skin::PlaceControl(edit, ini, L"BUTTONINFO", keys[i]);
    }
    const wchar_t* reportKeys[] = {L"FUNC_REPORT1", L"FUNC_REPORT2", L"FUNC_REPORT3", L"FUNC_REPORT4"};
    for (int i = 0; i < 4; ++i)
        PlaceButton(Adopt(static_cast<UINT>(kReportButtons[i])), ini, L"BUTTONINFO", reportKeys[i], checkedIsDisabled);
    // KEY_FN is placed with the keyboard picture.
}

void CKelvaneDlg::PlaceOtherControls() {
    using kv::skin::PlaceControl;
    const CIniFile& ini = Layout();
    PlaceControl(GetDlgItem(m_hWnd, IDC_USB_STATIC), ini, L"BUTTONINFO", L"CONTROL_UsbStatic");
    PlaceControl(GetDlgItem(m_hWnd, IDC_BUSY_INDICATOR), ini, L"BUTTONINFO", L"CONTROL_JDTStatic");
    if (HWND rgb = GetDlgItem(m_hWnd, kRgbStatic); rgb != nullptr)
        PlaceControl(rgb, ini, L"BUTTONINFO", L"CONTROL_RGBStatic");
    PlaceControl(GetDlgItem(m_hWnd, IDC_NETWORK), ini, L"BUTTONINFO", L"CONTROL_Network");
    PlaceControl(GetDlgItem(m_hWnd, IDC_FACEBOOK), ini, L"BUTTONINFO", L"CONTROL_Facebook");
    PlaceControl(GetDlgItem(m_hWnd, IDC_TWITTER), ini, L"BUTTONINFO", L"CONTROL_twitter");
}

void CKelvaneDlg::SetDirty(bool dirty) {
    if (dirty_ && !dirty && !exiting_) EditsSettled();  // applied or dropped; the exit keeps them itself
    dirty_ = dirty;
    if (m_hWnd != nullptr) EnableWindow(GetDlgItem(m_hWnd, IDC_APPLY), dirty ? TRUE : FALSE);
}

int CKelvaneDlg::Profile() const { return CurrentProfile(); }

INT_PTR CKelvaneDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_WINDOWPOSCHANGING:
            // Start-up never shows the window, not even for one paint: until ShowMainWindow has run, a
            // request to show it (the dialog framework shows a modal dialog once its queue is empty) is
            // turned into nothing.
            if (!shownOnce_) reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
            break;
        case WM_WINDOWPOSCHANGED: FollowVisibility(); break;  // shown, hidden, minimised or restored
        case WM_QUERYENDSESSION:
            // The session ends without asking anyone: edits waiting to be applied are kept for the next start.
            if (dirty_) KeepEditsForNextStart();
            break;  // the default answer lets the session end
        case WM_NCPAINT:
            if (startHiddenCounter_ > 0 && !shownOnce_) {
                --startHiddenCounter_;
                ShowWindow(m_hWnd, SW_HIDE);
                return TRUE;
            }
            break;
        case WM_COMMAND:
            if (OnCommand(LOWORD(wParam), HIWORD(wParam))) return TRUE;
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
        case WM_DRAWITEM:
            if (wParam == IDC_BUSY_INDICATOR) {
                DrawBusyFrame(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                return TRUE;
            }
            break;
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<INT_PTR>(OnStaticColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        default: break;
    }
    if (message == MSG_INIT && HasTag(wParam, TAG_INIT)) { OnInitMessage(); return TRUE; }
    if (message == MSG_OPEN && HasTag(wParam, TAG_OPEN)) {
        if (!PutOffWhileWriting(MSG_OPEN)) OnOpenMessage();
        return TRUE;
    }
    if (message == MSG_PREPARE && HasTag(wParam, TAG_PREPARE)) {
        if (parts_.keyDialog) parts_.keyDialog->Prepare();
        return TRUE;
    }
    if (message == MSG_KILL && HasTag(wParam, TAG_KILL)) {
        if (applying_) exitAfterApply_ = true;  // the write-out ends first
        else ExitProgram();
        return TRUE;
    }
    if (message == MSG_PROFILE && HasTag(wParam, TAG_PROFILE)) {
        if (!PutOffWhileWriting(MSG_PROFILE)) OnProfileMessage();
        return TRUE;
    }
    if (message == MSG_BANK && HasTag(wParam, TAG_BANK)) { OnBankMessage(); return TRUE; }
    if (message == MSG_DETACHED) { OnDetachedMessage(); return TRUE; }
    if (message == MSG_LANGUAGE && HasTag(wParam, TAG_LANGUAGE)) {
        if (about_.IsOpen()) SendMessageW(about_.GetSafeHwnd(), MSG_LANGUAGE, wParam, lParam);
        if (parts_.keyDialog && parts_.keyDialog->Handle() != nullptr)
            SendMessageW(parts_.keyDialog->Handle(), MSG_LANGUAGE, wParam, lParam);
        ApplyLanguageTexts();
        return TRUE;
    }
    if (message == kMsgBusyTimer) {
        if (wParam != 0) SetTimer(m_hWnd, TIMER_BUSY, kBusyTimerPeriodMs, nullptr);
        else KillTimer(m_hWnd, TIMER_BUSY);
        return TRUE;
    }
    if (message == MSG_SLIDER) {
        if (parts_.lighting) parts_.lighting->OnSlider(wParam, lParam);
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

HBRUSH CKelvaneDlg::OnStaticColour(HDC dc, HWND control) {
    if (parts_.lighting) {
        if (HBRUSH brush = parts_.lighting->StaticColour(dc, control); brush != nullptr) return brush;
    }
    // Labels and click areas lie on the skin: the background shows through them.
    RECT rc;
    GetClientRect(control, &rc);
    CBaseDialog::PaintBackgroundBehind(control, dc, rc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0xC8, 0xCC, 0xD4));
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

bool CKelvaneDlg::OnCommand(UINT id, UINT notifyCode) {
    // Menu items carry 0; of a control only the click counts (a link area's double click arrives as a click
    // and then STN_DBLCLK), so a double click reacts once. While a write runs the window is disabled: a click
    // that still arrives is not taken.
    if (applying_ && notifyCode == BN_CLICKED) return true;
    if (parts_.lighting && parts_.lighting->OnCommand(id, notifyCode)) return true;
    if (notifyCode != BN_CLICKED) return false;
    if (OnKeyCommand(id)) return true;
    switch (id) {
        case IDC_APPLY: (void)ApplyNow(); return true;
        case IDC_FUNC_MACRO: KeyClick(kMacroGKeyControl); return true;
        case IDC_FUNC_PROFILES:
            if (parts_.profileManager) parts_.profileManager->RunModal();
            return true;
        case IDC_TORVEL_LINK: OpenLink(id, linkText_.c_str()); return true;
        case IDC_HELP_BUTTON: OpenHelpPage(m_hWnd); return true;
        case IDC_MINIMIZE: PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0); return true;
        case IDC_CLOSE_BUTTON: ExitAsked(); return true;
        case IDC_MENU_BUTTON: ShowFileMenu(); return true;
        case IDC_LOCK_AB:
        case IDC_FLIP_0: return true;
        case IDC_FLIP_1:
        case IDC_FLIP_2: ToggleFlip(); return true;
        case IDC_PROFILE1: SelectProfile(0); return true;
        case IDC_PROFILE2: SelectProfile(1); return true;
        case IDC_PROFILE3: SelectProfile(2); return true;
        case IDC_FUNC_DEFAULT: RestoreDefaults(); return true;
        case IDC_REPORT1: SetReportRate(0); return true;
        case IDC_REPORT2: SetReportRate(1); return true;
        case IDC_REPORT3: SetReportRate(2); return true;
        case IDC_REPORT4: SetReportRate(3); return true;
        case IDC_NETWORK: OpenLink(id, kWebSite); return true;
        case IDC_FACEBOOK: OpenLink(id, kSocialPage1); return true;
        case IDC_TWITTER: OpenLink(id, kSocialPage2); return true;
        case ID_TRAY_OPEN: ShowMainWindow(); return true;
        case ID_MENU_RELOAD_LIGHTING:
            ReloadLighting();
            tray_.RefreshTooltip();
            InvalidateRect(m_hWnd, nullptr, TRUE);
            return true;
        case ID_TRAY_ABOUT: ShowAboutBox(); return true;
        case ID_TRAY_EXIT:
        case ID_MENU_EXIT: ExitAsked(); return true;
        case ID_FILE_IMPORT:
            if (parts_.profileFlows) {
                parts_.profileFlows->Import();
                RefreshKeyMarks();
            }
            return true;
        case ID_FILE_EXPORT:
            if (parts_.profileFlows) parts_.profileFlows->Export();
            return true;
        case ID_MENU_UPDATE:
            if (parts_.updateDialog) parts_.updateDialog->RunModal();
            return true;
        default: return false;
    }
}

// The keyboard picture's commands: with per-key lighting edit on, a key (and D1-D6, 1057, Fn) paints its
// colour; otherwise it opens the key assignment dialog. G-keys always open the dialog.
bool CKelvaneDlg::OnKeyCommand(UINT id) {
    const bool dKey = std::find(std::begin(kDKeys), std::end(kDKeys), static_cast<int>(id)) != std::end(kDKeys);
    const bool pictureKey = KeyboardPicture::IsPictureControl(id) || dKey || id == kExtraKey;
    if (!pictureKey) return false;
    const bool gKey = std::find(std::begin(kGKeyButtons), std::end(kGKeyButtons), static_cast<int>(id)) !=
                      std::end(kGKeyButtons);
    if (!gKey && parts_.lighting && parts_.lighting->PerKeyEdit()) {
        parts_.lighting->PaintKey(id);
        return true;
    }
    KeyClick(id);  // Fn, D1-D6 and 1057 are no keys: nothing happens
    return true;
}

int CKelvaneDlg::KeyClick(UINT controlId) {
    if (parts_.keyDialog) parts_.keyDialog->SetMacroFlag(controlId == kMacroGKeyControl);
    const std::optional<KeyClickTarget> target = TargetOfKeyControl(static_cast<int>(controlId), CurrentGKeyBank());
    if (!target) return -1;
    SetPropW(m_hWnd, kKeyTargetProperty,
             reinterpret_cast<HANDLE>(static_cast<uintptr_t>(target->keyIndex) |
                                      (target->macroFlag ? kKeyTargetMacroFlag : 0)));
    if (!parts_.keyDialog) return 0;
    parts_.keyDialog->SetTarget(0, target->keyIndex, controlId);
    picture_.SetSelectedLook(controlId);
    parts_.keyDialog->RunModal();
    return 0;
}

void CKelvaneDlg::OnOK() {
    (void)ApplyNow();
    HideMainWindow();
}

void CKelvaneDlg::OnCancel() { HideMainWindow(); }

void CKelvaneDlg::OnInitMessage() {
    if (exiting_) return;  // the program is ending: no icon is ever added again
    tray_.Create(m_hWnd);
    initialised_.store(true);
    MarkWindowInitialised();
    HideMainWindow();
}

void CKelvaneDlg::OnOpenMessage() {
    (void)ReplyMessage(0);  // a second start goes its way now, not after the prompts below
    ShowMainWindow();
    if (CheckFirmwareVersion() == FirmwareCheck::Declined) ExitProgram();
}

void CKelvaneDlg::ShowMainWindow() {
    if (!KeyboardAttached()) {
        MessageBoxW(m_hWnd, UiText("MAIN_NO_DEVICE_PROMPT").c_str(), L"", MB_OK);
        return;
    }
    const bool first = !shownOnce_;
    if (!shownOnce_ || !IsWindowVisible(m_hWnd)) {
        if (!shownOnce_) CentreOnCursorMonitor();
    }
    shownOnce_ = true;
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE,
                      (GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & ~WS_EX_TOOLWINDOW) | WS_EX_APPWINDOW);
    ShowWindow(m_hWnd, IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOWNORMAL);
    SetForegroundWindow(m_hWnd);
    if (first) {
        // The window is painted first; then, once, the key dialog is built hidden, so that the first key
        // the user clicks opens it as quickly as every later one.
        UpdateWindow(m_hWnd);
        PostMessageW(m_hWnd, MSG_PREPARE, TAG_PREPARE, 0);
    }
    FollowVisibility();
}

void CKelvaneDlg::HideMainWindow() {
    ShowWindow(m_hWnd, SW_HIDE);
    FollowVisibility();
}

// The lighting preview runs only while the window can be seen. Whoever hides or shows it (the device link
// on detach, minimise and restore, the notification area), the panel hears of each change once.
void CKelvaneDlg::FollowVisibility() {
    const bool seen = IsWindowVisible(m_hWnd) != FALSE && IsIconic(m_hWnd) == FALSE;
    if (seen == seenByUser_) return;
    seenByUser_ = seen;
    if (parts_.lighting) parts_.lighting->WindowShown(seen);
}

// The template puts the window at 0,0; it opens in the middle of the work area of the monitor the cursor
// is on.
void CKelvaneDlg::CentreOnCursorMonitor() {
    POINT cursor{};
    GetCursorPos(&cursor);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &info)) return;
    RECT window;
    GetWindowRect(m_hWnd, &window);
    const int w = window.right - window.left, h = window.bottom - window.top;
    const RECT& area = info.rcWork;
    const int x = area.left + std::max(0, static_cast<int>((area.right - area.left - w) / 2));
    const int y = area.top + std::max(0, static_cast<int>((area.bottom - area.top - h) / 2));
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CKelvaneDlg::ApplyLanguageTexts() {
    const struct {
        UINT id;
        const char* tip;
    } tips[] = {{IDC_MINIMIZE, "MAIN_MINIMIZE_PROMPT"}, {IDC_MENU_BUTTON, "MAIN_MENU_PROMPT"},
                {IDC_CLOSE_BUTTON, "MAIN_CLOSE_PROMPT"}, {IDC_HELP_BUTTON, "MAIN_HELP_PROMPT"}};
    for (const auto& t : tips)
        if (CPngButton* b = ButtonOf(t.id)) b->SetTooltip(UiText(t.tip).c_str(), true);
    if (parts_.lighting) parts_.lighting->ApplyLanguage();
    // The system menu's About item (the taskbar's menu of the window) speaks the program's language too.
    if (HMENU system = GetSystemMenu(m_hWnd, FALSE); system != nullptr) {
        const std::wstring about = UiText("MENU_22");
        ModifyMenuW(system, IDM_ABOUTBOX, MF_BYCOMMAND | MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
    const std::wstring usb = LookupLightText("Usb", UiLanguageIndex());
    SetDlgItemTextW(m_hWnd, IDC_USB_STATIC, usb.c_str());
    SetLabelFont(GetDlgItem(m_hWnd, IDC_USB_STATIC), usb);

    const struct {
        UINT id;
        const char* key;
    } captions[] = {
        {IDC_PROFILE1, "PROFILE_1"},       {IDC_PROFILE2, "PROFILE_2"},     {IDC_PROFILE3, "PROFILE_3"},
        {IDC_FUNC_MACRO, "PROFILE_MACRO"}, {IDC_FUNC_DEFAULT, "PROFILE_DEFAULT"},
        {IDOK, "PROFILE_OK"},              {IDCANCEL, "PROFILE_CANCLE"}, {IDC_APPLY, "PROFILE_APPLY"},
        {IDC_FUNC_PROFILES, "MAIN_PROFILES"},
    };
    // These buttons carry an icon at their left end: their captions are centred in the rest.
    constexpr UINT kWithIcon[] = {IDC_PROFILE1, IDC_PROFILE2, IDC_PROFILE3, IDC_FUNC_MACRO, IDC_FUNC_DEFAULT};
    constexpr int kIconWidth = 30;
    for (const auto& c : captions) {
        SetDlgItemTextW(m_hWnd, static_cast<int>(c.id), UiText(c.key).c_str());
        if (CPngButton* b = ButtonOf(c.id)) {
            const bool rotated = c.id == IDC_FUNC_PROFILES;
            if (std::find(std::begin(kWithIcon), std::end(kWithIcon), c.id) != std::end(kWithIcon))
                b->SetCaptionMargins(kIconWidth, 0, 0, 0);
            b->SetCaptionStyle(true, 10, L"Arial Unicode MS", kCaptionColours,
                               rotated ? kCaptionLeftBottom : kCaptionCentred);
        }
    }
    InvalidateRect(GetDlgItem(m_hWnd, IDC_USB_STATIC), nullptr, TRUE);
}

// A label's font: the captions' face at 10 points and the window's density, Chinese-capable when the text
// needs it.
void CKelvaneDlg::SetLabelFont(HWND label, const std::wstring& text) {
    if (label == nullptr) return;
    HDC dc = GetDC(label);
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(10, Dpi(), 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    const std::wstring face =
        CPngButton::FaceForText(dc, L"Arial Unicode MS", text.c_str(), static_cast<int>(text.size()));
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    ReleaseDC(label, dc);
    HFONT font = CreateFontIndirectW(&lf);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (labelFont_ != nullptr) DeleteObject(labelFont_);
    labelFont_ = font;
}

void CKelvaneDlg::OnDpiChanged(int) { ApplyLanguageTexts(); }

void CKelvaneDlg::OnProfileMessage() {
    if (parts_.profileFlows) parts_.profileFlows->LoadOnAttach();
    else ReloadProfileData();
    const int profile = KeyboardProfile();
    if (profile >= 0 && profile <= 2) {
        SetCurrentProfile(profile);
        ShowProfileButtons(profile);
    }
    FollowCurrentProfile();
}

// The lighting (panel or report rate) and the key marks show the current profile.
void CKelvaneDlg::FollowCurrentProfile() {
    if (parts_.lighting) {
        parts_.lighting->Reload(CurrentProfile());
        parts_.lighting->ProfileChanged(CurrentProfile());
        parts_.lighting->Refresh();
    } else {
        ReloadLighting();
    }
    RefreshKeyMarks();
}

// A keyboard was attached: read its key tables and macros into the working file and load that. When the
// keyboard cannot be read, what could be read (or the default block) stands in, marked as not the keyboard's,
// so Apply reads again before it writes.
void CKelvaneDlg::ReloadProfileData() {
    if (KeyboardProfile() < 0) {
        UseDefaultBlockUnread(TheProfileData());
        return;
    }
    const std::wstring prefix = UiText("MACRO_NEW_PREFIX");
    (void)RefreshFromKeyboard(CommandSetDataLink(), CurrentDefaultKeyTable(),
                              std::u16string(prefix.begin(), prefix.end()), WorkingFile(), TheProfileData());
}

// Without the lighting panel the window still follows the keyboard's report rate: byte 15 of the current
// profile's lighting record.
void CKelvaneDlg::ReloadLighting() { ReloadLightingOf(CurrentProfile()); }

void CKelvaneDlg::ReloadLightingOf(int profile) {
    if (parts_.lighting) {
        parts_.lighting->Reload(profile);
        parts_.lighting->Refresh();
        return;
    }
    uint8_t info[kInfoSize] = {};
    (void)ReadInfo(info);
    uint8_t rate[kPayloadSize] = {};
    if (ReadLighting(rate, 1, static_cast<int>(profile * kLightingRecordSize + kReportRateOffset)) == kResultSuccess)
        ShowReportRate(std::min<int>(rate[0], 3));
}

// The marks show the keys of the profile the key dialog reads and stores in.
void CKelvaneDlg::RefreshKeyMarks() { picture_.RefreshMarks(KeyEditProfile(), CurrentGKeyBank()); }

void CKelvaneDlg::ShowKeyColours() {
    if (!parts_.lighting) return;
    LightingPart& lighting = *parts_.lighting;
    picture_.ShowColours([&lighting](UINT id, COLORREF& colour) { return lighting.KeyColour(id, colour); });
}

void CKelvaneDlg::ShowReportRate(int index) {
    if (index < 0 || index > 3) return;
    reportRate_ = index;
    for (int i = 0; i < 4; ++i)
        if (CPngButton* b = ButtonOf(static_cast<UINT>(kReportButtons[i]))) b->SetChecked(i == index, true);
}

void CKelvaneDlg::LightingReloaded() {
    tray_.RefreshTooltip();
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CKelvaneDlg::ShowProfileButtons(int profile) {
    for (int i = 0; i < 3; ++i)
        if (CPngButton* b = ButtonOf(static_cast<UINT>(kProfileButtons[i]))) b->SetChecked(i == profile, true);
}

int CKelvaneDlg::SelectProfile(int profile) {
    if (profile < 0 || profile > 2) return 0;
    // The lighting of the profile asked for is read (and its colour page sent) first; the window takes the
    // profile as its own only once the keyboard uses it.
    if (parts_.lighting) {
        parts_.lighting->Reload(profile);
        parts_.lighting->ProfileChanged(profile);
        parts_.lighting->Refresh();
        if (parts_.lighting->PerKeyEdit()) parts_.lighting->EndPerKeyEdit();
    } else {
        ReloadLightingOf(profile);
    }
    if (GetDeviceProfile() == profile) {
        SetCurrentProfile(profile);
        return 1;
    }
    int switched = 0;
    if (parts_.profileFlows) switched = parts_.profileFlows->SwitchProfile(profile);
    else switched = WriteDeviceProfile(profile) == kResultSuccess ? 1 : 0;
    if (switched == 0) {
        // Refused or failed: the window goes on with the profile the keyboard still uses, its lighting too.
        FollowCurrentProfile();
        return 0;
    }
    SetCurrentProfile(profile);
    ShowProfileButtons(profile);
    RefreshKeyMarks();
    RedrawPicture();
    return switched;
}

void CKelvaneDlg::SetReportRate(int index) {
    ShowReportRate(index);
    const uint8_t value = static_cast<uint8_t>(index);
    (void)SendBegin();
    (void)WriteLighting(&value, 1, static_cast<int>(CurrentProfile() * kLightingRecordSize + kReportRateOffset));
    (void)SendEnd();
}

void CKelvaneDlg::RestoreDefaults() {
    if (MessageBoxW(m_hWnd, UiText("MAIN_PROMPT_DEFAULT").c_str(), UiText("MAIN_CAPTION").c_str(),
                    MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) != IDYES)
        return;
    ResetKeysToDefault(TheProfileData(), static_cast<unsigned>(KeyEditProfile()), static_cast<unsigned>(CurrentGKeyBank()));
    RefreshKeyMarks();
    SetDirty(true);
    if (parts_.lighting && parts_.lighting->PerKeyEdit()) parts_.lighting->RestoreDefaults();
    (void)ApplyNow();
}

int CKelvaneDlg::ReadFlip() const {
    const std::wstring text = GetProfileString(L"PROFILES", L"Flip", L"0");
    return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}

void CKelvaneDlg::ToggleFlip() {
    const int next = ReadFlip() != 0 ? 0 : 1;
    (void)WriteProfileString(L"PROFILES", L"Flip", next == 1 ? L"1" : L"0");
    ApplyFlip();
}

void CKelvaneDlg::ApplyFlip() {
    const bool flipped = ReadFlip() != 0;
    picture_.EnableKeys(kFKeys, static_cast<int>(std::size(kFKeys)), !flipped);
    picture_.EnableKeys(kDKeys, static_cast<int>(std::size(kDKeys)), flipped);
    if (CPngButton* indicator = ButtonOf(IDC_FLIP_0)) {
        const int base = flipped ? N2 : N;
        auto* n = &surfaces_[static_cast<std::size_t>(base)];
        auto* d = &surfaces_[static_cast<std::size_t>(base + 3)];
        indicator->SetImages({n, n, n, d, n}, true);
    }
}

// FLIP_1 / FLIP_2 drawn in their resting look: the arrow beside each shows up (Flip on) or down.
void CKelvaneDlg::OnFlipButtonPainted(bool left, bool drawnWithNormal) {
    if (!drawnWithNormal) return;
    CPngButton* arrow = ButtonOf(left ? IDC_LEFT_ARROW : IDC_RIGHT_ARROW);
    if (arrow == nullptr) return;
    const bool flipped = ReadFlip() != 0;
    wchar_t origin[40];
    swprintf(origin, 40, L"%s%d", left ? (flipped ? L"UP_ARROW_LEFT" : L"DOWN_ARROW_LEFT")
                                       : (flipped ? L"UP_ARROW_RIGHT" : L"DOWN_ARROW_RIGHT"), 1);
    kv::skin::PlaceArrow(*arrow, Layout(), L"BUTTONINFO", left ? L"LEFT_ARROW" : L"RIGHT_ARROW", L"BUTTONINFO2",
                         origin, &surfaces_[ARROW]);
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

void CKelvaneDlg::ShowBankLooks(int bank) {
    CPngButton* indicator = ButtonOf(IDC_LOCK_AB);
    if (indicator == nullptr) return;
    auto* n = &surfaces_[N];
    auto* h = &surfaces_[H];
    if (bank != 0) indicator->SetImages({h, h, h, h, n}, true);
    else indicator->SetImages({n, n, n, n, h}, true);
}

void CKelvaneDlg::OnBankMessage() {
    // G1-G5 are named after the bank they now play: "A1".."A5" or "B1".."B5".
    const int bank = CurrentGKeyBank();
    const wchar_t bankLetter = bank == 0 ? L'A' : L'B';
    for (int i = 0; i < 5; ++i) {
        const wchar_t caption[3] = {bankLetter, static_cast<wchar_t>(L'1' + i), 0};
        SetDlgItemTextW(m_hWnd, kGKeyButtons[i], caption);
    }
    ShowBankLooks(bank);
    RefreshKeyMarks();
}

void CKelvaneDlg::CloseChildDialogs() {
    about_.Close();
    if (parts_.profileManager && parts_.profileManager->IsOpen()) parts_.profileManager->Close();
    if (parts_.keyDialog && parts_.keyDialog->IsOpen()) parts_.keyDialog->Close();
    if (parts_.updateDialog && parts_.updateDialog->IsOpen()) parts_.updateDialog->Close();
}

void CKelvaneDlg::OnDetachedMessage() {
    CloseChildDialogs();
    if (HWND effects = GetDlgItem(m_hWnd, kEffectList); effects != nullptr) SetFocus(effects);
    if (HWND first = GetDlgItem(m_hWnd, IDC_PROFILE1); first != nullptr) SetFocus(first);
}

void CKelvaneDlg::OnTrayCallback(LPARAM mouseMessage) {
    if (applying_) return;  // the window takes no commands while Apply writes
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
        case TIMER_BUSY:
            busyFrame_ = (busyFrame_ + 1) % 10;
            InvalidateRect(GetDlgItem(m_hWnd, IDC_BUSY_INDICATOR), nullptr, FALSE);
            break;
        case TIMER_RELOAD_LIGHTING:
            KillTimer(m_hWnd, TIMER_RELOAD_LIGHTING);
            if (!PutOffWhileWriting(TIMER_RELOAD_LIGHTING)) ReloadLighting();
            break;
        case TIMER_PREVIEW:
            // The preview runs only while the panel shows one; the panel arms the timer again itself.
            KillTimer(m_hWnd, TIMER_PREVIEW);
            if (parts_.lighting && parts_.lighting->PerKeyEdit()) parts_.lighting->PreviewStep();
            break;
        default: break;
    }
}

void CKelvaneDlg::DrawBusyFrame(const DRAWITEMSTRUCT& item) {
    if (busyFrames_.empty()) {
        for (int i = 1; i <= 10; ++i) {
            wchar_t name[16];
            swprintf(name, 16, L"jdt%d.bmp", i);
            busyFrames_.push_back(kv::skin::DecodePictureFile(SkinDirectory() + name));
        }
    }
    CBaseDialog::PaintBackgroundBehind(item.hwndItem, item.hDC, item.rcItem);
    const auto& frame = busyFrames_[static_cast<std::size_t>(busyFrame_ % 10)];
    if (frame) kv::skin::DrawPicture(item.hDC, *frame, kv::skin::WindowDpi(m_hWnd));
}

// An image button turns a double click into two clicks; the page opens once for both.
void CKelvaneDlg::OpenLink(UINT id, const wchar_t* target) {
    const DWORD now = GetTickCount();
    if (id == lastLinkId_ && now - lastLinkTick_ <= GetDoubleClickTime()) return;
    lastLinkId_ = id;
    lastLinkTick_ = now;
    OpenWithShell(m_hWnd, target);
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
        widgets::TrackSkinMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, m_hWnd);
    }
    DestroyMenu(menu);
}

bool CKelvaneDlg::ApplyNow() {
    if (!StartWriting()) return false;  // one write at a time
    ProgressThread progress;
    const bool withIndicator = progress.Start(m_hWnd, GetDlgItem(m_hWnd, IDC_BUSY_INDICATOR));
    Sleep(100);
    if (withIndicator) progress.Show();
    bool written = true;
    if (dirty_) {
        written = WriteProfileDataToKeyboard();
        if (written) SetDirty(false);
    }
    if (withIndicator) progress.Hide();
    EndWriting();
    return written;
}

bool CKelvaneDlg::WriteProfileDataToKeyboard() {
    if (!ConfirmKeyboardWrite(m_hWnd)) return false;  // data the keyboard never held replaces it only when asked
    const bool saved = SaveProfileFile(WorkingFile(), TheProfileData());
    KeyTableBlock defaults{};
    CopyDefaultKeyTable(defaults.data());
    CheckedDataLink link(CommandSetDataLink());
    const std::size_t capacity = static_cast<std::size_t>(std::max(0, KeyboardMacroCapacity()));
    ProfileWriteOutcome outcome;
    // The reports go out on a thread of their own while this thread keeps pumping the window's messages: the
    // busy animation runs, the window repaints, and a bank switch posted meanwhile is shown. The window takes
    // no input until the write-out has ended.
    RunWhilePumping([&] {
        outcome = CreateSnapshotAndWrite(TheProfileData(), TheProfileDataSnapshot(), link, capacity, defaults,
                                         std::nullopt);
    });
    if (outcome.messageKey != nullptr)
        MessageBoxW(m_hWnd, UiText(outcome.messageKey).c_str(), UiText("MAIN_CAPTION").c_str(),
                    MB_OK | (outcome.written ? MB_ICONINFORMATION : MB_ICONWARNING));
    return saved && outcome.written && link.AllSucceeded();
}

void CKelvaneDlg::RunWhilePumping(const std::function<void()>& work) {
    const bool wasEnabled = IsWindowEnabled(m_hWnd) != FALSE;
    EnableWindow(m_hWnd, FALSE);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&work, done] {
        work();
        if (done != nullptr) SetEvent(done);
    });
    while (done != nullptr) {
        const DWORD r = MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1) break;  // the thread ended (or the wait failed)
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (done != nullptr) CloseHandle(done);
    worker.join();
    if (wasEnabled) EnableWindow(m_hWnd, TRUE);
}

// The user exits: edits waiting to be applied are applied, dropped, or the program stays, as the user says.
void CKelvaneDlg::ExitAsked() {
    if (askingExit_) return;  // one question at a time (the tray's menu stays usable while it is open)
    if (dirty_) {
        askingExit_ = true;
        const int answer = AskBeforeExit(m_hWnd);
        askingExit_ = false;
        if (exiting_) return;  // ended meanwhile (MSG_KILL), the edits kept
        switch (answer) {
            case IDYES:
                if (!ApplyNow()) return;  // the write failed and said so: the edits and the program stay
                break;
            case IDNO: SetDirty(false); break;
            default: return;
        }
    }
    ExitProgram();
}

void CKelvaneDlg::ExitProgram() {
    if (exiting_) return;
    if (dirty_) KeepEditsForNextStart();  // told to end without a question (MSG_KILL, a declined update)
    exiting_ = true;
    HideMainWindow();
    CloseChildDialogs();
    CloseInstanceMutex();
    CloseInstanceEvents();
    tray_.Remove();
    SetDirty(false);
    FreeProfileData();
    KillTimer(m_hWnd, TIMER_PREVIEW);
    KillTimer(m_hWnd, TIMER_BUSY);
    KillTimer(m_hWnd, TIMER_RELOAD_LIGHTING);
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
// list. The About box is modeless inside the main window's modal loop: its keys (Enter, Escape, Tab) are
// given to it here, since that loop only knows the main window. The dialog's own loop asks this filter
// before it dispatches a message.
LRESULT CALLBACK CKelvaneDlg::KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    CKelvaneDlg* self = g_instance.load();
    if (code == MSGF_DIALOGBOX && self != nullptr && self->m_hWnd != nullptr && msg != nullptr) {
        HWND about = self->about_.IsOpen() ? self->about_.GetSafeHwnd() : nullptr;
        if (about != nullptr && (msg->hwnd == about || IsChild(about, msg->hwnd)) &&
            IsDialogMessageW(about, msg))
            return 1;
        if ((msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) &&
            (msg->hwnd == self->m_hWnd || IsChild(self->m_hWnd, msg->hwnd))) {
            if (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE) return 1;
            const bool arrow = msg->wParam == VK_LEFT || msg->wParam == VK_RIGHT || msg->wParam == VK_UP ||
                               msg->wParam == VK_DOWN;
            if (arrow && GetDlgCtrlID(GetFocus()) == kEffectList && IsChild(self->m_hWnd, GetFocus())) return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace kv
