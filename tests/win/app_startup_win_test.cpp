// Kelvane.exe end to end: start-up, start hidden, the single-instance protocol and the start-up failures.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/app_messages.h"
#include "app/single_instance_win.h"
#include "app_session_win.h"
#include "device/firmware_check.h"
#include "skin/language.h"
#include "ui/tray_icon_win.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

std::wstring Text(const char* key) { return kv::LookupText(key, kv::GetLanguageIndex()); }

// Watches the program from launch until it is initialised: true if its main window was ever shown, seen
// both by the system's "object shown" events (which catch a show however short) and by polling.
std::atomic<DWORD> g_watchedPid{0};
std::atomic<bool> g_shown{false};

void CALLBACK OnShow(HWINEVENTHOOK, DWORD, HWND w, LONG idObject, LONG, DWORD, DWORD) {
    if (idObject != OBJID_WINDOW || w == nullptr) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    // A show seen once the tray picture is set came after initialisation (the first attach opens the
    // window then); events arrive late, so only one seen before that counts.
    if (pid == g_watchedPid.load() && static_cast<uint32_t>(GetWindowLongPtrW(w, GWLP_USERDATA)) == kv::kMainWindowTag &&
        GetPropW(w, kv::kTrayPictureProperty) == nullptr)
        g_shown = true;
}

// watchAfter: how long to go on watching once the program is initialised (the dialog framework would show
// a modal dialog when its queue first runs empty, which is after initialisation).
bool LaunchWatchingStartUp(AppSession& s, const std::wstring& args,
                           std::chrono::milliseconds watchAfter = std::chrono::milliseconds(0)) {
    g_shown = false;
    g_watchedPid = 0;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, OnShow, 0, 0,
                                         WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    const Launched p = s.Launch(args);
    g_watchedPid = p.pid;
    WaitFor([&] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        // Visibility first: visible while the tray picture is still unset is a show before initialisation.
        const bool visible = s.MainVisible();
        const bool initialised = s.TrayPicture() != 0;
        if (visible && !initialised) g_shown = true;
        return initialised;
    }, 15s);
    const auto until = std::chrono::steady_clock::now() + watchAfter;
    while (std::chrono::steady_clock::now() < until) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (s.MainVisible()) g_shown = true;
        std::this_thread::sleep_for(10ms);
    }
    if (hook != nullptr) UnhookWinEvent(hook);
    return g_shown.load();
}

TEST(AppStartUp, NeverShowsTheWindowAndTheFirstAttachOpensIt) {
    AppSession s("first-attach-opens");
    EXPECT_FALSE(LaunchWatchingStartUp(s, L""));
    ASSERT_TRUE(s.WaitInitialised());
    EXPECT_TRUE(WaitFor([&] { return s.MainVisible(); }));
    EXPECT_EQ(s.TrayPicture(), kv::kIconAttached);
    // The attach handling ran once: the default key table was read as seven chunks, not fourteen.
    std::vector<std::vector<uint8_t>> reports;
    ASSERT_TRUE(s.Vk().Reports("vendor:", reports));
    int defaultTableChunks = 0;
    for (const auto& r : reports)
        if (r.size() > 3 && r[3] == 15) ++defaultTableChunks;
    EXPECT_EQ(defaultTableChunks, 7);
    // The daemon runs beside it.
    EXPECT_NE(kv::FindRunningInstance(L"Tirvane.exe"), 0u);
}

TEST(AppStartUp, StartSwitchKeepsItInTheNotificationArea) {
    AppSession s("start-switch");
    EXPECT_FALSE(LaunchWatchingStartUp(s, L"/START", 1500ms));
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }));
    ASSERT_TRUE(SettleWindow(s.MainWindow(), 3));
    EXPECT_FALSE(s.MainVisible());
}

TEST(AppStartUp, WithoutKeyboardStaysHiddenWithTheNoKeyboardPicture) {
    AppSession s("no-keyboard", /*attached=*/false);
    EXPECT_FALSE(LaunchWatchingStartUp(s, L"", 1500ms));
    EXPECT_FALSE(s.MainVisible());
    EXPECT_EQ(s.TrayPicture(), kv::kIconNoKeyboard);
    // Opening from the icon says there is no keyboard and leaves the window hidden.
    PostMessageW(s.MainWindow(), kv::MSG_TRAY_CALLBACK, kv::TRAY_ICON_ID, WM_LBUTTONDBLCLK);
    HWND box = s.WaitMessageBox(L"");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), Text("MAIN_NO_DEVICE_PROMPT"));
    Answer(box, IDOK);
    EXPECT_TRUE(WaitFor([&] { return s.FindMessageBox(L"") == nullptr; }));
    EXPECT_FALSE(s.MainVisible());
    // A later first attach does not open the window: the offer was used up by the absent keyboard.
    ASSERT_TRUE(s.Vk().Attach());
    EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }));
    ASSERT_TRUE(SettleWindow(s.MainWindow(), 3));
    EXPECT_FALSE(s.MainVisible());
}

TEST(AppStartUp, SecondStartOpensTheFirstAndExits) {
    AppSession s("second-start");
    const Launched first = s.Launch(L"/Start");
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }));
    ASSERT_FALSE(s.MainVisible());
    const Launched second = s.Launch(L"");
    EXPECT_EQ(s.WaitExit(second), 0u);
    EXPECT_TRUE(WaitFor([&] { return s.MainVisible(); }));
    EXPECT_EQ(s.WaitExit(first, 0ms), static_cast<DWORD>(STILL_ACTIVE));
    // Firmware V0103 is new enough: no offer.
    EXPECT_TRUE(s.FindMessageBox(kv::LookupText(kv::kFirmwareTooLowCaptionKey, kv::GetLanguageIndex())) == nullptr);
}

TEST(AppStartUp, SecondStartWithoutKeyboardGetsTheMessageAndEndsAtOnce) {
    AppSession s("second-start-no-keyboard", /*attached=*/false);
    s.Launch(L"");
    ASSERT_TRUE(s.WaitInitialised());
    const Launched second = s.Launch(L"");
    HWND box = s.WaitMessageBox(L"");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), Text("MAIN_NO_DEVICE_PROMPT"));
    // The instance takes the message before it shows anything that waits for the user: the second start
    // ends while the message is still open.
    EXPECT_EQ(s.WaitExit(second), 0u);
    EXPECT_TRUE(IsWindow(box));
    Answer(box, IDOK);
    EXPECT_FALSE(s.MainVisible());
}

TEST(AppStartUp, KillSwitchEndsTheRunningInstance) {
    AppSession s("kill");
    const Launched first = s.Launch(L"/Start");
    ASSERT_TRUE(s.WaitInitialised());
    // Both switches: the instance is told to exit and "/Start" has no lasting effect.
    const Launched killer = s.Launch(L"/start /kill");
    EXPECT_EQ(s.WaitExit(killer), 0u);
    EXPECT_EQ(s.WaitExit(first), 0u);
    // The mutex is free again: a new start becomes the instance.
    AppSession again("kill-after");
    again.Launch(L"/Start");
    EXPECT_TRUE(again.WaitInitialised());
}

TEST(AppStartUp, KillSwitchWithoutInstanceStartsNormally) {
    AppSession s("kill-alone");
    const Launched p = s.Launch(L"/KILL /Start -Start");
    EXPECT_TRUE(s.WaitInitialised());
    EXPECT_EQ(s.WaitExit(p, 0ms), static_cast<DWORD>(STILL_ACTIVE));
    PostMessageW(s.MainWindow(), kv::MSG_KILL, 0x12345678, 0);  // a wrong tag is ignored
    EXPECT_EQ(s.WaitExit(p, 1000ms), static_cast<DWORD>(STILL_ACTIVE));
    PostMessageW(s.MainWindow(), WM_COMMAND, MAKEWPARAM(32774, 0), 0);  // tray menu "Exit"
    EXPECT_EQ(s.WaitExit(p), 0u);
}

// A program folder of its own: the executable, its skin and language files, and the given service library.
void CopyMatching(const std::wstring& from, const std::wstring& to, const std::wstring& pattern) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((from + L"\\" + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            CopyFileW((from + L"\\" + fd.cFileName).c_str(), (to + L"\\" + fd.cFileName).c_str(), FALSE);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

TEST(AppStartUp, MissingOrBrokenServiceLibraryEndsSilently) {
    struct Case {
        const char* name;
        const wchar_t* library;  // folder under bin holding the Quorvex.dll to use, or null for none
        bool runs;
    } cases[] = {
        {"real", L".", true},  // the same folder with the real library: the program runs
        {"none", nullptr, false},
        {"no-export", L"app_probe_without_status_get", false},
        {"init-fails", L"app_probe_init_fails", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AppSession s(std::string("binding-") + c.name);
        const std::wstring folder = s.ScratchFolder(L"program");
        CreateDirectoryW((folder + L"\\Skins").c_str(), nullptr);
        CopyMatching(BinFolder(), folder, L"Kelvane.exe");
        CopyMatching(BinFolder(), folder, L"Lang*.ini");
        CopyMatching(BinFolder() + L"\\Skins", folder + L"\\Skins", L"*");
        DeleteFileW((folder + L"\\Quorvex.dll").c_str());
        if (c.library != nullptr) CopyMatching(BinFolder() + L"\\" + c.library, folder, L"Quorvex.dll");
        bool sawWindow = false;
        const Launched p = s.Launch(L"/Start", folder);
        WaitFor([&] {
            if (s.MainWindow() != nullptr) sawWindow = true;
            return WaitForSingleObject(p.process, 0) == WAIT_OBJECT_0 || s.TrayPicture() != 0;
        }, 15s);
        if (c.runs) {
            EXPECT_TRUE(s.WaitInitialised());
            PostMessageW(s.MainWindow(), kv::MSG_KILL, kv::TAG_KILL, 0);
        } else {
            EXPECT_FALSE(sawWindow);
        }
        EXPECT_EQ(s.WaitExit(p), 0u);
    }
}

TEST(AppStartUp, FirstRunSeedsTheUserFolderAndTheAttachReadsTheKeyboard) {
    AppSession s("seed");
    s.Launch(L"/Start");
    ASSERT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }));
    std::vector<char> templ;
    {
        HANDLE f = CreateFileW((BinFolder() + L"\\Skins\\UserDengColor_3.userd").c_str(), GENERIC_READ, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        templ.resize(GetFileSize(f, nullptr));
        DWORD got = 0;
        ReadFile(f, templ.data(), static_cast<DWORD>(templ.size()), &got, nullptr);
        CloseHandle(f);
    }
    for (int n = 0; n < 3; ++n) {
        const std::wstring f = s.UserFolderRoot() + L"\\Halvorn\\UserDengColor_" + std::to_wstring(n) + L".userd";
        WIN32_FILE_ATTRIBUTE_DATA a{};
        ASSERT_TRUE(GetFileAttributesExW(f.c_str(), GetFileExInfoStandard, &a)) << n;
        EXPECT_EQ(a.nFileSizeLow, templ.size()) << n;
    }
    // The attach read the keyboard's key tables and macros into the working profile data file.
    WIN32_FILE_ATTRIBUTE_DATA working{};
    EXPECT_TRUE(WaitFor([&] {
        return GetFileAttributesExW((s.UserFolderRoot() + L"\\Halvorn\\$Profile0").c_str(), GetFileExInfoStandard,
                                    &working) != FALSE;
    }));
    EXPECT_GE(working.nFileSizeLow, 32832u);
}

// NotifyInstance against windows of this very process: only the window tagged "MAIN" gets the message.
std::atomic<int> g_openSeen{0}, g_killSeen{0}, g_untaggedSeen{0};

LRESULT CALLBACK Recorder(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    const bool tagged = static_cast<uint32_t>(GetWindowLongPtrW(w, GWLP_USERDATA)) == kv::kMainWindowTag;
    if (m == kv::MSG_OPEN || m == kv::MSG_KILL) {
        if (!tagged) ++g_untaggedSeen;
        else if (m == kv::MSG_OPEN && wp == kv::TAG_OPEN) ++g_openSeen;
        else if (m == kv::MSG_KILL && wp == kv::TAG_KILL) ++g_killSeen;
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

TEST(InstanceMessages, OnlyTheTaggedWindowIsTold) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Recorder;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KvInstanceRecorder";
    RegisterClassW(&wc);
    HWND tagged = CreateWindowExW(0, wc.lpszClassName, L"tagged", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    HWND untagged = CreateWindowExW(0, wc.lpszClassName, L"untagged", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    wc.hInstance, nullptr);  // created last: above the tagged one
    ASSERT_TRUE(tagged && untagged);
    EXPECT_EQ(kv::NotifyInstance(GetCurrentProcessId(), kv::kNotifyOpen), 1);
    EXPECT_EQ(g_openSeen.load(), 0);  // nobody is tagged yet
    SetWindowLongPtrW(tagged, GWLP_USERDATA, static_cast<LONG_PTR>(kv::kMainWindowTag));
    EXPECT_EQ(kv::NotifyInstance(GetCurrentProcessId(), kv::kNotifyOpen), 1);
    EXPECT_EQ(kv::NotifyInstance(GetCurrentProcessId(), kv::kNotifyKill), 1);
    EXPECT_EQ(g_openSeen.load(), 1);
    EXPECT_EQ(g_killSeen.load(), 1);
    EXPECT_EQ(g_untaggedSeen.load(), 0);
    EXPECT_EQ(kv::NotifyInstance(0x7FFFFFF0u, kv::kNotifyOpen), 0);  // no such process: nothing found
    DestroyWindow(untagged);
    DestroyWindow(tagged);
}

// A running instance whose window never answers (its thread is stuck) holds a second start for a bounded
// time only.
TEST(InstanceMessages, AnInstanceThatDoesNotAnswerHoldsTheStartForABoundedTime) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KvStuckInstance";
    RegisterClassW(&wc);
    HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> window{nullptr};
    std::thread stuck([&] {
        HWND w = CreateWindowExW(0, wc.lpszClassName, L"stuck", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        SetWindowLongPtrW(w, GWLP_USERDATA, static_cast<LONG_PTR>(kv::kMainWindowTag));
        window = w;
        SetEvent(created);
        WaitForSingleObject(release, INFINITE);  // takes no message until released
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        DestroyWindow(w);
    });
    ASSERT_EQ(WaitForSingleObject(created, 10000), WAIT_OBJECT_0);
    for (int mode : {kv::kNotifyOpen, kv::kNotifyKill}) {
        SCOPED_TRACE(mode);
        std::atomic<bool> returned{false};
        std::thread start([&] {
            (void)kv::NotifyInstance(GetCurrentProcessId(), mode);
            returned = true;
        });
        const bool bounded = WaitFor([&] { return returned.load(); }, std::chrono::milliseconds(kv::kInstanceMessageTimeoutMs) + 20s);
        if (!bounded) SetEvent(release);  // lets the send end, so the thread can be joined
        start.join();
        EXPECT_TRUE(bounded) << "the start waited for the stuck instance";
    }
    SetEvent(release);
    stuck.join();
    CloseHandle(created);
    CloseHandle(release);
}

TEST(AppStartUp, AWindowWithoutTheTagIsPassedOver) {
    // The About box is a top-level window of the instance without the tag, above the main window: a
    // second start still reaches the main window.
    AppSession s("untagged-window", /*attached=*/false);
    s.Launch(L"");
    ASSERT_TRUE(s.WaitInitialised());
    PostMessageW(s.MainWindow(), WM_COMMAND, MAKEWPARAM(32773, 0), 0);
    ASSERT_TRUE(WaitFor([&] { return s.OtherDialogs().size() == 1; }));
    HWND about = s.OtherDialogs().front();
    const Launched second = s.Launch(L"");
    HWND box = s.WaitMessageBox(L"");
    ASSERT_NE(box, nullptr);  // the main window answered with its no-keyboard message
    Answer(box, IDOK);
    EXPECT_EQ(s.WaitExit(second), 0u);
    EXPECT_TRUE(IsWindow(about));
}

}  // namespace
}  // namespace kvtest
