#include "app_session_win.h"

#include <thread>

#include <gtest/gtest.h>

#include "app/app_messages.h"
#include "skin/language.h"
#include "ui/resource_ids.h"
#include "ui/tray_icon_win.h"

namespace kvtest {
namespace {

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

struct Search {
    DWORD pid;
    std::function<bool(HWND)> match;
    std::vector<HWND> found;
};

BOOL CALLBACK Visit(HWND w, LPARAM p) {
    auto& s = *reinterpret_cast<Search*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s.pid && s.match(w)) s.found.push_back(w);
    return TRUE;
}

std::vector<HWND> TopWindowsOf(DWORD pid, std::function<bool(HWND)> match) {
    Search s{pid, std::move(match), {}};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool IsDialogClass(HWND w) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    return std::wstring(cls) == L"#32770";
}

void DeleteTree(const std::wstring& folder) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) DeleteTree(path);
            else DeleteFileW(path.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::wstring BinFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/"));
}

bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= end) return pred();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool SettleWindow(HWND w, int rounds, std::chrono::milliseconds limit) {
    // The test build of the program notes the number of each "KelvaneTestSettle" its window's thread takes
    // from its queue in the window's property "KelvaneTestSettled"; posted messages are taken in order.
    static const UINT settle = RegisterWindowMessageW(L"KelvaneTestSettle");
    static uintptr_t next = 0;
    for (int r = 0; r < rounds; ++r) {
        const uintptr_t mark = ++next;
        if (!IsWindow(w) || !PostMessageW(w, settle, 0, static_cast<LPARAM>(mark))) return false;
        if (!WaitFor([&] { return reinterpret_cast<uintptr_t>(GetPropW(w, L"KelvaneTestSettled")) == mark; },
                     limit))
            return false;
    }
    return true;
}

AppSession::AppSession(const std::string& name, bool attached)
    : vk_("kv-app-" + name + "-" + std::to_string(GetCurrentProcessId())) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    scratch_ = std::wstring(temp) + L"kv_app_" + Widen(name) + L"_" + std::to_wstring(GetCurrentProcessId());
    DeleteTree(scratch_);
    CreateDirectoryW(scratch_.c_str(), nullptr);
    userRoot_ = scratch_ + L"\\local";
    CreateDirectoryW(userRoot_.c_str(), nullptr);
    // Inherited by every program the session starts.
    SetEnvironmentVariableW(L"KELVANE_VK_CHANNEL", Widen(vk_.channel()).c_str());
    SetEnvironmentVariableW(L"KELVANE_VK_STATE", (scratch_ + L"\\keyboard.state").c_str());
    SetEnvironmentVariableW(L"KELVANE_VK_ATTACHED", attached ? L"1" : L"0");
    SetEnvironmentVariableW(L"KELVANE_TEST_LOCAL_APPDATA", userRoot_.c_str());
}

AppSession::~AppSession() {
    for (auto it = launched_.rbegin(); it != launched_.rend(); ++it) {
        if (WaitForSingleObject(it->process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(it->process, 1);
            WaitForSingleObject(it->process, 10000);
        }
        CloseHandle(it->process);
    }
    // The daemon leaves by itself once the mutex is gone; give it no reason to hold files.
    DeleteTree(scratch_);
}

Launched AppSession::Launch(const std::wstring& args, const std::wstring& folder) {
    std::wstring exe = folder + L"\\Kelvane.exe";
    std::wstring line = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Launched l;
    if (CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
        CloseHandle(pi.hThread);
        l.process = pi.hProcess;
        l.pid = pi.dwProcessId;
        launched_.push_back(l);
    }
    return l;
}

std::wstring AppSession::ScratchFolder(const std::wstring& name) const {
    const std::wstring folder = scratch_ + L"\\" + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

DWORD AppSession::Pid() const {
    for (const auto& l : launched_)
        if (WaitForSingleObject(l.process, 0) == WAIT_TIMEOUT) return l.pid;
    return 0;
}

DWORD AppSession::WaitExit(const Launched& p, std::chrono::milliseconds limit) {
    if (p.process == nullptr) return STILL_ACTIVE;
    if (WaitForSingleObject(p.process, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(p.process, &code);
    return code;
}

HWND AppSession::MainWindow() const {
    const auto found = TopWindowsOf(Pid(), [](HWND w) {
        return static_cast<uint32_t>(GetWindowLongPtrW(w, GWLP_USERDATA)) == kv::kMainWindowTag;
    });
    return found.empty() ? nullptr : found.front();
}

bool AppSession::WaitInitialised(std::chrono::milliseconds limit) {
    return WaitFor([this] { return TrayPicture() != 0; }, limit);
}

unsigned AppSession::TrayPicture() const {
    HWND main = MainWindow();
    if (main == nullptr) return 0;
    return static_cast<unsigned>(reinterpret_cast<uintptr_t>(GetPropW(main, kv::kTrayPictureProperty)));
}

bool AppSession::MainVisible() const {
    HWND main = MainWindow();
    return main != nullptr && IsWindowVisible(main);
}

HWND AppSession::FindMessageBox(const std::wstring& caption) const {
    HWND main = MainWindow();
    const auto found = TopWindowsOf(Pid(), [&](HWND w) {
        return w != main && IsDialogClass(w) && IsWindowVisible(w) && WindowText(w) == caption &&
               GetDlgItem(w, 0xFFFF) != nullptr;
    });
    return found.empty() ? nullptr : found.front();
}

HWND AppSession::WaitMessageBox(const std::wstring& caption, std::chrono::milliseconds limit) {
    HWND box = nullptr;
    WaitFor([&] { return (box = FindMessageBox(caption)) != nullptr; }, limit);
    return box;
}

std::vector<HWND> AppSession::OtherDialogs() const {
    HWND main = MainWindow();
    return TopWindowsOf(Pid(), [&](HWND w) { return w != main && IsDialogClass(w) && IsWindowVisible(w); });
}

ShownSession::ShownSession(const std::string& name, int keyboardProfile) : s(name) {
    using namespace std::chrono_literals;
    s.Launch(L"/Start");
    EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 30s));
    main = s.MainWindow();
    if (keyboardProfile != 0) {
        // The keyboard comes in again on another profile: the window takes it over on attach.
        EXPECT_TRUE(s.Vk().Detach());
        EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconNoKeyboard; }));
        EXPECT_TRUE(s.Vk().SetProfile(keyboardProfile));
        EXPECT_TRUE(s.Vk().Attach());
        EXPECT_TRUE(WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }));
    }
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
    EXPECT_TRUE(WaitFor([&] { return s.MainVisible(); }));
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(s.Vk().ClearLog());
}

void ShownSession::RestoreDefaults() {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_FUNC_DEFAULT, BN_CLICKED), 0);
    HWND box = s.WaitMessageBox(kv::LookupText("MAIN_CAPTION", kv::GetLanguageIndex()));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kv::LookupText("MAIN_PROMPT_DEFAULT", kv::GetLanguageIndex()));
    Answer(box, IDYES);
}

std::vector<std::vector<uint8_t>> VendorReports(const AppSession& s) {
    std::vector<std::vector<uint8_t>> reports;
    EXPECT_TRUE(s.Vk().Reports("vendor:", reports));
    return reports;
}

DWORD RunKvtool(const std::wstring& arguments) {
    SetEnvironmentVariableW(L"KELVANE_VK_ATTACHED", L"1");
    std::wstring line = L"\"" + BinFolder() + L"\\kvtool.exe\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    DWORD code = 0xFFFFFFFF;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    SetEnvironmentVariableW(L"KELVANE_VK_ATTACHED", L"0");
    return code;
}

std::wstring WindowText(HWND w) {
    wchar_t text[512] = {};
    GetWindowTextW(w, text, 512);
    return text;
}

std::wstring MessageBoxText(HWND box) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    return text;
}

void Answer(HWND box, int button) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

}  // namespace kvtest
