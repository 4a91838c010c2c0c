// Threads: OnPresenceChanged, OnConsumerEvent and SwitchBank run on the HID service's thread,
// OnInitialPresence on the main window's thread during binding. Presence states are queued in the order they
// came in; one attach worker thread at a time takes them from the queue and handles them one after the other,
// so the last state handled is always the last that came in. A message box of the attach handling runs on a
// thread of its own, so a detach never waits for the user's click. BusyStateWorker runs on threads of its own.
// Every thread here is detached and counted.
// Locks: presenceLock_ guards the queue and whether the attach worker runs; it is held only to queue or
// take a state. workersLock_ counts running threads. The default key table has its own holder (keys).
// Nothing thrown inside leaves these functions: they run on the service's thread or end a thread.
#include "device/device_workers.h"

#include <algorithm>
#include <thread>

#include "app/app_messages.h"
#include "keys/assignment_action_code.h"

namespace kv {

template <typename Body>
bool DeviceWorkers::StartThread(Body body) {
    WorkerStarted();
    try {
        std::thread([this, body] {
            try {
                body();
            } catch (...) {
                // A thread body never lets anything out: that would end the process.
            }
            WorkerEnded();
        }).detach();
        return true;
    } catch (...) {
        WorkerEnded();
        return false;
    }
}

void DeviceWorkers::OnInitialPresence(int deviceCount) {
    if (deviceCount == 0) MarkFirstAttachHandled();
    {
        std::lock_guard<std::mutex> lock(presenceLock_);
        if (notified_) return;
    }
    QueuePresence(deviceCount);
}

void DeviceWorkers::OnPresenceChanged(uint32_t state) {
    {
        std::lock_guard<std::mutex> lock(presenceLock_);
        notified_ = true;
    }
    QueuePresence(static_cast<int>(state));
}

void DeviceWorkers::OnConsumerEvent(uint16_t code) {
    switch (code) {
        case kEventBankSwitch: SwitchBank(); break;
        case kEventLightingChanged: host_.StartLightingReloadTimer(); break;
        case kEventBusyEnd:
        case kEventBusyBegin: StartBusyStateWorker(code); break;
        default: break;  // 0x1801..0x1804 and anything else: nothing to do
    }
}

void DeviceWorkers::SwitchBank() {
    // The indicator write's result is not acted upon: the bank and the window change regardless.
    host_.ShowGKeyBank(host_.ToggleGKeyBank());
}

void DeviceWorkers::QueuePresence(int state) {
    std::lock_guard<std::mutex> lock(presenceLock_);
    try {
        pending_.push_back(state);
    } catch (...) {
        return;  // out of memory: this notification is lost, the next one still counts
    }
    if (attachRunning_) return;  // the running worker takes it after those before it
    // When no thread can be started the state stays queued; the next notification tries again.
    attachRunning_ = StartThread([this] { AttachLoop(); });
}

void DeviceWorkers::AttachLoop() {
    for (;;) {
        int state = 0;
        {
            std::lock_guard<std::mutex> lock(presenceLock_);
            if (pending_.empty()) {
                attachRunning_ = false;
                return;
            }
            state = pending_.front();
            pending_.pop_front();
        }
        try {
            AttachWorker(state);
        } catch (...) {
            // Nothing here throws by design; if something does, the next state is still handled.
        }
    }
}

void DeviceWorkers::ShowPromptAside(const char* languageKey) {
    if (promptOpen_.exchange(true)) return;  // one box at a time
    if (!StartThread([this, languageKey] {
            host_.ShowPrompt(languageKey);
            promptOpen_.store(false);
        }))
        promptOpen_.store(false);
}

void DeviceWorkers::AttachWorker(int state) {
    const int previous = attachState_.load();
    if (state == previous) return;
    if (state != 0) {
        // The one default key table of the program: the built-in one until the keyboard's has been read,
        // replaced only by a read that succeeded.
        KeyTableBlock table{};
        if (host_.ReadDefaultKeyTable(table.data()) == kResultSuccess) SetCurrentDefaultKeyTable(table);
        else ShowPromptAside("MAIN_DEFAULT_MATRIX_PROMPT");
        uint8_t info[kInfoSize] = {};
        if (host_.ReadInfo(info) == kResultSuccess) macroCapacity_.store(info[kInfoCapacityOffset] * 128);
        host_.SendProfile();
    } else {
        host_.ClearDeviceProfileCache();
        host_.SendDetached();
        host_.HideMainWindow();
    }
    while (!host_.IsWindowInitialised()) host_.Sleep(50);
    host_.SetTrayPicture(kTrayPictureBase, state != 0 ? kIconAttached : kIconNoKeyboard);
    attachState_.store(state);
    if (!firstAttachHandled_.load()) {
        if (state != 0) host_.PostOpen();
        firstAttachHandled_.store(true);
    }
}

void DeviceWorkers::BusyStateWorker(uint16_t code) {
    // exchange() makes the test-and-set one step, so two busy threads never both pass.
    while (busyGuard_.exchange(true)) host_.Sleep(1);
    if (code == kEventBusyBegin) host_.SetTrayPicture(kTrayPictureBusy, kIconBusy);
    else if (code == kEventBusyEnd) host_.SetTrayPicture(kTrayPictureBase, 0);
    host_.Sleep(1);
    busyGuard_.store(false);
}

void DeviceWorkers::WorkerStarted() {
    std::lock_guard<std::mutex> lock(workersLock_);
    ++workers_;
}

void DeviceWorkers::WorkerEnded() {
    std::lock_guard<std::mutex> lock(workersLock_);
    if (--workers_ == 0) workersIdle_.notify_all();
}

void DeviceWorkers::WaitIdle() {
    std::unique_lock<std::mutex> lock(workersLock_);
    workersIdle_.wait(lock, [this] { return workers_ == 0; });
}

void DeviceWorkers::StartAttachWorker(int state) { QueuePresence(state); }

void DeviceWorkers::StartBusyStateWorker(uint16_t code) {
    (void)StartThread([this, code] { BusyStateWorker(code); });  // no thread: this busy event is dropped
}

}  // namespace kv
