// Threads: OnPresenceChanged, OnConsumerEvent and SwitchBank run on the HID service's thread,
// OnInitialPresence on the main window's thread during binding; AttachWorker and BusyStateWorker each run on
// a thread of their own, started here and detached.
// Locks: tableLock_ guards the default key table copy; attachLock_ is
// held for the whole of one attach worker, so workers of quick successive notifications act one after the
// other and each compares with the state the previous one stored. workersLock_ counts running workers.
#include "device/device_workers.h"

#include <algorithm>
#include <thread>

#include "app/app_messages.h"

namespace kv {

void DeviceWorkers::OnInitialPresence(int deviceCount) {
    if (deviceCount == 0) MarkFirstAttachHandled();
    StartAttachWorker(deviceCount);
}

void DeviceWorkers::OnPresenceChanged(uint32_t state) { StartAttachWorker(static_cast<int>(state)); }

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

void DeviceWorkers::CopyDefaultKeyTable(uint8_t out[kKeyTableSize]) const {
    std::lock_guard<std::mutex> lock(tableLock_);
    std::copy(defaultKeyTable_.begin(), defaultKeyTable_.end(), out);
}

void DeviceWorkers::AttachWorker(int state) {
    std::lock_guard<std::mutex> serial(attachLock_);
    const int previous = attachState_.load();
    if (state == previous) return;
    if (state != 0) {
        std::array<uint8_t, kKeyTableSize> table{};
        if (host_.ReadDefaultKeyTable(table.data()) == kResultSuccess) {
            std::lock_guard<std::mutex> lock(tableLock_);
            defaultKeyTable_ = table;
        } else {
            host_.ShowPrompt("MAIN_DEFAULT_MATRIX_PROMPT");
        }
        uint8_t info[kInfoSize] = {};
        if (host_.ReadInfo(info) == kResultSuccess) macroCapacity_.store(info[kInfoCapacityOffset] * 128);
        host_.SendProfile();
    } else if (previous != 0) {
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

void DeviceWorkers::StartAttachWorker(int state) {
    WorkerStarted();
    std::thread([this, state] {
        AttachWorker(state);
        WorkerEnded();
    }).detach();
}

void DeviceWorkers::StartBusyStateWorker(uint16_t code) {
    WorkerStarted();
    std::thread([this, code] {
        BusyStateWorker(code);
        WorkerEnded();
    }).detach();
}

}  // namespace kv
