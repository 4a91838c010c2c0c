#include "keys/assignment_table.h"

#include <algorithm>

#include "macros/little_endian.h"

namespace kv {

KeySlot ReadSlot(ConstAssignmentTable table, std::size_t section, std::size_t keyIndex) {
    KeySlot s;
    if (section >= kSectionCount || keyIndex >= kSlotsPerSection) return s;
    const uint8_t* p = table.data() + SlotOffset(section, keyIndex);
    s.type = le::U16(p);
    s.tag = le::U16(p + 2);
    s.value = le::U32(p + 4);
    s.lighting = le::U32(p + 8);
    s.reserved = le::U32(p + 12);
    return s;
}

void WriteSlot(AssignmentTable table, std::size_t section, std::size_t keyIndex, const KeySlot& s) {
    if (section >= kSectionCount || keyIndex >= kSlotsPerSection) return;
    uint8_t* p = table.data() + SlotOffset(section, keyIndex);
    le::Put16(p, s.type);
    le::Put16(p + 2, s.tag);
    le::Put32(p + 4, s.value);
    le::Put32(p + 8, s.lighting);
    le::Put32(p + 12, s.reserved);
}

void ClearSectionSlots(AssignmentTable table, std::size_t section) {
    if (section >= kSectionCount) return;
    uint8_t* first = table.data() + SlotOffset(section, 0);
    std::fill(first, first + kSectionSize, uint8_t{0});
    for (unsigned n = 0; n < kGKeySlotCount; ++n) {
        KeySlot s;
        s.tag = GKeyTag(n);
        WriteSlot(table, section, kGKeyFirstIndex + n, s);
    }
}

}  // namespace kv
