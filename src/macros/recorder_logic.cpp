#include "macros/recorder_logic.h"

#include <algorithm>

#include "keys/action_catalogue.h"

namespace kv {
namespace {

constexpr uint32_t kWmKeyDown = 0x0100;
constexpr uint32_t kWmSysKeyDown = 0x0104;
constexpr uint32_t kVkLeftWindows = 0x5B;
constexpr uint32_t kVkRightWindows = 0x5C;
constexpr KeyCode kLeftWindows = 0x15B;
constexpr KeyCode kRightWindows = 0x15C;
constexpr uint32_t kPressOfReleaseOnlyMs = 2;

uint32_t Elapsed(uint64_t now, uint64_t then) {
    return now >= then ? static_cast<uint32_t>(now - then > 0xFFFFFFFFull ? 0xFFFFFFFFull : now - then) : 0;
}

}  // namespace

void RecorderLogic::Start(uint64_t nowMs) {
    recording_ = true;
    lastEvent_ = nowMs;
    lastWindowsDown_ = 0;
    held_.clear();
}

std::vector<RecordedAction> RecorderLogic::Stop(uint64_t nowMs) {
    std::vector<RecordedAction> releases;
    if (!recording_) return releases;
    recording_ = false;
    uint32_t delay = Elapsed(nowMs, lastEvent_);
    for (auto it = held_.rbegin(); it != held_.rend(); ++it) {
        releases.push_back(RecordedAction{delay, *it, 1});
        delay = 0;
    }
    held_.clear();
    return releases;
}

void RecorderLogic::NoteHeld(KeyCode key, uint16_t direction) {
    const auto it = std::find(held_.begin(), held_.end(), key);
    if (direction == 0 && it == held_.end()) held_.push_back(key);
    if (direction == 1 && it != held_.end()) held_.erase(it);
}

void RecorderLogic::Add(RecordOutcome& out, uint32_t delay, KeyCode key, uint16_t direction) {
    if (out.count < 2) out.actions[out.count++] = RecordedAction{delay, key, direction};
    NoteHeld(key, direction);
}

RecordOutcome RecorderLogic::OnKeyboard(int hookCode, uint8_t virtualKey, uint32_t flags, uint64_t nowMs) {
    RecordOutcome out;
    if (!recording_ || hookCode != 0) return out;
    const KeyCode key = KeyCodeFromMessage(virtualKey, flags);
    if (key == kNoKey || IsMultimediaKey(key)) return out;  // the system acts on them as usual
    out.swallow = true;
    const uint16_t direction = (flags & 0x80000000u) ? 1 : 0;
    if (direction == 0 && (flags & 0x40000000u)) return out;  // auto-repeat of a held key
    if (IsReleaseOnlyKey(key)) Add(out, kPressOfReleaseOnlyMs, key, 0);
    Add(out, Elapsed(nowMs, lastEvent_), key, direction);
    lastEvent_ = nowMs;
    return out;
}

RecordOutcome RecorderLogic::OnLowLevel(int hookCode, uint32_t message, uint32_t virtualKey, uint64_t nowMs) {
    RecordOutcome out;
    if (!recording_ || hookCode != 0 || (virtualKey != kVkLeftWindows && virtualKey != kVkRightWindows)) return out;
    out.swallow = true;
    const bool press = message == kWmKeyDown || message == kWmSysKeyDown;
    if (press && virtualKey == lastWindowsDown_) return out;  // held down: the system repeats the press
    Add(out, Elapsed(nowMs, lastEvent_), virtualKey == kVkLeftWindows ? kLeftWindows : kRightWindows,
        press ? 0 : 1);
    lastEvent_ = nowMs;
    lastWindowsDown_ = press ? virtualKey : 0;
    return out;
}

}  // namespace kv
