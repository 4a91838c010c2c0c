// Start to ready under Wine: from starting Kelvane.exe until its notification-area icon is added, against
// the plainest program that creates a dialog and a notification-area icon (minimal_tray_program.exe), both
// started the same way from the bin folder with the virtual keyboard attached, alternately, in one run.
// Ready is the moment a program's window carries the tray picture property, which both set right after
// adding their icon; it is polled every millisecond.
//   start_to_ready_win_bench [rounds]     (default 10 starts of each program per way of starting)
// Two ways of starting: at logon (/Start, window hidden) and by the user (window shown).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app_session_win.h"
#include "ui/resource_ids.h"
#include "ui/tray_icon_win.h"

namespace {

struct WindowSearch {
    DWORD pid = 0;
    HWND found = nullptr;
};

// A top-level window of the process that carries the ready property, or null.
HWND ReadyWindow(DWORD pid) {
    WindowSearch search{pid, nullptr};
    EnumWindows(
        [](HWND w, LPARAM l) -> BOOL {
            auto* s = reinterpret_cast<WindowSearch*>(l);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner != s->pid || GetPropW(w, kv::kTrayPictureProperty) == nullptr) return TRUE;
            s->found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Starts the program and returns milliseconds until it is ready (negative when it fails), then ends it the
// way a user does (its exit command), waiting until it is gone.
double StartUntilReady(const std::wstring& folder, const std::wstring& exe, const std::wstring& args) {
    const std::wstring path = folder + L"\\" + exe;
    std::wstring line = L"\"" + path + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return -1;
    CloseHandle(pi.hThread);
    HWND ready = nullptr;
    double ms = -1;
    for (;;) {
        ready = ReadyWindow(pi.dwProcessId);
        QueryPerformanceCounter(&now);
        const double elapsed = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
        if (ready != nullptr) {
            ms = elapsed;
            break;
        }
        if (elapsed > 30000 || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
        Sleep(1);
    }
    if (ready != nullptr) PostMessageW(ready, WM_COMMAND, MAKEWPARAM(ID_TRAY_EXIT, 0), 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 10000);
    }
    CloseHandle(pi.hProcess);
    return ms;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    kvtest::AppSession session("start-bench");  // the virtual keyboard's channel and state, the user folder
    const std::wstring folder = kvtest::BinFolder();
    // The first start makes the user folder and the profile files; it is shown but not counted.
    const double first = StartUntilReady(folder, L"Kelvane.exe", L"/Start");
    if (first < 0) {
        std::fprintf(stderr, "start_to_ready_win_bench: Kelvane.exe did not become ready\n");
        return 1;
    }
    std::printf("Kelvane.exe first start (makes the user folder): %.1f ms\n", first);
    (void)StartUntilReady(folder, L"minimal_tray_program.exe", L"/Start");  // the same for the yardstick

    struct Way {
        const char* name;
        const char* figure;
        const wchar_t* args;
    };
    for (const Way& way : {Way{"at logon (/Start, window hidden)", "logon", L"/Start"},
                           Way{"by the user (window shown)", "user", L""}}) {
        std::vector<double> program, yardstick;
        for (int r = 0; r < rounds; ++r) {
            // Alternated, and in turn first, so that a change in the machine's load reaches both alike.
            for (int k = 0; k < 2; ++k) {
                const bool real = (k == 0) == (r % 2 == 0);
                const double ms = StartUntilReady(folder, real ? L"Kelvane.exe" : L"minimal_tray_program.exe", way.args);
                if (ms < 0) {
                    std::fprintf(stderr, "start_to_ready_win_bench: %s did not become ready\n",
                                 real ? "Kelvane.exe" : "minimal_tray_program.exe");
                    return 1;
                }
                (real ? program : yardstick).push_back(ms);
            }
        }
        const double p = Median(program), y = Median(yardstick);
        std::printf("started %-34s Kelvane.exe %7.1f ms, minimal program %7.1f ms (medians of %d): %.2fx\n", way.name,
                    p, y, rounds, p / y);
        // For scripts that collect figures: "figure <name> <value>".
        std::printf("figure %s_ratio %.4f\nfigure %s_program_ms %.1f\nfigure %s_minimal_ms %.1f\n", way.figure, p / y,
                    way.figure, p, way.figure, y);
        std::fflush(stdout);
    }
    return 0;
}
