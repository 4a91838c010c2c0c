#include "ui/gkey_marks.h"

namespace kv {

std::array<bool, kGKeysPerBank> AssignedGKeys(ConstAssignmentTable table, int profile, int bank) {
    std::array<bool, kGKeysPerBank> marks{};
    if (profile < 0 || profile >= static_cast<int>(kDeviceProfileCount) || bank < 0 || bank > 1) return marks;
    for (int button = 0; button < kGKeysPerBank; ++button) {
        const std::size_t keyIndex = kGKeyFirstIndex + static_cast<std::size_t>(bank * kGKeysPerBank + button);
        marks[static_cast<std::size_t>(button)] =
            ReadSlot(table, static_cast<std::size_t>(profile), keyIndex).type != ASSIGN_DEFAULT;
    }
    return marks;
}

}  // namespace kv
