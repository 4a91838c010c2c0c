// Key capture hooks of the key page: a keyboard hook on the dialog's thread and a low-level hook for the
// Windows and menu keys, installed while the key page is shown. What they capture goes to the sink (the
// key assignment dialog). One capture exists at a time in the process.
//
// Threads: both hook procedures run on the installing thread (the dialog's), inside its message loop.
#pragma once

#include <windows.h>

#include "keys/key_capture.h"

namespace kv {

class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    virtual void OnCaptured(KeyCode key) = 0;
    [[nodiscard]] virtual bool KeyboardMode() const = 0;
    // The window the capture belongs to: keystrokes meant for another program are left alone.
    [[nodiscard]] virtual HWND CaptureWindow() const = 0;
};

class CKeyCapture {
public:
    CKeyCapture() = default;
    ~CKeyCapture();
    CKeyCapture(const CKeyCapture&) = delete;
    CKeyCapture& operator=(const CKeyCapture&) = delete;

    void Install(CaptureSink& sink);
    void Remove();
    [[nodiscard]] bool Installed() const { return sink_ != nullptr; }

    // The procedures' work, callable with synthesised arguments: 1 when swallowed, -1 to pass on.
    LRESULT KeyboardEvent(int code, WPARAM virtualKey, LPARAM flags);
    LRESULT LowLevelEvent(int code, WPARAM message, const KBDLLHOOKSTRUCT& key);

private:
    static LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK LowLevelProc(int code, WPARAM wParam, LPARAM lParam);

    CaptureSink* sink_ = nullptr;
    HHOOK keyboardHook_ = nullptr;
    HHOOK lowLevelHook_ = nullptr;
};

}  // namespace kv
