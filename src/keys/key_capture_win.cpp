#include "keys/key_capture_win.h"

namespace kv {
namespace {

CKeyCapture* g_active = nullptr;

}  // namespace

CKeyCapture::~CKeyCapture() { Remove(); }

void CKeyCapture::Install(CaptureSink& sink) {
    if (sink_ == &sink && g_active == this) return;
    Remove();
    sink_ = &sink;
    g_active = this;
    keyboardHook_ = SetWindowsHookExW(WH_KEYBOARD, KeyboardProc, nullptr, GetCurrentThreadId());
    lowLevelHook_ = SetWindowsHookExW(WH_KEYBOARD_LL, LowLevelProc, GetModuleHandleW(nullptr), 0);
}

void CKeyCapture::Remove() {
    if (keyboardHook_) UnhookWindowsHookEx(keyboardHook_);
    if (lowLevelHook_) UnhookWindowsHookEx(lowLevelHook_);
    keyboardHook_ = lowLevelHook_ = nullptr;
    if (g_active == this) g_active = nullptr;
    sink_ = nullptr;
}

LRESULT CKeyCapture::KeyboardEvent(int code, WPARAM virtualKey, LPARAM flags) {
    if (!sink_) return -1;
    const CaptureOutcome out = CaptureFromKeyboardHook(code, static_cast<uint8_t>(virtualKey),
                                                       static_cast<uint32_t>(flags), sink_->KeyboardMode());
    if (out.captured != kNoKey) sink_->OnCaptured(out.captured);
    return out.swallow ? 1 : -1;
}

LRESULT CKeyCapture::LowLevelEvent(int code, WPARAM message, const KBDLLHOOKSTRUCT& key) {
    if (!sink_) return -1;
    // The low-level hook sees the whole desktop: the Windows keys stay the system's while another
    // program is in front.
    HWND window = sink_->CaptureWindow();
    HWND foreground = GetForegroundWindow();
    if (!window || (foreground != window && !IsChild(window, foreground) && GetWindow(foreground, GW_OWNER) != window))
        return -1;
    const CaptureOutcome out = CaptureFromLowLevelHook(code, static_cast<uint32_t>(message), key.vkCode);
    if (out.captured != kNoKey) sink_->OnCaptured(out.captured);
    return out.swallow ? 1 : -1;
}

LRESULT CALLBACK CKeyCapture::KeyboardProc(int code, WPARAM wParam, LPARAM lParam) {
    if (g_active) {
        const LRESULT result = g_active->KeyboardEvent(code, wParam, lParam);
        if (result >= 0) return result;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CKeyCapture::LowLevelProc(int code, WPARAM wParam, LPARAM lParam) {
    if (g_active && lParam) {
        const LRESULT result = g_active->LowLevelEvent(code, wParam, *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam));
        if (result >= 0) return result;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace kv
