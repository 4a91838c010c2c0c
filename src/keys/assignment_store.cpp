#include "keys/assignment_store.h"

#include "keys/key_catalogue.h"

namespace kv {

namespace {

// The store itself; the caller holds data.lock.
void StoreLocked(ProfileContent& c, unsigned profile, unsigned keyIndex, uint16_t type, uint16_t tag, uint32_t value,
                 std::u16string_view text) {
    const uint16_t ownTag = IsGKeyIndex(keyIndex) ? GKeyTag(keyIndex - kGKeyFirstIndex) : 0;
    c.ClearText(SlotNumber(profile, keyIndex));
    if (TypeHasText(type)) c.SetText(SlotNumber(profile, keyIndex), text);  // a text slot always has a text
    KeySlot slot = ReadSlot(c.Table(), profile, keyIndex);
    slot.type = type;
    slot.tag = tag != 0 ? tag : ownTag;
    slot.value = value;
    WriteSlot(c.Table(), profile, keyIndex, slot);
}

}  // namespace

bool StoreAssignment(ProfileData& data, unsigned profile, unsigned keyIndex, uint16_t type, uint16_t tag, uint32_t value) {
    if (profile >= kDeviceProfileCount || keyIndex >= kSlotsPerSection) return false;
    std::lock_guard<std::mutex> hold(data.lock);
    StoreLocked(data.content, profile, keyIndex, type, tag, value, u"");
    return true;
}

bool StoreTextAssignment(ProfileData& data, unsigned profile, unsigned keyIndex, uint16_t type, std::u16string_view text) {
    if (!TypeHasText(type) || profile >= kDeviceProfileCount || keyIndex >= kSlotsPerSection) return false;
    // One hold for the slot and its text: a save in between would write the slot with an empty text.
    std::lock_guard<std::mutex> hold(data.lock);
    StoreLocked(data.content, profile, keyIndex, type, 0, 0, text);
    return true;
}

void ClearSection(ProfileContent& content, std::size_t section) {
    if (section >= kSectionCount) return;
    ClearSectionSlots(content.Table(), section);
    for (std::size_t k = 0; k < kSlotsPerSection; ++k) content.ClearText(SlotNumber(section, k));
}

void ResetKeysToDefault(ProfileData& data, unsigned profile, unsigned bank) {
    if (profile >= kDeviceProfileCount || bank >= static_cast<unsigned>(kGBankCount)) return;
    std::lock_guard<std::mutex> hold(data.lock);
    ProfileContent& c = data.content;
    auto zero = [&](int index) {
        if (index < 0 || index >= static_cast<int>(kSlotsPerSection)) return;
        WriteSlot(c.Table(), profile, static_cast<std::size_t>(index), KeySlot{});
        c.ClearText(SlotNumber(profile, static_cast<std::size_t>(index)));
    };
    for (int b = 0; b < kGButtonCount; ++b) zero(KeyIndexOf(GKeyCode(static_cast<int>(bank), b)));
    for (int i = 0; i < kPictureKeyCount; ++i) zero(KeyIndexOf(PictureKeyCode(i)));
}

}  // namespace kv
