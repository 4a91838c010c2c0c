// What the macro recorder makes of each keystroke its two hooks see: whether the keystroke is passed on
// or swallowed, and which actions (key, direction, time since the previous event) it adds. The hooks
// themselves and the clock are the window's; this is the rule, testable without either.
#pragma once

#include <cstdint>
#include <vector>

#include "keys/key_catalogue.h"

namespace kv {

struct RecordedAction {
    uint32_t delay = 0;  // ms since the previous recorded event (or the start of recording)
    KeyCode key = kNoKey;
    uint16_t direction = 0;  // 0 press, 1 release
};

struct RecordOutcome {
    bool swallow = false;  // false: the keystroke goes on to the next hook
    int count = 0;         // actions to add, in order
    RecordedAction actions[2];
};

class RecorderLogic {
public:
    void Start(uint64_t nowMs);
    // Ends the recording. The keys still held down get their releases, last pressed first, the first one
    // after the time since the previous event and the others right after it, so that the macro never
    // leaves a key pressed when it is played.
    [[nodiscard]] std::vector<RecordedAction> Stop(uint64_t nowMs);
    [[nodiscard]] bool Recording() const { return recording_; }

    // The thread keyboard hook: hook code, virtual key and the keystroke flags (bit 24 extended, bit 30
    // previous state, bit 31 transition).
    RecordOutcome OnKeyboard(int hookCode, uint8_t virtualKey, uint32_t flags, uint64_t nowMs);
    // The low-level hook: only the two Windows keys are its; message is WM_KEYDOWN, WM_KEYUP, ...
    RecordOutcome OnLowLevel(int hookCode, uint32_t message, uint32_t virtualKey, uint64_t nowMs);

private:
    void Add(RecordOutcome& out, uint32_t delay, KeyCode key, uint16_t direction);
    void NoteHeld(KeyCode key, uint16_t direction);
    bool recording_ = false;
    std::vector<KeyCode> held_;  // recorded presses not yet released, in the order they were pressed
    uint64_t lastEvent_ = 0;
    uint32_t lastWindowsDown_ = 0;
};

}  // namespace kv
