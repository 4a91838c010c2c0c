// The single-instance protocol's decisions, kept apart from the system calls that feed them: which process
// is the running instance, which of its windows receives MSG_OPEN / MSG_KILL, and the names of the
// instance mutex and the 210 instance events.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv {

inline constexpr const wchar_t* kInstanceMutexName = L"RX40L26C";
inline constexpr int kInstanceEventCount = 210;

inline constexpr uint32_t kUnknownSession = 0xFFFFFFFFu;

struct ProcessEntry {
    uint32_t pid = 0;
    std::wstring exeName;
    uint32_t session = 0;  // the logon session the process runs in; kUnknownSession when it cannot be told
};

// The list as the system's process snapshot gives it. Returns the id of the first process other than ownPid
// whose executable name equals exeName without regard to case and that runs in the caller's own logon
// session, or 0. Another user's copy (another session) is not this user's running instance: finding it would
// send the instance messages nowhere and end this start silently. The own process is never the running
// instance, and neither is the idle process (id 0), which Windows lists first. The first entry is not skipped
// blindly: other systems list real processes there, the running instance among them.
[[nodiscard]] uint32_t FindInstanceInList(const std::vector<ProcessEntry>& processes, const std::wstring& exeName,
                                          uint32_t ownPid, uint32_t ownSession = 0);

struct TopWindow {
    uint32_t ownerPid = 0;
    uintptr_t userData = 0;
};

struct NotifyChoice {
    bool found = false;  // a window of the process was seen before the visit stopped
    int target = -1;     // index of the window that gets the message, -1 = none
};

// windows: top-level windows in Z order from the top. Visits each window of pid; the first one that carries
// the "MAIN" user data is the target and the visit stops there.
[[nodiscard]] NotifyChoice ChooseInstanceWindow(const std::vector<TopWindow>& windows, uint32_t pid);

// "Kelvane_Event_Main_%02d" for n = 1..210.
[[nodiscard]] std::wstring InstanceEventName(int n);

}  // namespace kv
