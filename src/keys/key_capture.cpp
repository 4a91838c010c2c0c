#include "keys/key_capture.h"

#include "keys/action_catalogue.h"

namespace kv {
namespace {

constexpr KeyCode kPrintScreen = 0x137;

}  // namespace

CaptureOutcome CaptureFromKeyboardHook(int hookCode, uint8_t virtualKey, uint32_t flags, bool keyboardMode) {
    CaptureOutcome out;
    if (hookCode != 0) return out;
    const KeyCode key = KeyCodeFromMessage(virtualKey, flags);
    if (key == kNoKey || IsMultimediaKey(key)) return out;
    out.swallow = true;
    const bool firstPress = (flags & 0xC0000000u) == 0;
    if (keyboardMode && (firstPress || key == kPrintScreen)) out.captured = key;
    return out;
}

CaptureOutcome CaptureFromLowLevelHook(int hookCode, uint32_t message, uint32_t virtualKey) {
    CaptureOutcome out;
    const bool keyMessage = message == 0x0100 || message == 0x0101 || message == 0x0104 || message == 0x0105;
    if (hookCode != 0 || !keyMessage || virtualKey < 0x5B || virtualKey > 0x5D) return out;
    out.swallow = true;
    out.captured = static_cast<KeyCode>(0x100 + virtualKey);
    return out;
}

int MouseEntryOf(KeyCode code) {
    if (code == kNoKey) return -1;
    for (int i = 0; i < MouseCount; ++i)
        if (MouseKeyCode(i) == code) return i;
    return -1;
}

}  // namespace kv
