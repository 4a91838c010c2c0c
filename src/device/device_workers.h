// The keyboard's own events: attach and detach, G-key bank switch, lighting changed on the keyboard, busy
// states. The device link's callback hands them over (OnInitialPresence, OnPresenceChanged, OnConsumerEvent);
// work that needs the keyboard's answers runs on short-lived threads (AttachWorker, BusyStateWorker).
// Everything the workers do to the keyboard and the main window goes through DeviceEventHost, so the workers
// never touch a window themselves.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "device/commands.h"

namespace kv {

// Consumer event codes.
inline constexpr uint16_t kEventBankSwitch = 0x02FF;
inline constexpr uint16_t kEventLightingChanged = 0x0401;
inline constexpr uint16_t kEventBusyEnd = 0x1810;
inline constexpr uint16_t kEventBusyBegin = 0x1811;

// Notification-area picture modes (SetTrayPicture).
inline constexpr int kTrayPictureBase = 0;  // with a picture id: show and remember it; with 0: show the base again
inline constexpr int kTrayPictureBusy = 1;  // show the busy picture

// What the workers need from the keyboard and from the main window. Called from the HID service's thread
// (SwitchBank, StartLightingReloadTimer) and from worker threads (everything else).
class DeviceEventHost {
public:
    virtual ~DeviceEventHost() = default;
    // The keyboard (blocking exchanges; never called from the callback itself).
    [[nodiscard]] virtual int ReadDefaultKeyTable(uint8_t out[kKeyTableSize]) = 0;
    [[nodiscard]] virtual int ReadInfo(uint8_t out[kInfoSize]) = 0;
    virtual void ClearDeviceProfileCache() = 0;
    // Toggles the bank bit of the indicator report and writes it (not awaited); returns the new bank.
    virtual int ToggleGKeyBank() = 0;
    // The main window.
    // A message box with a language text; the workers call it on a thread of its own, so it may wait.
    virtual void ShowPrompt(const char* languageKey) = 0;
    virtual void SendProfile() = 0;                         // MSG_PROFILE, synchronous
    virtual void SendDetached() = 0;                        // MSG_DETACHED, synchronous
    virtual void HideMainWindow() = 0;
    [[nodiscard]] virtual bool IsWindowInitialised() = 0;
    virtual void SetTrayPicture(int mode, unsigned picture) = 0;
    virtual void PostOpen() = 0;                 // MSG_OPEN, posted
    virtual void ShowGKeyBank(int bank) = 0;     // MSG_BANK, synchronous
    virtual void StartLightingReloadTimer() = 0; // TIMER_RELOAD_LIGHTING, period 0
    // Waits ms milliseconds (real time in the program; tests may shorten it).
    virtual void Sleep(unsigned ms) = 0;
};

class DeviceWorkers {
public:
    explicit DeviceWorkers(DeviceEventHost& host) : host_(host) {}
    ~DeviceWorkers() { WaitIdle(); }
    DeviceWorkers(const DeviceWorkers&) = delete;
    DeviceWorkers& operator=(const DeviceWorkers&) = delete;

    // End of the binding: the vendor collection's device count is handled like a notification; with no
    // keyboard the first-attach offer is used up, so no version check is offered later in this run. When a
    // notification has come in already, it is at least as new as the count, and the count is not used.
    void OnInitialPresence(int deviceCount);
    // On the HID service's thread; they never wait for the keyboard and never throw.
    void OnPresenceChanged(uint32_t state);  // state change of the "CTRL" subscription
    void OnConsumerEvent(uint16_t code);     // data of the "CONS" subscription

    // Queues a presence state; the attach worker handles the queued states one after the other, in the
    // order they came in, on a thread of its own that lives while the queue is not empty.
    void StartAttachWorker(int state);
    void StartBusyStateWorker(uint16_t code);

    // Thread bodies, public so tests can run them directly. AttachWorker handles one presence state.
    void AttachWorker(int state);
    void BusyStateWorker(uint16_t code);
    void SwitchBank();  // runs inside the callback

    // Set by "/Start", by the binding when no keyboard is present, and after the first attach.
    void MarkFirstAttachHandled() { firstAttachHandled_.store(true); }
    [[nodiscard]] bool FirstAttachHandled() const { return firstAttachHandled_.load(); }

    [[nodiscard]] bool IsAttached() const { return attachState_.load() != 0; }
    [[nodiscard]] int MacroCapacity() const { return macroCapacity_.load(); }

    // Blocks until no thread started here is running (an open prompt included).
    void WaitIdle();

private:
    void QueuePresence(int state);
    void AttachLoop();
    void ShowPromptAside(const char* languageKey);
    // Starts a counted, detached thread; false (nothing started) when the system refuses a thread.
    template <typename Body>
    bool StartThread(Body body);
    void WorkerStarted();
    void WorkerEnded();

    DeviceEventHost& host_;
    std::atomic<int> attachState_{0};
    std::atomic<bool> firstAttachHandled_{false};
    std::atomic<int> macroCapacity_{0};
    std::atomic<bool> busyGuard_{false};
    std::atomic<bool> promptOpen_{false};

    std::mutex presenceLock_;    // guards the three below
    std::deque<int> pending_;    // presence states not yet handled, oldest first
    bool attachRunning_ = false; // the attach worker's thread exists and will take what is queued
    bool notified_ = false;      // a presence notification has come in

    std::mutex workersLock_;  // guards workers_
    std::condition_variable workersIdle_;
    int workers_ = 0;
};

}  // namespace kv
