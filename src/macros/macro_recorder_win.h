// The macro recorder's two keyboard hooks: a keyboard hook on the dialog's thread and a low-level hook
// for the two Windows keys, installed while recording. Each keystroke goes through RecorderLogic; the
// actions it gives go to the sink (the macro page). One recording exists at a time in the process.
//
// Threads: both hook procedures run on the thread that installed them (the dialog's), inside its message
// loop, so the sink is called on that thread and needs no lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "macros/recorder_logic.h"

namespace kv {

class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void OnRecorded(const RecordedAction& action) = 0;
    // The window the recording belongs to: keystrokes meant for another program are left alone.
    [[nodiscard]] virtual HWND RecordingWindow() const = 0;
};

class CMacroRecorder {
public:
    explicit CMacroRecorder(std::function<uint64_t()> clock = {});
    ~CMacroRecorder();
    CMacroRecorder(const CMacroRecorder&) = delete;
    CMacroRecorder& operator=(const CMacroRecorder&) = delete;

    // Installs both hooks; a hook the system refuses leaves the recording on without its events.
    void Start(RecordSink& sink);
    // Removes what was installed; the keys still held get their releases, handed to the sink first.
    void Stop();
    // Removes what was installed and adds nothing (the sink may be going away).
    void Abandon();
    [[nodiscard]] bool Recording() const { return logic_.Recording(); }
    [[nodiscard]] bool HooksInstalled() const { return keyboardHook_ != nullptr && lowLevelHook_ != nullptr; }

    // The hook procedures' work, callable with synthesised arguments: the result the procedure returns
    // (1 when the keystroke is swallowed), or -1 when it would go on to the next hook.
    LRESULT KeyboardEvent(int code, WPARAM virtualKey, LPARAM flags);
    LRESULT LowLevelEvent(int code, WPARAM message, const KBDLLHOOKSTRUCT& key);

private:
    static LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK LowLevelProc(int code, WPARAM wParam, LPARAM lParam);
    LRESULT Deliver(const RecordOutcome& outcome);
    bool OurWindowIsActive() const;

    std::function<uint64_t()> clock_;
    RecorderLogic logic_;
    RecordSink* sink_ = nullptr;
    HHOOK keyboardHook_ = nullptr;
    HHOOK lowLevelHook_ = nullptr;
};

}  // namespace kv
