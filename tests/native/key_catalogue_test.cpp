#include "keys/key_catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace kv {
namespace {

constexpr uint32_t Flags(unsigned scan, bool extended) { return (scan << 16) | (extended ? 1u << 24 : 0u); }

TEST(KeyCatalogue, IndexAndCodeConversions) {
    struct Case {
        KeyCode code;
        int index;
    };
    const Case cases[] = {
        {0x001, 0x01},   // Esc
        {0x045, 0x45},   // Pause
        {0x145, 0xC5},   // Num Lock
        {0x100, 0x80},   {0x17F, 0xFF},
        {0x136, 0xB6},   // the second right Shift
        {0x200, 0x100},  // G1 of bank 0
        {0x201, 0x101},  // G2 of bank 0
        {0x211, 0x111},  // G9 of bank 1
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeyIndexOf(c.code), c.index) << std::hex << c.code;
        EXPECT_EQ(KeyCodeOfIndex(c.index), c.code) << std::hex << c.index;
    }
    for (int index = 0; index < kKeyIndexCount; ++index) EXPECT_EQ(KeyIndexOf(KeyCodeOfIndex(index)), index);
    EXPECT_EQ(KeyCodeOfIndex(-1), 0);
    EXPECT_EQ(KeyCodeOfIndex(kKeyIndexCount), 0);
}

TEST(KeyCatalogue, PictureKeysAreDistinctNamedAndListed) {
    std::set<int> controls, indexes;
    std::set<uint16_t> positions;
    for (int p = 0; p < kPictureKeyCount; ++p) {
        const KeyCode code = PictureKeyCode(p);
        const KeyEntry& e = CatalogueEntry(KeyIndexOf(code));
        EXPECT_TRUE(controls.insert(ControlOfPictureKey(p)).second) << p;
        EXPECT_TRUE(indexes.insert(KeyIndexOf(code)).second) << p;
        EXPECT_TRUE(positions.insert(e.listPosition).second) << p;
        EXPECT_LE(e.listPosition, 0x69) << p;
        EXPECT_NE(e.deviceCode, 0) << p;
        EXPECT_EQ(std::strncmp(e.nameKey, "IDS_KEYBOARD_", 13), 0) << p;
    }
    // The skin names key A's button "KEY_01E": the key index of picture key 0.
    EXPECT_EQ(KeyIndexOf(PictureKeyCode(0)), 0x1E);
    EXPECT_EQ(PictureKeyCode(104), 0x056);  // K45, the last in picture order
    EXPECT_EQ(PictureKeyCode(105), 0);
}

TEST(KeyCatalogue, Entries) {
    const KeyEntry& empty = CatalogueEntry(0x55);
    EXPECT_EQ(empty.listPosition, kNoListPosition);
    EXPECT_STREQ(empty.nameKey, "");
    EXPECT_EQ(empty.deviceCode, 0);
    EXPECT_EQ(empty.virtualKey, kNoVirtualKey);
    EXPECT_EQ(CatalogueEntry(-1).listPosition, kNoListPosition);
    EXPECT_EQ(CatalogueEntry(256).listPosition, kNoListPosition);

    EXPECT_STREQ(CatalogueEntry(0x64).nameKey, "");  // F13 has no name key
    EXPECT_STREQ(CatalogueEntry(0x64).label, L"F13");
    const KeyEntry& shift2 = CatalogueEntry(0xB6);
    const KeyEntry& shift = CatalogueEntry(0x36);
    EXPECT_EQ(shift2.listPosition, shift.listPosition);
    EXPECT_STREQ(shift2.nameKey, shift.nameKey);
    EXPECT_EQ(shift2.deviceCode, shift.deviceCode);
    EXPECT_STREQ(CatalogueEntry(KeyIndexOf(0x148)).label, L"\u2191");

    // Only the numeric pad has an alternate virtual key (its navigation key with Num Lock off).
    struct Alt {
        KeyCode code;
        uint8_t vk, alt;
    };
    const Alt alts[] = {{0x047, 0x67, 0x24}, {0x04C, 0x65, 0x0C}, {0x052, 0x60, 0x2D},
                        {0x053, 0x6E, 0x2E}, {0x147, 0x24, 0x24}, {0x01E, 0x41, 0x41}};
    for (const auto& a : alts) {
        EXPECT_EQ(CatalogueEntry(KeyIndexOf(a.code)).virtualKey, a.vk) << std::hex << a.code;
        EXPECT_EQ(CatalogueEntry(KeyIndexOf(a.code)).alternateVirtualKey, a.alt) << std::hex << a.code;
    }
}

TEST(KeyCatalogue, ListPositions) {
    struct Case {
        KeyCode code;
        uint16_t position;
    };
    const Case cases[] = {
        {0x01E, 0x00},  {0x146, 0x42},   {0x036, 0x67},   {0x136, 0x67},  {0x15C, 0x69},
        {0x171, 0x6B},  {0x162, 0x6F},   {0x054, 0x8054}, {0x17E, 0x80FE}, {0x055, kNoListPosition},
        {0x201, kNoListPosition},
    };
    for (const auto& c : cases) EXPECT_EQ(ListPositionOf(c.code), c.position) << std::hex << c.code;

    // The pickers' list 0x00-0x69 is complete; the first match wins (0x67 is the right Shift of index 0x36).
    for (uint16_t p = 0; p <= 0x69; ++p) EXPECT_NE(KeyCodeAtListPosition(p), 0) << p;
    EXPECT_EQ(KeyCodeAtListPosition(0x67), 0x036);
    EXPECT_EQ(KeyCodeAtListPosition(0x42), 0x146);
    EXPECT_EQ(KeyCodeAtListPosition(0x6A), 0);
    EXPECT_EQ(KeyCodeAtListPosition(0x6D), 0x173);
    EXPECT_EQ(KeyCodeAtListPosition(0x8054), 0x054);

    // Keys outside the list each have a position of their own.
    std::set<uint16_t> notListed;
    for (int i = 0; i < kCatalogueSize; ++i) {
        const uint16_t p = CatalogueEntry(i).listPosition;
        if (p >= kNotListedBase && p != kNoListPosition) {
            EXPECT_TRUE(notListed.insert(p).second) << i;
        }
    }
    EXPECT_EQ(notListed.size(), 45u);
}

TEST(KeyCatalogue, ClassifyDeviceCode) {
    struct Case {
        KeyCode code;
        int deviceClass;
        uint8_t device;
    };
    const Case cases[] = {
        {0x01E, kDeviceClassKeyboard, 0x04}, {0x15E, kDeviceClassSystem, 0x81}, {0x163, kDeviceClassSystem, 0x83},
        {0x171, kDeviceClassMouse, 0xF1},    {0x162, kDeviceClassMouse, 0xF5},   {0x120, kDeviceClassKeyboard, 0xCD},
        {0x17C, kDeviceClassKeyboard, 0xD5}, {0x070, kDeviceClassKeyboard, 0x88}, {0x15C, kDeviceClassKeyboard, 0xE7},
        {0x054, kDeviceClassNone, 0},        {0x055, kDeviceClassNone, 0},       {0x201, kDeviceClassNone, 0},
    };
    for (const auto& c : cases) {
        const DeviceCode d = ClassifyDeviceCode(c.code);
        EXPECT_EQ(d.deviceClass, c.deviceClass) << std::hex << c.code;
        EXPECT_EQ(d.code, c.device) << std::hex << c.code;
    }
}

TEST(KeyCatalogue, KeyCodeFromDeviceTakesTheFirstMatch) {
    struct Case {
        int deviceClass;
        uint16_t value;
        KeyCode code;
    };
    const Case cases[] = {
        {7, 0x04, 0x01E},
        {7, 0x48, 0x045},   // Pause, never Break
        {7, 0xE5, 0x036},   // right Shift, never 0x136
        {7, 0x58, 0x11C},   // Num Enter
        {7, 0x88, 0x070},
        {7, 0xF4, 0x161},
        {7, 0x00, 0},
        {7, 0xFF, 0},
        {7, 0x104, 0},      // not a byte
        {1, 0x81, 0x15E},
        {1, 0x83, 0x163},
        {1, 0x84, 0},
        {1, 0x04, 0},
        {12, 0xE2, 0x120},  // Mute
        {12, 0x183, 0x16D},
        {12, 0x0000, 0x174},  // the first unused consumer position: device code 0xD2, Zoom-
        {12, 0x0E0, 0},
        {2, 0xF1, 0},
        {3, 0x04, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyCodeFromDevice(c.deviceClass, c.value), c.code) << c.deviceClass << " " << std::hex << c.value;

    // Every key the keyboard can name comes back from its own device code, unless an earlier row shares it.
    for (int i = 0; i < kCatalogueSize; ++i) {
        const KeyCode code = KeyCodeOfIndex(i);
        const uint8_t device = CatalogueEntry(i).deviceCode;
        if (device == 0 || code == 0x146 || code == 0x136) continue;
        EXPECT_EQ(KeyCodeFromDevice(7, device), code) << std::hex << code;
    }
}

TEST(KeyCatalogue, VirtualKeyTable) {
    struct Case {
        uint8_t vk;
        KeyCode code;
    };
    const Case cases[] = {
        {0x41, 0x01E},
        {0x0D, 0x01C},  // Enter, not Num Enter
        {0x24, 0x147},  // Home, not Num 7
        {0x2D, 0x152},  // Insert, not Num 0
        {0x2E, 0x153},  // Delete, not Num .
        {0x67, 0x047},  // Num 7
        {0x2C, 0x137},  // Print Screen, not Sys Req
        {0x10, 0x02A},  {0x11, 0x01D}, {0x12, 0x038},  // the neutral modifiers
        {0xA0, 0x02A},  {0xA1, 0x036}, {0xA3, 0x11D},
        {0x03, 0x146},  // Break
        {0x13, 0x045},  {0x90, 0x145},
        {0xD1, 0x161},  {0xD2, 0x162},  // the wheel
        {0xAD, 0x120},  {0x7C, 0x064}, {0x5F, 0x15F}, {0xE2, 0x056},
        {0x01, 0},      {0x02, 0},     {0x04, 0},      // mouse buttons
        {0x0C, 0},      {0x88, 0},     {0x8A, 0},     {0x8B, 0}, {0x8C, 0}, {0x97, 0}, {0x9F, 0},
        {0xFF, 0},      {0x00, 0},     {0x07, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(KeyCodeFromVirtualKey(c.vk), c.code) << std::hex << int(c.vk);

    // Every named key produces the virtual key it is found by.
    for (int vk = 0; vk < 256; ++vk) {
        const KeyCode code = KeyCodeFromVirtualKey(static_cast<uint8_t>(vk));
        if (code == 0 || (vk >= 0x10 && vk <= 0x12)) continue;
        EXPECT_EQ(CatalogueEntry(KeyIndexOf(code)).virtualKey, vk) << std::hex << vk;
    }
}

TEST(KeyCatalogue, KeyCodeFromMessage) {
    struct Case {
        uint8_t vk;
        uint32_t flags;
        KeyCode code;
    };
    const Case cases[] = {
        {0x24, Flags(0x47, false), 0x047},  // Num 7 by its alternate virtual key
        {0x24, Flags(0x47, true), 0x147},   // Home
        {0x67, Flags(0x47, false), 0x047},
        {0x0D, Flags(0x1C, false), 0x01C},
        {0x0D, Flags(0x1C, true), 0x11C},   // Num Enter
        {0x13, Flags(0x45, false), 0x045},  // Pause
        {0x90, Flags(0x45, true), 0x145},   // Num Lock
        {0x03, Flags(0x46, true), 0x146},   // Break
        {0x2C, Flags(0x37, true), 0x137},   // Print Screen
        {0x2C, Flags(0x54, false), 0x054},  // Sys Req
        {0xA1, Flags(0x36, false), 0x036},  // right Shift, whatever the virtual key
        {0x10, Flags(0x36, false), 0x036},
        {0x41, Flags(0x36, false), 0x036},
        {0x10, Flags(0x2A, false), 0x02A},  // the neutral Shift names left Shift
        {0xFF, Flags(0x70, false), 0x070},  // no virtual key: the scan code
        {0xFF, Flags(0x00, false), 0},
        {0x41, Flags(0x00, false), 0x01E},  // no scan code: the virtual key
        {0x41, Flags(0x00, true), 0x01E},
        {0x41, Flags(0x30, false), 0x01E},  // scan code of another key: the virtual key wins
        {0x41, Flags(0x1E, false) | 0xC000'0001u, 0x01E},  // repeat count and transition bits are ignored
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyCodeFromMessage(c.vk, c.flags), c.code) << std::hex << int(c.vk) << " " << c.flags;
}

TEST(KeyCatalogue, ReleaseOnlyKeys) {
    for (KeyCode code : {0x054, 0x071, 0x072, 0x137}) EXPECT_TRUE(IsReleaseOnlyKey(code)) << std::hex << code;
    for (KeyCode code : {0x000, 0x037, 0x154, 0x073, 0x045}) EXPECT_FALSE(IsReleaseOnlyKey(code)) << std::hex << code;
}

TEST(KeyCatalogue, Modifiers) {
    const KeyCode inPriority[8] = {0x01D, 0x02A, 0x038, 0x15B, 0x11D, 0x036, 0x138, 0x15C};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ModifierBit(inPriority[i]), 1 << i);
        EXPECT_EQ(ModifierFromMask(static_cast<uint8_t>(1 << i)), inPriority[i]);
    }
    EXPECT_EQ(ModifierBit(0x136), 0);
    EXPECT_EQ(ModifierBit(0x01E), 0);
    struct Case {
        uint8_t mask;
        KeyCode code;
    };
    const Case cases[] = {{0x00, 0}, {0x22, 0x02A}, {0xF0, 0x11D}, {0xFF, 0x01D}, {0xC0, 0x138}};
    for (const auto& c : cases) EXPECT_EQ(ModifierFromMask(c.mask), c.code) << std::hex << int(c.mask);
}

TEST(KeyCatalogue, ControlsAndGKeys) {
    struct Case {
        int control;
        PictureControl::Kind kind;
        int position;
    };
    const Case cases[] = {
        {1058, PictureControl::kKey, 0},      {1199, PictureControl::kKey, 104}, {1022, PictureControl::kKey, 37},
        {1000, PictureControl::kGButton, 0},  {1004, PictureControl::kGButton, 4},
        {1140, PictureControl::kGButton, 5},  {1143, PictureControl::kGButton, 8},
        {kFnButtonControl, PictureControl::kNone, -1}, {0, PictureControl::kNone, -1},
    };
    for (const auto& c : cases) {
        const PictureControl pc = PictureKeyOfControl(c.control);
        EXPECT_EQ(pc.kind, c.kind) << c.control;
        EXPECT_EQ(pc.position, c.position) << c.control;
    }
    for (int p = 0; p < kPictureKeyCount; ++p) EXPECT_EQ(PictureKeyOfControl(ControlOfPictureKey(p)).position, p);
    for (int b = 0; b < kGButtonCount; ++b) EXPECT_EQ(PictureKeyOfControl(ControlOfGButton(b)).position, b);
    EXPECT_EQ(ControlOfPictureKey(105), 0);
    EXPECT_EQ(ControlOfGButton(9), 0);

    EXPECT_EQ(GKeyCode(0, 0), 0x200);
    EXPECT_EQ(GKeyCode(1, 8), 0x211);
    EXPECT_EQ(KeyIndexOf(GKeyCode(1, 0)), 0x109);
    EXPECT_EQ(GKeyCode(2, 0), 0);
    EXPECT_EQ(GKeyCode(0, 9), 0);
    EXPECT_EQ(GSlotOfCode(0x20A), 10);
    EXPECT_EQ(GSlotOfCode(0x212), -1);
    EXPECT_EQ(GSlotOfCode(0x1FF), -1);
    struct Tag {
        int slot;
        uint16_t tag;
    };
    const Tag tags[] = {{0, 0x0301}, {8, 0x0309}, {9, 0x1301}, {17, 0x1309}, {18, 0}, {-1, 0}};
    for (const auto& t : tags) EXPECT_EQ(GSlotTag(t.slot), t.tag) << t.slot;
}

}  // namespace
}  // namespace kv
