// The thread that shows the main window's busy indicator while Apply works: thread message 1025 shows the
// indicator and starts TIMER_BUSY on the main window, 1026 waits 100 ms, stops the timer, hides the
// indicator and ends the thread.
#pragma once

#include <windows.h>

namespace kv {

// Posted by the progress thread to the main window: wParam 1 starts TIMER_BUSY (50 ms), 0 stops it.
inline constexpr UINT kMsgBusyTimer = WM_APP + 0x42;

class ProgressThread {
public:
    // Starts the thread; returns false when it cannot be created (Apply then works without the indicator).
    bool Start(HWND mainWindow, HWND indicator);
    void Show();  // posts 1025
    // Posts 1026 and releases the thread's handle; the thread ends by itself after hiding the indicator.
    void Hide();

private:
    static DWORD WINAPI Run(LPVOID param);
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    HANDLE queueReady_ = nullptr;
    HWND main_ = nullptr;
    HWND indicator_ = nullptr;
};

}  // namespace kv
