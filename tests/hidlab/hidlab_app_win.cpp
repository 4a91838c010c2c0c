// hidlab_app: drives a running Kelvane.exe from outside, one step per run, for the HID lab's checks under
// Wine (the lab's shell script runs the uhid keyboard and reads its memory between the steps).
//   hidlab_app start FOLDER                 starts FOLDER\Kelvane.exe /Start (hidden, as at logon)
//   hidlab_app wait-tray PICTURE SECONDS    waits for the notification-area picture (141 attached, 128 none)
//   hidlab_app open                         shows the window
//   hidlab_app restore-defaults             the window (opened first) Restore defaults, answered Yes: Apply runs
//   hidlab_app wait-apply ENABLED SECONDS   waits for the Apply button to be enabled (1) or disabled (0)
// Exit code 0 when the step was done (waits print the milliseconds they took), 1 otherwise.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "ui/resource_ids.h"
#include "ui/tray_icon_win.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Found {
    std::function<bool(HWND)> match;
    std::vector<HWND> windows;
};

BOOL CALLBACK Visit(HWND w, LPARAM p) {
    auto& f = *reinterpret_cast<Found*>(p);
    if (f.match(w)) f.windows.push_back(w);
    return TRUE;
}

std::vector<HWND> TopWindows(std::function<bool(HWND)> match) {
    Found f{std::move(match), {}};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&f));
    return f.windows;
}

HWND MainWindow() {
    const auto found = TopWindows(
        [](HWND w) { return static_cast<uint32_t>(GetWindowLongPtrW(w, GWLP_USERDATA)) == kv::kMainWindowTag; });
    return found.empty() ? nullptr : found.front();
}

unsigned TrayPicture() {
    HWND main = MainWindow();
    return main == nullptr ? 0 : static_cast<unsigned>(reinterpret_cast<uintptr_t>(GetPropW(main, kv::kTrayPictureProperty)));
}

// The wall clock in milliseconds since 1970, as the shell's `date +%s%3N` gives it.
long long EpochMs() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const long long t = (static_cast<long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return (t - 116444736000000000LL) / 10000;
}

// Polls every 20 ms until pred holds; prints "waiting" first (a script may then cause the event) and, at the
// end, the wall-clock time it held, so the script can tell how long after its own cause that was.
bool WaitFor(const std::function<bool()>& pred, double seconds) {
    std::printf("waiting\n");
    std::fflush(stdout);
    const auto start = Clock::now();
    const auto end = start + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    for (;;) {
        const bool ok = pred();
        if (ok || Clock::now() >= end) {
            const long ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
            std::printf("%s after %ld ms at %lld\n", ok ? "done" : "not done", ms, EpochMs());
            std::fflush(stdout);
            return ok;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// A visible message box of the program's (a dialog with the message text's static control).
HWND MessageBoxOfProgram(HWND main) {
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    const auto found = TopWindows([&](HWND w) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        wchar_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        return owner == pid && w != main && IsWindowVisible(w) && std::wstring(cls) == L"#32770" &&
               GetDlgItem(w, 0xFFFF) != nullptr;
    });
    return found.empty() ? nullptr : found.front();
}

int Usage() {
    std::fprintf(stderr, "usage: hidlab_app start FOLDER | wait-tray PICTURE SECONDS | open | restore-defaults | "
                         "wait-apply 0|1 SECONDS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string step = argv[1];
    if (step == "start" && argc == 3) {
        const std::string folder = argv[2];
        const std::string exe = folder + "\\Kelvane.exe";
        std::string line = "\"" + exe + "\" /Start";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
            std::fprintf(stderr, "hidlab_app: cannot start %s (error %lu)\n", exe.c_str(), GetLastError());
            return 1;
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        std::printf("started, pid %lu\n", pi.dwProcessId);
        return 0;
    }
    if (step == "wait-tray" && argc == 4) {
        const unsigned picture = static_cast<unsigned>(std::atoi(argv[2]));
        return WaitFor([&] { return TrayPicture() == picture; }, std::atof(argv[3])) ? 0 : 1;
    }
    HWND main = MainWindow();
    if (main == nullptr) {
        std::fprintf(stderr, "hidlab_app: the program's window is not there\n");
        return 1;
    }
    if (step == "open") {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
        return WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 20) ? 0 : 1;
    }
    if (step == "restore-defaults") {
        if (!IsWindowVisible(main)) {
            PostMessageW(main, WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
            if (!WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 20)) return 1;
        }
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_FUNC_DEFAULT, BN_CLICKED), 0);
        HWND box = nullptr;
        if (!WaitFor([&] { return (box = MessageBoxOfProgram(main)) != nullptr; }, 20)) return 1;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        return 0;
    }
    if (step == "wait-apply" && argc == 4) {
        const bool enabled = std::atoi(argv[2]) != 0;
        HWND apply = GetDlgItem(main, IDC_APPLY);
        return WaitFor([&] { return (IsWindowEnabled(apply) != FALSE) == enabled; }, std::atof(argv[3])) ? 0 : 1;
    }
    return Usage();
}
