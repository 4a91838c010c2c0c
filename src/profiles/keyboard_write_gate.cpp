#include "profiles/keyboard_write_gate.h"

#include <algorithm>

#include "device/commands.h"
#include "profiles/profile_file.h"
#include "profiles/profile_read_keyboard.h"

namespace kv {

namespace {

bool SlotDiffers(const ProfileContent& a, const ProfileContent& b, std::size_t slot) {
    const std::size_t at = SlotOffset(slot / kSlotsPerSection, slot % kSlotsPerSection);
    return !std::equal(a.table.begin() + static_cast<std::ptrdiff_t>(at),
                       a.table.begin() + static_cast<std::ptrdiff_t>(at + kKeySlotSize),
                       b.table.begin() + static_cast<std::ptrdiff_t>(at)) ||
           a.texts[slot] != b.texts[slot];
}

}  // namespace

KeyboardWriteGate PrepareKeyboardWrite(KeyboardDataLink& link, const KeyTableBlock& defaults,
                                       std::u16string_view namePrefix, ProfileData& data) {
    {
        std::lock_guard<std::mutex> hold(data.lock);
        if (data.fromKeyboard) return KeyboardWriteGate::Write;
    }
    ProfileContent keyboard;
    if (ReadKeyboardIntoContent(link, defaults, namePrefix, keyboard) != kResultSuccess)
        return KeyboardWriteGate::AskFirst;

    std::lock_guard<std::mutex> hold(data.lock);
    if (data.fromKeyboard) return KeyboardWriteGate::Write;  // a read in between brought it up to date
    const ProfileContent& edited = data.content;
    const ProfileContent& base = data.readBase;
    if (edited.macros != base.macros) return KeyboardWriteGate::AskFirst;
    for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
        if (!SlotDiffers(edited, base, slot)) continue;
        const std::size_t at = SlotOffset(slot / kSlotsPerSection, slot % kSlotsPerSection);
        std::copy_n(edited.table.begin() + static_cast<std::ptrdiff_t>(at), kKeySlotSize,
                    keyboard.table.begin() + static_cast<std::ptrdiff_t>(at));
        if (edited.texts[slot].present) keyboard.SetText(slot, edited.texts[slot].text);
        else keyboard.ClearText(slot);
    }
    data.content = std::move(keyboard);
    data.fromKeyboard = true;
    data.readBase = ProfileContent{};
    return KeyboardWriteGate::Write;
}

void UseDefaultBlockUnread(ProfileData& data) {
    std::lock_guard<std::mutex> hold(data.lock);
    data.content = ProfileContent{};
    data.fromKeyboard = false;
    data.readBase = data.content;
}

void DiscardEdits(const std::filesystem::path& workingFile, ProfileData& data) {
    {
        std::lock_guard<std::mutex> hold(data.lock);
        if (!data.fromKeyboard) {
            data.content = data.readBase;
            return;
        }
    }
    (void)LoadProfileFile(workingFile, data);
}

}  // namespace kv
