#include "macros/macro_recorder_win.h"

namespace kv {
namespace {

// The recording in progress, for the hook procedures (which carry no context of their own).
CMacroRecorder* g_active = nullptr;

}  // namespace

CMacroRecorder::CMacroRecorder(std::function<uint64_t()> clock) : clock_(std::move(clock)) {
    if (!clock_) clock_ = [] { return static_cast<uint64_t>(GetTickCount64()); };
}

CMacroRecorder::~CMacroRecorder() { Abandon(); }

void CMacroRecorder::Start(RecordSink& sink) {
    Abandon();
    sink_ = &sink;
    g_active = this;
    logic_.Start(clock_());
    keyboardHook_ = SetWindowsHookExW(WH_KEYBOARD, KeyboardProc, nullptr, GetCurrentThreadId());
    lowLevelHook_ = SetWindowsHookExW(WH_KEYBOARD_LL, LowLevelProc, GetModuleHandleW(nullptr), 0);
}

void CMacroRecorder::Stop() {
    if (keyboardHook_) UnhookWindowsHookEx(keyboardHook_);
    if (lowLevelHook_) UnhookWindowsHookEx(lowLevelHook_);
    keyboardHook_ = lowLevelHook_ = nullptr;
    const std::vector<RecordedAction> releases = logic_.Stop(clock_());
    for (const RecordedAction& release : releases)
        if (sink_) sink_->OnRecorded(release);
    if (g_active == this) g_active = nullptr;
    sink_ = nullptr;
}

void CMacroRecorder::Abandon() {
    sink_ = nullptr;
    Stop();
}

bool CMacroRecorder::OurWindowIsActive() const {
    if (!sink_) return false;
    HWND window = sink_->RecordingWindow();
    HWND foreground = GetForegroundWindow();
    return window && (foreground == window || IsChild(window, foreground) || GetWindow(foreground, GW_OWNER) == window);
}

LRESULT CMacroRecorder::Deliver(const RecordOutcome& outcome) {
    for (int i = 0; i < outcome.count && sink_; ++i) sink_->OnRecorded(outcome.actions[i]);
    return outcome.swallow ? 1 : -1;
}

LRESULT CMacroRecorder::KeyboardEvent(int code, WPARAM virtualKey, LPARAM flags) {
    return Deliver(logic_.OnKeyboard(code, static_cast<uint8_t>(virtualKey), static_cast<uint32_t>(flags), clock_()));
}

LRESULT CMacroRecorder::LowLevelEvent(int code, WPARAM message, const KBDLLHOOKSTRUCT& key) {
    // The low-level hook sees the whole desktop: only keystrokes while our window is in front are ours.
    if (!OurWindowIsActive()) return -1;
    return Deliver(logic_.OnLowLevel(code, static_cast<uint32_t>(message), key.vkCode, clock_()));
}

LRESULT CALLBACK CMacroRecorder::KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    if (g_active) {
        const LRESULT result = g_active->KeyboardEvent(code, wParam, lParam);
        if (result >= 0) return result;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CMacroRecorder::LowLevelProc(int code, WPARAM wParam, LPARAM lParam) {
    if (g_active && code == HC_ACTION && lParam) {
        const LRESULT result = g_active->LowLevelEvent(code, wParam, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam));
        if (result >= 0) return result;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace kv
