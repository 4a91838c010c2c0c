// CPU time Kelvane.exe uses while it sits in the notification area (window hidden) and while its window is
// shown, with the virtual keyboard attached and nothing happening: goal at most 0.1 % of one core hidden and
// 0.5 % shown. Runs the real program under Wine; the figures come from the program's own process times and,
// under Wine, also from the Linux process that runs it (/proc/<pid>/stat), which counts everything the
// process does. Usage: idle_cpu_win_bench [seconds per phase, default 60]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "app/app_messages.h"
#include "app_session_win.h"
#include "ui/resource_ids.h"

namespace {

using namespace std::chrono_literals;

double FileTimeSeconds(const FILETIME& t) {
    return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7;
}

// User plus kernel time as the program's process reports it.
double ProcessCpuSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

// Under Wine: the Linux process running this folder's Kelvane.exe with "/Start" (the one just started; the
// newest when several are running).
int FindUnixPid(const std::wstring& binFolder) {
    const std::string exe(binFolder.begin(), binFolder.end());
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA("Z:\\proc\\*", &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int found = 0;
    do {
        const int pid = std::atoi(fd.cFileName);
        if (pid <= found) continue;
        std::ifstream cmd(std::string("Z:\\proc\\") + fd.cFileName + "\\cmdline", std::ios::binary);
        const std::string cmdline((std::istreambuf_iterator<char>(cmd)), std::istreambuf_iterator<char>());
        const auto at = cmdline.find("Kelvane.exe");
        if (at == std::string::npos || cmdline.find("/Start") == std::string::npos) continue;
        std::string path = cmdline.substr(0, at);
        for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string folder = exe;
        for (char& c : folder) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (path.size() >= 2 && folder.size() >= 2 && path.substr(2).find(folder.substr(2)) != std::string::npos)
            found = pid;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return found;
}

// utime + stime of /proc/<pid>/stat in seconds (100 ticks a second), -1 when unreadable.
double UnixCpuSeconds(int pid) {
    if (pid <= 0) return -1;
    std::ifstream stat("Z:\\proc\\" + std::to_string(pid) + "\\stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string f;
    long long utime = 0, stime = 0;
    for (int i = 3; fields >> f; ++i) {
        if (i == 14) utime = std::atoll(f.c_str());
        if (i == 15) {
            stime = std::atoll(f.c_str());
            break;
        }
    }
    return static_cast<double>(utime + stime) / 100.0;
}

void Measure(const char* phase, HANDLE process, int unixPid, int seconds) {
    const double win0 = ProcessCpuSeconds(process), unix0 = UnixCpuSeconds(unixPid);
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double win1 = ProcessCpuSeconds(process), unix1 = UnixCpuSeconds(unixPid);
    std::printf("%-7s %5.1f s  process times: %7.3f s CPU = %6.3f %% of one core", phase, wall, win1 - win0,
                100.0 * (win1 - win0) / wall);
    double percent = 100.0 * (win1 - win0) / wall;
    if (unix0 >= 0 && unix1 >= 0) {
        std::printf("   Linux process: %6.2f s CPU = %6.3f %% of one core", unix1 - unix0, 100.0 * (unix1 - unix0) / wall);
        percent = std::max(percent, 100.0 * (unix1 - unix0) / wall);  // the Linux process counts everything
    }
    std::printf("\n");
    // For scripts that collect figures: "figure <name> <value>", the larger of the two measures.
    std::printf("figure %s_percent %.4f\n", phase, percent);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    kvtest::AppSession s("idle-bench");
    const kvtest::Launched p = s.Launch(L"/Start");  // a logon start: hidden, in the notification area
    if (p.process == nullptr || !kvtest::WaitFor([&] { return s.TrayPicture() == kv::kIconAttached; }, 30s)) {
        std::fprintf(stderr, "idle_cpu_win_bench: the program did not start with the keyboard attached\n");
        return 1;
    }
    std::this_thread::sleep_for(3s);  // start-up work settles
    const int unixPid = FindUnixPid(kvtest::BinFolder());
    std::printf("Kelvane.exe idle with the virtual keyboard attached (Linux pid %d)\n", unixPid);
    Measure("hidden", p.process, unixPid, seconds);

    PostMessageW(s.MainWindow(), WM_COMMAND, MAKEWPARAM(ID_TRAY_OPEN, 0), 0);
    if (!kvtest::WaitFor([&] { return s.MainVisible(); }, 10s)) {
        std::fprintf(stderr, "idle_cpu_win_bench: the window did not open\n");
        return 1;
    }
    std::this_thread::sleep_for(3s);  // first paint
    Measure("shown", p.process, unixPid, seconds);
    return 0;
}
