// Threads: StartDeviceLink runs on the main window's thread. The sink's methods run on the HID service's
// thread (and OnInitialPresence on the main window's thread, at the end of binding); the host's methods run
// on the worker threads DeviceWorkers starts. They reach the window only by messages, timers and the
// program's tray icon (which has its own lock). g_mainWindow is written once before the binding starts.
#include "ui/device_link_win.h"

#include <algorithm>
#include <atomic>

#include "app/app_messages.h"
#include "app/current_profile.h"
#include "device/bank_indicator.h"
#include "device/commands.h"
#include "device/device_events.h"
#include "device/device_workers.h"
#include "device/hid_binding.h"
#include "keys/assignment_action_code.h"
#include "ui/tray_icon_win.h"
#include "ui/ui_text_win.h"

namespace kv {
namespace {

std::atomic<HWND> g_mainWindow{nullptr};
std::atomic<bool> g_windowInitialised{false};

class WindowHost : public DeviceEventHost {
public:
    int ReadDefaultKeyTable(uint8_t out[kKeyTableSize]) override { return kv::ReadDefaultKeyTable(out); }
    int ReadInfo(uint8_t out[kInfoSize]) override { return kv::ReadInfo(out); }
    void ClearDeviceProfileCache() override { kv::ClearDeviceProfileCache(); }
    int ToggleGKeyBank() override { return kv::ToggleGKeyBank(); }
    void ShowPrompt(const char* languageKey) override {
        // No owner: a worker thread must not tie its box to the main window's thread.
        MessageBoxW(nullptr, UiText(languageKey).c_str(), L"Kelvane", MB_OK);
    }
    void SendProfile() override { SendMessageW(g_mainWindow.load(), MSG_PROFILE, TAG_PROFILE, 0); }
    void SendDetached() override { SendMessageW(g_mainWindow.load(), MSG_DETACHED, 0, 0); }
    void HideMainWindow() override { ShowWindow(g_mainWindow.load(), SW_HIDE); }
    bool IsWindowInitialised() override { return g_windowInitialised.load(); }
    void SetTrayPicture(int mode, unsigned picture) override { ProgramTrayIcon().SetPicture(mode, picture); }
    void PostOpen() override { PostMessageW(g_mainWindow.load(), MSG_OPEN, TAG_OPEN, 0); }
    // Posted, not sent: this runs on the HID service's thread, which must go on delivering answers while
    // the window may be waiting for one (Apply, attach reads). The bank is already stored; the window
    // reads it when the message arrives.
    void ShowGKeyBank(int) override { PostMessageW(g_mainWindow.load(), MSG_BANK, TAG_BANK, 0); }
    void StartLightingReloadTimer() override { SetTimer(g_mainWindow.load(), TIMER_RELOAD_LIGHTING, 0, nullptr); }
    void Sleep(unsigned ms) override { ::Sleep(ms); }
};

class WorkersSink : public DeviceEventSink {
public:
    explicit WorkersSink(DeviceWorkers& workers) : workers_(workers) {}
    void OnInitialPresence(int deviceCount) override { workers_.OnInitialPresence(deviceCount); }
    void OnPresenceChanged(uint32_t state) override { workers_.OnPresenceChanged(state); }
    void OnConsumerEvent(uint16_t code) override { workers_.OnConsumerEvent(code); }

private:
    DeviceWorkers& workers_;
};

// Never destroyed: worker threads may still be running when the process ends.
DeviceWorkers& Workers() {
    static WindowHost* host = new WindowHost;
    static DeviceWorkers* workers = new DeviceWorkers(*host);
    return *workers;
}

}  // namespace

void StartDeviceLink(HWND mainWindow) {
    g_mainWindow.store(mainWindow);
    static WorkersSink* sink = new WorkersSink(Workers());
    SetDeviceEventSink(sink);
    (void)BindHidService();  // a failure ends the process silently
}

void MarkWindowInitialised() { g_windowInitialised.store(true); }

void MarkFirstAttachHandled() { Workers().MarkFirstAttachHandled(); }

bool KeyboardAttached() { return Workers().IsAttached(); }

int KeyboardProfile() { return GetDeviceProfile(); }

int KeyEditProfile() {
    const int profile = GetDeviceProfile();
    return profile >= 0 && profile <= 2 ? profile : CurrentProfile();
}

void CopyDefaultKeyTable(uint8_t out[kKeyTableSize]) {
    const KeyTableBlock table = CurrentDefaultKeyTable();
    std::copy(table.begin(), table.end(), out);
}

int KeyboardMacroCapacity() { return Workers().MacroCapacity(); }

}  // namespace kv
