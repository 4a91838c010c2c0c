#include "keys/assignment_key_table.h"

#include "keys/action_catalogue.h"

namespace kv {

namespace {

ActionCode EncodeKeyTarget(KeyCode v) {
    if (const uint8_t bit = ModifierBit(v); bit != 0) return {0x02, 0x01, bit};
    switch (v) {
        case 0x171: return {0x01, 0x01, 0x01};
        case 0x172: return {0x01, 0x01, 0x02};
        case 0x173: return {0x01, 0x01, 0x04};
        case 0x161: return {0x01, 0x05, 0x01};
        case 0x162: return {0x01, 0x05, 0xFF};
        default: break;
    }
    // A media key given as a key goes out as a keyboard code with its media device code.
    const DeviceCode d = ClassifyDeviceCode(v);
    return {0x02, 0x02, d.deviceClass == kDeviceClassKeyboard ? d.code : uint8_t{0}};
}

}  // namespace

ActionCode EncodeSlot(const KeySlot& slot, ActionCode d, unsigned macroPosition) {
    switch (slot.type) {
        case ASSIGN_DEFAULT:
        case ASSIGN_PROGRAM:
            return d;
        case ASSIGN_DISABLED:
        case ASSIGN_TEXT:
            return {};
        case ASSIGN_KEY:
            return EncodeKeyTarget(static_cast<KeyCode>(slot.value <= 0xFFFF ? slot.value : 0));
        case ASSIGN_MACRO:
            return {0x05, 0x01, static_cast<uint8_t>(macroPosition)};
        case ASSIGN_STOP_MACRO:
            return {0x05, 0x02, 0x00};
        case ASSIGN_MEDIA: {
            if (slot.value >= static_cast<uint32_t>(MediaCount)) return d;  // no such entry: keep the default
            const uint16_t usage = MediaUsage(static_cast<int>(slot.value));
            return {0x03, static_cast<uint8_t>(usage), static_cast<uint8_t>(usage >> 8)};
        }
        case ASSIGN_FUNCTION:
            return {0x05, 0x05, static_cast<uint8_t>(slot.value)};
        default:
            return d;  // a type no version of the program writes (a damaged file): the key stays at default
    }
}

KeyTableBlock BuildKeyTableBlock(const ProfileDataSnapshot& snapshot, unsigned profile, const KeyTableBlock& defaults) {
    KeyTableBlock block = defaults;
    if (profile >= kDeviceProfileCount || snapshot.table.size() < kAssignmentTableSize) return block;
    for (std::size_t i = 0; i < kKeyTablePositions; ++i) {
        const ActionCode d = ActionCodeAt(defaults, i);
        const KeyCode k = KeyCodeOfActionCode(d);
        if (k == 0) continue;
        const int index = KeyIndexOf(k);
        if (index < 0 || index >= static_cast<int>(kSlotsPerSection)) continue;
        const KeySlot slot = ReadSlot(snapshot.Table(), profile, static_cast<std::size_t>(index));
        const unsigned position = slot.type == ASSIGN_MACRO ? PositionOfMacroId(snapshot.macros, slot.value) : 0;
        SetActionCodeAt(block, i, EncodeSlot(slot, d, position));
    }
    return block;
}

void DecodeKeyTableBlock(const KeyTableBlock& block, const KeyTableBlock& defaults, AssignmentTable table,
                         std::size_t section) {
    if (section >= kSectionCount) return;
    ClearSectionSlots(table, section);
    for (std::size_t i = 0; i < kKeyTablePositions; ++i) {
        const ActionCode d = ActionCodeAt(defaults, i);
        const ActionCode c = ActionCodeAt(block, i);
        if (c == d) continue;
        const int index = KeyIndexOf(KeyCodeOfActionCode(d));
        if (index <= 0 || index >= static_cast<int>(kSlotsPerSection)) continue;
        KeySlot slot = ReadSlot(table, section, static_cast<std::size_t>(index));
        slot.type = ASSIGN_DISABLED;
        slot.value = 0;
        switch (c.b0) {
            case 5:
                if (c.b1 == 1) slot.type = ASSIGN_MACRO, slot.value = c.b2 + 1u;
                else if (c.b1 == 2) slot.type = ASSIGN_STOP_MACRO;
                else if (c.b1 == 5) slot.type = ASSIGN_FUNCTION, slot.value = c.b2;
                break;
            case 3: {
                const int m = MediaIndexOfUsage(static_cast<uint16_t>(c.b1 | (c.b2 << 8)));
                if (m != kNoMediaIndex) slot.type = ASSIGN_MEDIA, slot.value = static_cast<uint32_t>(m);
                break;
            }
            case 1:
            case 2: {
                const KeyCode k2 = c.b0 == 2 && c.b1 == 1 ? ModifierFromMask(c.b2) : KeyCodeOfActionCode(c);
                const bool known = c.b0 == 1 ? k2 != 0 : c.b1 == 1 || (c.b1 == 2 && k2 != 0);
                if (known) slot.type = ASSIGN_KEY, slot.value = k2;
                break;
            }
            default:
                break;
        }
        WriteSlot(table, section, static_cast<std::size_t>(index), slot);
    }
}

}  // namespace kv
