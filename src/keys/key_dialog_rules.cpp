#include "keys/key_dialog_rules.h"

#include <algorithm>

#include "keys/action_catalogue.h"
#include "keys/key_capture.h"

namespace kv {

ScreenPoint PlaceBesideButton(const ScreenBox& b, int w, int h, const ScreenBox& s) {
    const bool roomRight = s.right - b.right >= w;
    const bool roomLeft = b.left - s.left >= w;
    const bool roomBelow = s.bottom - b.bottom >= h;
    const bool roomAbove = b.top - s.top >= h;
    if (roomRight && roomBelow) return {b.right, b.bottom};
    if (roomRight && roomAbove) return {b.right, b.top - h};
    if (roomLeft && roomBelow) return {b.left - w, b.bottom};
    if (roomLeft && roomAbove) return {b.left - w, b.top - h};
    return {b.right, b.bottom};
}

ScreenPoint CentreOnScreen(int w, int h, const ScreenBox& s) {
    return {s.left + (s.right - s.left - w) / 2, s.top + (s.bottom - s.top - h) / 2};
}

KeyDialogStart StartFromSlot(uint16_t type, uint32_t value) {
    KeyDialogStart start;
    switch (type) {
        case ASSIGN_KEY: {
            const int mouse = value <= 0xFFFF ? MouseEntryOf(static_cast<KeyCode>(value)) : -1;
            if (mouse >= 0) {
                start.keyboardMode = false;
                start.mouseEntry = mouse;
            } else {
                start.capturedKey = static_cast<KeyCode>(value);
            }
            break;
        }
        case ASSIGN_MEDIA:
            if (value < static_cast<uint32_t>(MediaCount)) start.mediaEntry = static_cast<int>(value);
            break;
        case ASSIGN_FUNCTION:
            if (value < static_cast<uint32_t>(FunctionCount)) start.functionEntry = static_cast<int>(value);
            break;
        default:
            break;
    }
    return start;
}

SlotChange AssignmentFromChoice(const KeyDialogChoice& c) {
    SlotChange out;
    switch (c.type) {
        case ASSIGN_KEY: {
            if (!c.keyboardMode) {
                const KeyCode mouse = MouseKeyCode(c.mouseEntry);
                if (mouse != kNoKey) out = {ASSIGN_KEY, 0, mouse};
                break;
            }
            if (c.capturedKey == kNoKey || KeyIndexOf(c.capturedKey) == c.targetKeyIndex) break;
            out = {ASSIGN_KEY, 0, c.capturedKey};
            break;
        }
        case ASSIGN_MACRO:
            if (c.haveMacro)
                out = {ASSIGN_MACRO, static_cast<uint16_t>(std::clamp(c.repeat, 1, 255)), c.macroId};
            break;
        case ASSIGN_MEDIA:
            if (c.mediaEntry >= 0 && c.mediaEntry < MediaCount)
                out = {ASSIGN_MEDIA, 0, static_cast<uint32_t>(c.mediaEntry)};
            break;
        case ASSIGN_FUNCTION:
            if (c.functionEntry >= 0 && c.functionEntry < FunctionCount)
                out = {ASSIGN_FUNCTION, 0, static_cast<uint32_t>(c.functionEntry)};
            break;
        default:
            break;
    }
    return out;
}

}  // namespace kv
