// Runs on the main thread only: constructing the main window and its orderly exit.
#include "app/single_instance_win.h"

#include <tlhelp32.h>

#include <array>
#include <vector>

#include "app/app_messages.h"
#include "app/command_line.h"
#include "app/instance_protocol.h"

namespace kv {
namespace {

HANDLE g_mutex = nullptr;
std::array<HANDLE, kInstanceEventCount> g_events{};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    auto& list = *reinterpret_cast<std::vector<std::pair<HWND, TopWindow>>*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    list.push_back({hwnd, TopWindow{pid, static_cast<uintptr_t>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))}});
    return TRUE;
}

}  // namespace

uint32_t FindRunningInstance(const std::wstring& exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    std::vector<ProcessEntry> list;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry)) {
        // Only the caller's own logon session counts; the session is asked only of candidates.
        DWORD session = kUnknownSession;
        if (EqualsIgnoringCase(entry.szExeFile, exeName) && !ProcessIdToSessionId(entry.th32ProcessID, &session))
            session = kUnknownSession;
        list.push_back({entry.th32ProcessID, entry.szExeFile, session});
    }
    CloseHandle(snapshot);
    DWORD ownSession = kUnknownSession;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &ownSession)) return 0;
    return FindInstanceInList(list, exeName, GetCurrentProcessId(), ownSession);
}

int NotifyInstance(uint32_t pid, int mode) {
    std::vector<std::pair<HWND, TopWindow>> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    std::vector<TopWindow> plain;
    plain.reserve(windows.size());
    for (const auto& w : windows) plain.push_back(w.second);
    const NotifyChoice choice = ChooseInstanceWindow(plain, pid);
    if (choice.target >= 0) {
        HWND target = windows[static_cast<std::size_t>(choice.target)].first;
        // The running instance may bring its window to the front: this process has the foreground right
        // (the user just started it) and hands it over.
        DWORD targetPid = 0;
        GetWindowThreadProcessId(target, &targetPid);
        if (mode != kNotifyKill && targetPid != 0) AllowSetForegroundWindow(targetPid);
        // Bounded: a running instance that hangs, or waits for the user, never holds this start for long.
        DWORD_PTR answer = 0;
        if (mode == kNotifyKill)
            (void)SendMessageTimeoutW(target, MSG_KILL, TAG_KILL, 0, SMTO_ABORTIFHUNG, kInstanceMessageTimeoutMs, &answer);
        else
            (void)SendMessageTimeoutW(target, MSG_OPEN, TAG_OPEN, 0, SMTO_ABORTIFHUNG, kInstanceMessageTimeoutMs, &answer);
    }
    return choice.found ? 1 : 0;
}

MutexState OpenOrCreateInstanceMutex() {
    HANDLE existing = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kInstanceMutexName);
    if (existing != nullptr) {
        g_mutex = existing;
        return MutexState::AlreadyExists;
    }
    g_mutex = CreateMutexW(nullptr, TRUE, kInstanceMutexName);
    if (g_mutex == nullptr) return MutexState::Failed;
    return GetLastError() == ERROR_ALREADY_EXISTS ? MutexState::AlreadyExists : MutexState::Created;
}

void CloseInstanceMutex() {
    if (g_mutex == nullptr) return;
    ReleaseMutex(g_mutex);  // fails harmlessly when this process does not own it
    CloseHandle(g_mutex);
    g_mutex = nullptr;
}

void CreateInstanceEvents() {
    for (int n = 1; n <= kInstanceEventCount; ++n) {
        HANDLE& e = g_events[static_cast<std::size_t>(n - 1)];
        if (e == nullptr) e = CreateEventW(nullptr, FALSE, FALSE, InstanceEventName(n).c_str());
    }
}

void CloseInstanceEvents() {
    for (HANDLE& e : g_events) {
        if (e != nullptr) CloseHandle(e);
        e = nullptr;
    }
}

}  // namespace kv
