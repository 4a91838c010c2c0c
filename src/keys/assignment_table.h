// The key assignment table: a 64-byte header (the profile data file's header and identification block)
// followed by four profile sections of 512 sixteen-byte key slots. Slots are read and written byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kv {

inline constexpr std::size_t kKeySlotSize = 16;
inline constexpr std::size_t kSlotsPerSection = 512;
inline constexpr std::size_t kSectionCount = 4;
inline constexpr std::size_t kDeviceProfileCount = 3;  // sections 0..2 reach the keyboard
inline constexpr std::size_t kTableHeaderSize = 64;
inline constexpr std::size_t kSectionSize = kSlotsPerSection * kKeySlotSize;
inline constexpr std::size_t kAssignmentTableSize = kTableHeaderSize + kSectionCount * kSectionSize;
inline constexpr std::size_t kSlotCount = kSectionCount * kSlotsPerSection;  // 2048, one string entry each
static_assert(kSectionSize == 8192);
static_assert(kAssignmentTableSize == 32832);

inline constexpr uint16_t kGKeyFirstIndex = 0x100;
inline constexpr uint16_t kGKeySlotCount = 18;

enum AssignmentType : uint16_t {
    ASSIGN_DEFAULT = 0,
    ASSIGN_DISABLED = 1,
    ASSIGN_KEY = 2,
    ASSIGN_PROGRAM = 3,
    ASSIGN_MACRO = 4,
    ASSIGN_STOP_MACRO = 5,
    ASSIGN_TEXT = 6,
    ASSIGN_MEDIA = 7,
    ASSIGN_FUNCTION = 8,
};

struct KeySlot {
    uint16_t type = 0;
    uint16_t tag = 0;       // G-key tag, or a macro's repeat count
    uint32_t value = 0;     // by type
    uint32_t lighting = 0;  // per-key lighting selection flag; not part of the assignment
    uint32_t reserved = 0;
    bool operator==(const KeySlot&) const = default;
};

using AssignmentTable = std::span<uint8_t, kAssignmentTableSize>;
using ConstAssignmentTable = std::span<const uint8_t, kAssignmentTableSize>;

[[nodiscard]] constexpr std::size_t SlotOffset(std::size_t section, std::size_t keyIndex) {
    return kTableHeaderSize + section * kSectionSize + keyIndex * kKeySlotSize;
}
// Entry of the string table that belongs to a slot.
[[nodiscard]] constexpr std::size_t SlotNumber(std::size_t section, std::size_t keyIndex) {
    return section * kSlotsPerSection + keyIndex;
}
[[nodiscard]] constexpr bool IsGKeyIndex(std::size_t keyIndex) {
    return keyIndex >= kGKeyFirstIndex && keyIndex < kGKeyFirstIndex + kGKeySlotCount;
}
// Tag of G-key slot n (0..17): 0x0301 + n for bank 0, 0x1301 + n - 9 for bank 1.
[[nodiscard]] constexpr uint16_t GKeyTag(unsigned n) {
    return static_cast<uint16_t>(n < 9 ? 0x0301 + n : 0x1301 + (n - 9));
}
// Types 3 (program) and 6 (text) carry a string of the string table.
[[nodiscard]] constexpr bool TypeHasText(uint16_t type) { return type == ASSIGN_PROGRAM || type == ASSIGN_TEXT; }

// section 0..3, keyIndex 0..511; out-of-range arguments read an empty slot and write nothing.
[[nodiscard]] KeySlot ReadSlot(ConstAssignmentTable table, std::size_t section, std::size_t keyIndex);
void WriteSlot(AssignmentTable table, std::size_t section, std::size_t keyIndex, const KeySlot& slot);

// Every slot of the section zeroed, then the 18 G-key slots' tags set. The string entries are the caller's.
void ClearSectionSlots(AssignmentTable table, std::size_t section);

}  // namespace kv
