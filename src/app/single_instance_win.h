// The single-instance rule on Windows: the named mutex "RX40L26C", the running instance found by its
// executable name, the instance messages sent to its tagged main window, and the 210 named events.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace kv {

inline constexpr int kNotifyOpen = 0;
inline constexpr int kNotifyKill = 1;

// Id of another process running an executable of that name (without regard to case), or 0 when there is
// none or the process list cannot be read.
[[nodiscard]] uint32_t FindRunningInstance(const std::wstring& exeName);

// How long a start waits for the running instance to take MSG_OPEN or MSG_KILL.
inline constexpr unsigned kInstanceMessageTimeoutMs = 5000;

// Sends MSG_OPEN (mode 0) or MSG_KILL (mode 1) to the first top-level window of pid, in Z order, that carries
// the "MAIN" user data, waiting at most kInstanceMessageTimeoutMs for it to be taken. Returns 1 when any
// window of the process was seen, else 0.
int NotifyInstance(uint32_t pid, int mode);

// The instance mutex: opened when another process holds it, created and owned otherwise. Closed at exit.
enum class MutexState { Created, AlreadyExists, Failed };
[[nodiscard]] MutexState OpenOrCreateInstanceMutex();
void CloseInstanceMutex();

// The 210 auto-reset events "Kelvane_Event_Main_01".."_210", created at the end of the main window's
// initialisation and closed at exit. Nothing waits on them or signals them.
void CreateInstanceEvents();
void CloseInstanceEvents();

}  // namespace kv
