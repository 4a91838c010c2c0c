#include "ui/gkey_marks.h"

#include <gtest/gtest.h>

#include <vector>

namespace kv {
namespace {

TEST(GKeyMarks, FollowTheBankAndTheProfile) {
    std::vector<uint8_t> bytes(kAssignmentTableSize);
    AssignmentTable table(bytes.data(), kAssignmentTableSize);
    for (std::size_t section = 0; section < kSectionCount; ++section) ClearSectionSlots(table, section);
    WriteSlot(table, 1, kGKeyFirstIndex + 0, KeySlot{ASSIGN_MACRO, GKeyTag(0), 7, 0, 0});       // profile 1, A1
    WriteSlot(table, 1, kGKeyFirstIndex + 9 + 8, KeySlot{ASSIGN_KEY, GKeyTag(17), 4, 0, 0});   // profile 1, B9
    WriteSlot(table, 2, kGKeyFirstIndex + 4, KeySlot{ASSIGN_DISABLED, GKeyTag(4), 0, 0, 0});   // profile 2, A5
    const ConstAssignmentTable view(bytes.data(), kAssignmentTableSize);

    const std::array<bool, 9> none{};
    EXPECT_EQ(AssignedGKeys(view, 0, 0), none);  // the tags alone are no assignment
    EXPECT_EQ(AssignedGKeys(view, 1, 0), (std::array<bool, 9>{true}));
    EXPECT_EQ(AssignedGKeys(view, 1, 1), (std::array<bool, 9>{false, false, false, false, false, false, false, false, true}));
    EXPECT_EQ(AssignedGKeys(view, 2, 0), (std::array<bool, 9>{false, false, false, false, true}));
    EXPECT_EQ(AssignedGKeys(view, 3, 0), none);   // section 3 never reaches the keyboard
    EXPECT_EQ(AssignedGKeys(view, 1, 2), none);
    EXPECT_EQ(AssignedGKeys(view, -1, 0), none);
}

}  // namespace
}  // namespace kv
