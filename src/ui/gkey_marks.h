// Which of the nine G-key buttons carry an assignment in the selected bank of a profile: the main window
// marks them (checked look) whenever the bank or the profile data changes.
#pragma once

#include <array>

#include "keys/assignment_table.h"

namespace kv {

inline constexpr int kGKeysPerBank = 9;

// profile 0..2 (the table section), bank 0 (A) or 1 (B); a slot of any type but default counts.
[[nodiscard]] std::array<bool, kGKeysPerBank> AssignedGKeys(ConstAssignmentTable table, int profile, int bank);

}  // namespace kv
