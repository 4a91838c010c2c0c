// Key slots and the key table block: encoding slots into action codes, decoding a block read back.
#include <gtest/gtest.h>

#include "keys/assignment_key_table.h"
#include "keys/assignment_store.h"
#include "keys/key_catalogue.h"

namespace kv {
namespace {

// A default table with one known key per position: A, left Shift, G-key 1, a macro-only code, Mute.
KeyTableBlock SmallDefaults() {
    KeyTableBlock d{};
    SetActionCodeAt(d, 0, {0x02, 0x02, 0x04});  // A
    SetActionCodeAt(d, 1, {0x02, 0x01, 0x02});  // left Shift
    SetActionCodeAt(d, 2, {0x06, 0xA2, 0x01});  // G-key slot 0
    SetActionCodeAt(d, 3, {0x05, 0x00, 0x00});  // not tied to a key
    SetActionCodeAt(d, 4, {0x02, 0x02, 0x05});  // B
    return d;
}

MacroRecord Macro(uint16_t id) {
    MacroRecord m;
    m.id = id;
    return m;
}

TEST(KeyCodeOfActionCode, NamesTheKeyOfEachCodeFamily) {
    struct Case { ActionCode code; KeyCode key; };
    const Case cases[] = {
        {{0x01, 0x01, 0x01}, 0x171}, {{0x01, 0x01, 0x02}, 0x172}, {{0x01, 0x01, 0x04}, 0x173},
        {{0x01, 0x05, 0x01}, 0x161}, {{0x01, 0x05, 0xFF}, 0x162}, {{0x01, 0x01, 0x08}, 0},
        {{0x02, 0x02, 0x04}, 0x01E}, {{0x02, 0x01, 0x22}, 0x02A}, {{0x02, 0x01, 0x00}, 0},
        {{0x03, 0xE2, 0x00}, 0x120}, {{0x04, 0x81, 0x00}, 0x15E}, {{0x04, 0x84, 0x00}, 0},
        {{0x06, 0xA2, 0x01}, 0x200}, {{0x06, 0xA2, 0x12}, 0x211}, {{0x06, 0xA2, 0x00}, 0}, {{0x06, 0xA2, 0x13}, 0},
        {{0x05, 0x01, 0x02}, 0}, {{0x05, 0x00, 0x00}, 0}, {{0x00, 0x00, 0x00}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyCodeOfActionCode(c.code), c.key) << int(c.code.b0) << ' ' << int(c.code.b1) << ' ' << int(c.code.b2);
}

TEST(BuiltInDefaultKeyTable, HoldsTheFactoryRowsAndEmptyTail) {
    const KeyTableBlock& t = BuiltInDefaultKeyTable();
    EXPECT_EQ(ActionCodeAt(t, 0), (ActionCode{0x05, 0x00, 0x00}));
    EXPECT_EQ(ActionCodeAt(t, 8), (ActionCode{0x02, 0x02, 0x29}));
    EXPECT_EQ(ActionCodeAt(t, 53), (ActionCode{0x05, 0x02, 0x02}));
    EXPECT_EQ(ActionCodeAt(t, 62), (ActionCode{0x02, 0x02, 0x48}));
    for (std::size_t i = 64; i < kKeyTablePositions; ++i) EXPECT_EQ(ActionCodeAt(t, i), ActionCode{});
}

TEST(EncodeSlot, GivesEachAssignmentTypeItsActionCode) {
    const ActionCode d{0x02, 0x02, 0x04};
    struct Case { uint16_t type; uint32_t value; unsigned position; ActionCode code; };
    const Case cases[] = {
        {ASSIGN_DEFAULT, 0, 0, d},
        {ASSIGN_DISABLED, 0, 0, {}},
        {ASSIGN_KEY, 0x02A, 0, {0x02, 0x01, 0x02}},  // left Shift on A
        {ASSIGN_KEY, 0x15C, 0, {0x02, 0x01, 0x80}},  // right Windows
        {ASSIGN_KEY, 0x171, 0, {0x01, 0x01, 0x01}},
        {ASSIGN_KEY, 0x173, 0, {0x01, 0x01, 0x04}},
        {ASSIGN_KEY, 0x162, 0, {0x01, 0x05, 0xFF}},  // wheel down
        {ASSIGN_KEY, 0x120, 0, {0x02, 0x02, 0xCD}},  // Mute captured as a key
        {ASSIGN_KEY, 0x15E, 0, {0x02, 0x02, 0x00}},  // Power: system class, not a keyboard code
        {ASSIGN_KEY, 0x030, 0, {0x02, 0x02, 0x05}},  // B
        {ASSIGN_PROGRAM, 12, 0, d},
        {ASSIGN_MACRO, 3, 2, {0x05, 0x01, 0x02}},
        {ASSIGN_STOP_MACRO, 0, 0, {0x05, 0x02, 0x00}},
        {ASSIGN_TEXT, 4, 0, {}},
        {ASSIGN_MEDIA, 7, 0, {0x03, 0xE2, 0x00}},   // Mute from the media list
        {ASSIGN_MEDIA, 0, 0, {0x03, 0x83, 0x01}},
        {ASSIGN_MEDIA, 18, 0, d},                    // no such entry
        {ASSIGN_FUNCTION, 10, 0, {0x05, 0x05, 0x0A}},
        {9, 5, 0, d},                                // damaged types keep the default
        {0xFFFF, 5, 0, d},
    };
    for (const auto& c : cases) {
        KeySlot s;
        s.type = c.type;
        s.value = c.value;
        EXPECT_EQ(EncodeSlot(s, d, c.position), c.code) << "type " << c.type << " value " << c.value;
    }
}

TEST(BuildKeyTableBlock, ReplacesOnlyPositionsTiedToAssignedKeys) {
    ProfileData data;
    ASSERT_TRUE(StoreAssignment(data, 1, KeyIndexOf(0x01E), ASSIGN_KEY, 0, 0x02A));     // A -> left Shift
    ASSERT_TRUE(StoreAssignment(data, 1, KeyIndexOf(0x02A), ASSIGN_MACRO, 1, 30));      // Shift -> macro 30
    ASSERT_TRUE(StoreAssignment(data, 1, 0x100, ASSIGN_FUNCTION, 0, 4));                // G1 -> function 4
    ASSERT_TRUE(StoreAssignment(data, 1, KeyIndexOf(0x030), 77, 0, 1));                 // damaged type on B
    ASSERT_TRUE(StoreAssignment(data, 0, KeyIndexOf(0x01E), ASSIGN_DISABLED, 0, 0));    // another profile
    data.content.macros = {Macro(5), Macro(9), Macro(30)};
    ProfileDataSnapshot snap;
    TakeSnapshot(data, snap);

    const KeyTableBlock d = SmallDefaults();
    const KeyTableBlock b = BuildKeyTableBlock(snap, 1, d);
    EXPECT_EQ(ActionCodeAt(b, 0), (ActionCode{0x02, 0x01, 0x02}));
    EXPECT_EQ(ActionCodeAt(b, 1), (ActionCode{0x05, 0x01, 0x02}));
    EXPECT_EQ(ActionCodeAt(b, 2), (ActionCode{0x05, 0x05, 0x04}));
    EXPECT_EQ(ActionCodeAt(b, 3), (ActionCode{0x05, 0x00, 0x00}));
    EXPECT_EQ(ActionCodeAt(b, 4), ActionCodeAt(d, 4));
    for (std::size_t i = 5; i < kKeyTablePositions; ++i) EXPECT_EQ(ActionCodeAt(b, i), ActionCode{});

    // A macro identifier no macro holds is written as position 0.
    ASSERT_TRUE(StoreAssignment(data, 1, KeyIndexOf(0x02A), ASSIGN_MACRO, 1, 99));
    TakeSnapshot(data, snap);
    EXPECT_EQ(ActionCodeAt(BuildKeyTableBlock(snap, 1, d), 1), (ActionCode{0x05, 0x01, 0x00}));
    // Profile 3 is never written: the defaults come back unchanged.
    EXPECT_EQ(BuildKeyTableBlock(snap, 3, d), d);
}

TEST(DecodeKeyTableBlock, TurnsReadCodesIntoSlots) {
    const KeyTableBlock d = SmallDefaults();
    struct Case { ActionCode read; uint16_t type; uint32_t value; };
    const Case cases[] = {
        {{0x05, 0x01, 0x02}, ASSIGN_MACRO, 3},
        {{0x05, 0x02, 0x00}, ASSIGN_STOP_MACRO, 0},
        {{0x05, 0x05, 0x0A}, ASSIGN_FUNCTION, 10},
        {{0x05, 0x07, 0x00}, ASSIGN_DISABLED, 0},
        {{0x03, 0xE2, 0x00}, ASSIGN_MEDIA, 7},
        {{0x03, 0xE0, 0x00}, ASSIGN_DISABLED, 0},
        {{0x01, 0x05, 0xFF}, ASSIGN_KEY, 0x162},
        {{0x01, 0x01, 0x02}, ASSIGN_KEY, 0x172},
        {{0x01, 0x01, 0x08}, ASSIGN_DISABLED, 0},
        {{0x02, 0x02, 0x05}, ASSIGN_KEY, 0x030},
        {{0x02, 0x02, 0x00}, ASSIGN_DISABLED, 0},
        {{0x02, 0x01, 0x22}, ASSIGN_KEY, 0x02A},
        {{0x02, 0x01, 0x00}, ASSIGN_KEY, 0},
        {{0x02, 0x03, 0x01}, ASSIGN_DISABLED, 0},
        {{0x00, 0x00, 0x00}, ASSIGN_DISABLED, 0},
        {{0x04, 0x81, 0x00}, ASSIGN_DISABLED, 0},
    };
    for (const auto& c : cases) {
        KeyTableBlock read = d;
        SetActionCodeAt(read, 0, c.read);
        ProfileContent content;
        content.table.assign(kAssignmentTableSize, 0xEE);  // the section is cleared first
        DecodeKeyTableBlock(read, d, content.Table(), 2);
        const KeySlot s = ReadSlot(content.Table(), 2, KeyIndexOf(0x01E));
        EXPECT_EQ(s.type, c.type) << int(c.read.b0) << ' ' << int(c.read.b1) << ' ' << int(c.read.b2);
        EXPECT_EQ(s.value, c.value) << int(c.read.b0) << ' ' << int(c.read.b1) << ' ' << int(c.read.b2);
        EXPECT_EQ(ReadSlot(content.Table(), 2, 0x100).tag, 0x0301);
        EXPECT_EQ(ReadSlot(content.Table(), 2, 0x109).tag, 0x1301);
        EXPECT_EQ(ReadSlot(content.Table(), 2, KeyIndexOf(0x030)), KeySlot{});
        EXPECT_EQ(content.table[SlotOffset(1, 0)], 0xEE);  // other sections untouched
    }
}

TEST(DecodeKeyTableBlock, BlockEqualToDefaultsLeavesEveryKeyAtDefault) {
    ProfileContent content;
    DecodeKeyTableBlock(BuiltInDefaultKeyTable(), BuiltInDefaultKeyTable(), content.Table(), 0);
    for (std::size_t k = 0; k < kSlotsPerSection; ++k) EXPECT_EQ(ReadSlot(content.Table(), 0, k).type, 0) << k;
}

TEST(DecodeKeyTableBlock, RoundTripsWhatBuildWrites) {
    ProfileData data;
    const uint16_t types[] = {ASSIGN_DISABLED, ASSIGN_KEY, ASSIGN_STOP_MACRO, ASSIGN_MEDIA, ASSIGN_FUNCTION, ASSIGN_MACRO};
    const uint32_t values[] = {0, 0x162, 0, 13, 3, 2};
    const KeyCode keys[] = {0x029, 0x00F, 0x03A, 0x01E, 0x02C, 0x01F};
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(StoreAssignment(data, 2, KeyIndexOf(keys[i]), types[i], 0, values[i]));
    data.content.macros = {Macro(1), Macro(2)};
    ProfileDataSnapshot snap;
    TakeSnapshot(data, snap);
    const KeyTableBlock block = BuildKeyTableBlock(snap, 2, BuiltInDefaultKeyTable());
    ProfileContent back;
    DecodeKeyTableBlock(block, BuiltInDefaultKeyTable(), back.Table(), 2);
    for (int i = 0; i < 6; ++i) {
        const KeySlot s = ReadSlot(back.Table(), 2, KeyIndexOf(keys[i]));
        EXPECT_EQ(s.type, types[i]) << i;
        EXPECT_EQ(s.value, values[i]) << i;
    }
}

TEST(StoreAssignment, KeepsLightingFlagSetsTagsAndFreesText) {
    ProfileData data;
    KeySlot lit;
    lit.lighting = 1;
    lit.reserved = 7;
    WriteSlot(data.content.Table(), 0, 0x1E, lit);
    ASSERT_TRUE(StoreTextAssignment(data, 0, 0x1E, ASSIGN_PROGRAM, u"C:\\x.exe"));
    EXPECT_EQ(data.content.textTotal, 18u);
    ASSERT_TRUE(StoreAssignment(data, 0, 0x1E, ASSIGN_KEY, 0, 0x030));
    EXPECT_EQ(data.content.textTotal, 0u);
    EXPECT_FALSE(data.content.texts[SlotNumber(0, 0x1E)].present);
    EXPECT_EQ(ReadSlot(data.content.Table(), 0, 0x1E), (KeySlot{ASSIGN_KEY, 0, 0x030, 1, 7}));

    ASSERT_TRUE(StoreAssignment(data, 1, 0x10A, ASSIGN_STOP_MACRO, 0, 0));
    EXPECT_EQ(ReadSlot(data.content.Table(), 1, 0x10A).tag, 0x1302);
    ASSERT_TRUE(StoreAssignment(data, 1, 0x10A, ASSIGN_MACRO, 5, 1));
    EXPECT_EQ(ReadSlot(data.content.Table(), 1, 0x10A).tag, 5);  // the macro's repeat count

    EXPECT_FALSE(StoreAssignment(data, 3, 0x1E, ASSIGN_KEY, 0, 1));
    EXPECT_FALSE(StoreAssignment(data, 0, 512, ASSIGN_KEY, 0, 1));
}

TEST(ResetKeysToDefault, ClearsPictureKeysAndTheBanksGKeysOnly) {
    ProfileData data;
    for (unsigned k = 0; k < kSlotsPerSection; ++k) ASSERT_TRUE(StoreAssignment(data, 1, k, ASSIGN_DISABLED, 0, 0));
    ASSERT_TRUE(StoreTextAssignment(data, 1, KeyIndexOf(0x01E), ASSIGN_TEXT, u"hello"));
    ResetKeysToDefault(data, 1, 1);
    EXPECT_EQ(ReadSlot(data.content.Table(), 1, KeyIndexOf(0x01E)), KeySlot{});
    EXPECT_EQ(ReadSlot(data.content.Table(), 1, KeyIndexOf(0x145)), KeySlot{});   // Num Lock
    EXPECT_EQ(ReadSlot(data.content.Table(), 1, 0x109), KeySlot{});               // bank 1, G1
    EXPECT_EQ(ReadSlot(data.content.Table(), 1, 0x100).type, ASSIGN_DISABLED);    // bank 0 untouched
    EXPECT_EQ(ReadSlot(data.content.Table(), 1, KeyIndexOf(0x171)).type, ASSIGN_DISABLED);  // not a picture key
    EXPECT_EQ(data.content.textTotal, 0u);
}

}  // namespace
}  // namespace kv
