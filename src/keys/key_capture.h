// Key capture on the key page of the key assignment dialog: what its two hooks make of each keystroke.
// The thread hook captures any key but the multimedia keys (which keep acting on the system), counting
// only first presses (Print Screen, which arrives only as a release, on any message); the low-level hook
// takes the Windows and menu keys before the system acts on them.
#pragma once

#include <cstdint>

#include "keys/key_catalogue.h"

namespace kv {

struct CaptureOutcome {
    bool swallow = false;     // false: the keystroke goes on to the next hook
    KeyCode captured = kNoKey;  // the key captured, 0 for none
};

// hookCode 0 is an action; flags as the thread keyboard hook gets them (bit 30 previous state, bit 31
// transition). keyboardMode: the keyboard radio button is checked.
[[nodiscard]] CaptureOutcome CaptureFromKeyboardHook(int hookCode, uint8_t virtualKey, uint32_t flags,
                                                     bool keyboardMode);
// message: WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP; virtual keys 0x5B, 0x5C, 0x5D are taken.
[[nodiscard]] CaptureOutcome CaptureFromLowLevelHook(int hookCode, uint32_t message, uint32_t virtualKey);

// The mouse list's entry of a key code (0x171 -> 0 ... 0x162 -> 4), -1 for a key that is no entry.
[[nodiscard]] int MouseEntryOf(KeyCode code);

}  // namespace kv
