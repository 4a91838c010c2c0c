// The key assignment dialog's window-free rules: placement beside the clicked key, key capture by its two
// hooks, where its pages start at each opening, and the assignment its pages give the key.
#include <gtest/gtest.h>

#include "keys/action_catalogue.h"
#include "keys/key_capture.h"
#include "keys/key_dialog_rules.h"

using namespace kv;

namespace {

uint32_t Flags(uint32_t scan, bool extended, bool previous, bool transition) {
    return (scan << 16) | (extended ? 1u << 24 : 0) | (previous ? 1u << 30 : 0) | (transition ? 1u << 31 : 0) | 1u;
}

}  // namespace

TEST(KeyDialogPlacement, FirstCornerThatFitsWins) {
    const ScreenBox screen{0, 0, 1600, 1000};
    const int w = 600, h = 460;
    struct Case {
        const char* where;
        ScreenBox button;
        ScreenPoint expected;
    } cases[] = {
        {"top left: below right", {100, 100, 140, 140}, {140, 140}},
        {"bottom left: above right", {100, 900, 140, 940}, {140, 440}},
        {"top right: below left", {1500, 100, 1540, 140}, {900, 140}},
        {"bottom right: above left", {1500, 900, 1540, 940}, {900, 440}},
        {"nowhere fits: below right", {700, 400, 740, 440}, {740, 440}},
    };
    for (const Case& c : cases) EXPECT_EQ(PlaceBesideButton(c.button, w, h, screen), c.expected) << c.where;
    // Exactly enough room counts as room.
    EXPECT_EQ(PlaceBesideButton({100, 100, 1000, 540}, w, h, screen), (ScreenPoint{1000, 540}));
    // Another monitor right of the first.
    EXPECT_EQ(PlaceBesideButton({1700, 100, 1740, 140}, w, h, {1600, 0, 3200, 1000}), (ScreenPoint{1740, 140}));
    EXPECT_EQ(CentreOnScreen(w, h, screen), (ScreenPoint{500, 270}));
}

TEST(KeyCapture, ThreadHookCountsFirstPressesAndPassesMultimediaKeys) {
    struct Case {
        const char* what;
        int code;
        uint8_t vk;
        uint32_t flags;
        bool keyboardMode;
        bool swallow;
        KeyCode captured;
    } cases[] = {
        {"A pressed", 0, 0x41, Flags(0x1E, false, false, false), true, true, 0x01E},
        {"A repeated", 0, 0x41, Flags(0x1E, false, true, false), true, true, 0},
        {"A released", 0, 0x41, Flags(0x1E, false, true, true), true, true, 0},
        {"A in mouse mode", 0, 0x41, Flags(0x1E, false, false, false), false, true, 0},
        {"not an action", 3, 0x41, Flags(0x1E, false, false, false), true, false, 0},
        {"Volume +", 0, 0xAF, Flags(0x30, true, false, false), true, false, 0},
        {"Print Screen on release", 0, 0x2C, Flags(0x37, true, true, true), true, true, 0x137},
        {"right Ctrl (extended)", 0, 0x11, Flags(0x1D, true, false, false), true, true, 0x11D},
    };
    for (const Case& c : cases) {
        const CaptureOutcome out = CaptureFromKeyboardHook(c.code, c.vk, c.flags, c.keyboardMode);
        EXPECT_EQ(out.swallow, c.swallow) << c.what;
        EXPECT_EQ(out.captured, c.captured) << c.what;
    }
}

TEST(KeyCapture, LowLevelHookTakesWindowsAndMenuKeys) {
    struct Case {
        uint32_t message, vk;
        bool swallow;
        KeyCode captured;
    } cases[] = {
        {0x0100, 0x5B, true, 0x15B}, {0x0101, 0x5C, true, 0x15C}, {0x0104, 0x5D, true, 0x15D},
        {0x0105, 0x5B, true, 0x15B}, {0x0100, 0x41, false, 0},    {0x0102, 0x5B, false, 0},
    };
    for (const Case& c : cases) {
        const CaptureOutcome out = CaptureFromLowLevelHook(0, c.message, c.vk);
        EXPECT_EQ(out.swallow, c.swallow) << std::hex << c.message << " " << c.vk;
        EXPECT_EQ(out.captured, c.captured);
    }
    EXPECT_FALSE(CaptureFromLowLevelHook(1, 0x0100, 0x5B).swallow);
}

TEST(KeyCapture, MouseEntries) {
    const KeyCode codes[] = {0x171, 0x172, 0x173, 0x161, 0x162};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(MouseEntryOf(codes[i]), i);
    EXPECT_EQ(MouseEntryOf(0x01E), -1);
    EXPECT_EQ(MouseEntryOf(0), -1);
}

TEST(KeyDialogStart, EachOpeningStartsFromTheKeysOwnAssignmentOrTheFirstEntries) {
    struct Case {
        const char* what;
        uint16_t type;
        uint32_t value;
        KeyDialogStart expected;
    } cases[] = {
        {"default", ASSIGN_DEFAULT, 0, {}},
        {"key B", ASSIGN_KEY, 0x030, {true, 0x030, 0, 0, 0}},
        {"mouse right button", ASSIGN_KEY, 0x172, {false, 0, 1, 0, 0}},
        {"mouse wheel down", ASSIGN_KEY, 0x162, {false, 0, 4, 0, 0}},
        {"media Mute", ASSIGN_MEDIA, 7, {true, 0, 0, 7, 0}},
        {"media out of range", ASSIGN_MEDIA, 18, {}},
        {"function 10", ASSIGN_FUNCTION, 10, {true, 0, 0, 0, 10}},
        {"function out of range", ASSIGN_FUNCTION, 11, {}},
        {"macro 3", ASSIGN_MACRO, 3, {}},
        {"a type the dialog does not show", 3, 5, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(StartFromSlot(c.type, c.value), c.expected) << c.what;
}

TEST(KeyDialogResult, AssignmentFromThePages) {
    const int aIndex = KeyIndexOf(0x01E);
    struct Case {
        const char* what;
        KeyDialogChoice choice;
        SlotChange expected;
    } cases[] = {
        {"default", {ASSIGN_DEFAULT, aIndex}, {}},
        {"key B", {ASSIGN_KEY, aIndex, true, 0x030}, {ASSIGN_KEY, 0, 0x030}},
        {"no key captured", {ASSIGN_KEY, aIndex, true, 0}, {}},
        {"the key itself", {ASSIGN_KEY, aIndex, true, 0x01E}, {}},
        {"mouse wheel down", {ASSIGN_KEY, aIndex, false, 0x030, 4}, {ASSIGN_KEY, 0, 0x162}},
        {"macro 3 repeated 5", {ASSIGN_MACRO, aIndex, true, 0, 0, true, 3, 5}, {ASSIGN_MACRO, 5, 3}},
        {"empty macro list", {ASSIGN_MACRO, aIndex, true, 0, 0, false, 0, 1}, {}},
        {"media Mute", {ASSIGN_MEDIA, aIndex, true, 0, 0, false, 0, 1, 7}, {ASSIGN_MEDIA, 0, 7}},
        {"function 10", {ASSIGN_FUNCTION, aIndex, true, 0, 0, false, 0, 1, 0, 10}, {ASSIGN_FUNCTION, 0, 10}},
        {"function out of range", {ASSIGN_FUNCTION, aIndex, true, 0, 0, false, 0, 1, 0, 11}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(AssignmentFromChoice(c.choice), c.expected) << c.what;
}
