#include "macros/profile_data.h"

#include <algorithm>

#include "macros/little_endian.h"
#include "profiles/profile_file_format.h"

namespace kv {

ProfileContent::ProfileContent() : table(kAssignmentTableSize, 0), texts(kSlotCount) {
    WriteFileHeader(table.data(), 0, 0);
    std::copy(kIdentificationBlock.begin(), kIdentificationBlock.end(), table.begin() + kIdentificationOffset);
    ClearSectionSlots(Table(), 0);
}

void ProfileContent::SetText(std::size_t slotNumber, std::u16string_view text) {
    if (slotNumber >= texts.size()) return;
    ClearText(slotNumber);
    TextEntry& e = texts[slotNumber];
    // The text ends at its first NUL, as the file keeps it.
    e.text = std::u16string(text.substr(0, text.find(u'\0')));
    e.present = true;
    textTotal += e.ByteLength();
}

void ProfileContent::ClearText(std::size_t slotNumber) {
    if (slotNumber >= texts.size()) return;
    TextEntry& e = texts[slotNumber];
    textTotal -= e.ByteLength();
    e = TextEntry{};
}

void ProfileContent::ClearAllTexts() {
    for (auto& e : texts) e = TextEntry{};
    textTotal = 0;
}

ProfileData& TheProfileData() {
    static ProfileData data;
    return data;
}

ProfileDataSnapshot& TheProfileDataSnapshot() {
    static ProfileDataSnapshot snapshot;
    return snapshot;
}

std::vector<uint8_t> PackTexts(const ProfileContent& content, std::span<uint8_t, kAssignmentTableSize> table) {
    std::vector<uint8_t> area(content.textTotal, 0);
    std::size_t at = 0;
    for (std::size_t section = 0; section < kSectionCount; ++section) {
        for (std::size_t k = 0; k < kSlotsPerSection; ++k) {
            KeySlot slot = ReadSlot(table, section, k);
            if (!TypeHasText(slot.type)) continue;
            const TextEntry& e = content.texts[SlotNumber(section, k)];
            const std::size_t length = e.ByteLength();
            if (!e.present || at + length > area.size()) {
                slot.value = 0;
            } else {
                for (std::size_t i = 0; i < e.text.size(); ++i) le::Put16(&area[at + 2 * i], e.text[i]);
                slot.value = static_cast<uint32_t>(at);
                at += length;
            }
            WriteSlot(table, section, k, slot);
        }
    }
    return area;
}

unsigned PositionOfMacroId(const std::vector<MacroRecord>& macros, uint32_t id) {
    for (std::size_t i = 0; i < macros.size(); ++i)
        if (macros[i].id == id) return static_cast<unsigned>(i);
    return 0;
}

unsigned PositionOfMacroId(const ProfileData& data, uint32_t id) {
    std::lock_guard<std::mutex> hold(data.lock);
    return PositionOfMacroId(data.content.macros, id);
}

void TakeSnapshot(const ProfileData& data, ProfileDataSnapshot& snapshot) {
    std::lock_guard<std::mutex> hold(data.lock);
    const ProfileContent& c = data.content;
    snapshot.table = c.table;
    snapshot.macros = c.macros;
    if (snapshot.macros.size() > kMaxMacros) snapshot.macros.resize(kMaxMacros);
    snapshot.strings = PackTexts(c, std::span<uint8_t, kAssignmentTableSize>(snapshot.table.data(), kAssignmentTableSize));
    WriteFileHeader(snapshot.table.data(), static_cast<uint16_t>(snapshot.macros.size()), c.textTotal);
}

}  // namespace kv
