// Threads: Start, Show and Hide run on the main window's thread; Run is the progress thread. The thread only
// shows and hides the indicator and starts and stops TIMER_BUSY; the frames advance on the window's thread.
// A timer belongs to its window's thread, so the thread asks the window to start and stop it
// (kMsgBusyTimer); the window keeps pumping its messages while Apply writes, so both arrive at once.
#include "ui/progress_thread_win.h"

#include "app/app_messages.h"

namespace kv {
namespace {
struct RunArgs {
    HWND main;
    HWND indicator;
    HANDLE queueReady;
};
}  // namespace

bool ProgressThread::Start(HWND mainWindow, HWND indicator) {
    main_ = mainWindow;
    indicator_ = indicator;
    queueReady_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (queueReady_ == nullptr) return false;
    auto* args = new RunArgs{mainWindow, indicator, queueReady_};
    thread_ = CreateThread(nullptr, 0, Run, args, 0, &threadId_);
    if (thread_ == nullptr) {
        delete args;
        CloseHandle(queueReady_);
        queueReady_ = nullptr;
        return false;
    }
    // The thread creates its message queue before the first message is posted, so none is lost.
    WaitForSingleObject(queueReady_, INFINITE);
    CloseHandle(queueReady_);
    queueReady_ = nullptr;
    return true;
}

void ProgressThread::Show() {
    if (thread_ != nullptr) PostThreadMessageW(threadId_, MSG_PROGRESS_SHOW, 0, 0);
}

void ProgressThread::Hide() {
    if (thread_ == nullptr) return;
    PostThreadMessageW(threadId_, MSG_PROGRESS_HIDE, 0, 0);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI ProgressThread::Run(LPVOID param) {
    const RunArgs args = *static_cast<RunArgs*>(param);
    delete static_cast<RunArgs*>(param);
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetEvent(args.queueReady);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == MSG_PROGRESS_SHOW) {
            if (args.indicator != nullptr) ShowWindow(args.indicator, SW_SHOWNA);
            PostMessageW(args.main, kMsgBusyTimer, 1, 0);
        } else if (msg.message == MSG_PROGRESS_HIDE) {
            Sleep(100);
            PostMessageW(args.main, kMsgBusyTimer, 0, 0);
            if (args.indicator != nullptr) ShowWindow(args.indicator, SW_HIDE);
            break;
        }
    }
    return 0;
}

}  // namespace kv
