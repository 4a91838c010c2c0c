// Which key a click on the keyboard picture opens the key assignment dialog on.
#include <gtest/gtest.h>

#include "keys/key_catalogue.h"
#include "ui/key_click_target.h"

namespace kv {
namespace {

TEST(KeyClickTarget, GKeysFollowTheBankAndOnlyG9SetsTheMacroFlag) {
    const struct {
        int control;
        int bank;
        int keyIndex;
        int gButton;
        bool macro;
    } cases[] = {
        {1000, 0, 0x100, 0, false},  // G1, bank A
        {1002, 0, 0x102, 2, false},  // G3, bank A
        {1002, 1, 0x10B, 2, false},  // G3, bank B: 0x100 + 2 + 9
        {1142, 0, 0x107, 7, false},  // G8
        {1143, 0, 0x108, 8, true},   // G9: the macro page
        {1143, 1, 0x111, 8, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        const auto target = TargetOfKeyControl(c.control, c.bank);
        ASSERT_TRUE(target.has_value());
        EXPECT_EQ(target->keyIndex, c.keyIndex);
        EXPECT_EQ(target->gButton, c.gButton);
        EXPECT_EQ(target->macroFlag, c.macro);
    }
}

TEST(KeyClickTarget, PictureKeysUseTheirKeyIndexAndOtherControlsNone) {
    // Every key of the picture opens on its own key index, whatever the bank.
    for (int position = 0; position < kPictureKeyCount; ++position) {
        const auto target = TargetOfKeyControl(ControlOfPictureKey(position), 1);
        ASSERT_TRUE(target.has_value()) << position;
        EXPECT_EQ(target->keyIndex, KeyIndexOf(PictureKeyCode(position)));
        EXPECT_EQ(target->gButton, -1);
        EXPECT_FALSE(target->macroFlag);
    }
    // Print has the key index 0xB7.
    bool printFound = false;
    for (int position = 0; position < kPictureKeyCount; ++position)
        if (KeyIndexOf(PictureKeyCode(position)) == 0xB7) printFound = true;
    EXPECT_TRUE(printFound);
    // Fn, D1, the button 1057, the macro button itself and Apply are no keys.
    for (int control : {kFnButtonControl, 1016, 1057, 1007, 1006}) EXPECT_FALSE(TargetOfKeyControl(control, 0)) << control;
}

}  // namespace
}  // namespace kv
